// The application's buffers and the images it reads back, while it changes buffers, modes and
// acquisitions.
#include <fcntl.h>
#include <linux/userfaultfd.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {
namespace {

constexpr int kFrame16 = kFrame8 * 2;
constexpr uint8_t kUntouched = 0xEE;

bool AllUntouched(const std::vector<uint8_t>& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kUntouched; });
}

using CallerBuffers = AcquisitionTest;

// Memory whose first touch stops the touching thread until Release: a copy into it can be
// held half-done (userfaultfd, user-mode faults only, which needs no privilege).
class HeldPages {
  public:
    explicit HeldPages(size_t bytes) : bytes_(bytes) {
        data_ = static_cast<uint8_t*>(
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        fd_ = static_cast<int>(syscall(SYS_userfaultfd, O_CLOEXEC | UFFD_USER_MODE_ONLY));
        uffdio_api api{UFFD_API, 0, 0};
        uffdio_register range{
            {reinterpret_cast<uintptr_t>(data_), bytes}, UFFDIO_REGISTER_MODE_MISSING, 0};
        held_ = data_ != MAP_FAILED && fd_ >= 0 && ioctl(fd_, UFFDIO_API, &api) == 0 &&
                ioctl(fd_, UFFDIO_REGISTER, &range) == 0;
    }
    ~HeldPages() {
        Release();
        if (fd_ >= 0) close(fd_);
        if (data_ != MAP_FAILED) munmap(data_, bytes_);
    }
    bool Held() const { return held_; }
    uint8_t* Data() const { return data_; }
    // True once some thread has touched the memory and waits.
    bool Touched(int timeoutMs) {
        pollfd poller{fd_, POLLIN, 0};
        uffd_msg msg{};
        return poll(&poller, 1, timeoutMs) == 1 && read(fd_, &msg, sizeof msg) == sizeof msg &&
               msg.event == UFFD_EVENT_PAGEFAULT;
    }
    // Lets the waiting thread (and every later touch) go on as with ordinary memory.
    void Release() {
        uffdio_range range{reinterpret_cast<uintptr_t>(data_), bytes_};
        if (held_) ioctl(fd_, UFFDIO_UNREGISTER, &range);
        held_ = false;
    }

  private:
    size_t bytes_;
    uint8_t* data_ = static_cast<uint8_t*>(MAP_FAILED);
    int fd_ = -1;
    bool held_ = false;
};

// An application may free its old buffer as soon as the call that replaced it returns, so that
// call waits for a copy still under way into the old buffer.
TEST_F(CallerBuffers, ReplacingTheBufferWaitsForACopyIntoTheOldOne) {
    HeldPages old(kFrame8);
    if (!old.Held()) GTEST_SKIP() << "userfaultfd is not available";
    std::vector<uint8_t> next(kFrame8);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, old.Data(), kFrame8, 1), 1);
    ASSERT_TRUE(old.Touched(10000)) << "a frame is being copied into the old buffer";
    std::atomic<bool> returned{false};
    std::thread swap([&] {
        EXPECT_EQ(Kelvra_CallBackPreview(handle_, window_, next.data(), kFrame8, 1), 1);
        returned = true;
    });
    for (int poll = 0; poll < 30 && !returned; ++poll) Pause(10);
    const bool returnedDuringTheCopy = returned;
    old.Release();
    swap.join();
    EXPECT_FALSE(returnedDuringTheCopy);
    const KELVRA_FRAME_REPORT* report = nullptr;
    while ((report = NextFrame()) != nullptr && report->buffer != next.data()) {
    }
    EXPECT_NE(report, nullptr) << "frames go to the new buffer";
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

TEST_F(CallerBuffers, RefusedStartsLeaveARunningAcquisitionAlone) {
    std::vector<uint8_t> mine(kFrame8, kUntouched), theirs(kFrame8, kUntouched);
    const HWND other = Kelvra_CreateMessageWindow();
    const std::filesystem::path avi = config_.Dir() / "refused.avi";
    for (const bool triggering : {true, false}) {
        if (triggering) {
            ASSERT_EQ(Kelvra_Trigger(handle_, window_, mine.data(), kFrame8, 1), 1);
        } else {
            ASSERT_EQ(Kelvra_Capture(handle_), 1);
        }
        // Each is refused as the state demands, and nothing of the running acquisition changes.
        EXPECT_EQ(Kelvra_CallBackPreview(handle_, other, theirs.data(), kFrame8, 1), 0);
        EXPECT_EQ(Kelvra_Preview(handle_), 0);
        EXPECT_EQ(Kelvra_Record(handle_, avi.c_str(), 1000, 0), 0);
        const std::vector<int> codes = DrainErrors();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), KELVRA_ERR_NO_CAMERA), 3);
        EXPECT_FALSE(std::filesystem::exists(avi));
        if (triggering) {
            ASSERT_TRUE(camera_->fireTrigger());
            const KELVRA_FRAME_REPORT* report = NextFrame();
            ASSERT_NE(report, nullptr) << "still triggering, still to the first window";
            EXPECT_EQ(report->buffer, mine.data());
            EXPECT_FALSE(AllUntouched(mine));
        } else {
            EXPECT_EQ(Kelvra_StartPreview(handle_), 0) << "still capturing";
            DrainErrors();
        }
        ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    }
    KELVRA_MSG msg{};
    EXPECT_EQ(Kelvra_GetMessage(other, &msg, 0), 0);
    EXPECT_TRUE(AllUntouched(theirs));
    Kelvra_DestroyMessageWindow(other);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using ImagesReadBack = AcquisitionTest;

TEST_F(ImagesReadBack, AreTheNewestProcessedFrameWhateverTheModeSettingSays) {
    camera_->setTestPattern(true);
    std::vector<uint8_t> image(kFrame16, kUntouched);
    EXPECT_EQ(Kelvra_GetImage(handle_, image.data(), kFrame16, 1), 0) << "nothing taken yet";
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_NO_CAMERA});

    // A 16-bit frame, then an 8-bit one; the mode set for the next acquisition changes
    // neither what GetImage gives nor what SaveImage writes.
    std::vector<uint8_t> older(kFrame16), newest(kFrame8);
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, older.data(), kFrame16, 1), 1);
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, newest.data(), kFrame8, 1), 1);
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    ASSERT_EQ(Kelvra_GetImage(handle_, image.data(), kFrame16, 1), 1);
    EXPECT_TRUE(std::equal(newest.begin(), newest.end(), image.begin()));
    const std::filesystem::path raw = config_.Dir() / "newest.raw";
    ASSERT_EQ(Kelvra_SaveImage(handle_, raw.c_str(), KELVRA_FORMAT_RAW), 1);
    EXPECT_EQ(ReadFile(raw), newest);

    // Starts that fail keep that image: one refused at preparation, one after streaming began.
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 1280, 100, 1280, 1024, 0, 1024), 0);
    EXPECT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 0);
    ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 1280, 0, 1280, 1024, 0, 1024), 1);
    const std::filesystem::path nowhere = config_.Dir() / "no" / "dir" / "x.avi";
    EXPECT_EQ(Kelvra_Record(handle_, nowhere.c_str(), 1000, 0), 0);
    DrainErrors();
    EXPECT_EQ(Kelvra_SaveImage(handle_, raw.c_str(), KELVRA_FORMAT_RAW), 1);
    EXPECT_EQ(Kelvra_GetImage(handle_, image.data(), kFrame16, 1), 1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{});
}

}  // namespace
}  // namespace kelvra::test
