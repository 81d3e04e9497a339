#include "platform/SettingsTree.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kelvra::platform {

namespace {

constexpr char kPathSeparator = '\\';

// Registry names compare without regard to case. ASCII folding covers every name the library
// uses; other bytes compare as they are.
char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
    });
}

bool NameEqual(const std::string& a, const std::string& b) {
    return !NameLess(a, b) && !NameLess(b, a);
}

// The non-empty components of a path: doubled, leading and trailing separators add nothing.
std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Position of `name` in a vector of named entries sorted by NameLess, or where it would go.
template <typename Entries>
auto LowerBound(Entries& entries, const std::string& name) {
    return std::lower_bound(
        entries.begin(), entries.end(), name,
        [](const auto& entry, const std::string& n) { return NameLess(entry.name, n); });
}

template <typename Entries>
auto* FindNamed(Entries& entries, const std::string& name) {
    const auto it = LowerBound(entries, name);
    return (it != entries.end() && NameEqual(it->name, name)) ? &*it : nullptr;
}

template <typename Entries>
std::vector<std::string> NamesOf(const Entries& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
}

// The key at `path` below `root`, or null. The empty path is the root itself.
template <typename KeyType>
KeyType* Walk(KeyType* root, const std::string& path) {
    KeyType* key = root;
    for (const std::string& part : SplitPath(path)) {
        key = FindNamed(key->subkeys, part);
        if (key == nullptr) return nullptr;
    }
    return key;
}

}  // namespace

const SettingsTree::Key* SettingsTree::FindKey(const std::string& path) const {
    return Walk(&m_root, path);
}

SettingsTree::Key* SettingsTree::FindKey(const std::string& path) {
    return Walk(&m_root, path);
}

// The key at `path`, created with every missing key above it.
SettingsTree::Key& SettingsTree::CreatePath(const std::string& path) {
    Key* key = &m_root;
    for (const std::string& part : SplitPath(path)) {
        auto it = LowerBound(key->subkeys, part);
        if (it == key->subkeys.end() || !NameEqual(it->name, part)) {
            it = key->subkeys.insert(it, Key{part, {}, {}});
        }
        key = &*it;
    }
    return *key;
}

// The value `name` of the key at `path`, created (key included) as an empty DWORD if missing.
SettingsTree::Value& SettingsTree::ValueFor(const std::string& path, const std::string& name) {
    std::vector<Value>& values = CreatePath(path).values;
    auto it = LowerBound(values, name);
    if (it == values.end() || !NameEqual(it->name, name))
        it = values.insert(it, Value{name, ValueType::Dword, 0, {}});
    return *it;
}

const SettingsTree::Value* SettingsTree::FindValue(const std::string& path,
                                                   const std::string& name) const {
    const Key* key = FindKey(path);
    return key == nullptr ? nullptr : FindNamed(key->values, name);
}

// True when the key exists; the root ("") always does.
bool SettingsTree::HasKey(const std::string& path) const {
    return FindKey(path) != nullptr;
}

// Creates the key and every missing key above it; an existing key is left as it is.
void SettingsTree::CreateKey(const std::string& path) {
    CreatePath(path);
}

// Deletes the key with all its subkeys and values. False when it does not exist or is the root.
bool SettingsTree::DeleteKey(const std::string& path) {
    std::vector<std::string> parts = SplitPath(path);
    if (parts.empty()) return false;
    const std::string leaf = parts.back();
    parts.pop_back();
    Key* parent = &m_root;
    for (const std::string& part : parts) {
        parent = FindNamed(parent->subkeys, part);
        if (parent == nullptr) return false;
    }
    const auto it = LowerBound(parent->subkeys, leaf);
    if (it == parent->subkeys.end() || !NameEqual(it->name, leaf)) return false;
    parent->subkeys.erase(it);
    return true;
}

// Names of the direct subkeys in case-insensitive order; empty for a missing key.
std::vector<std::string> SettingsTree::SubKeys(const std::string& path) const {
    const Key* key = FindKey(path);
    return key == nullptr ? std::vector<std::string>{} : NamesOf(key->subkeys);
}

// Reads a REG_DWORD value into *out. False, with *out untouched, when the key or value is
// missing, the value is binary, or out is null.
bool SettingsTree::GetDword(const std::string& path, const std::string& name, uint32_t* out) const {
    const Value* value = FindValue(path, name);
    if (out == nullptr || value == nullptr || value->type != ValueType::Dword) return false;
    *out = value->dword;
    return true;
}

// Stores a REG_DWORD value, replacing a value of either type; creates the key if needed.
void SettingsTree::SetDword(const std::string& path, const std::string& name, uint32_t value) {
    Value& stored = ValueFor(path, name);
    stored.type = ValueType::Dword;
    stored.dword = value;
    stored.bytes.clear();
}

// Reads a REG_BINARY value into *out. False, with *out untouched, when the key or value is
// missing, the value is a DWORD, or out is null.
bool SettingsTree::GetBinary(const std::string& path, const std::string& name,
                             std::vector<uint8_t>* out) const {
    const Value* value = FindValue(path, name);
    if (out == nullptr || value == nullptr || value->type != ValueType::Binary) return false;
    *out = value->bytes;
    return true;
}

// Stores `size` bytes from `data` as a REG_BINARY value (a null data stores no bytes),
// replacing a value of either type; creates the key if needed.
void SettingsTree::SetBinary(const std::string& path, const std::string& name, const void* data,
                             size_t size) {
    Value& stored = ValueFor(path, name);
    stored.type = ValueType::Binary;
    stored.dword = 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    stored.bytes.assign(bytes, bytes == nullptr ? bytes : bytes + size);
}

// Names of the key's values in case-insensitive order; empty for a missing key.
std::vector<std::string> SettingsTree::ValueNames(const std::string& path) const {
    const Key* key = FindKey(path);
    return key == nullptr ? std::vector<std::string>{} : NamesOf(key->values);
}

// Removes one value. False when the key or the value does not exist.
bool SettingsTree::DeleteValue(const std::string& path, const std::string& name) {
    Key* key = FindKey(path);
    if (key == nullptr) return false;
    std::vector<Value>& values = key->values;
    const auto it = LowerBound(values, name);
    if (it == values.end() || !NameEqual(it->name, name)) return false;
    values.erase(it);
    return true;
}

}  // namespace kelvra::platform
