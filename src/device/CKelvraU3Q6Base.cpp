#include "device/CKelvraU3Q6Base.h"

namespace kelvra {

namespace {

// What a forwarder answers when no sensor driver exists. Most report "not supported"; the
// gain-mode reader and its sibling report "unknown", and the display-mode and FPGA-option
// queries let the front offer every mode.
constexpr int32_t kNoSensor = 0;
constexpr int32_t kNoSensorUnknown = -1;
constexpr int32_t kNoSensorYes = 1;

// What an operation that needs the controller answers without one.
constexpr int32_t kNoController = 0;
constexpr int32_t kNoDeviceInstance = -1;
constexpr int32_t kCaptureImpossible = 2;  // CaptureOnce without controller or staging buffer

constexpr int32_t kReopenFailed = -1;
constexpr int32_t kNullFrameBuffer = -2;
constexpr int32_t kWaitNothingNew = 2;

// Product ids whose streaming or capabilities differ from the shared code paths.
constexpr int32_t kProductSyncStream = 0x3042;  // frames in one piece from endpoint 0x83
constexpr int32_t kProductModelG = 0x32D0;      // deeper frame ring
constexpr int32_t kBlockStreamProducts[] = {0x3310, 0x3320, 0x3330, 0x3340};
constexpr int32_t kInternalCorrectionProducts[] = {0x3150, 0x3170, 0x31E0, 0x3220};

template <size_t N>
bool IsOneOf(int32_t productId, const int32_t (&products)[N]) {
    for (int32_t product : products) {
        if (product == productId) return true;
    }
    return false;
}

}  // namespace

// ---- 0-9: lifecycle, information blocks, open and close -------------------------------------

// Destruction closes the camera first, so every owned resource is released in order.
CKelvraU3Q6Base::~CKelvraU3Q6Base() {
    CKelvraU3Q6Base::CloseCamera();
}

// Closes any open camera, then creates the controller for the given interface class (the
// camera class when guid is null); the window is not used. Returns 0: there is no transport
// to create a controller with yet.
int32_t CKelvraU3Q6Base::CreateController(HWND /*window*/, const InterfaceGuid* /*guid*/) {
    CloseCamera();
    return kNoController;
}

// Second half of the open sequence; fails without a controller.
int32_t CKelvraU3Q6Base::InitializeCamera() {
    return kNoController;
}

// Stops streaming and releases what an open camera holds. Repeating it is harmless: a second
// call finds nothing to release. Always returns 1.
int32_t CKelvraU3Q6Base::CloseCamera() {
    StopTransfer(1);
    m_captureMode = 0;
    return 1;
}

// Information blocks A and B (kInfoBlockBytes each) come from the controller: 0 without one.
int32_t CKelvraU3Q6Base::GetInfoBlockA(uint8_t* /*block*/) {
    return kNoController;
}

// Copies the sensor descriptor (kSensorDescriptorBytes) into descriptor; 0 without a driver.
int32_t CKelvraU3Q6Base::GetDescriptor(void* /*descriptor*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetInfoBlockB(uint8_t* /*block*/) {
    return kNoController;
}

// Stops streaming, then opens camera `instance`. Returns 0 on success and -1 on failure.
int32_t CKelvraU3Q6Base::ReopenCamera(int32_t instance) {
    StopTransfer(1);
    return OpenCamera(instance) != 0 ? 0 : kReopenFailed;
}

// Opens the camera with the given instance number of the core's product id. Needs the
// controller's device table, so it fails (0) until a controller can exist.
int32_t CKelvraU3Q6Base::OpenCamera(int32_t /*instance*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::Reserved9() {
    return 0;
}

// ---- 10-20: discovery and product identity -------------------------------------------------

// Discovery reads the controller's device table: without a controller nothing is present,
// nothing is counted, and per-index fields answer their empty values (0, 0, -1).
int32_t CKelvraU3Q6Base::IsDevicePresent(int32_t /*instance*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::CountDevices(int32_t /*productId*/) {
    return kNoController;
}

// Writes at most `length` bytes, the terminator included, into text.
int32_t CKelvraU3Q6Base::GetDeviceModelName(int32_t /*index*/, char* /*text*/, int32_t /*length*/) {
    return kNoController;
}

// Stores the product id; the ring is deeper for one product, and the read mark starts on
// the last slot so that the first frame written (slot 0) counts as new.
int32_t CKelvraU3Q6Base::SetProductId(int32_t productId) {
    const int32_t depth = productId == kProductModelG ? kLargeRingDepth : kDefaultRingDepth;
    m_productId = productId;
    m_ringDepth = depth;
    m_readMark = depth - 1;
    return 1;
}

// The stored product id, -1 before SetProductId.
int32_t CKelvraU3Q6Base::GetProductId() {
    return m_productId;
}

int32_t CKelvraU3Q6Base::GetDeviceVendorId(int32_t /*index*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::GetDeviceProductId(int32_t /*index*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::GetDeviceInstance(int32_t /*index*/) {
    return kNoDeviceInstance;
}

// 1 when frames are read in one piece (sync stream) or block by block (block stream).
int32_t CKelvraU3Q6Base::IsSyncStreamModel() {
    return m_productId == kProductSyncStream;
}

int32_t CKelvraU3Q6Base::IsBlockStreamModel() {
    return IsOneOf(m_productId, kBlockStreamProducts);
}

// Instance number given to the last OpenCamera that got as far as choosing a sensor driver.
int32_t CKelvraU3Q6Base::GetOpenInstance() {
    return m_openInstance;
}

// ---- 21-40: frame transfer and the frame ring ----------------------------------------------
// The ring and the transfer thread need an open camera; without a controller streaming
// cannot start and no frame ever arrives.

int32_t CKelvraU3Q6Base::StartTransfer(int32_t mode) {
    return SetCaptureMode(mode);
}

// Stops streaming (nothing runs without a controller) and returns to continuous mode.
// Always returns 1.
int32_t CKelvraU3Q6Base::StopTransfer(int32_t /*wait*/) {
    RestartStream();
    m_captureMode = 0;
    return 1;
}

// Copies a ring frame into buffer when length holds a whole frame. There is no ring without
// an open camera, so nothing is copied, no output is written, and the answer is 0.
int32_t CKelvraU3Q6Base::CopyFrame(uint8_t* /*buffer*/, uint32_t /*length*/,
                                   int32_t* /*frameNumber*/, int32_t* /*word28*/,
                                   int32_t* /*word32*/, int32_t* /*word40*/, int32_t* /*word44*/,
                                   int32_t /*firstSlot*/, int32_t /*topDown*/) {
    return 0;
}

int32_t CKelvraU3Q6Base::SetCaptureMode(int32_t /*mode*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::RestartStream() {
    return kNoController;
}

// Transfer thread bodies: they return at once without a controller or staging buffer.
void CKelvraU3Q6Base::TransferLoop() {}

void CKelvraU3Q6Base::TransferLoopSync() {}

void CKelvraU3Q6Base::TransferLoopBlock() {}

// Sizes the ring from the sensor descriptor; 0 without a sensor driver.
int32_t CKelvraU3Q6Base::ConfigureBuffers() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetMaxDevices() {
    return kMaxDevices;
}

int32_t CKelvraU3Q6Base::LatchFrameCounter() {
    return kNoController;
}

// Reads one frame into ring slot 0 without the thread; 2 without controller or staging buffer.
int32_t CKelvraU3Q6Base::CaptureOnce() {
    return kCaptureImpossible;
}

int32_t CKelvraU3Q6Base::Reserved33() {
    return -1;
}

// Copies ring slot 0 into buffer: -2 for a null buffer, otherwise 0.
int32_t CKelvraU3Q6Base::GetFirstFrame(uint8_t* buffer, uint32_t /*length*/,
                                       int32_t* /*frameNumber*/, int32_t /*topDown*/) {
    return buffer == nullptr ? kNullFrameBuffer : 0;
}

// Milliseconds allowed for one frame body. Returns 1.
int32_t CKelvraU3Q6Base::SetFrameTimeout(int32_t ms) {
    m_frameTimeoutMs = ms;
    return 1;
}

// 1 transfer lost, 2 nothing new, 3 new frame. Without a transfer thread no frame can come,
// so it answers 2 at once instead of sleeping through the timeout.
int32_t CKelvraU3Q6Base::WaitFrame(int32_t /*ms*/) {
    return kWaitNothingNew;
}

// The three image getters copy the newest frame (length is the buffer's capacity) and
// return 0. Without a ring there is nothing to copy; the slot pointer, when asked for, is null.
int32_t CKelvraU3Q6Base::GetImage(uint8_t* /*buffer*/, uint32_t /*length*/,
                                  int32_t* /*frameNumber*/, int32_t /*topDown*/) {
    return 0;
}

int32_t CKelvraU3Q6Base::GetImageRef(uint8_t* /*buffer*/, uint32_t /*length*/, uint8_t** slot,
                                     int32_t* /*frameNumber*/, int32_t /*firstSlot*/) {
    if (slot != nullptr) *slot = nullptr;
    return 0;
}

int32_t CKelvraU3Q6Base::GetImageInfo(uint8_t* /*buffer*/, uint32_t /*length*/,
                                      int32_t* /*frameNumber*/, int32_t* /*word28*/,
                                      int32_t* /*word32*/, int32_t* /*word40*/, int32_t* /*word44*/,
                                      int32_t /*topDown*/) {
    return 0;
}

int32_t CKelvraU3Q6Base::Reserved40() {
    return 0;
}

// ---- 41-65: transfer depth, readout window, clock, mirroring, trigger, EEPROM, descriptor ---
// Transfer depth and EEPROM need the controller; the rest need the sensor driver. All fail
// (0) without them, leaving outputs and stored state untouched.

int32_t CKelvraU3Q6Base::SetTransferBits(int32_t /*bits*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::SetPixelClockMode(int32_t /*mode*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetPixelClockMode() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetCaptureWindow(int32_t /*x*/, int32_t /*y*/, int32_t /*width*/,
                                          int32_t /*height*/, int32_t /*readoutMode*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetCaptureWindow(int32_t* /*x*/, int32_t* /*y*/, int32_t* /*width*/,
                                          int32_t* /*height*/, int32_t* /*readoutMode*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetFlip(int32_t /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetMirror(int32_t /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetFlip() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetMirror() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetFlipDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetMirrorDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsMirrorSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsFlipSupported() {
    return kNoSensor;
}

// Fails without a sensor driver before anything is stopped or stored.
int32_t CKelvraU3Q6Base::SetTriggerMode(int32_t /*mode*/, int32_t /*force*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetTriggerMode() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::WriteEeprom(int32_t /*address*/, int32_t /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::ReadEeprom(int32_t /*address*/, uint8_t* /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::GetWindowFlagA() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetWindowFlagB() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetSensorMaxWidth() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetSensorMaxHeight() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultWidth() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultHeight() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultX() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultY() {
    return kNoSensor;
}

// ---- 66-86: gain and exposure --------------------------------------------------------------
// Forwarders: the sensor driver's answer, or 0 without one. The exposure setters fail
// before touching the frame timeout, so a refused exposure leaves the timeout as it was.

int32_t CKelvraU3Q6Base::SetGain(int32_t /*gain*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetGain() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetGainMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetGainMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetGainDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetExposureTime(int32_t /*time*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureTime() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureTimeMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureTimeMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureTimeDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetExposureLines(int32_t /*lines*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureLines() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureLinesMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureLinesMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureLinesDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsExposureSecondsSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetExposureSeconds(double /*seconds*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureSeconds(double* /*seconds*/) {
    return kNoSensor;
}

double CKelvraU3Q6Base::GetExposureSecondsMin() {
    return kNoSensor;
}

double CKelvraU3Q6Base::GetExposureSecondsMax() {
    return kNoSensor;
}

double CKelvraU3Q6Base::GetExposureSecondsDefault() {
    return kNoSensor;
}

// ---- 87-116: channel gains and offsets, colour gains, black level, auxiliary mode ----------
// Forwarders: the sensor driver's answer, or 0 without one.

int32_t CKelvraU3Q6Base::SetChannelGain(int32_t /*channel*/, int32_t /*value*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelGain(int32_t /*channel*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelGainMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelGainMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelGainDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetChannelOffset(int32_t /*channel*/, int32_t /*value*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelOffset(int32_t /*channel*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelOffsetMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelOffsetMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelOffsetDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetColorGainRed(int32_t /*gain*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainRed() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetColorGainGreen1(int32_t /*gain*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainGreen1() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetColorGainGreen2(int32_t /*gain*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainGreen2() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetColorGainBlue(int32_t /*gain*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainBlue() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsBlackLevelSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetBlackLevel(int32_t /*level*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetBlackLevel() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetBlackLevelMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetBlackLevelMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetBlackLevelDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsAuxModeSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetAuxMode(int32_t /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAuxMode() {
    return kNoSensor;
}

// ---- 117-125: register pass-throughs -------------------------------------------------------
// Sensor registers need the sensor driver, FPGA registers and the sensor bus the controller.
// The readers return the value and set *ok (when given) to 1 or 0.

int32_t CKelvraU3Q6Base::WriteRegister(int32_t /*bank*/, int32_t /*address*/, int32_t /*value*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::ReadRegister(int32_t /*bank*/, int32_t /*address*/, int32_t* ok) {
    if (ok != nullptr) *ok = 0;
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::WriteFpgaRegister(int32_t /*reg*/, int32_t /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::ReadFpgaRegister(int32_t /*reg*/, int32_t* ok) {
    if (ok != nullptr) *ok = 0;
    return kNoController;
}

int32_t CKelvraU3Q6Base::WriteSensorBus(int32_t /*reg*/, uint32_t /*value*/, int32_t /*length*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::ReadSensorBus(int32_t /*reg*/, uint32_t* /*value*/, int32_t /*length*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::WaitFpgaIdle(int32_t /*ms*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::Reserved124() {
    return 0;
}

int32_t CKelvraU3Q6Base::Reserved125() {
    return 0;
}

// ---- 126-133: sensor restart, auxiliary command, sampling rate, gain mode, setting byte ----

int32_t CKelvraU3Q6Base::RestartSensor() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SendAuxCommand() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetSamplingRate(int32_t /*index*/, int32_t* /*value*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsGainModeSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetGainMode(int32_t /*mode*/) {
    return kNoSensor;
}

// -1: the gain mode is unknown without a sensor driver.
int32_t CKelvraU3Q6Base::GetGainMode() {
    return kNoSensorUnknown;
}

int32_t CKelvraU3Q6Base::WriteEepromSetting(int32_t /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::ReadEepromSetting(uint8_t* /*value*/) {
    return kNoController;
}

// ---- 134-141: in-camera correction and the 16-bit FPGA parameter ---------------------------

// Some products always carry in-camera correction; for the others the sensor driver decides
// (0 without one).
int32_t CKelvraU3Q6Base::IsInternalCorrectionSupported(int32_t /*ignored*/, int32_t /*flag*/) {
    return IsOneOf(m_productId, kInternalCorrectionProducts) ? 1 : kNoSensor;
}

// Reading and switching the correction go through FPGA registers: 0 without a controller.
// Switching refuses even when the state would already match, so that a missing camera is
// never reported as success.
int32_t CKelvraU3Q6Base::GetInternalCorrection() {
    return kNoController;
}

int32_t CKelvraU3Q6Base::SetInternalCorrection(int32_t /*on*/) {
    return kNoController;
}

// The FPGA parameter exists only where the sensor driver of the IMX990 family reports it.
int32_t CKelvraU3Q6Base::IsFpgaParameterSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetFpgaParameter(int32_t /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::GetFpgaParameter(int32_t* /*value*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::GetFpgaParameterMin() {
    return 0;
}

int32_t CKelvraU3Q6Base::GetFpgaParameterMax() {
    return kNoSensor;
}

// ---- 142-148: module text channel, cooler, temperature -------------------------------------
// Forwarders: the sensor driver's answer, or 0 without one.

int32_t CKelvraU3Q6Base::ReceiveText(char* /*text*/, int32_t /*length*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SendText(const char* /*text*/, int32_t /*length*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::HasCooler() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetCoolerState() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetCooler(int32_t /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsTemperatureSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetTemperature(double* /*celsius*/) {
    return kNoSensor;
}

// ---- 149-163: class-specific sensor operations, block stream, FPGA temperature -------------
// Forwarders: the sensor driver's answer, or 0 without one.

int32_t CKelvraU3Q6Base::SensorOperation108() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation109() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation110() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation113() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation114() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation115() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation116() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation117() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation118() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation119() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation120() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsBlockStreamModel2() {
    return IsBlockStreamModel();
}

// FPGA die temperature of block-stream models; needs the controller.
int32_t CKelvraU3Q6Base::GetFpgaTemperature(double* /*celsius*/) {
    return kNoController;
}

int32_t CKelvraU3Q6Base::SensorOperation130() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation131() {
    return kNoSensor;
}

// ---- 164-179: trigger polarity, short exposure mode, analog gain step ----------------------
// Forwarders: the sensor driver's answer, or 0 without one (-1 for SensorOperation136).

int32_t CKelvraU3Q6Base::SetTriggerPolarity(int32_t /*polarity*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::ApplyTriggerPolarity() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsTriggerPolaritySupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsShortExposureModeSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetShortExposureMode(int32_t* /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetShortExposureMode(int32_t /*on*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::IsAnalogGainStepSupported() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepMin() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepMax() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepDefault() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::ReadAnalogGainStep() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SetAnalogGainStep(int32_t /*step*/) {
    return kNoSensor;
}

// Writes at most `length` bytes, the terminator included, into text.
int32_t CKelvraU3Q6Base::GetAnalogGainStepLabel(int32_t /*step*/, char* /*text*/,
                                                int32_t /*length*/) {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation135() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation137() {
    return kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation136() {
    return kNoSensorUnknown;
}

// ---- 180-186: display modes, FPGA option, class-specific -----------------------------------
// Forwarders that answer 1 without a sensor driver, so the front offers every mode.

int32_t CKelvraU3Q6Base::Supports8BitModes() {
    return kNoSensorYes;
}

// `query` is passed on to the sensor driver unchanged; the core itself asks with 0.
int32_t CKelvraU3Q6Base::Supports16BitMode(int32_t /*query*/) {
    return kNoSensorYes;
}

int32_t CKelvraU3Q6Base::SupportsColorModes() {
    return kNoSensorYes;
}

int32_t CKelvraU3Q6Base::IsFpgaOptionAvailable() {
    return kNoSensorYes;
}

int32_t CKelvraU3Q6Base::EnableFpgaOption() {
    return kNoSensorYes;
}

int32_t CKelvraU3Q6Base::SensorOperation144() {
    return kNoSensorYes;
}

void CKelvraU3Q6Base::Reserved186() {}

}  // namespace kelvra
