#pragma once

#include <memory>

#include "imaging/CDibImage.h"

namespace kelvra {

// The eighteen image buffers of a front object. The frame images are sized when acquisition is
// prepared; the references and defect maps always cover the whole sensor.
struct ImageSet {
    // Frames as they arrive, by transfer depth.
    std::unique_ptr<CDibImage> raw8, raw16;
    // Output images of 24, 32, 48 and 64 bits per pixel.
    std::unique_ptr<CDibImage> out24, out32, out48, out64;
    // Scratch copy for the sharpness filter; the frame scaled to the preview window.
    std::unique_ptr<CDibImage> sharpenScratch, display;
    // Flat-field references.
    std::unique_ptr<CDibImage> darkRef8, whiteRef8, darkRef16, whiteRef16;
    // Defect maps derived from the references.
    std::unique_ptr<CDibImage> darkDefects8, whiteDefects8, darkDefects16, whiteDefects16;
    // Defect maps written by the dot filter.
    std::unique_ptr<CDibImage> dotMap8, dotMap16;

    // Creates all eighteen objects, empty. False when memory ran out (nothing is kept then).
    bool CreateObjects();
    // Allocates and fills the ten sensor-sized buffers: dark references and maps 0, the white
    // references full scale (255 and 4095). False when one could not be allocated.
    bool AllocateSensorBuffers();
};

}  // namespace kelvra
