// Test frames for the kernel benchmarks: 1280 x 1024 images with smooth structure and noise,
// in our image buffers and as OpenCV matrices with the same contents.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra::bench {

constexpr int32_t kFrameWidth = 1280;
constexpr int32_t kFrameHeight = 1024;

// A frame of the given depth: 8 or 16 bits (a mosaic), 24, 32, 48 or 64 bits (colour).
// 16-bit samples are 12-bit, as the camera delivers them.
void FillFrame(CDibImage& image, int32_t width, int32_t height, int32_t bitCount);

// A matrix sharing nothing with the image but holding the same pixels (three or one
// channels; a fourth channel is dropped).
cv::Mat ToMat(const CDibImage& image);

}  // namespace kelvra::bench
