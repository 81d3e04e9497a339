// A stdio stream onto the new version of a file, for the encoders that write through FILE*.
#pragma once

#include <cstdio>

#include "platform/SafeFile.h"

namespace kelvra {

// The stream writes a temporary file beside the target; Commit puts it in the target's place
// when every write succeeded. Dropped without Commit, the old file stays as it was. Not
// thread-safe: one user.
class ReplacingStream {
  public:
    ReplacingStream() = default;
    ~ReplacingStream();
    ReplacingStream(const ReplacingStream&) = delete;
    ReplacingStream& operator=(const ReplacingStream&) = delete;

    bool Open(const char* path);
    bool Commit();
    FILE* Stream() const { return stream_; }

  private:
    platform::ReplacingFile file_;
    FILE* stream_ = nullptr;
};

}  // namespace kelvra
