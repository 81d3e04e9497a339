// An in-memory registry hive: keys with subkeys and REG_DWORD / REG_BINARY values. Keys are
// addressed by backslash-separated paths ("Software\\Norlux\\...\\Gain"); key and value names
// match case-insensitively, as in the Windows registry, and keep the case they were created with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvra::platform {

class SettingsTree {
  public:
    bool HasKey(const std::string& path) const;
    void CreateKey(const std::string& path);
    bool DeleteKey(const std::string& path);
    std::vector<std::string> SubKeys(const std::string& path) const;

    bool GetDword(const std::string& path, const std::string& name, uint32_t* out) const;
    void SetDword(const std::string& path, const std::string& name, uint32_t value);
    bool GetBinary(const std::string& path, const std::string& name,
                   std::vector<uint8_t>* out) const;
    void SetBinary(const std::string& path, const std::string& name, const void* data, size_t size);
    std::vector<std::string> ValueNames(const std::string& path) const;
    bool DeleteValue(const std::string& path, const std::string& name);

  private:
    enum class ValueType { Dword, Binary };
    struct Value {
        std::string name;
        ValueType type = ValueType::Dword;
        uint32_t dword = 0;
        std::vector<uint8_t> bytes;
    };
    // Subkeys and values are kept sorted by case-folded name.
    struct Key {
        std::string name;
        std::vector<Key> subkeys;
        std::vector<Value> values;
    };

    const Key* FindKey(const std::string& path) const;
    Key* FindKey(const std::string& path);
    Key& CreatePath(const std::string& path);
    Value& ValueFor(const std::string& path, const std::string& name);
    const Value* FindValue(const std::string& path, const std::string& name) const;

    Key m_root;
};

}  // namespace kelvra::platform
