#pragma once
// The kernel driver's vocabulary: IOCTL codes, the 38-byte transfer record and the Win32 error
// numbers that the seam reports. Back ends interpret these bytes; the transport builds them.

#include <cstddef>
#include <cstdint>

namespace kelvra::driver {

// IOCTL codes (device type 0x22).
inline constexpr uint32_t kIoctlControlTransfer = 0x220020;  // 102-byte request, in and out
inline constexpr uint32_t kIoctlStagedTransfer = 0x220024;   // record + data in one buffer
inline constexpr uint32_t kIoctlResetPipe = 0x22002C;        // in: 1 byte endpoint address
inline constexpr uint32_t kIoctlResetPort = 0x220030;        // no buffers
inline constexpr uint32_t kIoctlAbortPipe = 0x220044;        // in: 1 byte endpoint address
inline constexpr uint32_t kIoctlDirectTransfer = 0x22004B;   // in: record, out: caller's data
inline constexpr uint32_t kIoctlDeviceSpeed = 0x22004C;      // out: u32 speed code

// Endpoint addresses.
inline constexpr uint8_t kEndpointControl = 0x00;
inline constexpr uint8_t kEndpointBulkOut = 0x01;
inline constexpr uint8_t kEndpointStreamIn = 0x81;
inline constexpr uint8_t kEndpointSyncIn = 0x83;
inline constexpr uint8_t kEndpointDirectionIn = 0x80;

// Device speed code answered for a SuperSpeed (USB 3) link.
inline constexpr uint32_t kSpeedSuperSpeed = 4;

// Transfer record: 38 bytes, little-endian, packed.
namespace record {
inline constexpr size_t kSize = 38;
inline constexpr size_t kRequestType = 0;    // u8 bmRequestType
inline constexpr size_t kRequest = 1;        // u8 bRequest
inline constexpr size_t kValue = 2;          // u16 wValue
inline constexpr size_t kIndex = 4;          // u16 wIndex
inline constexpr size_t kLength = 6;         // u16 wLength
inline constexpr size_t kTimeout = 8;        // u32 seconds
inline constexpr size_t kEndpoint = 13;      // u8 endpoint address
inline constexpr size_t kDriverStatus = 14;  // u32 written back, 0 = success
inline constexpr size_t kUsbStatus = 18;     // u32 written back, 0 = success
inline constexpr size_t kBufferOffset = 30;  // u32
inline constexpr size_t kBufferLength = 34;  // u32
}  // namespace record

// A control request is the record followed by a 64-byte data area.
inline constexpr size_t kControlDataSize = 64;
inline constexpr size_t kControlRequestSize = record::kSize + kControlDataSize;  // 102

// bmRequestType values.
inline constexpr uint8_t kVendorOutDevice = 0x40;
inline constexpr uint8_t kVendorInDevice = 0xC0;
inline constexpr uint8_t kVendorOutEndpoint = 0x42;

// Status words a back end writes into a failed record. The values follow the Windows USB stack
// so that a Windows back end and the others fail alike.
inline constexpr uint32_t kDriverStatusUnsuccessful = 0xC0000001;
inline constexpr uint32_t kUsbStatusStall = 0xC0000004;
inline constexpr uint32_t kUsbStatusNotResponding = 0xC0000005;
inline constexpr uint32_t kUsbStatusBabble = 0xC0000012;
inline constexpr uint32_t kUsbStatusCanceled = 0xC0010000;

// Win32 error numbers reported by the seam (IoResult::error).
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorInvalidFunction = 1;  // unknown IOCTL code
inline constexpr uint32_t kErrorFileNotFound = 2;     // path absent or unplugged
inline constexpr uint32_t kErrorGenFailure = 31;      // the device stalled or failed the request
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorSemTimeout = 121;           // the record's timeout expired
inline constexpr uint32_t kErrorOperationAborted = 995;     // abort pipe, reset, close
inline constexpr uint32_t kErrorIoPending = 997;            // overlapped request started
inline constexpr uint32_t kErrorDeviceNotConnected = 1167;  // unplugged while open
inline constexpr uint32_t kErrorNoSystemResources = 1450;   // too many requests queued

}  // namespace kelvra::driver
