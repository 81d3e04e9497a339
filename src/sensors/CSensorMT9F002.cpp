#include "sensors/CSensorMT9F002.h"

#include "sensors/CSensorMT9F001.h"
#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint8_t kAuxCommandRegister = 40;
constexpr uint8_t kAuxCommandValue = 3;
constexpr uint32_t kRestartSettleMs = 100;
constexpr uint32_t kAuxSettleMs = 500;

}  // namespace

CSensorMT9F002::CSensorMT9F002(CControllerBase* controller, uint8_t busAddress)
    : CSensorColorCmos(controller, busAddress, kMt9FFacts, kMt9LargeMap) {}

void CSensorMT9F002::RestartSensor() {
    if (Controller() == nullptr) return;
    Write(mt9_reg::kResetRegister, Map().runValue | mt9_reg::kResetRestart);
    Sleep(kRestartSettleMs);
    SendAuxCommand();
    Sleep(FrameTimeMs(Descriptor().frameLength) + kAuxSettleMs);
}

void CSensorMT9F002::SendAuxCommand() {
    if (Controller() == nullptr) return;
    Controller()->WriteAuxRegister(kAuxCommandRegister, kAuxCommandValue);
}

}  // namespace kelvra
