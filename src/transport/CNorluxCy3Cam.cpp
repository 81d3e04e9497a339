#include "transport/CNorluxCy3Cam.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "driver/DevicePath.h"
#include "driver/Driver.h"
#include "platform/Clock.h"
#include "transport/DebugOutput.h"
#include "transport/ProcessDevices.h"

namespace kelvra {
namespace {

using transport::DeviceTable;
using transport::ProcessDevices;

// Only the first 32 interfaces the driver reports are looked at, gaps included.
constexpr size_t kMaxInterfaces = 32;
constexpr size_t kIdDigits = 4;

// Sent to the debugger when an entry beyond the count is found in use: only a damaged map can
// leave one there.
constexpr const char* kOverwriteMessage = "ここには入ってこないはず\r\n";

struct FoundInterface {
    uint16_t vendorId;
    uint16_t productId;
    std::string path;
};

std::optional<uint16_t> ParseHexId(const std::string& path, size_t offset) {
    if (path.size() < offset + kIdDigits) return std::nullopt;
    unsigned value = 0;
    const char* first = path.data() + offset;
    const auto [end, ec] = std::from_chars(first, first + kIdDigits, value, 16);
    if (ec != std::errc{} || end != first + kIdDigits) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// The vendor and product ids of an interface path, read from the four hex digits after the
// vendor tag (offset 12) and the product tag (offset 21). A path without them, one that does not
// fit the table's 260-byte field, or one that does not open now is not accepted. A product id
// of 0 would read as an empty entry and is not accepted either.
std::optional<FoundInterface> Accept(const std::string& path) {
    if (path.size() > driver::kMaxDevicePathLength) return std::nullopt;
    const auto vendorId = ParseHexId(path, driver::kDevicePathVendorOffset);
    const auto productId = ParseHexId(path, driver::kDevicePathProductOffset);
    if (!vendorId || !productId || *productId == 0) return std::nullopt;
    if (!driver::openDevice(path, true)) return std::nullopt;  // probe, closed at once
    return FoundInterface{*vendorId, *productId, path};
}

// Model names of other cameras of the family, by product id; filled with the instance number.
// The product this library serves has no row: its names come from the front object.
struct ModelNameRow {
    uint16_t productId;
    const char* format;
};
constexpr std::array<ModelNameRow, 0> kModelNames{};

}  // namespace

// Attaches to the shared device map (CFx3Api), keeps the interface class to enumerate, and
// starts with table index 0 selected, no stream handle and no staging buffer.
CNorluxCy3Cam::CNorluxCy3Cam(const driver::Guid& guid)
    : m_guid(guid), m_stream(&platform::SleepMs) {}

// Releases the stream handle and the staging buffer; the map is detached by CFx3Api.
CNorluxCy3Cam::~CNorluxCy3Cam() {
    CNorluxCy3Cam::Release();
}

// Closes the stream handle and frees the staging buffer.
void CNorluxCy3Cam::Release() {
    m_stream.Close();
    m_stream.FreeStaging();
}

// Refreshes the device table from the present interfaces of the controller's class and
// publishes it to the shared map. Interfaces are probed before any lock is taken; then the table
// is reloaded from the map (other processes may have added cameras), new paths are appended in
// the order found, and the result is written back. Returns the entry count, 0 to 32. Any thread.
int32_t CNorluxCy3Cam::Enumerate() {
    const std::vector<std::string> paths = driver::enumerateInterfaces(m_guid);
    std::vector<FoundInterface> found;
    for (size_t member = 0; member < std::min(paths.size(), kMaxInterfaces); ++member) {
        if (auto accepted = Accept(paths[member])) found.push_back(std::move(*accepted));
    }
    int32_t count = 0;
    UpdateDeviceTable([&](DeviceTable& table) {
        for (const FoundInterface& device : found) {
            bool overwrote = false;
            table.Add(device.vendorId, device.productId, device.path, &overwrote);
            if (overwrote) transport::OutputDebugText(kOverwriteMessage);
        }
        count = table.Count();
    });
    return count;
}

// Opens the path of table entry `index`, overlapped or synchronous. Null when the index is
// below 0, at 32 or more, at or beyond the count, or when the path does not open (unplugged).
std::unique_ptr<driver::DeviceHandle> CNorluxCy3Cam::OpenDevicePath(int32_t index,
                                                                    bool overlapped) {
    const DeviceEntry entry = ProcessDevices::Get().Entry(index);
    if (entry.IsEmpty()) return nullptr;
    return driver::openDevice(entry.path, overlapped);
}

// Closes a handle that is not null and nulls it. Returns 1 when it closed something, else 0.
int32_t CNorluxCy3Cam::CloseDevicePath(std::unique_ptr<driver::DeviceHandle>& handle) {
    if (!handle) return 0;
    handle.reset();
    return 1;
}

// 1 when entry `index` is in use and its path opens now (the handle is closed again), else 0.
int32_t CNorluxCy3Cam::IsDeviceOpenable(int32_t index) {
    std::unique_ptr<driver::DeviceHandle> handle = OpenDevicePath(index, true);
    return CloseDevicePath(handle);
}

// Closes the stream, then selects entry `index` for every later request when its path opens.
// Returns 1, or 0 with the previous selection kept.
int32_t CNorluxCy3Cam::SelectDevice(int32_t index) {
    CloseStream();
    if (!IsDeviceOpenable(index)) return 0;
    m_selectedIndex.store(index);
    m_deviceGone.store(false);
    m_stream.ClearDeviceGone();
    return 1;
}

// Writes the model name of entry `index` ("<model>_%02d" with its instance number) into text
// (size bytes, truncated and terminated). 1 when the entry opens and its product id has a row
// in the model-name table, else 0 — always 0 for this library's product.
int32_t CNorluxCy3Cam::GetModelName(int32_t index, char* text, size_t size) {
    if (text == nullptr || size == 0) return 0;
    const DeviceEntry entry = GetDeviceEntry(index);
    const auto row =
        std::find_if(kModelNames.begin(), kModelNames.end(),
                     [&](const ModelNameRow& r) { return r.productId == entry.productId; });
    if (entry.IsEmpty() || row == kModelNames.end() || !IsDeviceOpenable(index)) return 0;
    std::snprintf(text, size, row->format, entry.instance);
    return 1;
}

// Entries in use in the process table, 0 to 32. Any thread.
int32_t CNorluxCy3Cam::GetDeviceCount() const {
    return ProcessDevices::Get().Count();
}

// A copy of entry `index`: vendor id 0, product id 0, instance -1 and an empty path when the
// index is below 0, at 32 or more, or at or beyond the count. Any thread.
DeviceEntry CNorluxCy3Cam::GetDeviceEntry(int32_t index) const {
    return ProcessDevices::Get().Entry(index);
}

// The first of the 32 entries whose product id and instance number match; -1 when none does.
int32_t CNorluxCy3Cam::FindDeviceIndex(int32_t productId, int32_t instance) const {
    return ProcessDevices::Get().FindIndex(productId, instance);
}

// The product id of the selected entry; 0 when the selection is not in the table.
uint16_t CNorluxCy3Cam::SelectedProductId() const {
    return GetDeviceEntry(m_selectedIndex.load()).productId;
}

void CNorluxCy3Cam::SetSleepFunction(transport::SleepFunction sleep) {
    m_stream.SetSleep(sleep != nullptr ? sleep : &platform::SleepMs);
}

}  // namespace kelvra
