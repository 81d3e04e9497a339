#include "device/CKelvraUSB3Q6SimpleSdk.h"

namespace kelvra {

// Closes the camera while this object is whole: the transfer thread ends before any part of
// the core is torn down. The base destructor then finds nothing left to release.
CKelvraUSB3Q6SimpleSdk::~CKelvraUSB3Q6SimpleSdk() {
    CloseCamera();
}

}  // namespace kelvra
