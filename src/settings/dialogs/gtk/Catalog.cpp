#include "gtk/Catalog.h"

#include <gio/gio.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kelvra::dialogs::gtk {
namespace {

constexpr uint32_t kMoMagic = 0x950412de;
constexpr char kJapaneseResource[] = "/com/kelvra/dialogs/ja.mo";

// The locale that decides the language of messages, as POSIX orders the variables.
std::string_view UserLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

uint32_t Word(const uint8_t* bytes, size_t offset, bool swap) {
    uint32_t word = 0;
    std::memcpy(&word, bytes + offset, sizeof word);
    return swap ? __builtin_bswap32(word) : word;
}

}  // namespace

bool Catalog::IsJapanese(std::string_view locale) {
    return locale.substr(0, 2) == "ja" &&
           (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
}

// The .mo layout: magic, revision, count, then the offsets of two tables of (length, offset)
// pairs, originals and translations. Every offset is checked against the data's size.
Catalog Catalog::FromMo(const void* data, size_t size) {
    Catalog catalog;
    const auto* bytes = static_cast<const uint8_t*>(data);
    constexpr size_t kHeaderBytes = 28;
    if (bytes == nullptr || size < kHeaderBytes) return catalog;
    const bool swap = Word(bytes, 0, false) != kMoMagic;
    if (Word(bytes, 0, swap) != kMoMagic) return catalog;
    const uint64_t count = Word(bytes, 8, swap);
    const uint64_t originals = Word(bytes, 12, swap);
    const uint64_t translations = Word(bytes, 16, swap);
    if (originals + count * 8 > size || translations + count * 8 > size) return catalog;
    auto text = [&](uint64_t table, uint64_t i, std::string* out) {
        const uint64_t length = Word(bytes, table + i * 8, swap);
        const uint64_t offset = Word(bytes, table + i * 8 + 4, swap);
        if (offset + length >= size) return false;
        out->assign(reinterpret_cast<const char*>(bytes + offset), length);
        return true;
    };
    for (uint64_t i = 0; i < count; ++i) {
        std::string original, translation;
        if (!text(originals, i, &original) || !text(translations, i, &translation)) continue;
        if (original.empty()) continue;  // the catalogue's header entry
        catalog.m_entries.emplace(std::move(original), std::move(translation));
    }
    return catalog;
}

// Read again when the user's locale changed since the last dialog. Only the GTK thread calls.
const Catalog& Catalog::ForUser() {
    static std::string locale;
    static Catalog catalog;
    static bool loaded = false;
    const std::string_view now = UserLocale();
    if (loaded && now == locale) return catalog;
    locale = now;
    loaded = true;
    catalog = Catalog();
    if (!IsJapanese(now)) return catalog;
    GBytes* mo = g_resources_lookup_data(kJapaneseResource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (mo == nullptr) return catalog;
    gsize size = 0;
    const void* data = g_bytes_get_data(mo, &size);
    catalog = FromMo(data, size);
    g_bytes_unref(mo);
    return catalog;
}

const char* Catalog::Translate(const char* text) const {
    const auto found = m_entries.find(text);
    return found == m_entries.end() ? text : found->second.c_str();
}

}  // namespace kelvra::dialogs::gtk
