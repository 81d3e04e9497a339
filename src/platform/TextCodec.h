// Code-page conversion: narrow strings are UTF-8 and wide strings UTF-16, standing in for
// WideCharToMultiByte and MultiByteToWideChar.
#pragma once

#include <cstddef>

namespace kelvra::platform {

bool WideToNarrow(const char16_t* wide, char* out, size_t outBytes);

int NarrowToWide(const char* narrow, char16_t* out, size_t outChars);

}  // namespace kelvra::platform
