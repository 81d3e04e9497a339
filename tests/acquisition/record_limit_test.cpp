// Kelvra_Record at the end of what its file can hold: the classic AVI's 4 GiB, lowered here
// through the writer's test hook so that three full frames reach it.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "acquisition/AcquisitionFixture.h"
#include "output/CAviWriter.h"
#include "support/CommandOutput.h"

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kFrameBytes = 1280 * 3 * 1024;
constexpr uint64_t kFramesThatFit = 3;
// Headers, three frame chunks and the idx1 of three entries.
constexpr uint64_t kLimit = 232 + kFramesThatFit * (8 + kFrameBytes) + 8 + kFramesThatFit * 16;

class RecordLimit : public AcquisitionTest {
  protected:
    void SetUp() override {
        CAviWriter::SetRiffLimitForTesting(kLimit);
        AcquisitionTest::SetUp();
    }
    void TearDown() override {
        AcquisitionTest::TearDown();
        CAviWriter::SetRiffLimitForTesting(0);
    }
};

// A recording that used to end silently at the 4 GiB limit, its duration far from over: the
// end is reported with code 12, and the file holds every frame that fit, finalised.
TEST_F(RecordLimit, RecordingEndedByTheFileLimitIsReportedAndPlayable) {
    const fs::path avi = fs::path(config_.Dir()) / "limit.avi";
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 60000, 0), 1);
    int error = 0;
    for (int poll = 0; poll < 1000 && error == 0; ++poll) {
        error = Kelvra_GetLastError(handle_);
        if (error == 0) Pause(10);
    }
    EXPECT_EQ(error, KELVRA_ERR_CONVERSION);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_EQ(Kelvra_GetLastError(handle_), 0) << "the end is reported once";
    ASSERT_TRUE(fs::exists(avi));
    EXPECT_EQ(fs::file_size(avi), kLimit);
    EXPECT_EQ(CommandOutput(
                  "ffprobe -v error -count_packets -show_entries stream=nb_frames,nb_read_packets"
                  " -of default=nw=1 '" +
                  avi.string() + "'"),
              "nb_frames=3\nnb_read_packets=3\n");
}

}  // namespace
}  // namespace kelvra::test
