// Realistic frames for the processing benchmarks: a smooth scene with noise and defects, and
// flat-field references of a real sensor.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <memory>

#include "front/processing/FrameImages.h"
#include "imaging/CDibImage.h"

namespace kelvra::bench {

inline constexpr int32_t kFrameWidth = 1280;
inline constexpr int32_t kFrameHeight = 1024;
// Hot, dead and known-defective pixels scattered over a frame.
inline constexpr int kDefects = 300;

// The seventeen images of a front object at full frame, filled like a working camera's.
struct Scene {
    std::unique_ptr<CDibImage> raw8, raw16, out24, out32, out48, out64, scratch;
    std::unique_ptr<CDibImage> darkRef8, whiteRef8, darkRef16, whiteRef16;
    std::unique_ptr<CDibImage> darkDefects8, whiteDefects8, darkDefects16, whiteDefects16;
    std::unique_ptr<CDibImage> dotMap8, dotMap16;

    // scratchBits: the bit count of the output image of the mode to be measured.
    explicit Scene(int32_t scratchBits);
    processing::FrameImages Views() const;
};

// A view of an 8- or 16-bit image as a one-channel matrix sharing its pixels.
cv::Mat MatOf(CDibImage& image);

}  // namespace kelvra::bench
