#include "platform/SettingsJson.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <vector>

namespace kelvra::platform {

namespace {

using Json = nlohmann::json;

// The document:
//   {"format": "kelvra-registry", "version": 1,
//    "root": {"keys": {"<name>": <key>, ...},
//             "values": {"<name>": {"type": "REG_DWORD", "data": 1280},
//                        "<name>": {"type": "REG_BINARY", "data": "000000000000f83f"}}}}
// Binary data is lower-case hex, two digits per byte in stored order.
constexpr const char* kFormatName = "kelvra-registry";
constexpr int kFormatVersion = 1;
constexpr const char* kDwordType = "REG_DWORD";
constexpr const char* kBinaryType = "REG_BINARY";
// Windows refuses keys nested deeper than this; a deeper file is not one we wrote.
constexpr int kMaxKeyDepth = 512;

std::string JoinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + '\\' + name;
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const std::string& hex, std::vector<uint8_t>* bytes) {
    if (hex.size() % 2 != 0) return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes->push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

Json KeyToJson(const SettingsTree& tree, const std::string& path) {
    Json values = Json::object();
    for (const std::string& name : tree.ValueNames(path)) {
        uint32_t dword = 0;
        std::vector<uint8_t> bytes;
        if (tree.GetDword(path, name, &dword)) {
            values[name] = {{"type", kDwordType}, {"data", dword}};
        } else if (tree.GetBinary(path, name, &bytes)) {
            values[name] = {{"type", kBinaryType}, {"data", ToHex(bytes)}};
        }
    }
    Json keys = Json::object();
    for (const std::string& name : tree.SubKeys(path)) {
        keys[name] = KeyToJson(tree, JoinPath(path, name));
    }
    return {{"keys", std::move(keys)}, {"values", std::move(values)}};
}

bool ValueFromJson(const std::string& path, const std::string& name, const Json& value,
                   SettingsTree* tree) {
    if (!value.is_object() || value.size() != 2 || !value.contains("type") ||
        !value.contains("data")) {
        return false;
    }
    const Json& type = value["type"];
    const Json& data = value["data"];
    if (type == kDwordType && data.is_number_unsigned() &&
        data.get<uint64_t>() <= std::numeric_limits<uint32_t>::max()) {
        tree->SetDword(path, name, data.get<uint32_t>());
        return true;
    }
    std::vector<uint8_t> bytes;
    if (type == kBinaryType && data.is_string() && FromHex(data.get<std::string>(), &bytes)) {
        tree->SetBinary(path, name, bytes.data(), bytes.size());
        return true;
    }
    return false;
}

// Adds the key described by `key` at `path`. Names that differ only in case were written by
// hand, not by us; they merge as the registry would.
bool KeyFromJson(const std::string& path, const Json& key, int depth, SettingsTree* tree) {
    if (depth > kMaxKeyDepth || !key.is_object() || key.size() != 2) return false;
    const auto keys = key.find("keys");
    const auto values = key.find("values");
    if (keys == key.end() || values == key.end() || !keys->is_object() || !values->is_object()) {
        return false;
    }
    tree->CreateKey(path);
    for (const auto& [name, value] : values->items()) {
        if (!ValueFromJson(path, name, value, tree)) return false;
    }
    for (const auto& [name, child] : keys->items()) {
        if (name.empty() || name.find('\\') != std::string::npos) return false;
        if (!KeyFromJson(JoinPath(path, name), child, depth + 1, tree)) return false;
    }
    return true;
}

}  // namespace

// The whole tree as the text of a settings file, compact (no indentation: the file is rewritten
// at every save, and its size is bounded when read). Bytes of names that are not UTF-8 are
// replaced rather than refused, so a save never fails on a name. May throw std::bad_alloc.
std::string SettingsToJson(const SettingsTree& tree) {
    const Json document = {
        {"format", kFormatName}, {"version", kFormatVersion}, {"root", KeyToJson(tree, "")}};
    return document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

// Rebuilds a tree from the text of a settings file into *tree, which should be empty. False
// when the text is not JSON or not in the shape SettingsToJson writes; *tree is then partial
// and to be discarded. May throw std::bad_alloc.
bool SettingsFromJson(const std::string& text, SettingsTree* tree) {
    const Json document = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!document.is_object() || document.size() != 3) return false;
    const auto format = document.find("format");
    const auto version = document.find("version");
    const auto root = document.find("root");
    if (format == document.end() || *format != kFormatName || version == document.end() ||
        *version != kFormatVersion || root == document.end()) {
        return false;
    }
    return KeyFromJson("", *root, 0, tree);
}

}  // namespace kelvra::platform
