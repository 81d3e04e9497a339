#include "FakeLibusb.h"

#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

using kelvra::driver::usb::fake::BulkCall;
using kelvra::driver::usb::fake::BulkCompletion;
using kelvra::driver::usb::fake::DeviceSetup;

// libusb's opaque types, as this stand-in needs them.
struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    int id = 0;
    DeviceSetup setup;
    bool present = true;
    int refs = 0;  // references held outside the bus
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    bool open = true;
    std::set<int> claimed;
};

namespace kelvra::driver::usb::fake {
namespace {

constexpr uint8_t kSerialIndex = 3;

struct InFlight {
    uint64_t id = 0;
    libusb_transfer* transfer = nullptr;
    bool ending = false;  // queued for delivery: no longer cancellable
};

struct Delivery {
    libusb_transfer* transfer = nullptr;
    BulkCompletion completion;
};

struct Bus {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::unique_ptr<libusb_device>> devices;
    std::vector<std::unique_ptr<libusb_device_handle>> handles;
    std::set<libusb_context*> contexts;
    std::set<libusb_transfer*> allocated;
    std::map<libusb_transfer*, InFlight> inFlight;
    std::deque<Delivery> deliveries;
    std::vector<ControlCall> controlCalls;
    std::vector<BulkCall> bulkCalls;
    std::vector<std::string> misuse;
    std::map<int, int> claims, releases, resets;
    std::map<int, std::vector<uint8_t>> clearedHalts;
    ControlScript controlScript;
    BulkScript bulkScript;
    int initError = LIBUSB_SUCCESS;
    int nextSubmitError = LIBUSB_SUCCESS;
    int resetResult = LIBUSB_SUCCESS;
    int opens = 0;
    int closes = 0;
    int cancels = 0;
    uint64_t nextTransfer = 1;
    bool interrupted = false;
};

Bus& bus() {
    static Bus* state = new Bus();
    return *state;
}

// Ends a transfer in flight: queued for the event thread, no longer cancellable.
void deliverLocked(Bus& b, InFlight& flight, BulkCompletion completion) {
    flight.ending = true;
    b.deliveries.push_back(Delivery{flight.transfer, std::move(completion)});
    b.changed.notify_all();
}

bool handleUsable(Bus& b, libusb_device_handle* handle, const char* what) {
    if (handle == nullptr || !handle->open) {
        b.misuse.push_back(std::string(what) + " on a closed handle");
        return false;
    }
    return true;
}

}  // namespace

std::vector<EndpointSetup> cameraEndpoints() {
    return {{0x01, kBulk}, {0x81, kBulk}, {0x83, kBulk}};
}

FakeUsb& fakeUsb() {
    static FakeUsb facade;
    return facade;
}

void FakeUsb::reset() {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    b.devices.clear();
    b.handles.clear();
    b.controlCalls.clear();
    b.bulkCalls.clear();
    b.misuse.clear();
    b.claims.clear();
    b.releases.clear();
    b.resets.clear();
    b.clearedHalts.clear();
    b.controlScript = nullptr;
    b.bulkScript = nullptr;
    b.initError = LIBUSB_SUCCESS;
    b.nextSubmitError = LIBUSB_SUCCESS;
    b.resetResult = LIBUSB_SUCCESS;
    b.opens = b.closes = b.cancels = 0;
    b.interrupted = false;
}

int FakeUsb::plug(const DeviceSetup& setup) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    auto device = std::make_unique<libusb_device>();
    device->id = static_cast<int>(b.devices.size()) + 1;
    device->setup = setup;
    b.devices.push_back(std::move(device));
    return b.devices.back()->id;
}

void FakeUsb::unplug(int id) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    libusb_device* device = b.devices.at(static_cast<size_t>(id - 1)).get();
    device->present = false;
    for (auto& [transfer, flight] : b.inFlight) {
        if (!flight.ending && transfer->dev_handle->device == device) {
            deliverLocked(b, flight, BulkCompletion{LIBUSB_TRANSFER_NO_DEVICE, {}, 0});
        }
    }
}

void FakeUsb::setInitError(int error) {
    std::lock_guard lock(bus().mutex);
    bus().initError = error;
}

void FakeUsb::setControlScript(ControlScript script) {
    std::lock_guard lock(bus().mutex);
    bus().controlScript = std::move(script);
}

void FakeUsb::setBulkScript(BulkScript script) {
    std::lock_guard lock(bus().mutex);
    bus().bulkScript = std::move(script);
}

void FakeUsb::failNextSubmit(int error) {
    std::lock_guard lock(bus().mutex);
    bus().nextSubmitError = error;
}

void FakeUsb::setResetResult(int result) {
    std::lock_guard lock(bus().mutex);
    bus().resetResult = result;
}

std::vector<ControlCall> FakeUsb::controlCalls() {
    std::lock_guard lock(bus().mutex);
    return bus().controlCalls;
}

std::vector<BulkCall> FakeUsb::bulkCalls() {
    std::lock_guard lock(bus().mutex);
    return bus().bulkCalls;
}

std::vector<BulkCall> FakeUsb::pendingBulk() {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    std::vector<BulkCall> pending;
    for (const BulkCall& call : b.bulkCalls) {
        for (const auto& [transfer, flight] : b.inFlight) {
            if (flight.id == call.id && !flight.ending) pending.push_back(call);
        }
    }
    return pending;
}

// Waits (up to a limit far beyond any healthy run) until `count` transfers are pending.
bool FakeUsb::waitForPending(size_t count) {
    Bus& b = bus();
    std::unique_lock lock(b.mutex);
    return b.changed.wait_for(lock, std::chrono::seconds(30), [&] {
        size_t pending = 0;
        for (const auto& [transfer, flight] : b.inFlight) pending += flight.ending ? 0 : 1;
        return pending >= count;
    });
}

void FakeUsb::complete(uint64_t id, const BulkCompletion& completion) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    for (auto& [transfer, flight] : b.inFlight) {
        if (flight.id == id && !flight.ending) return deliverLocked(b, flight, completion);
    }
    b.misuse.push_back("test completed a transfer that is not pending");
}

int FakeUsb::opens() {
    std::lock_guard lock(bus().mutex);
    return bus().opens;
}

int FakeUsb::closes() {
    std::lock_guard lock(bus().mutex);
    return bus().closes;
}

int FakeUsb::openHandles() {
    std::lock_guard lock(bus().mutex);
    return static_cast<int>(std::count_if(bus().handles.begin(), bus().handles.end(),
                                          [](const auto& h) { return h->open; }));
}

int FakeUsb::claims(int device) {
    std::lock_guard lock(bus().mutex);
    return bus().claims[device];
}

int FakeUsb::releases(int device) {
    std::lock_guard lock(bus().mutex);
    return bus().releases[device];
}

int FakeUsb::cancels() {
    std::lock_guard lock(bus().mutex);
    return bus().cancels;
}

int FakeUsb::resets(int device) {
    std::lock_guard lock(bus().mutex);
    return bus().resets[device];
}

std::vector<uint8_t> FakeUsb::clearedHalts(int device) {
    std::lock_guard lock(bus().mutex);
    return bus().clearedHalts[device];
}

int FakeUsb::outstandingDeviceRefs() {
    std::lock_guard lock(bus().mutex);
    int refs = 0;
    for (const auto& device : bus().devices) refs += device->refs;
    return refs;
}

int FakeUsb::liveContexts() {
    std::lock_guard lock(bus().mutex);
    return static_cast<int>(bus().contexts.size());
}

std::vector<std::string> FakeUsb::misuse() {
    std::lock_guard lock(bus().mutex);
    return bus().misuse;
}

}  // namespace kelvra::driver::usb::fake

using namespace kelvra::driver::usb::fake;

// ---- the libusb API ------------------------------------------------------------------------

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** context) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (b.initError != LIBUSB_SUCCESS) return b.initError;
    *context = new libusb_context();
    b.contexts.insert(*context);
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context* context) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (b.contexts.erase(context) == 0) b.misuse.push_back("libusb_exit of an unknown context");
    for (const auto& handle : b.handles) {
        if (handle->open) b.misuse.push_back("libusb_exit with a device handle open");
    }
    delete context;
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context* context, libusb_device*** list) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (b.contexts.count(context) == 0) b.misuse.push_back("device list of an unknown context");
    std::vector<libusb_device*> present;
    for (const auto& device : b.devices) {
        if (device->present) present.push_back(device.get());
    }
    *list = static_cast<libusb_device**>(std::calloc(present.size() + 1, sizeof(libusb_device*)));
    for (size_t i = 0; i < present.size(); ++i) {
        ++present[i]->refs;
        (*list)[i] = present[i];
    }
    return static_cast<ssize_t>(present.size());
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** list, int unrefDevices) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (unrefDevices == 0) b.misuse.push_back("device list freed without its references");
    for (libusb_device** device = list; unrefDevices && *device != nullptr; ++device) {
        --(*device)->refs;
    }
    std::free(list);
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* device) {
    std::lock_guard lock(bus().mutex);
    ++device->refs;
    return device;
}

void LIBUSB_CALL libusb_unref_device(libusb_device* device) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (--device->refs < 0) b.misuse.push_back("device unreferenced too often");
}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device* device,
                                             libusb_device_descriptor* descriptor) {
    std::lock_guard lock(bus().mutex);
    *descriptor = libusb_device_descriptor{};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->bcdUSB = 0x0300;
    descriptor->idVendor = device->setup.vendorId;
    descriptor->idProduct = device->setup.productId;
    descriptor->iSerialNumber = device->setup.serial.empty() ? 0 : kSerialIndex;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* device) {
    std::lock_guard lock(bus().mutex);
    return static_cast<uint8_t>(device->id);
}

int LIBUSB_CALL libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                                   unsigned char* data, int length) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_get_string_descriptor_ascii")) {
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    const std::string& serial = handle->device->setup.serial;
    if (index != kSerialIndex || serial.empty() || length <= 0) return LIBUSB_ERROR_PIPE;
    const int count = std::min<int>(static_cast<int>(serial.size()), length - 1);
    std::copy_n(serial.begin(), count, data);
    data[count] = 0;
    return count;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device* device) {
    std::lock_guard lock(bus().mutex);
    return device->setup.bus;
}

int LIBUSB_CALL libusb_get_port_numbers(libusb_device* device, uint8_t* ports, int length) {
    std::lock_guard lock(bus().mutex);
    const std::vector<uint8_t>& chain = device->setup.ports;
    if (static_cast<size_t>(length) < chain.size()) return LIBUSB_ERROR_OVERFLOW;
    std::copy(chain.begin(), chain.end(), ports);
    return static_cast<int>(chain.size());
}

int LIBUSB_CALL libusb_get_device_speed(libusb_device* device) {
    std::lock_guard lock(bus().mutex);
    return device->setup.speed;
}

// One interface with one alternate setting holding the setup's endpoints.
int LIBUSB_CALL libusb_get_active_config_descriptor(libusb_device* device,
                                                    libusb_config_descriptor** config) {
    std::lock_guard lock(bus().mutex);
    if (!device->setup.configured) return LIBUSB_ERROR_NOT_FOUND;
    const auto& setups = device->setup.endpoints;
    auto* endpoints = new libusb_endpoint_descriptor[setups.size() + 1]();
    for (size_t i = 0; i < setups.size(); ++i) {
        endpoints[i].bEndpointAddress = setups[i].address;
        endpoints[i].bmAttributes = setups[i].attributes;
    }
    auto* setting = new libusb_interface_descriptor();
    setting->bInterfaceNumber = device->setup.interfaceNumber;
    setting->bNumEndpoints = static_cast<uint8_t>(setups.size());
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
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!device->present) return LIBUSB_ERROR_NO_DEVICE;
    if (device->setup.openError != LIBUSB_SUCCESS) return device->setup.openError;
    ++b.opens;
    ++device->refs;  // a handle keeps its device, as in libusb
    auto opened = std::make_unique<libusb_device_handle>();
    opened->device = device;
    *handle = opened.get();
    b.handles.push_back(std::move(opened));
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_close(libusb_device_handle* handle) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_close")) return;
    for (const auto& [transfer, flight] : b.inFlight) {
        if (transfer->dev_handle == handle) b.misuse.push_back("libusb_close with a transfer");
    }
    if (!handle->claimed.empty()) b.misuse.push_back("libusb_close with an interface claimed");
    handle->open = false;
    --handle->device->refs;
    ++b.closes;
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle* handle, int interface) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_claim_interface")) return LIBUSB_ERROR_INVALID_PARAM;
    libusb_device* device = handle->device;
    if (!device->present) return LIBUSB_ERROR_NO_DEVICE;
    if (interface != device->setup.interfaceNumber) return LIBUSB_ERROR_NOT_FOUND;
    if (device->setup.claimError != LIBUSB_SUCCESS) return device->setup.claimError;
    handle->claimed.insert(interface);
    ++b.claims[device->id];
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle* handle, int interface) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_release_interface")) return LIBUSB_ERROR_INVALID_PARAM;
    if (handle->claimed.erase(interface) == 0) {
        b.misuse.push_back("released an interface not claimed");
        return LIBUSB_ERROR_NOT_FOUND;
    }
    ++b.releases[handle->device->id];
    return handle->device->present ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType,
                                        uint8_t request, uint16_t value, uint16_t index,
                                        unsigned char* data, uint16_t length,
                                        unsigned int timeout) {
    Bus& b = bus();
    std::unique_lock lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_control_transfer")) return LIBUSB_ERROR_INVALID_PARAM;
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    ControlCall call{handle->device->id, requestType, request, value, index, length, timeout, {}};
    const bool inbound = requestType & LIBUSB_ENDPOINT_IN;
    if (!inbound) call.data.assign(data, data + length);
    b.controlCalls.push_back(call);
    ControlScript script = b.controlScript;
    lock.unlock();
    ControlReply reply = script ? script(call) : ControlReply{inbound ? 0 : length, {}};
    if (reply.result < 0) return reply.result;
    if (inbound) {
        const size_t count = std::min<size_t>(reply.data.size(), length);
        std::copy_n(reply.data.begin(), count, data);
        return static_cast<int>(count);
    }
    return std::min<int>(reply.result, length);
}

libusb_transfer* LIBUSB_CALL libusb_alloc_transfer(int isoPackets) {
    Bus& b = bus();
    const size_t size =
        sizeof(libusb_transfer) + sizeof(libusb_iso_packet_descriptor) * size_t(isoPackets);
    auto* transfer = static_cast<libusb_transfer*>(std::calloc(1, size));
    std::lock_guard lock(b.mutex);
    b.allocated.insert(transfer);
    return transfer;
}

void LIBUSB_CALL libusb_free_transfer(libusb_transfer* transfer) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (b.inFlight.count(transfer)) b.misuse.push_back("freed a transfer in flight");
    if (b.allocated.erase(transfer) == 0) b.misuse.push_back("freed an unknown transfer");
    std::free(transfer);
}

int LIBUSB_CALL libusb_submit_transfer(libusb_transfer* transfer) {
    Bus& b = bus();
    std::unique_lock lock(b.mutex);
    libusb_device_handle* handle = transfer->dev_handle;
    if (!handleUsable(b, handle, "libusb_submit_transfer")) return LIBUSB_ERROR_INVALID_PARAM;
    if (b.inFlight.count(transfer)) b.misuse.push_back("submitted a transfer twice");
    if (transfer->type != LIBUSB_TRANSFER_TYPE_BULK) b.misuse.push_back("not a bulk transfer");
    if (handle->claimed.empty()) b.misuse.push_back("bulk transfer without a claimed interface");
    if (b.nextSubmitError != LIBUSB_SUCCESS) {
        return std::exchange(b.nextSubmitError, LIBUSB_SUCCESS);
    }
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    BulkCall call{b.nextTransfer++, handle->device->id, transfer->endpoint,
                  transfer->length, transfer->timeout,  {}};
    if (!(transfer->endpoint & LIBUSB_ENDPOINT_IN)) {
        call.data.assign(transfer->buffer, transfer->buffer + transfer->length);
    }
    b.bulkCalls.push_back(call);
    InFlight& flight = b.inFlight[transfer] = InFlight{call.id, transfer, false};
    b.changed.notify_all();
    if (b.bulkScript) {
        if (std::optional<BulkCompletion> done = b.bulkScript(call)) {
            deliverLocked(b, flight, std::move(*done));
        }
    }
    return LIBUSB_SUCCESS;
}

// Cancellation is asynchronous, as in libusb: the callback comes on the event thread.
int LIBUSB_CALL libusb_cancel_transfer(libusb_transfer* transfer) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (b.allocated.count(transfer) == 0) {
        b.misuse.push_back("cancelled a freed transfer");
        return LIBUSB_ERROR_NOT_FOUND;
    }
    auto found = b.inFlight.find(transfer);
    if (found == b.inFlight.end() || found->second.ending) return LIBUSB_ERROR_NOT_FOUND;
    ++b.cancels;
    deliverLocked(b, found->second, BulkCompletion{LIBUSB_TRANSFER_CANCELLED, {}, 0});
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context* context, timeval* tv,
                                                       int* /*completed*/) {
    Bus& b = bus();
    std::unique_lock lock(b.mutex);
    if (b.contexts.count(context) == 0) b.misuse.push_back("events of an unknown context");
    const auto limit = std::chrono::seconds(tv->tv_sec) + std::chrono::microseconds(tv->tv_usec);
    b.changed.wait_for(lock, limit, [&] { return b.interrupted || !b.deliveries.empty(); });
    while (!b.deliveries.empty()) {
        Delivery delivery = std::move(b.deliveries.front());
        b.deliveries.pop_front();
        libusb_transfer* transfer = delivery.transfer;
        b.inFlight.erase(transfer);
        const BulkCompletion& done = delivery.completion;
        transfer->status = done.status;
        transfer->actual_length = 0;
        if (done.status == LIBUSB_TRANSFER_COMPLETED) {
            if (transfer->endpoint & LIBUSB_ENDPOINT_IN) {
                const int count =
                    std::min<int>(static_cast<int>(done.data.size()), transfer->length);
                std::copy_n(done.data.begin(), count, transfer->buffer);
                transfer->actual_length = count;
            } else {
                transfer->actual_length = done.actual < 0 ? transfer->length : done.actual;
            }
        }
        b.changed.notify_all();
        lock.unlock();
        transfer->callback(transfer);
        lock.lock();
    }
    return std::exchange(b.interrupted, false) ? LIBUSB_ERROR_INTERRUPTED : LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_interrupt_event_handler(libusb_context* /*context*/) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    b.interrupted = true;
    b.changed.notify_all();
}

int LIBUSB_CALL libusb_clear_halt(libusb_device_handle* handle, unsigned char endpoint) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_clear_halt")) return LIBUSB_ERROR_INVALID_PARAM;
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    if (handle->claimed.empty()) b.misuse.push_back("clear halt without a claimed interface");
    b.clearedHalts[handle->device->id].push_back(endpoint);
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_reset_device(libusb_device_handle* handle) {
    Bus& b = bus();
    std::lock_guard lock(b.mutex);
    if (!handleUsable(b, handle, "libusb_reset_device")) return LIBUSB_ERROR_INVALID_PARAM;
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    ++b.resets[handle->device->id];
    return b.resetResult;
}

}  // extern "C"
