#pragma once
// Still-image formats of Kelvra_SaveImage, chosen by the file name's extension.

#include <optional>
#include <string_view>

namespace kelvra::tool {

// The Kelvra_SaveImage format for `path`'s extension (case-insensitive): .bmp, .raw, .jpg/.jpeg
// (best quality), .png, .tif/.tiff. nullopt for anything else.
std::optional<int> imageFormatForPath(std::string_view path);

// The extensions accepted, for messages: "bmp, raw, jpg, png, tif".
std::string_view imageExtensionList();

}  // namespace kelvra::tool
