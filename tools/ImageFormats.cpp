#include "ImageFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "KelvraSdk.h"

namespace kelvra::tool {
namespace {

struct ExtensionFormat {
    std::string_view extension;
    int format;
};

constexpr std::array kFormats = {
    ExtensionFormat{"bmp", KELVRA_FORMAT_BMP},
    ExtensionFormat{"raw", KELVRA_FORMAT_RAW},
    ExtensionFormat{"jpg", KELVRA_FORMAT_JPEG_HIGH},
    ExtensionFormat{"jpeg", KELVRA_FORMAT_JPEG_HIGH},
    ExtensionFormat{"png", KELVRA_FORMAT_PNG},
    ExtensionFormat{"tif", KELVRA_FORMAT_TIFF},
    ExtensionFormat{"tiff", KELVRA_FORMAT_TIFF},
};

}  // namespace

std::optional<int> imageFormatForPath(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const ExtensionFormat& entry : kFormats) {
        if (entry.extension == extension) return entry.format;
    }
    return std::nullopt;
}

std::string_view imageExtensionList() {
    return "bmp, raw, jpg, png, tif";
}

}  // namespace kelvra::tool
