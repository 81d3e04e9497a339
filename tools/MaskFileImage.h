#pragma once
// A mask file as the library writes it (Kelvra_SaveMaskFile), held whole in memory so that the
// tool can put averaged references into it: a 40-byte header whose four sizes place the dark
// 8-bit, white 8-bit, dark 16-bit and white 16-bit references, in that order. The library
// checks the result when it loads it back.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvra::tool {

class MaskFileImage {
  public:
    // Reads `path`; throws ToolFailure when it is not a mask file of the library's layout.
    static MaskFileImage read(const std::string& path);
    // The bytes of one reference: `white` or dark, 8 or 16 bits (16-bit samples little-endian).
    std::span<uint8_t> reference(bool white, int bits);
    // Writes the image to `path` (replacing it); throws ToolFailure with the system's reason.
    void write(const std::string& path) const;

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace kelvra::tool
