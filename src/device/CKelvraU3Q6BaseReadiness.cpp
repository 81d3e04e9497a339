// The readiness handshake of the open sequence: the camera's FPGA may still be configuring when
// the camera is opened, and the core waits for it, kicking it now and then.
#include <cstring>

#include "device/CKelvraU3Q6Base.h"
#include "device/DeviceRegisters.h"
#include "device/ProductIds.h"

namespace kelvra {
namespace {

// FX3 firmware from which information block A carries a valid GPIO25 flag.
constexpr uint16_t kGpio25Firmware = 0x1101;
constexpr uint8_t kGpio25Ready = 1;
constexpr uint8_t kFpgaConfigured = 1;

constexpr int32_t kReadyPolls = 400;
constexpr int32_t kShortReadyPolls = 40;
constexpr uint32_t kPollPauseMs = 500;
constexpr uint32_t kKickIntervalMs = 25000;
constexpr uint32_t kPulseStepMs = 50;

// 0x32C0/0x33B0: an FPGA version byte above this has the status request.
constexpr uint8_t kStatusCapableVersion3 = 8;
// 0x3140: FPGA preset of the open sequence.
constexpr uint8_t kModelEModeValue = 3;

const char* OkOrNg(bool ok) {
    return ok ? "OK" : "NG";
}

// The fields of information block A that the handshake reads; zero when the read fails.
struct BlockA {
    bool read = false;
    uint16_t firmware = 0;
    uint8_t gpio25 = 0;

    bool Gpio25Firmware() const { return firmware >= kGpio25Firmware; }
    bool Gpio25Ready() const { return read && Gpio25Firmware() && gpio25 == kGpio25Ready; }
};

BlockA ReadBlockA(CNorluxCy3Cam& controller) {
    std::array<uint8_t, CKelvraU3Q6Base::kInfoBlockBytes> block{};
    BlockA a;
    a.read = controller.ReadInfoBlockA(block.data()) != 0;
    if (!a.read) return a;
    std::memcpy(&a.firmware, block.data() + device_reg::kInfoFirmwareVersion, sizeof a.firmware);
    a.gpio25 = block[device_reg::kInfoGpio25Flag];
    return a;
}

}  // namespace

// Runs the product's handshake. Returns 0 only when the camera's FPGA never became ready.
int32_t CKelvraU3Q6Base::ReadinessHandshake() {
    switch (m_productId.load()) {
        case product::kModelE:
            return ModelEPreset();
        case product::kModuleConsole:
            // The module's console decides: a sensor that does not answer is recovered, then
            // the probe of the open sequence has the last word.
            if (!m_sensor->ProbeSensor()) m_sensor->RecoverSensor();
            return 1;
        case product::kGlux9701:
        case product::kGlux9701B:
            return GlobalShutterReadiness();
        case product::kAltGeometry:
            return AltGeometryReadiness();
        default:
            return DefaultReadinessWait();
    }
}

// With FX3 firmware 0x1101 or later and the GPIO25 flag set, waits for the FPGA (400 polls,
// 500 ms apart, register 0x82 pulsed every 25 s); 0 when it never becomes ready. Otherwise the
// camera cannot tell, so the sequence goes on after logging why. The whole IMX990 family.
int32_t CKelvraU3Q6Base::DefaultReadinessWait() {
    const BlockA a = ReadBlockA(*m_controller);
    if (a.Gpio25Ready()) return WaitForFpgaReady(kReadyPolls, true, false);
    m_controller->DebugLog("Cypress=0x%X(%s), GPIO25 flag=%d(%s)", unsigned(a.firmware),
                           OkOrNg(a.Gpio25Firmware()), int(a.gpio25),
                           OkOrNg(a.gpio25 == kGpio25Ready));
    return 1;
}

// Polls the FPGA-configured status up to `polls` times, sleeping 500 ms after every answer
// other than ready. With `kick`, whenever 25 s have passed since the wait began or since the
// last kick, and another poll follows, the FPGA is kicked: register 0x82 pulsed, or (altKick)
// register 0x81 written. Returns 1 once ready, 0 after the last poll, or at once when the camera
// has gone (a wait of minutes for a device that cannot answer helps nobody).
int32_t CKelvraU3Q6Base::WaitForFpgaReady(int32_t polls, bool kick, bool altKick) {
    uint32_t since = Tick();
    for (int32_t poll = 0; poll < polls; ++poll) {
        uint8_t status = 0;
        if (m_controller->ReadFpgaStatus(&status) && status == kFpgaConfigured) return 1;
        if (m_controller->DeviceGone()) return 0;
        Sleep(kPollPauseMs);
        if (!kick || poll + 1 == polls || Tick() - since < kKickIntervalMs) continue;
        if (altKick) {
            const int32_t ok = m_controller->WriteFpgaRegister(device_reg::kReadyPulseAlt, 1);
            m_controller->DebugLog("FPGA reg0x81=0x1: %s", ok ? "succeed." : "failed.");
        } else {
            PulseReadyRegister();
        }
        since = Tick();
    }
    return 0;
}

// Bit 0 of FPGA register 0x82 low, high for 50 ms, low again; the other bits as read. A
// register that cannot be read (an FPGA still configuring answers nothing) is taken as 0.
void CKelvraU3Q6Base::PulseReadyRegister() {
    uint8_t value = 0;
    if (!m_controller->ReadFpgaRegister(device_reg::kReadyPulse, &value)) value = 0;
    const uint8_t low = value & ~uint8_t{1};
    m_controller->WriteFpgaRegister(device_reg::kReadyPulse, low);
    Sleep(kPulseStepMs);
    m_controller->WriteFpgaRegister(device_reg::kReadyPulse, low | 1);
    Sleep(kPulseStepMs);
    m_controller->WriteFpgaRegister(device_reg::kReadyPulse, low);
}

// 0x3140: the FPGA is preset instead of waited for.
int32_t CKelvraU3Q6Base::ModelEPreset() {
    m_controller->WriteFpgaRegister(device_reg::kModelEControl, 0);
    m_controller->WriteFpgaRegister(device_reg::kModelEMode, kModelEModeValue);
    m_controller->WriteFpgaRegister(device_reg::kModelEControl, 1);
    return 1;
}

// 0x32C0 and 0x33B0: a short wait when the camera can report readiness; the sensor is then
// released (register 0 = 4), or forced ready after the last miss. The sequence always goes on.
int32_t CKelvraU3Q6Base::GlobalShutterReadiness() {
    const BlockA a = ReadBlockA(*m_controller);
    uint8_t version3 = 0;
    const bool versionRead = m_controller->ReadFpgaRegister(device_reg::kVersion3, &version3);
    const bool canReport = versionRead && version3 > kStatusCapableVersion3;
    if (!(a.read && a.Gpio25Firmware()) && !canReport) return 1;
    constexpr int32_t kReleaseRegister = 0;
    constexpr int32_t kReleaseValue = 4;
    if (WaitForFpgaReady(kShortReadyPolls, false, false)) {
        m_sensor->WriteRegister(kReleaseRegister, kReleaseValue);
    } else {
        m_sensor->ForceReady();
    }
    return 1;
}

// 0x31E0: the FPGA version bytes are logged; the wait runs only when the FPGA can report the
// GPIO25 line, which this library takes to need both version bytes and a GPIO25-capable FX3
// with the flag set. Its kick is register 0x81.
int32_t CKelvraU3Q6Base::AltGeometryReadiness() {
    uint8_t version0 = 0;
    uint8_t version3 = 0;
    const bool read0 = m_controller->ReadFpgaRegister(device_reg::kVersion0, &version0);
    const bool read3 = m_controller->ReadFpgaRegister(device_reg::kVersion3, &version3);
    m_controller->DebugLog("FPGAVer0=0x%X(%s) FPGAVer3=0x%X(%s)", unsigned(version0),
                           read0 ? "succeed" : "failed", unsigned(version3),
                           read3 ? "succeed" : "failed");
    const BlockA a = ReadBlockA(*m_controller);
    if (!(read0 && read3 && a.Gpio25Ready())) {
        m_controller->DebugLog(
            "GPIO25 is not available. Cypress=0x%X(%s), FPGA [0]0x%X [3]0x%X(%s)%s",
            unsigned(a.firmware), OkOrNg(a.Gpio25Firmware()), unsigned(version0),
            unsigned(version3), OkOrNg(read0 && read3), read0 && read3 ? "" : " -- read failed.");
        return 1;
    }
    return WaitForFpgaReady(kReadyPolls, true, true);
}

}  // namespace kelvra
