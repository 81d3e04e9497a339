#pragma once
// The camera's memory behind the memory window: a sparse address space whose pages are made on
// first write; unwritten memory reads as zero. Not locked: the owning camera serialises access.

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>

namespace kelvra::sim {

class CameraMemory {
  public:
    explicit CameraMemory(uint64_t size) : size_(size) {}

    uint64_t size() const { return size_; }
    bool contains(uint64_t address, uint64_t length) const {
        return address <= size_ && length <= size_ - address;
    }
    void read(uint64_t address, std::span<uint8_t> out) const;
    void write(uint64_t address, std::span<const uint8_t> data);
    void clear() { pages_.clear(); }

  private:
    static constexpr uint64_t kPageSize = 64 * 1024;

    uint64_t size_;
    std::unordered_map<uint64_t, std::unique_ptr<uint8_t[]>> pages_;
};

}  // namespace kelvra::sim
