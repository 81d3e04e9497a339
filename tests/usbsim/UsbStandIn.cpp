#include "UsbStandIn.h"

#include <libusb.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/Ioctl.h"
#include "sim/EnvironmentFaults.h"

// libusb's opaque types, as this stand-in needs them. Devices and handles are kept for the
// life of the process: the back end may hold a device after it is unplugged.
struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    int id = 0;
    std::shared_ptr<kelvra::sim::SimCamera> camera;
    kelvra::usbsim::PlugOptions options;
    std::atomic<bool> forgotten{false};  // UnplugAll: gone from the bus for good
    int controlRequests = 0;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    std::unique_ptr<kelvra::driver::DeviceHandle> sim;  // overlapped handle on the camera
    bool claimed = false;
};

namespace kelvra::usbsim {
namespace {

namespace rec = driver::record;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kCypressVendor = 0x04B4;
constexpr uint8_t kBus = 2;
constexpr uint8_t kFirstAddress = 10;
constexpr uint8_t kSerialStringIndex = 3;
constexpr uint8_t kCameraInterface = 0;
constexpr uint8_t kEndpoints[] = {driver::kEndpointBulkOut, driver::kEndpointStreamIn,
                                  driver::kEndpointSyncIn};

// One bulk transfer on its way through the camera.
struct InFlight {
    libusb_transfer* transfer = nullptr;
    std::unique_ptr<driver::Overlapped> request = std::make_unique<driver::Overlapped>();
    std::array<uint8_t, rec::kSize> record{};
    Clock::time_point deadline = Clock::time_point::max();
    bool started = false;  // submitted to the camera: the event handler may deliver it
    bool timedOut = false;
    bool cancelled = false;
};

struct Bus {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<libusb_device*> devices;  // never freed
    std::list<InFlight> inFlight;         // stable addresses
    bool interrupted = false;
    bool environmentRead = false;
};

Bus& bus() {
    static Bus* state = new Bus();
    return *state;
}

// A request finished: the event handler has something to deliver.
void wakeEvents(void*) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    b.changed.notify_all();
}

bool present(const libusb_device* device) {
    return !device->forgotten && device->camera->plugged();
}

int speedOf(const sim::SimCamera& camera) {
    switch (camera.config().deviceSpeed) {
        case 4:
            return LIBUSB_SPEED_SUPER;
        case 2:
            return LIBUSB_SPEED_HIGH;
        case 1:
            return LIBUSB_SPEED_FULL;
        default:
            return LIBUSB_SPEED_UNKNOWN;
    }
}

// The seam's error number as libusb reports it.
int libusbError(uint32_t error) {
    switch (error) {
        case driver::kErrorSuccess:
            return LIBUSB_SUCCESS;
        case driver::kErrorDeviceNotConnected:
        case driver::kErrorFileNotFound:
            return LIBUSB_ERROR_NO_DEVICE;
        case driver::kErrorSemTimeout:
            return LIBUSB_ERROR_TIMEOUT;
        case driver::kErrorInvalidParameter:
            return LIBUSB_ERROR_INVALID_PARAM;
        case driver::kErrorGenFailure:
            return LIBUSB_ERROR_PIPE;
        default:
            return LIBUSB_ERROR_IO;
    }
}

libusb_transfer_status transferStatus(const InFlight& flight, const driver::IoResult& result) {
    if (result.error == driver::kErrorSuccess) return LIBUSB_TRANSFER_COMPLETED;
    if (result.error == driver::kErrorOperationAborted) {
        return flight.timedOut ? LIBUSB_TRANSFER_TIMED_OUT : LIBUSB_TRANSFER_CANCELLED;
    }
    if (result.error == driver::kErrorDeviceNotConnected) return LIBUSB_TRANSFER_NO_DEVICE;
    if (result.error == driver::kErrorGenFailure) {
        uint32_t usbStatus = 0;
        std::memcpy(&usbStatus, flight.record.data() + rec::kUsbStatus, sizeof usbStatus);
        return usbStatus == driver::kUsbStatusBabble ? LIBUSB_TRANSFER_OVERFLOW
                                                     : LIBUSB_TRANSFER_STALL;
    }
    return LIBUSB_TRANSFER_ERROR;
}

libusb_device* plugLocked(Bus& b, std::shared_ptr<sim::SimCamera> camera, PlugOptions options) {
    auto* device = new libusb_device();
    device->id = static_cast<int>(b.devices.size()) + 1;
    device->camera = std::move(camera);
    device->options = options;
    b.devices.push_back(device);
    return device;
}

std::shared_ptr<sim::SimCamera> makeCamera(const sim::CameraConfig& config, int ordinal) {
    const std::string instance = "usb&" + std::to_string(ordinal);
    std::string serial = config.serialNumber;
    if (serial.empty())
        serial = "USB" + std::to_string(config.productId) + "-" + instance.substr(4);
    return std::make_shared<sim::SimCamera>(config, instance, serial);
}

// One device of KELVRA_USB_STANDIN: [VVVV:]PPPP[+option]...
bool parseDevice(std::string_view text, sim::CameraConfig& config, PlugOptions& options) {
    const size_t plus = text.find('+');
    std::string_view ids = text.substr(0, plus);
    std::string_view rest = plus == text.npos ? std::string_view{} : text.substr(plus + 1);
    auto hex = [](std::string_view digits, uint16_t& value) {
        unsigned parsed = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, 16);
        value = static_cast<uint16_t>(parsed);
        return ec == std::errc{} && end == digits.data() + digits.size() && parsed <= 0xFFFF;
    };
    const size_t colon = ids.find(':');
    config.vendorId = kCypressVendor;
    if (colon != ids.npos && !hex(ids.substr(0, colon), config.vendorId)) return false;
    if (!hex(colon == ids.npos ? ids : ids.substr(colon + 1), config.productId)) return false;
    while (!rest.empty()) {
        const size_t next = rest.find('+');
        const std::string_view option = rest.substr(0, next);
        if (option == "usb2") {
            config.deviceSpeed = 2;
        } else if (option == "noaccess") {
            options.noAccess = true;
        } else if (option == "noserial") {
            options.serialString = false;
        } else {
            return false;
        }
        rest = next == rest.npos ? std::string_view{} : rest.substr(next + 1);
    }
    return true;
}

// A number for each camera made, so that every one has its own instance and serial number.
int nextOrdinal() {
    static std::atomic<int> ordinal{0};
    return ++ordinal;
}

// The devices of KELVRA_USB_STANDIN, for a program that plugged none itself. Cameras are made
// without the bus lock: their workers take it (completions) while holding their own.
void plugFromEnvironment(Bus& b) {
    {
        std::lock_guard lock(b.mutex);
        if (std::exchange(b.environmentRead, true) || !b.devices.empty()) return;
    }
    const char* value = std::getenv(kDevicesVariable);
    if (value == nullptr) return;
    std::vector<std::shared_ptr<sim::SimCamera>> cameras;
    std::vector<PlugOptions> options;
    std::string_view list = value;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        sim::CameraConfig config;
        PlugOptions plug;
        if (parseDevice(list.substr(0, comma), config, plug)) {
            cameras.push_back(makeCamera(config, nextOrdinal()));
            options.push_back(plug);
        }
        list = comma == list.npos ? std::string_view{} : list.substr(comma + 1);
    }
    {
        std::lock_guard lock(b.mutex);
        for (size_t i = 0; i < cameras.size(); ++i) plugLocked(b, cameras[i], options[i]);
    }
    sim::applyEnvironmentFaults(cameras);
}

// Starts a bulk transfer on the camera; the entry is set up and not yet visible to the event
// handler. False when the camera refused it at once as unplugged, which libusb reports from
// libusb_submit_transfer.
bool startBulk(InFlight& flight, libusb_device_handle* handle) {
    libusb_transfer* t = flight.transfer;
    const driver::IoResult result =
        handle->sim->submit(driver::kIoctlDirectTransfer, flight.record,
                            {t->buffer, static_cast<size_t>(t->length)}, *flight.request);
    return result.error != driver::kErrorDeviceNotConnected;
}

}  // namespace

std::shared_ptr<sim::SimCamera> Plug(const sim::CameraConfig& config, PlugOptions options) {
    auto camera = makeCamera(config, nextOrdinal());
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    b.environmentRead = true;
    plugLocked(b, camera, options);
    return camera;
}

void UnplugAll() {
    Bus& b = bus();
    std::vector<std::shared_ptr<sim::SimCamera>> cameras;
    {
        std::lock_guard lock(b.mutex);
        for (libusb_device* device : b.devices) {
            if (device->forgotten) continue;
            device->forgotten = true;
            cameras.push_back(device->camera);
        }
    }
    for (const auto& camera : cameras) camera->unplug();
}

int ControlRequests(const sim::SimCamera& camera) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    int requests = 0;
    for (const libusb_device* device : b.devices) {
        if (device->camera.get() == &camera) requests += device->controlRequests;
    }
    return requests;
}

}  // namespace kelvra::usbsim

using namespace kelvra;
using namespace kelvra::usbsim;

// ---- the libusb API the back end uses ---------------------------------------------------------

#pragma GCC visibility push(default)
extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** context) {
    plugFromEnvironment(bus());
    *context = new libusb_context();
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context* context) {
    delete context;
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context*, libusb_device*** list) {
    Bus& b = bus();
    std::vector<libusb_device*> attached;
    {
        std::lock_guard lock(b.mutex);
        attached = b.devices;
    }
    // Asked without the bus lock, which a camera's worker takes while holding its own.
    std::erase_if(attached, [](const libusb_device* device) { return !present(device); });
    *list = static_cast<libusb_device**>(std::calloc(attached.size() + 1, sizeof(libusb_device*)));
    std::copy(attached.begin(), attached.end(), *list);
    return static_cast<ssize_t>(attached.size());
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** list, int) {
    std::free(list);
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* device) {
    return device;
}

void LIBUSB_CALL libusb_unref_device(libusb_device*) {}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device* device,
                                             libusb_device_descriptor* descriptor) {
    *descriptor = libusb_device_descriptor{};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->bcdUSB = 0x0300;
    descriptor->idVendor = device->camera->config().vendorId;
    descriptor->idProduct = device->camera->productId();
    descriptor->iSerialNumber = device->options.serialString ? kSerialStringIndex : 0;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device*) {
    return kBus;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* device) {
    return static_cast<uint8_t>(kFirstAddress + device->id);
}

int LIBUSB_CALL libusb_get_port_numbers(libusb_device* device, uint8_t* ports, int length) {
    if (length < 1) return LIBUSB_ERROR_OVERFLOW;
    ports[0] = static_cast<uint8_t>(device->id);
    return 1;
}

int LIBUSB_CALL libusb_get_device_speed(libusb_device* device) {
    return speedOf(*device->camera);
}

// One interface with the camera's three bulk endpoints.
int LIBUSB_CALL libusb_get_active_config_descriptor(libusb_device*,
                                                    libusb_config_descriptor** config) {
    auto* endpoints = new libusb_endpoint_descriptor[std::size(kEndpoints)]();
    for (size_t i = 0; i < std::size(kEndpoints); ++i) {
        endpoints[i].bEndpointAddress = kEndpoints[i];
        endpoints[i].bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
    }
    auto* setting = new libusb_interface_descriptor();
    setting->bInterfaceNumber = kCameraInterface;
    setting->bNumEndpoints = static_cast<uint8_t>(std::size(kEndpoints));
    setting->endpoint = endpoints;
    auto* interface = new libusb_interface();
    interface->altsetting = setting;
    interface->num_altsetting = 1;
    *config = new libusb_config_descriptor();
    (*config)->bNumInterfaces = 1;
    (*config)->interface = interface;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_free_config_descriptor(libusb_config_descriptor* config) {
    if (config == nullptr) return;
    delete[] config->interface->altsetting->endpoint;
    delete config->interface->altsetting;
    delete config->interface;
    delete config;
}

int LIBUSB_CALL libusb_open(libusb_device* device, libusb_device_handle** handle) {
    if (!present(device)) return LIBUSB_ERROR_NO_DEVICE;
    if (device->options.noAccess) return LIBUSB_ERROR_ACCESS;
    std::unique_ptr<driver::DeviceHandle> sim = device->camera->open(true);
    if (!sim) return LIBUSB_ERROR_NO_DEVICE;
    *handle = new libusb_device_handle{device, std::move(sim), false};
    return LIBUSB_SUCCESS;
}

// The camera handle closes with it: reads still pending end first.
void LIBUSB_CALL libusb_close(libusb_device_handle* handle) {
    delete handle;
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle* handle, int interface) {
    if (!present(handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    if (interface != kCameraInterface) return LIBUSB_ERROR_NOT_FOUND;
    handle->claimed = true;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle* handle, int) {
    handle->claimed = false;
    return present(handle->device) ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

int LIBUSB_CALL libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                                   unsigned char* data, int length) {
    if (!present(handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    if (index != kSerialStringIndex || !handle->device->options.serialString || length <= 0) {
        return LIBUSB_ERROR_PIPE;
    }
    const std::string& serial = handle->device->camera->serialNumber();
    const int count = std::min<int>(static_cast<int>(serial.size()), length - 1);
    std::memcpy(data, serial.data(), static_cast<size_t>(count));
    data[count] = 0;
    return count;
}

// The setup packet and the data stage become the driver's 102-byte control buffer, which the
// camera's firmware answers.
int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType,
                                        uint8_t request, uint16_t value, uint16_t index,
                                        unsigned char* data, uint16_t length, unsigned timeout) {
    {
        std::lock_guard lock(bus().mutex);
        ++handle->device->controlRequests;
    }
    if (length > driver::kControlDataSize) return LIBUSB_ERROR_INVALID_PARAM;
    std::array<uint8_t, driver::kControlRequestSize> buffer{};
    buffer[rec::kRequestType] = requestType;
    buffer[rec::kRequest] = request;
    std::memcpy(buffer.data() + rec::kValue, &value, sizeof value);
    std::memcpy(buffer.data() + rec::kIndex, &index, sizeof index);
    const auto wLength = static_cast<uint16_t>(driver::kControlRequestSize);
    std::memcpy(buffer.data() + rec::kLength, &wLength, sizeof wLength);
    const uint32_t seconds = (timeout + 999) / 1000;
    std::memcpy(buffer.data() + rec::kTimeout, &seconds, sizeof seconds);
    const auto offset = static_cast<uint32_t>(rec::kSize);
    const uint32_t bytes = length;
    std::memcpy(buffer.data() + rec::kBufferOffset, &offset, sizeof offset);
    std::memcpy(buffer.data() + rec::kBufferLength, &bytes, sizeof bytes);
    const bool inbound = requestType & LIBUSB_ENDPOINT_IN;
    if (!inbound && length > 0) std::memcpy(buffer.data() + rec::kSize, data, length);
    const driver::IoResult result =
        handle->sim->ioctl(driver::kIoctlControlTransfer, buffer, buffer);
    if (result.error != driver::kErrorSuccess) return libusbError(result.error);
    const uint32_t moved = result.bytes >= rec::kSize ? result.bytes - offset : 0;
    const int count = static_cast<int>(std::min<uint32_t>(moved, length));
    if (inbound && count > 0) std::memcpy(data, buffer.data() + rec::kSize, size_t(count));
    return inbound ? count : length;
}

libusb_transfer* LIBUSB_CALL libusb_alloc_transfer(int isoPackets) {
    const size_t size =
        sizeof(libusb_transfer) + sizeof(libusb_iso_packet_descriptor) * size_t(isoPackets);
    return static_cast<libusb_transfer*>(std::calloc(1, size));
}

void LIBUSB_CALL libusb_free_transfer(libusb_transfer* transfer) {
    std::free(transfer);
}

int LIBUSB_CALL libusb_submit_transfer(libusb_transfer* transfer) {
    libusb_device_handle* handle = transfer->dev_handle;
    if (!present(handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    if (!handle->claimed || transfer->type != LIBUSB_TRANSFER_TYPE_BULK) {
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    Bus& b = bus();
    InFlight* flight = nullptr;
    {
        std::lock_guard lock(b.mutex);
        flight = &b.inFlight.emplace_back();
        flight->transfer = transfer;
        flight->record[rec::kEndpoint] = transfer->endpoint;
        flight->request->setFinishHook(&wakeEvents, nullptr);
        if (transfer->timeout > 0) {
            flight->deadline = Clock::now() + std::chrono::milliseconds(transfer->timeout);
        }
    }
    const bool started = startBulk(*flight, handle);
    std::lock_guard lock(b.mutex);
    if (!started) {
        b.inFlight.remove_if([&](const InFlight& f) { return &f == flight; });
        return LIBUSB_ERROR_NO_DEVICE;
    }
    flight->started = true;
    b.changed.notify_all();
    return LIBUSB_SUCCESS;
}

// Asynchronous, as in libusb: the callback comes from the event handler.
int LIBUSB_CALL libusb_cancel_transfer(libusb_transfer* transfer) {
    Bus& b = bus();
    driver::Overlapped* request = nullptr;
    {
        std::lock_guard lock(b.mutex);
        for (InFlight& flight : b.inFlight) {
            if (flight.transfer != transfer || !flight.started || flight.cancelled ||
                flight.request->done()) {
                continue;
            }
            flight.cancelled = true;
            request = flight.request.get();
        }
    }
    if (request == nullptr) return LIBUSB_ERROR_NOT_FOUND;
    request->cancel();  // the camera ends it with 995; entries stay until delivered
    return LIBUSB_SUCCESS;
}

// Delivers the callbacks of finished transfers; expires those past their timeout (cancelled,
// reported as timed out). Waits up to `tv` for something to happen.
int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context*, timeval* tv, int*) {
    Bus& b = bus();
    const auto limit =
        Clock::now() + std::chrono::seconds(tv->tv_sec) + std::chrono::microseconds(tv->tv_usec);
    std::unique_lock lock(b.mutex);
    while (true) {
        std::vector<driver::Overlapped*> expired;
        Clock::time_point nextDeadline = limit;
        bool finished = false;
        const auto now = Clock::now();
        for (InFlight& flight : b.inFlight) {
            if (!flight.started) continue;
            if (flight.request->done()) {
                finished = true;
            } else if (flight.deadline <= now && !flight.timedOut && !flight.cancelled) {
                flight.timedOut = true;
                expired.push_back(flight.request.get());
            } else if (!flight.timedOut && !flight.cancelled) {
                nextDeadline = std::min(nextDeadline, flight.deadline);
            }
        }
        if (!expired.empty()) {
            lock.unlock();
            for (driver::Overlapped* request : expired) request->cancel();
            lock.lock();
            continue;
        }
        if (finished || b.interrupted || now >= limit) break;
        b.changed.wait_until(lock, nextDeadline);
    }
    for (auto it = b.inFlight.begin(); it != b.inFlight.end();) {
        if (!it->started || !it->request->done()) {
            ++it;
            continue;
        }
        InFlight flight = std::move(*it);
        it = b.inFlight.erase(it);
        const driver::IoResult result = flight.request->result();
        libusb_transfer* t = flight.transfer;
        t->status = transferStatus(flight, result);
        t->actual_length = result.error == driver::kErrorSuccess ? int(result.bytes) : 0;
        lock.unlock();
        t->callback(t);
        lock.lock();
        it = b.inFlight.begin();
    }
    const bool interrupted = std::exchange(b.interrupted, false);
    return interrupted ? LIBUSB_ERROR_INTERRUPTED : LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_interrupt_event_handler(libusb_context*) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    b.interrupted = true;
    b.changed.notify_all();
}

int LIBUSB_CALL libusb_clear_halt(libusb_device_handle* handle, unsigned char endpoint) {
    uint8_t address = endpoint;
    return libusbError(handle->sim->ioctl(driver::kIoctlResetPipe, {&address, 1}, {}).error);
}

int LIBUSB_CALL libusb_reset_device(libusb_device_handle* handle) {
    return libusbError(handle->sim->ioctl(driver::kIoctlResetPort, {}, {}).error);
}

}  // extern "C"
#pragma GCC visibility pop
