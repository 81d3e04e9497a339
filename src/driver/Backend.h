#pragma once
// The driver seam: what the library's transport asks of the kernel driver, and what every back
// end (simulated cameras, libusb, later Win32) provides.
//
// clang-format off
// | Operation        | Blocks?              | Lock held      | Returns             | Memory       |
// |------------------|----------------------|----------------|---------------------|--------------|
// | enumerate(guid)  | no                   | device list    | present paths       | caller owns  |
// | open(path, ovl)  | no                   | device list    | handle or null      | caller owns  |
// | ~DeviceHandle    | until its reads end  | none in waits  | -                   | ends its own |
// | submit(...)      | overlapped: no;      | device state   | {0,n} done, {997,0} | borrowed to  |
// |                  | synchronous: yes     | (not in waits) | pending, {err,0}    | the finish   |
// | ioctl(...)       | until it finishes    | none in waits  | {0,n} or {err,0}    | borrowed     |
// | Overlapped::wait | up to ms (<0: no end)| its own        | true when finished  | -            |
// | abort pipe IOCTL | no                   | device state   | {0,0}; that pipe's  | -            |
// |                  |                      |                | reads end with 995  |              |
// clang-format on
//
// Locks named are the back end's, held briefly; none is held while a caller waits. Results are
// Win32 error numbers (driver/Ioctl.h) with the bytes returned.
//
// Buffers: `in` and `out` follow DeviceIoControl. For buffered codes a back end reads `in` and
// writes `out` (they may be the same memory). For the direct transfer (0x22004B, method
// "neither") `in` is the 38-byte record, whose status words the back end writes back on
// completion, and `out` is the caller's data: written for IN endpoints, read for OUT endpoints.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Guid.h"
#include "driver/Overlapped.h"

namespace kelvra::driver {

class DeviceHandle {
  public:
    virtual ~DeviceHandle() = default;
    DeviceHandle() = default;
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    virtual bool isOverlapped() const = 0;

    // Starts one request. On an overlapped handle a request that cannot finish at once returns
    // {997, 0} and finishes later through `request`; on a synchronous handle submit waits for
    // it. Whatever the return, `request` holds the final result once done.
    virtual IoResult submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                            Overlapped& request) = 0;

    IoResult ioctl(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out);
};

// What a back end can tell about one attached device without opening it for the library: for
// diagnosis (which cameras are there, at what link speed, whether this user may open them).
struct DeviceDescription {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint32_t linkMbps = 0;  // 5000 SuperSpeed, 480 high speed, 12 full speed; 0 unknown
    bool accessible = false;
    bool simulated = false;
    std::string port;        // "bus-port.port"; empty when it has none
    std::string deviceNode;  // the node the user needs access to; empty when it has none
    std::string serialNumber;
};

class Backend {
  public:
    virtual ~Backend() = default;
    Backend() = default;
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    virtual const char* name() const = 0;
    // Devices that exist only inside this process (simulated cameras). Their paths repeat from
    // process to process, so they must not be listed in the machine-wide device map.
    virtual bool processLocal() const { return false; }
    virtual std::vector<std::string> enumerate(const Guid& guid) = 0;
    virtual std::unique_ptr<DeviceHandle> open(std::string_view path, bool overlapped) = 0;
    // The attached devices of `guid`'s class, the ones this user may not open included. Blocks
    // briefly (it may open each device to test access). Default: none.
    virtual std::vector<DeviceDescription> describe(const Guid& /*guid*/) { return {}; }
};

}  // namespace kelvra::driver
