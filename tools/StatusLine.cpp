#include "StatusLine.h"

#include <unistd.h>

#include <string>

namespace kelvra::tool {

StatusLine::StatusLine(std::FILE* out) : StatusLine(out, ::isatty(::fileno(out)) == 1) {}

void StatusLine::show(std::string_view text) {
    if (!live_) return;
    std::string line = "\r";
    line.append(text);
    // Overwrite what is left of a longer previous text.
    if (text.size() < shownWidth_) line.append(shownWidth_ - text.size(), ' ');
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    shownWidth_ = text.size();
}

void StatusLine::clear() {
    if (!live_ || shownWidth_ == 0) return;
    std::string line(shownWidth_ + 2, ' ');
    line.front() = '\r';
    line.back() = '\r';
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    shownWidth_ = 0;
}

}  // namespace kelvra::tool
