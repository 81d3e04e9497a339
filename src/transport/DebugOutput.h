// The transport's debugger channel (OutputDebugString on Windows). Silent unless a sink is
// installed, so nothing reaches a user's terminal or log by default.
#pragma once

namespace kelvra::transport {

using DebugSink = void (*)(const char* text);

void SetDebugSink(DebugSink sink);
void OutputDebugText(const char* text);

}  // namespace kelvra::transport
