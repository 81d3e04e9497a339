// Copies of the settings for readers on other threads.
#include "front/CKelvra.h"

namespace kelvra {

settings::ReadoutWindow CKelvra::ReadoutWindow() const {
    return WithSettings([&] { return window_; });
}

settings::FilterSettings CKelvra::FilterSettings() const {
    return WithSettings([&] { return filter_; });
}

settings::GraySettings CKelvra::GraySettings() const {
    return WithSettings([&] { return gray_; });
}

settings::CameraSettings CKelvra::CameraSettings() const {
    return WithSettings([&] { return camera_; });
}

settings::StreamFormat CKelvra::StreamFormat() const {
    return WithSettings([&] { return format_; });
}

ProcessingFlags CKelvra::Flags() const {
    return WithSettings([&] { return flags_; });
}

std::vector<std::pair<int32_t, int32_t>> CKelvra::ConfigEntries() const {
    std::lock_guard<std::recursive_mutex> guard(maskLock_);
    return configEntries_;
}

}  // namespace kelvra
