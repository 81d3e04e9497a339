#include "api/CSdkChain.h"

#include <mutex>

namespace kelvra {
namespace {

int32_t HandleOf(const CSDKDATA& entry) {
    return entry.handle;
}

// Constructed at library load, destroyed at unload. Its destructor frees the nodes only: a
// handle the application never released keeps its front object, as the application may still
// have threads inside it.
CSdkChain g_chain;

}  // namespace

int CSdkChain::Find(int32_t handle) {
    return CTRing<CSDKDATA>::Find(handle, HandleOf);
}

bool CSdkChain::Contains(int32_t handle) const {
    return CTRing<CSDKDATA>::Contains(handle, HandleOf);
}

int CSdkChain::Remove(int32_t handle) {
    if (!Find(handle)) return 0;
    return RemoveHead();
}

CSdkChain::Node* CSdkChain::Lookup(int32_t handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return Find(handle) ? Head() : nullptr;
}

CSdkChain& SdkChain() {
    return g_chain;
}

}  // namespace kelvra
