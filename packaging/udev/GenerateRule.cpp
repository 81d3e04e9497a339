// Writes the udev rule generated from the library's table of camera vendor and product ids to
// the file named by its argument; the build installs that file.
#include <cstdio>
#include <string>

#include "driver/usb/CameraProducts.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) return 1;
    const std::string rules = kelvra::driver::usb::udevRules();
    const bool written = std::fwrite(rules.data(), 1, rules.size(), out) == rules.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
