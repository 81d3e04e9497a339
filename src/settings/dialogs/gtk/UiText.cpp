#include "gtk/UiText.h"

namespace kelvra::dialogs::gtk {
namespace {

constexpr std::string_view kMark = " translatable=\"yes\"";

struct Entity {
    std::string_view text;
    char character;
};

constexpr Entity kEntities[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
};

std::string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const Entity& entity : kEntities) {
            if (text.substr(i, entity.text.size()) == entity.text) {
                out += entity.character;
                i += entity.text.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        bool replaced = false;
        for (const Entity& entity : kEntities) {
            if (c == entity.character) {
                out += entity.text;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += c;
    }
    return out;
}

}  // namespace

std::string TranslateLayout(std::string_view xml, const Catalog& catalog) {
    std::string out;
    size_t done = 0;
    for (size_t mark = xml.find(kMark); mark != std::string_view::npos;
         mark = xml.find(kMark, done)) {
        const size_t open = xml.find('>', mark);
        const size_t close = open == std::string_view::npos ? open : xml.find('<', open);
        if (close == std::string_view::npos) break;
        out.append(xml.substr(done, mark - done));
        out.append(xml.substr(mark + kMark.size(), open + 1 - mark - kMark.size()));
        const std::string text = Unescape(xml.substr(open + 1, close - open - 1));
        out += Escape(catalog.Translate(text.c_str()));
        done = close;
    }
    out.append(xml.substr(done));
    return out;
}

}  // namespace kelvra::dialogs::gtk
