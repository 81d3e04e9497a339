#pragma once

#include <array>

#include "KelvraSdk.h"
#include "front/CKelvra.h"

namespace kelvra {

// A wide string argument converted for the narrow form of an export.
class NarrowArgument {
  public:
    // Converts `wide` (UTF-16) to UTF-8. A conversion that fails or needs more than 1023 bytes
    // records code 12 on `front`. A null argument stays null, for the narrow form to judge.
    NarrowArgument(CKelvra& front, const WCHAR* wide);

    bool Ok() const { return ok_; }
    const char* Get() const { return isNull_ ? nullptr : text_.data(); }

  private:
    static constexpr size_t kBytes = 1024;
    std::array<char, kBytes> text_{};
    bool ok_ = false;
    bool isNull_ = false;
};

}  // namespace kelvra
