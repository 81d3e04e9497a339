// Lifecycle of the device core: controller, open and close, discovery and product identity.
#include "device/CKelvraU3Q6Base.h"

#include <cstring>

#include "device/DeviceRegisters.h"
#include "device/ProductIds.h"
#include "device/SensorFactory.h"
#include "platform/Clock.h"

namespace kelvra {
namespace {

constexpr int32_t kReopenFailed = -1;
constexpr int32_t kNoDeviceInstance = -1;
constexpr int32_t kWaitForThread = 1;
constexpr uint32_t kPresetTriggerSyncStream = 0x10000;

}  // namespace

// ---- 0-9: lifecycle, information blocks, open and close -------------------------------------

// Closes the camera, so that every owned resource is released in order. A derived class has
// already done so in its own destructor; repeating it is harmless.
CKelvraU3Q6Base::~CKelvraU3Q6Base() {
    CKelvraU3Q6Base::CloseCamera();
}

// Closes any open camera, then creates the controller for the given interface class (the
// camera class when guid is null). The window is not used. Returns 1.
int32_t CKelvraU3Q6Base::CreateController(HWND /*window*/, const InterfaceGuid* guid) {
    CloseCamera();
    m_controller = std::make_unique<CNorluxCy3Cam>(guid != nullptr ? *guid : kCameraInterfaceGuid);
    return 1;
}

// Second half of the open sequence: staging memory, information block A, the readiness
// handshake of the product, then the sensor probe and initialisation. Returns the result of the
// sensor's InitSensor, or 0 when any step before it fails or the camera has gone.
int32_t CKelvraU3Q6Base::InitializeCamera() {
    if (!m_controller || !m_controller->AllocateStaging()) return 0;
    m_infoBlock.fill(0);
    m_controller->ReadInfoBlockA(m_infoBlock.data());
    uint16_t version = 0;
    std::memcpy(&version, m_infoBlock.data() + device_reg::kInfoFirmwareVersion, sizeof version);
    m_firmwareVersion = version;
    // Unplugged while opening: every step below would only wait out its retries.
    if (!m_sensor || m_controller->DeviceGone()) return 0;
    if (m_productId == product::kSyncStream) m_sensor->PresetTriggerMode(kPresetTriggerSyncStream);
    if (!ReadinessHandshake()) return 0;
    if (!m_sensor->ProbeSensor()) return 0;
    return m_sensor->InitSensor() && !m_controller->DeviceGone() ? 1 : 0;
}

// Stops streaming and releases what an open camera holds: sensor driver, controller, staging
// buffer and ring, events and thread. The sensor driver goes before the controller it points
// to. Repeating it is harmless: a second call finds nothing to release. Returns 1.
int32_t CKelvraU3Q6Base::CloseCamera() {
    std::lock_guard config(m_configLock);
    StopTransfer(kWaitForThread);
    PowerDownSensor();
    m_sensor.reset();
    if (m_controller) {
        m_controller->Release();
        m_controller.reset();
    }
    m_infoBlock.fill(0);
    m_firmwareVersion = 0;
    m_ring.Release();
    m_captureMode = 0;
    CloseFrameEvent();
    m_threadEndOpen = false;
    m_thread.Join();
    m_transferError = 0;
    return 1;
}

// Products 0x3090, 0x30B0 and 0x30C0 power their CCD down while driver and controller still
// exist: both timing generators stop their clocks (control register 0 of each), then the
// analog front end is switched off (FPGA 0xA0 = 0). The registers are those the CCD drivers
// start the sensor with.
void CKelvraU3Q6Base::PowerDownSensor() {
    if (!m_sensor || !m_controller || !product::IsChannelCcd(m_productId)) return;
    m_sensor->WriteRegister(device_reg::kCcdControl, 0);
    m_sensor->WriteRegister(device_reg::kCcdControl | device_reg::kCcdSecondGenerator, 0);
    m_controller->WriteFpgaRegister(device_reg::kCcdFrontEndPower, 0);
}

// Information block A (kInfoBlockBytes) as the camera reports it now; 0 without a controller.
int32_t CKelvraU3Q6Base::GetInfoBlockA(uint8_t* block) {
    if (!m_controller || block == nullptr) return 0;
    return m_controller->ReadInfoBlockA(block);
}

// Copies the sensor descriptor (kSensorDescriptorBytes); 0 without a driver or destination.
int32_t CKelvraU3Q6Base::GetDescriptor(SensorDescriptor* descriptor) {
    if (!m_sensor || descriptor == nullptr) return 0;
    return m_sensor->GetDescriptor(descriptor);
}

// Information block B (kInfoBlockBytes); 0 without a controller.
int32_t CKelvraU3Q6Base::GetInfoBlockB(uint8_t* block) {
    if (!m_controller || block == nullptr) return 0;
    return m_controller->ReadInfoBlockB(block);
}

// Stops streaming, then opens camera `instance`. Returns 0 on success and -1 on failure.
int32_t CKelvraU3Q6Base::ReopenCamera(int32_t instance) {
    StopTransfer(kWaitForThread);
    return OpenCamera(instance) != 0 ? 0 : kReopenFailed;
}

// Opens camera `instance` of the core's product id: selects its device-table entry, replaces
// the sensor driver with the product's own, and runs InitializeCamera, whose result it returns.
// Fails (0) without a controller or product id, when no camera is attached or this one is not
// present, when the entry cannot be selected, or when no driver can be made (no driver is left
// then): a product without a driver class, a class neither the library nor the sensor
// substitute supplies, or product 0x3020 whose chip version cannot be read. A running transfer is
// stopped before the selection and the sensor driver it uses change.
int32_t CKelvraU3Q6Base::OpenCamera(int32_t instance) {
    std::lock_guard config(m_configLock);
    if (!m_controller || m_productId == kNoProductId) return 0;
    if (m_controller->Enumerate() < 1 || !IsDevicePresent(instance)) return 0;
    StopTransferIfRunning();
    const int32_t index = m_controller->FindDeviceIndex(m_productId, instance);
    if (!m_controller->SelectDevice(index)) return 0;
    m_sensor.reset();
    m_sensor = CreateSensorDriver(m_productId, *m_controller, m_sensorSubstitute);
    if (!m_sensor) return 0;
    if (m_sleep) m_sensor->SetSleepFunction(m_sleep);
    if (m_tick) m_sensor->SetTickFunction(m_tick);
    m_openInstance = instance;
    m_reconfigure = 1;
    return InitializeCamera();
}

int32_t CKelvraU3Q6Base::Reserved9() {
    return 0;
}

// ---- 10-20: discovery and product identity -------------------------------------------------

// 1 when the device table holds camera `instance` of the core's product id and its path opens
// now; 0 without a controller or product id.
int32_t CKelvraU3Q6Base::IsDevicePresent(int32_t instance) {
    if (!m_controller || m_productId == kNoProductId) return 0;
    const int32_t index = m_controller->FindDeviceIndex(m_productId, instance);
    return index >= 0 ? m_controller->IsDeviceOpenable(index) : 0;
}

// Refreshes the device table. With product id 0 returns the table count (unplugged cameras
// included); otherwise the number of entries of that product id that open now.
int32_t CKelvraU3Q6Base::CountDevices(int32_t productId) {
    if (!m_controller) return 0;
    const int32_t count = m_controller->Enumerate();
    if (productId == 0) return count;
    int32_t found = 0;
    for (int32_t index = 0; index < count && index < kMaxDevices; ++index) {
        if (m_controller->GetDeviceEntry(index).productId == productId &&
            m_controller->IsDeviceOpenable(index)) {
            ++found;
        }
    }
    return found;
}

// The model name of table entry `index` in at most `length` bytes, the terminator included; 1
// when the entry opens and its product has a model name, else 0.
int32_t CKelvraU3Q6Base::GetDeviceModelName(int32_t index, char* text, int32_t length) {
    if (!m_controller || text == nullptr || length <= 0) return 0;
    return m_controller->GetModelName(index, text, size_t(length));
}

// Stores the product id; the ring is deeper for one product, and the read mark starts on
// the last slot so that the first frame written (slot 0) counts as new.
int32_t CKelvraU3Q6Base::SetProductId(int32_t productId) {
    const int32_t depth = productId == product::kModelG ? kLargeRingDepth : kDefaultRingDepth;
    m_productId = productId;
    m_ringDepth = depth;
    m_readMark = depth - 1;
    return 1;
}

// The stored product id, -1 before SetProductId.
int32_t CKelvraU3Q6Base::GetProductId() {
    return m_productId;
}

// Fields of device-table entry `index`: 0, 0 and -1 for an index outside the table or without
// a controller.
int32_t CKelvraU3Q6Base::GetDeviceVendorId(int32_t index) {
    return m_controller ? m_controller->GetDeviceEntry(index).vendorId : 0;
}

int32_t CKelvraU3Q6Base::GetDeviceProductId(int32_t index) {
    return m_controller ? m_controller->GetDeviceEntry(index).productId : 0;
}

int32_t CKelvraU3Q6Base::GetDeviceInstance(int32_t index) {
    return m_controller ? m_controller->GetDeviceEntry(index).instance : kNoDeviceInstance;
}

// 1 when frames are read in one piece (sync stream) or block by block (block stream).
int32_t CKelvraU3Q6Base::IsSyncStreamModel() {
    return m_productId == product::kSyncStream;
}

int32_t CKelvraU3Q6Base::IsBlockStreamModel() {
    return product::IsBlockStream(m_productId);
}

// Instance number given to the last OpenCamera that got as far as choosing a sensor driver.
int32_t CKelvraU3Q6Base::GetOpenInstance() {
    return m_openInstance;
}

uint32_t CKelvraU3Q6Base::LinkSpeedMbps() {
    constexpr uint32_t kSpeedFull = 1, kSpeedHigh = 2, kSpeedSuper = 4;  // the driver's codes
    uint32_t code = 0;
    if (!m_controller || !m_controller->GetDeviceSpeed(&code)) return 0;
    switch (code) {
        case kSpeedSuper:
            return 5000;
        case kSpeedHigh:
            return 480;
        case kSpeedFull:
            return 12;
        default:
            return 0;
    }
}

// ---- time and helpers ----------------------------------------------------------------------

void CKelvraU3Q6Base::SetTimeFunctions(SleepFunction sleep, TickFunction tick) {
    m_sleep = std::move(sleep);
    m_tick = std::move(tick);
}

void CKelvraU3Q6Base::Sleep(uint32_t ms) {
    if (m_sleep) {
        m_sleep(ms);
    } else {
        platform::SleepMs(ms);
    }
}

void CKelvraU3Q6Base::SetSensorSubstitute(SensorSubstitute substitute) {
    m_sensorSubstitute = std::move(substitute);
}

uint32_t CKelvraU3Q6Base::Tick() {
    return m_tick ? m_tick() : platform::GetTickCount32();
}

// A snapshot of the sensor descriptor; false (and a zeroed record) without a sensor driver.
bool CKelvraU3Q6Base::Descriptor(SensorDescriptor* d) {
    *d = SensorDescriptor{};
    return m_sensor && m_sensor->GetDescriptor(d);
}

}  // namespace kelvra
