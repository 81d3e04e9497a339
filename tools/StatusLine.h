#pragma once
// A progress line that rewrites itself with '\r' on a terminal and stays silent otherwise, so
// that pipes and log files receive only the summaries.

#include <cstdio>
#include <string_view>

namespace kelvra::tool {

class StatusLine {
  public:
    // `live`: whether progress is shown at all (normally: `out` is a terminal).
    StatusLine(std::FILE* out, bool live) : out_(out), live_(live) {}
    // Live when `out` is a terminal.
    explicit StatusLine(std::FILE* out);
    ~StatusLine() { clear(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    bool live() const { return live_; }
    // Replaces the line's text (only when live).
    void show(std::string_view text);
    // Blanks the line so the next output starts at column 0 (only if something was shown).
    void clear();

  private:
    std::FILE* out_;
    bool live_;
    size_t shownWidth_ = 0;
};

}  // namespace kelvra::tool
