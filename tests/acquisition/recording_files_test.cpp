// Recording and files through the public API on a simulated camera.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// In one read: files of many full frames, read byte by byte, take minutes under ThreadSanitizer.
std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::error_code error;
    const auto size = static_cast<size_t>(fs::file_size(path, error));
    if (error) return {};
    std::vector<uint8_t> bytes(size);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

// What a RIFF walk finds in an AVI file.
struct AviFacts {
    bool riffSizeMatches = false;
    uint32_t headerFrames = 0;  // avih total frames
    uint32_t frameChunks = 0;   // "00db" chunks in movi
    uint32_t frameBytes = 0;
    std::vector<size_t> frameAt;  // where each frame's pixels start in the file
    std::vector<uint32_t> indexOffsets;
};

AviFacts WalkAvi(const std::vector<uint8_t>& file) {
    AviFacts facts;
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0) return facts;
    facts.riffSizeMatches = Le32(file, 4) == file.size() - 8;
    // Top-level lists and chunks after "AVI ".
    for (size_t at = 12; at + 8 <= file.size();) {
        const std::string id(reinterpret_cast<const char*>(&file[at]), 4);
        const uint32_t size = Le32(file, at + 4);
        if (id == "LIST" && at + 12 <= file.size()) {
            const std::string kind(reinterpret_cast<const char*>(&file[at + 8]), 4);
            if (kind == "hdrl") facts.headerFrames = Le32(file, at + 12 + 8 + 16);
            if (kind == "movi") {
                for (size_t c = at + 12; c + 8 <= at + 8 + size && c + 8 <= file.size();) {
                    const uint32_t chunk = Le32(file, c + 4);
                    if (std::memcmp(&file[c], "00db", 4) == 0) {
                        ++facts.frameChunks;
                        facts.frameBytes = chunk;
                        facts.frameAt.push_back(c + 8);
                    }
                    c += 8 + chunk + (chunk & 1);
                }
            }
        }
        if (id == "idx1") {
            for (size_t e = at + 8; e + 16 <= at + 8 + size; e += 16) {
                facts.indexOffsets.push_back(Le32(file, e + 8));
            }
        }
        at += 8 + size + (size & 1);
    }
    return facts;
}

uint32_t RiffSize(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(8);
    in.read(reinterpret_cast<char*>(head.data()), 8);
    return in ? Le32(head, 4) : 0;
}

void ExpectPlayable(const fs::path& path) {
    const AviFacts facts = WalkAvi(ReadAll(path));
    EXPECT_TRUE(facts.riffSizeMatches);
    ASSERT_GT(facts.frameChunks, 0u);
    EXPECT_EQ(facts.headerFrames, facts.frameChunks);
    EXPECT_EQ(facts.frameBytes, 1280u * 3 * 1024);
    ASSERT_EQ(facts.indexOffsets.size(), facts.frameChunks);
    EXPECT_EQ(facts.indexOffsets[0], 4u);
    for (size_t i = 1; i < facts.indexOffsets.size(); ++i) {
        EXPECT_EQ(facts.indexOffsets[i] - facts.indexOffsets[i - 1], 8 + facts.frameBytes);
    }
}

class RecordingAndFiles : public AcquisitionTest {
  protected:
    fs::path Temp(const std::string& name) const { return config_.Dir() / name; }
};

TEST_F(RecordingAndFiles, RecordingEndsByItselfAsAPlayableFile) {
    const fs::path avi = Temp("short.avi");
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 600, 0), 1);
    Pause(1500);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    ExpectPlayable(avi);
}

TEST_F(RecordingAndFiles, RecordingStoppedEarlyIsFinalised) {
    const fs::path avi = Temp("early.avi");
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 60000, 0), 1);
    EXPECT_EQ(Kelvra_Record(handle_, avi.c_str(), 60000, 0), 0) << "one recording at a time";
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_CONVERSION);
    Pause(500);
    ASSERT_EQ(Kelvra_Close(handle_), 1);
    ExpectPlayable(avi);
}

TEST_F(RecordingAndFiles, RecordingEndedByReleaseIsFinalised) {
    const fs::path avi = Temp("release.avi");
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 60000, 0), 1);
    Pause(400);
    ASSERT_EQ(Kelvra_Release(handle_), 1);
    handle_ = 0;
    ExpectPlayable(avi);
}

TEST_F(RecordingAndFiles, RecordingAgainAsSoonAsOneEndsByItsDuration) {
    for (int take = 0; take < 3; ++take) {
        const fs::path avi = Temp("take" + std::to_string(take) + ".avi");
        ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 50, 0), 1) << "take " << take;
        // Finalised: the RIFF size is written last.
        for (int poll = 0; poll < 1000 && RiffSize(avi) == 0; ++poll) Pause(10);
        EXPECT_EQ(RiffSize(avi), fs::file_size(avi) - 8) << "take " << take;
    }
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

// The recorder used to keep 64 of the camera's 71.5 frames/s (each round paused 10 ms, then
// converted and wrote in series; bench/recording measures the rate), and a stop dropped the
// preview's last frame. The test pattern tells the frames apart (picture row 0 of frame n is
// n), and the frame queue lists those the preview processed: the file ends with the same
// frames, none left out. A 100 ms exposure paces the camera, so that a machine busy with other
// work (a slow disk among it) still leaves the recorder its time.
TEST_F(RecordingAndFiles, RecordingKeepsEveryFrameUpToTheLastOneProcessed) {
    constexpr size_t kFrames = 12;
    camera_->setTestPattern(true);
    ASSERT_EQ(Kelvra_SetExposureTimeEx(handle_, 0.1), 1);
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 16), 1);
    const fs::path avi = Temp("every.avi");
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 60000, 0), 1);
    std::vector<uint8_t> processed;
    const auto takeFrames = [&](size_t until, int timeoutMs) {
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        while (processed.size() < until && Kelvra_WaitFrame(handle_, &frame, timeoutMs) == 1) {
            processed.push_back(static_cast<const uint8_t*>(frame.data)[0]);
            Kelvra_ReleaseFrame(handle_, &frame);
        }
    };
    takeFrames(kFrames, 5000);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    takeFrames(SIZE_MAX, 0);
    KELVRA_STREAM_STATS stats{};
    stats.size = sizeof stats;
    ASSERT_EQ(Kelvra_GetStreamStatistics(handle_, &stats), 1);
    ASSERT_EQ(stats.droppedQueueFull, 0u) << "the test missed frames itself";

    const std::vector<uint8_t> file = ReadAll(avi);
    const AviFacts facts = WalkAvi(file);
    ASSERT_GE(facts.frameAt.size(), kFrames - 2);
    ASSERT_LE(facts.frameAt.size(), processed.size());
    // Picture row 0 is the last row of a bottom-up frame.
    const size_t topRow = static_cast<size_t>(kHeight - 1) * kWidth * 3;
    std::vector<uint8_t> recorded;
    for (size_t at : facts.frameAt) recorded.push_back(file[at + topRow]);
    EXPECT_EQ(recorded, std::vector<uint8_t>(processed.end() - recorded.size(), processed.end()));
    ExpectPlayable(avi);
}

TEST_F(RecordingAndFiles, RecordWithoutANameStartsNothing) {
    EXPECT_EQ(Kelvra_Record(handle_, "", 1000, 0), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_PARAMETER);
    EXPECT_EQ(Kelvra_Record(handle_, nullptr, 1000, 0), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_PARAMETER);
    EXPECT_EQ(Kelvra_Capture(handle_), 1) << "still idle";
}

TEST_F(RecordingAndFiles, RecordIntoAMissingDirectoryFailsWithCode12) {
    const fs::path avi = Temp("no/such/dir/x.avi");
    EXPECT_EQ(Kelvra_Record(handle_, avi.c_str(), 1000, 0), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_CONVERSION);
    EXPECT_EQ(Kelvra_Capture(handle_), 1) << "the failed start was undone";
}

TEST_F(RecordingAndFiles, SaveImageNeedsAProcessedFrame) {
    const fs::path bmp = Temp("frame.bmp");
    EXPECT_EQ(Kelvra_SaveImage(handle_, bmp.c_str(), KELVRA_FORMAT_BMP), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_NO_CAMERA);
    EXPECT_FALSE(fs::exists(bmp));
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    ASSERT_EQ(Kelvra_SaveImage(handle_, bmp.c_str(), KELVRA_FORMAT_BMP), 1);
    EXPECT_EQ(fs::file_size(bmp), 1078u + 1280u * 1024u);
    const fs::path none = Temp("frame.seven");
    EXPECT_EQ(Kelvra_SaveImage(handle_, none.c_str(), 7), 0);
    EXPECT_FALSE(fs::exists(none));
    const fs::path png = Temp("frame-w.png");
    EXPECT_EQ(Kelvra_SaveImageW(handle_, png.u16string().c_str(), KELVRA_FORMAT_PNG), 1);
    EXPECT_TRUE(fs::exists(png));
}

TEST_F(RecordingAndFiles, CloseForgetsTheImage) {
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    ASSERT_EQ(Kelvra_Close(handle_), 1);
    EXPECT_EQ(Kelvra_SaveImage(handle_, Temp("x.bmp").c_str(), KELVRA_FORMAT_BMP), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_NO_CAMERA);
}

TEST_F(RecordingAndFiles, MaskFileRoundTripsAndBadFilesChangeNothing) {
    const fs::path mask = Temp("refs.msk");
    ASSERT_EQ(Kelvra_SaveMaskFile(handle_, mask.c_str()), 1);
    EXPECT_EQ(fs::file_size(mask), 7864360u);
    EXPECT_EQ(Kelvra_LoadMaskFile(handle_, mask.c_str()), 1);

    // A truncated copy and a missing file are refused with code 14.
    const std::vector<uint8_t> bytes = ReadAll(mask);
    const fs::path cut = Temp("cut.msk");
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size() / 2));
    EXPECT_EQ(Kelvra_LoadMaskFile(handle_, cut.c_str()), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_MASK_FILE);
    EXPECT_EQ(Kelvra_LoadMaskFile(handle_, Temp("absent.msk").c_str()), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_MASK_FILE);
    EXPECT_EQ(Kelvra_SaveMaskFile(handle_, Temp("no/dir/refs.msk").c_str()), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_MASK_FILE);

    // The default references survived: flat-field still leaves a frame unchanged.
    camera_->setThermalTimeConstant(0);  // no drift of dark current between the two frames
    ASSERT_EQ(Kelvra_Capture(handle_), 1);
    std::vector<uint8_t> plain(1280 * 1024), flat(1280 * 1024);
    ASSERT_EQ(Kelvra_SnapShot(handle_, plain.data(), static_cast<int>(plain.size()), 1), 1);
    ASSERT_EQ(Kelvra_SetMaskFilter(handle_, 1), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, flat.data(), static_cast<int>(flat.size()), 1), 1);
    EXPECT_EQ(flat, plain);
}

}  // namespace
}  // namespace kelvra::test
