#include "sim/CameraMemory.h"

#include <algorithm>
#include <cstring>

namespace kelvra::sim {

// Copies out.size() bytes from `address`; the caller has checked the range with contains().
void CameraMemory::read(uint64_t address, std::span<uint8_t> out) const {
    size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = address + done;
        const uint64_t offset = at % kPageSize;
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(kPageSize - offset, out.size() - done));
        auto page = pages_.find(at / kPageSize);
        if (page == pages_.end()) {
            std::memset(out.data() + done, 0, n);
        } else {
            std::memcpy(out.data() + done, page->second.get() + offset, n);
        }
        done += n;
    }
}

// Stores `data` at `address`; the caller has checked the range with contains().
void CameraMemory::write(uint64_t address, std::span<const uint8_t> data) {
    size_t done = 0;
    while (done < data.size()) {
        const uint64_t at = address + done;
        const uint64_t offset = at % kPageSize;
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(kPageSize - offset, data.size() - done));
        auto& page = pages_[at / kPageSize];
        if (!page) page = std::make_unique<uint8_t[]>(kPageSize);  // value-initialised: zero
        std::memcpy(page.get() + offset, data.data() + done, n);
        done += n;
    }
}

}  // namespace kelvra::sim
