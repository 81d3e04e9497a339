#pragma once

#include <cstdint>

#include "api/CTRing.h"

namespace kelvra {

class FrontEntry;

// One entry of the handle table: the handle and the front object it owns (null while the
// entry is being released).
struct CSDKDATA {
    int32_t handle = 0;
    FrontEntry* object = nullptr;
};

// The process-wide handle table. Lookups rotate the ring's cursor onto the found entry.
class CSdkChain : public CTRing<CSDKDATA> {
  public:
    // Moves the cursor onto `handle`; 1 when found.
    int Find(int32_t handle);
    // Find, then remove the found node; 0 when not found.
    int Remove(int32_t handle);
    // Whether `handle` is in the table; the cursor does not move.
    bool Contains(int32_t handle) const;
    // Find under the table lock; the found node (now the head) or null.
    Node* Lookup(int32_t handle);
};

// The one table of this library, built when the library is loaded.
CSdkChain& SdkChain();

}  // namespace kelvra
