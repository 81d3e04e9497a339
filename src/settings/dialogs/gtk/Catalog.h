// The dialogs' texts: English in the code and the layouts, Japanese from a gettext catalogue.
//
// The language is the user's (LC_ALL, LC_MESSAGES or LANG, the first one set), read from the
// environment rather than from the process locale: a library must not call setlocale, and an
// application that never did would otherwise always get English. For the same reason the
// catalogue is read here, not through gettext(), which follows the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kelvra::dialogs::gtk {

class Catalog {
  public:
    // The catalogue of the user's language (empty for English), read again when it changed.
    static const Catalog& ForUser();

    // True when `locale` (a value such as "ja_JP.UTF-8") names Japanese.
    static bool IsJapanese(std::string_view locale);
    // The entries of a GNU .mo file; an empty catalogue when the data is not one.
    static Catalog FromMo(const void* data, size_t size);

    // The translation of `text`, or `text` itself.
    const char* Translate(const char* text) const;
    size_t Size() const { return m_entries.size(); }

  private:
    std::unordered_map<std::string, std::string> m_entries;
};

// Marks a text for the catalogue and translates it.
inline const char* Tr(const char* text) {
    return Catalog::ForUser().Translate(text);
}

}  // namespace kelvra::dialogs::gtk
