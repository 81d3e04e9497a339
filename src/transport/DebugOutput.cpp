#include "transport/DebugOutput.h"

#include <atomic>

namespace kelvra::transport {
namespace {

constinit std::atomic<DebugSink> gSink{nullptr};

}  // namespace

// Installs the receiver of debug texts; nullptr silences them again. Any thread.
void SetDebugSink(DebugSink sink) {
    gSink.store(sink, std::memory_order_release);
}

// Hands `text` to the installed sink, if any. Any thread.
void OutputDebugText(const char* text) {
    if (DebugSink sink = gSink.load(std::memory_order_acquire)) sink(text);
}

}  // namespace kelvra::transport
