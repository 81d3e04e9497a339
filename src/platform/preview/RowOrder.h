// Which way an image's rows lie in memory when it is drawn into a preview window.
#pragma once

namespace kelvra::platform::preview {

// TopRowFirst: the first row in memory is shown at the top of the window.
// BottomRowFirst: the first row in memory is shown at the bottom (a bottom-up bitmap).
enum class RowOrder { TopRowFirst, BottomRowFirst };

}  // namespace kelvra::platform::preview
