// The concrete device core that a front object holds, one per handle.
#pragma once

#include "device/CKelvraU3Q6Base.h"

namespace kelvra {

// Everything is inherited; only the destructor is its own, so the front deletes the core
// through this type.
class CKelvraUSB3Q6SimpleSdk final : public CKelvraU3Q6Base {
  public:
    CKelvraUSB3Q6SimpleSdk() = default;
    ~CKelvraUSB3Q6SimpleSdk() override;
};

}  // namespace kelvra
