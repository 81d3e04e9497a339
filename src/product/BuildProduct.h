// Which product of the camera line the front serves. The answer is linked in, not compiled into
// the front: the shared library carries the configured product's, and test programs can drive
// the same compiled layers as another product of the line.
#pragma once

#include <cstdint>

namespace kelvra {

// The USB product id the front opens cameras of.
int32_t BuildProductId();

}  // namespace kelvra
