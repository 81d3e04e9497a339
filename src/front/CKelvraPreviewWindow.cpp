// The preview window: placement, creation, painting after each frame, destruction.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "front/ReadoutGeometry.h"
#include "imaging/ConversionKernels.h"
#include "imaging/CopyKernels.h"
#include "imaging/KernelRunner.h"
#include "imaging/ScaleKernels.h"
#include "output/SampleReduction.h"
#include "platform/Clock.h"
#include "platform/MessageWindow.h"
#include "platform/preview/PreviewWindow.h"
#include "platform/preview/WindowClassRegistry.h"

namespace kelvra {
namespace {

using platform::preview::PreviewWindow;
using platform::preview::RowOrder;
using platform::preview::SampleFormat;
using platform::preview::StageResult;
using platform::preview::WindowClassRegistry;
using PaintInput = platform::preview::PaintSource;

constexpr char kTopLevelTitle[] = "Active Window";
// 16-bit frames carry 12-bit samples: their top eight bits are shown.
constexpr int kTwelveBitShift = 4;

bool DisplayAvailable() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

SampleFormat FormatOf(const CDibImage& image) {
    return image.BitCount() == 8 ? SampleFormat::Gray8 : SampleFormat::Bgr24;
}

PaintInput Describe(const CDibImage& image, SampleFormat format, RowOrder order) {
    return PaintInput{format,        image.Bits(),   static_cast<size_t>(image.Stride()),
                      image.Width(), image.Height(), order};
}

}  // namespace

int CKelvra::SetPreviewWindow(HWND parent, int left, int top, int right, int bottom) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    previewParent_ = parent;
    placeLeft_ = left;
    placeTop_ = top;
    placeRight_ = right;
    placeBottom_ = bottom;
    return 1;
}

HWND CKelvra::PreviewWindowHandle() const {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    return previewHandle_;
}

// Makes the preview window the placement asks for. True also when none is wanted, when there
// is no display to show one on, and when a running acquisition already paints one (a second
// window would leak the first). False when a window was wanted and could not be made.
bool CKelvra::CreatePreviewWindowIfPlaced() {
    const bool placed = previewParent_ != nullptr || placeLeft_ != 0 || placeTop_ != 0 ||
                        placeRight_ != 0 || placeBottom_ != 0;
    if (!placed || !DisplayAvailable()) return true;
    if (PreviewWindowHandle() != nullptr) {
        if (acquisitionThread_ != nullptr) return true;
        DestroyPreviewWindow();
    }
    char name[64];
    const auto self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
    const uint32_t salt = platform::GetTickCount32() + static_cast<uint32_t>(std::rand());
    std::snprintf(name, sizeof name, "VideoRenderer_%08" PRIx32 "_%08" PRIx32, self, salt);
    if (!WindowClassRegistry::Instance().Register(name)) return false;
    HWND window = nullptr;
    if (previewParent_ != nullptr) {
        window = PreviewWindow::CreateChild(name, previewParent_, placeLeft_, placeTop_,
                                            placeRight_, placeBottom_);
    } else {
        const settings::ReadoutWindow readout = ReadoutWindow();
        const FrameSize size = OutputFrameSize(readout, StreamFormat().subSample);
        window = PreviewWindow::CreateTopLevel(name, kTopLevelTitle, size.width, size.height);
    }
    std::shared_ptr<PreviewWindow> preview = PreviewWindow::Find(window);
    if (!preview || !preview->HasSurface()) {
        if (window != nullptr) platform::DestroyWindow(window);
        WindowClassRegistry::Instance().Unregister(name);
        return false;
    }
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    previewHandle_ = window;
    previewWindow_ = std::move(preview);
    windowClassName_ = name;
    return true;
}

// Destroys the window and unregisters its class. Called when no acquisition thread paints, or
// by that thread itself.
void CKelvra::DestroyPreviewWindow() {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    if (previewHandle_ != nullptr) platform::DestroyWindow(previewHandle_);
    previewHandle_ = nullptr;
    previewWindow_.reset();
    if (!windowClassName_.empty()) WindowClassRegistry::Instance().Unregister(windowClassName_);
    windowClassName_.clear();
}

// The user closed the window (or the X server dropped it): acquisition goes on without it and
// the application is told once, with code 4. The next start makes a new window. Acquisition
// thread, frame lock held.
void CKelvra::LosePreviewWindow() {
    DestroyPreviewWindow();
    RecordError(kErrorWindow);
}

// Sizes the display image to the window's client area, grey for the grey modes.
void CKelvra::SizeDisplayImage(int mode) {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    int width = 0, height = 0;
    if (!previewWindow_ || !previewWindow_->IsVisible() ||
        !previewWindow_->ClientSize(width, height) || width <= 0 || height <= 0 ||
        !previewWindow_->HasSurface()) {
        return;
    }
    images_.display->Create(width, height, IsColourMode(mode) ? 24 : 8);
}

// The image painting shows for the prepared mode; 16-bit and 32-bit or wider images are first
// reduced into the 8-bit or 24-bit image.
const CDibImage* CKelvra::PaintSource(int mode) {
    ImageSet& im = images_;
    switch (mode) {
        case kModeMono8:
            return im.raw8.get();
        case kModeMono16: {
            CDibImage& src = *im.raw16;
            CDibImage& dst = *im.raw8;
            if (dst.Width() != src.Width() || dst.Height() != src.Height()) return nullptr;
            for (int32_t row = 0; row < src.Height(); ++row) {
                ReduceMono16Row(dst.Bits() + static_cast<size_t>(row) * dst.Stride(),
                                src.Bits() + static_cast<size_t>(row) * src.Stride(), src.Width(),
                                kTwelveBitShift);
            }
            return &dst;
        }
        case kModeBgr24:
            return im.out24.get();
        case kModeBgra32:
            RunKernel(*im.out24, CopyBgr24, *im.out32, nullptr, 0, 0, nullptr);
            break;
        case kModeBgr48:
            RunKernel(*im.out24, Bgr48To24From12, *im.out48, nullptr, 0, 0, nullptr);
            break;
        case kModeBgra64:
            RunKernel(*im.out24, Bgr48To24From12, *im.out64, nullptr, 0, 0, nullptr);
            break;
        default:
            return nullptr;
    }
    return im.out24.get();
}

// Packs the processed frame for the window: unscaled when the client area has the frame's
// size, else scaled to fill it; 16-bit grey frames go straight into the window's pixels at 1:1.
// Nothing is packed for a hidden, minimised or covered window. Returns the window to present to
// once the frame lock is released, or null when there is nothing to present. Acquisition
// thread, frame lock held.
std::shared_ptr<PreviewWindow> CKelvra::StagePreviewPaint(bool waitForImage) {
    if (!previewWindow_) return nullptr;
    if (previewWindow_->CloseRequested()) {
        LosePreviewWindow();
        return nullptr;
    }
    PreviewWindow& window = *previewWindow_;
    const int mode = preparedMode_.load();
    int width = 0, height = 0;
    if (!window.PaintableSize(width, height)) return nullptr;
    PaintInput source{};
    const CDibImage* raw = RawImage(mode);
    if (raw == nullptr || raw->Bits() == nullptr) return nullptr;
    if (width == raw->Width() && height == raw->Height()) {
        if (mode == kModeMono16) {
            source = Describe(*images_.raw16, SampleFormat::Gray12, RowOrder::TopRowFirst);
        } else {
            const CDibImage* image = PaintSource(mode);
            if (image == nullptr || image->Bits() == nullptr) return nullptr;
            source = Describe(*image, FormatOf(*image), RowOrder::TopRowFirst);
        }
    } else {
        const CDibImage* image = PaintSource(mode);
        if (image == nullptr || image->Bits() == nullptr) return nullptr;
        CDibImage& display = *images_.display;
        const int bits = IsColourMode(mode) ? 24 : 8;
        if (display.Width() != width || display.Height() != height || display.BitCount() != bits) {
            if (!display.Create(width, height, bits)) return nullptr;
        }
        RunScaleKernel(display, bits == 8 ? ScaleMono8 : ScaleBgr24, *image, nullptr, nullptr,
                       nullptr);
        source = Describe(display, FormatOf(display), RowOrder::BottomRowFirst);
    }
    const StageResult staged = window.StagePaint(source, waitForImage);
    paintOwed_ = staged == StageResult::Busy;
    return staged == StageResult::Staged ? previewWindow_ : nullptr;
}

// When the loop ends, the window shows the last processed frame, also one the server was too
// busy to take, and the server has drawn it. Acquisition thread.
void CKelvra::FinishPreviewPainting() {
    std::shared_ptr<PreviewWindow> window;
    {
        std::lock_guard<std::recursive_mutex> frame(frameLock_);
        if (!previewWindow_) return;
        window = previewWindow_;
        if (paintOwed_ && imageValid_.load()) {
            if (auto staged = StagePreviewPaint(true)) staged->PresentPaint();
        }
        paintOwed_ = false;
    }
    window->FinishPainting();
}

}  // namespace kelvra
