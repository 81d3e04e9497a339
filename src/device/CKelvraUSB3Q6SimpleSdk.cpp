#include "device/CKelvraUSB3Q6SimpleSdk.h"

namespace kelvra {

// The base destructor closes the camera; this class owns nothing of its own.
CKelvraUSB3Q6SimpleSdk::~CKelvraUSB3Q6SimpleSdk() = default;

}  // namespace kelvra
