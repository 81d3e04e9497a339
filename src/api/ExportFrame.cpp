#include "api/ExportFrame.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "api/CSdkChain.h"
#include "platform/Clock.h"

namespace kelvra {

FrontLease::FrontLease(int32_t handle) {
    CSdkChain& chain = SdkChain();
    std::lock_guard<std::recursive_mutex> guard(chain.Lock());
    CSdkChain::Node* node = chain.Lookup(handle);
    if (node != nullptr && node->data.object != nullptr && node->data.object->Enter()) {
        entry_ = node->data.object;
    }
}

FrontLease::~FrontLease() {
    if (entry_ != nullptr) entry_->Leave();
}

namespace {

// Tick count + rand() + node count, in wrapping 32-bit arithmetic. With only 32768 random
// values a new handle can equal a live one, and two handles that alias would let one caller
// drive or release another's camera; so a clash, or 0, draws again.
int32_t NextHandle(const CSdkChain& chain) {
    for (;;) {
        const uint32_t sum = platform::GetTickCount32() + static_cast<uint32_t>(std::rand()) +
                             static_cast<uint32_t>(chain.Count());
        const auto handle = static_cast<int32_t>(sum);
        if (handle != 0 && !chain.Contains(handle)) return handle;
    }
}

}  // namespace

int32_t InitializeHandle(HWND notifyWindow) {
    std::unique_ptr<FrontEntry> entry;
    try {
        entry = std::make_unique<FrontEntry>(std::make_unique<CKelvra>());
    } catch (...) {
        return 0;
    }
    CSdkChain& chain = SdkChain();
    int32_t handle = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(chain.Lock());
        handle = NextHandle(chain);
        chain.Add({handle, entry.get()});  // may throw; the entry is then freed here
        entry.release();
    }
    FrontLease front(handle);
    if (front) front->Initialize(notifyWindow);
    return handle;
}

int ReleaseHandle(int32_t handle) {
    CSdkChain& chain = SdkChain();
    FrontEntry* entry = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(chain.Lock());
        CSdkChain::Node* node = chain.Lookup(handle);
        if (node == nullptr) return 0;
        entry = node->data.object;
        node->data.object = nullptr;
        if (entry != nullptr) entry->BeginClose();
        chain.Remove(handle);
    }
    if (entry != nullptr) {
        // Teardown runs outside the table lock, after the last call in flight has left.
        entry->TakeWhenIdle().reset();
        delete entry;
    }
    return 1;
}

}  // namespace kelvra
