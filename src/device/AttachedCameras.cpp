#include "device/AttachedCameras.h"

#include "transport/AttachedCameras.h"

namespace kelvra::device {

std::vector<driver::DeviceDescription> DescribeAttachedCameras() {
    return transport::DescribeAttachedCameras();
}

std::string CameraUdevRules() {
    return transport::CameraUdevRules();
}

std::vector<std::string> StaleDeviceMaps() {
    return transport::StaleDeviceMaps();
}

}  // namespace kelvra::device
