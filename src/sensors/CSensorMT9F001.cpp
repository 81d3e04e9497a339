#include "sensors/CSensorMT9F001.h"

namespace kelvra {

CSensorMT9F001::CSensorMT9F001(CControllerBase* controller, uint8_t busAddress)
    : CSensorColorCmos(controller, busAddress, kMt9FFacts, kMt9LargeMap) {}

}  // namespace kelvra
