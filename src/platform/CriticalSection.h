// The stand-in for CRITICAL_SECTION, which a thread may enter again while it holds it.
#pragma once

#include <mutex>

namespace kelvra::platform {

using CriticalSection = std::recursive_mutex;

}  // namespace kelvra::platform
