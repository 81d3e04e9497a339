// kelvrasrc as applications use it, on a simulated camera (KELVRA_SIMULATED_CAMERAS=1).
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <png.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "GstPipeline.h"

namespace kelvra::test {
namespace {

constexpr int kWidth = 1280, kHeight = 1024;
constexpr uint32_t kTwelveBitMax = 4095;

// Threads of this process now.
size_t threadCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

// Waits until the process has at most `count` threads (threads end a moment after they are
// joined); the count it settled at.
size_t settleThreads(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (threadCount() > count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return threadCount();
}

TEST(KelvraSrc, HundredBuffersReachAnAppSinkWholeAndInOrder) {
    Pipeline pipeline("kelvrasrc name=src num-buffers=100 ! appsink name=sink sync=false");
    GstAppSink* sink = GST_APP_SINK(pipeline.element("sink"));
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1);
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    GstVideoInfo info;
    for (int i = 0; i < 100; ++i) {
        GstSample* sample = gst_app_sink_try_pull_sample(sink, kBusWait);
        ASSERT_NE(sample, nullptr) << "after " << i << " buffers";
        if (i == 0) {
            ASSERT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(sample)));
        }
        gst_sample_unref(sample);
    }
    EXPECT_TRUE(gst_app_sink_is_eos(sink) ||
                gst_app_sink_try_pull_sample(sink, kBusWait) == nullptr);
    EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&info), GST_VIDEO_FORMAT_GRAY8);
    EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&info), kWidth);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&info), kHeight);
    // The simulated camera makes about 70 frames a second at full frame.
    EXPECT_GT(GST_VIDEO_INFO_FPS_N(&info), 10 * GST_VIDEO_INFO_FPS_D(&info));
    EXPECT_LT(GST_VIDEO_INFO_FPS_N(&info), 200 * GST_VIDEO_INFO_FPS_D(&info));
    // Read on the streaming thread (GStreamer's hand-over to this one is invisible to TSan).
    const std::vector<SeenBuffer> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 100u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].size, size_t(kWidth) * kHeight) << "buffer " << i;
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(seen[i].pts)) << "buffer " << i;
        if (i == 0) continue;
        EXPECT_GT(seen[i].offset, seen[i - 1].offset) << "buffer " << i;
        EXPECT_GT(seen[i].pts, seen[i - 1].pts) << "buffer " << i;
    }
}

TEST(KelvraSrc, SixteenBitCapsCarryTwelveBitsUntilLeftJustifyIsSwitchedOn) {
    Pipeline pipeline(
        "kelvrasrc name=src ! video/x-raw,format=GRAY16_LE ! fakesink name=sink sync=false");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 2);
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(pipeline.waitForBuffers(log, 5));
    const size_t before = log.size();
    g_object_set(pipeline.element("src"), "left-justify", TRUE, nullptr);
    ASSERT_TRUE(pipeline.waitForBuffers(log, before + 8));
    const std::vector<SeenBuffer> seen = log.snapshot();
    bool justified = false;
    size_t justifiedCount = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].size, size_t(kWidth) * kHeight * 2) << "buffer " << i;
        const bool shifted = seen[i].lowBits == 0 && seen[i].maxSample > kTwelveBitMax;
        if (i < before || !shifted) {
            // Twelve significant bits, more than eight of them used.
            EXPECT_FALSE(justified) << "buffer " << i << " lost its justification";
            EXPECT_LE(seen[i].maxSample, kTwelveBitMax) << "buffer " << i;
            EXPECT_GT(seen[i].maxSample, 255u) << "buffer " << i;
        } else {
            justified = true;
            ++justifiedCount;
        }
    }
    EXPECT_GE(justifiedCount, 5u);
}

TEST(KelvraSrc, ExposureChangedWhilePlayingBrightensFramesAndIsPutBackAtStop) {
    int saved = 0;
    {
        // The camera's own exposure, read through an element that changes nothing.
        Pipeline probe("kelvrasrc name=src ! fakesink");
        ASSERT_NE(probe.setState(GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
        g_object_get(probe.element("src"), "exposure", &saved, nullptr);
    }
    ASSERT_GT(saved, 0);
    const int dim = 1000, bright = 4000;
    ASSERT_NE(saved, dim);
    Pipeline pipeline("kelvrasrc name=src exposure=1000 ! fakesink name=sink sync=false");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1);
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(pipeline.waitForBuffers(log, 5));
    GstElement* source = pipeline.element("src");
    int exposure = 0;
    g_object_get(source, "exposure", &exposure, nullptr);
    EXPECT_EQ(exposure, dim);
    g_object_set(source, "exposure", bright, nullptr);
    g_object_get(source, "exposure", &exposure, nullptr);
    EXPECT_EQ(exposure, bright);
    const size_t changed = log.size();
    // Frames already queued keep the old exposure: look well past them.
    ASSERT_TRUE(pipeline.waitForBuffers(log, changed + 20));
    const std::vector<SeenBuffer> seen = log.snapshot();
    const double dimMean = seen[changed - 1].mean, brightMean = seen.back().mean;
    EXPECT_GT(brightMean, 2 * dimMean) << "dim " << dimMean << ", bright " << brightMean;
    ASSERT_EQ(pipeline.stop(), GST_STATE_CHANGE_SUCCESS);

    Pipeline after("kelvrasrc name=src ! fakesink");
    ASSERT_NE(after.setState(GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    g_object_get(after.element("src"), "exposure", &exposure, nullptr);
    EXPECT_EQ(exposure, saved);
}

TEST(KelvraSrc, AConsumerHoldingEveryBufferSeesDiscontWhereFramesWereLost) {
    std::mutex heldMutex;
    std::vector<GstBuffer*> held;
    Pipeline pipeline("kelvrasrc name=src buffers=2 ! fakesink name=sink sync=false");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1, [&](GstBuffer* buffer) {
        std::lock_guard<std::mutex> lock(heldMutex);
        if (held.size() < 2) held.push_back(gst_buffer_ref(buffer));
    });
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(pipeline.waitForBuffers(log, 2));
    GstElement* source = pipeline.element("src");
    // Both of the queue's buffers are held: the camera's next frames are dropped and counted.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (statsField(source, "dropped-queue-full") < 3 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(statsField(source, "dropped-queue-full"), 3u);
    EXPECT_EQ(log.size(), 2u);
    {
        std::lock_guard<std::mutex> lock(heldMutex);
        for (GstBuffer* buffer : held) gst_buffer_unref(buffer);
    }
    ASSERT_TRUE(pipeline.waitForBuffers(log, 8));
    const std::vector<SeenBuffer> seen = log.snapshot();
    EXPECT_GE(seen[2].offset - seen[1].offset, 4u);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].discont, seen[i].offset - seen[i - 1].offset > 1)
            << "buffer " << i << ": offset " << seen[i - 1].offset << " -> " << seen[i].offset;
    }
    guint64 lost = 0;
    g_object_get(source, "frames-lost", &lost, nullptr);
    EXPECT_GE(lost, 3u);
}

TEST(KelvraSrc, PlayingToNullRepeatedlyLeavesNoFrameNoThreadBehind) {
    // Idle pool threads would otherwise linger for a while after each stop.
    g_thread_pool_set_max_unused_threads(0);
    std::mutex keptMutex;
    GstBuffer* kept = nullptr;  // the newest buffer, held as a consumer would
    Pipeline pipeline("kelvrasrc name=src buffers=4 ! fakesink name=sink sync=false");
    GstElement* source = pipeline.element("src");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1, [&](GstBuffer* buffer) {
        std::lock_guard<std::mutex> lock(keptMutex);
        if (kept != nullptr) gst_buffer_unref(kept);
        kept = gst_buffer_ref(buffer);
    });
    size_t threads = 0;
    for (int cycle = 0; cycle < KELVRA_GST_CYCLES; ++cycle) {
        ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE) << "cycle " << cycle;
        ASSERT_TRUE(pipeline.waitForBuffers(log, log.size() + 2)) << "cycle " << cycle;
        ASSERT_EQ(pipeline.stop(), GST_STATE_CHANGE_SUCCESS) << "cycle " << cycle;
        std::lock_guard<std::mutex> lock(keptMutex);
        // The frame a consumer still holds stays whole after the element let go of the camera.
        EXPECT_EQ(statsField(source, "buffers-outstanding"), 1u) << "cycle " << cycle;
        const SeenBuffer now = inspectBuffer(kept, 1);
        EXPECT_EQ(now.checksum, log.snapshot().back().checksum) << "cycle " << cycle;
        gst_buffer_unref(kept);
        kept = nullptr;
        EXPECT_EQ(statsField(source, "buffers-outstanding"), 0u) << "cycle " << cycle;
        if (cycle == 0) threads = settleThreads(threadCount());
    }
    EXPECT_LE(settleThreads(threads), threads);
}

TEST(KelvraSrc, ABufferOutlivingItsPipelineStaysWholeUntilFreed) {
    std::mutex keptMutex;
    GstBuffer* kept = nullptr;
    uint64_t checksum = 0;
    {
        Pipeline pipeline("kelvrasrc num-buffers=3 ! fakesink name=sink sync=false");
        BufferLog& log = pipeline.logBuffers("sink", "sink", 1, [&](GstBuffer* buffer) {
            std::lock_guard<std::mutex> lock(keptMutex);
            if (kept == nullptr) kept = gst_buffer_ref(buffer);
        });
        ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
        ASSERT_TRUE(pipeline.waitForBuffers(log, 3));
        checksum = log.snapshot().front().checksum;
    }
    // The element, its camera handle and its queue are gone; the sanitizers watch the rest.
    std::lock_guard<std::mutex> lock(keptMutex);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(inspectBuffer(kept, 1).checksum, checksum);
    gst_buffer_unref(kept);
}

// Reads a grey PNG with libpng: width, height, depth and its largest sample.
struct PngImage {
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = -1;
    uint32_t maxSample = 0, lowBits = 0;
};

PngImage readPng(const std::filesystem::path& path) {
    PngImage image;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return image;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        image.width = png_get_image_width(png, info);
        image.height = png_get_image_height(png, info);
        image.depth = png_get_bit_depth(png, info);
        image.colorType = png_get_color_type(png, info);
        png_bytepp rows = png_get_rows(png, info);
        for (png_uint_32 y = 0; y < image.height; ++y) {
            for (png_uint_32 x = 0; x < image.width; ++x) {
                const uint32_t sample = image.depth == 16
                                            ? uint32_t(rows[y][2 * x]) << 8 | rows[y][2 * x + 1]
                                            : rows[y][x];
                image.maxSample = std::max(image.maxSample, sample);
                image.lowBits |= sample & 0xF;
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return image;
}

TEST(KelvraSrc, RecordingToPngFilesWritesDecodableEightAndSixteenBitImages) {
    const std::filesystem::path dir = std::filesystem::current_path() / "png-frames";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    {
        // pngenc takes GRAY8 but not GRAY16_LE: negotiation picks 8 bits.
        Pipeline pipeline("kelvrasrc num-buffers=3 ! pngenc ! multifilesink location=" +
                          (dir / "grey8-%02d.png").string());
        ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
        GstMessage* end = pipeline.waitFor(GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
        gst_message_unref(end);
    }
    {
        Pipeline pipeline(
            "kelvrasrc num-buffers=2 color-mode=16 left-justify=true ! videoconvert ! "
            "video/x-raw,format=GRAY16_BE ! pngenc ! multifilesink location=" +
            (dir / "grey16-%02d.png").string());
        ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
        GstMessage* end = pipeline.waitFor(GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
        gst_message_unref(end);
    }
    for (const char* name : {"grey8-00.png", "grey8-02.png", "grey16-00.png", "grey16-01.png"}) {
        const PngImage image = readPng(dir / name);
        const bool sixteen = name[4] == '1';
        EXPECT_EQ(image.width, png_uint_32(kWidth)) << name;
        EXPECT_EQ(image.height, png_uint_32(kHeight)) << name;
        EXPECT_EQ(image.colorType, PNG_COLOR_TYPE_GRAY) << name;
        EXPECT_EQ(image.depth, sixteen ? 16 : 8) << name;
        if (sixteen) {
            EXPECT_EQ(image.lowBits, 0u) << name;
            EXPECT_GT(image.maxSample, kTwelveBitMax) << name;
        } else {
            EXPECT_GT(image.maxSample, 0u) << name;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "grey8-03.png"));
}

TEST(KelvraSrc, ChoosingACameraBySerialOpensItAndAnAbsentOneFailsWithError2) {
    Pipeline absent("kelvrasrc camera=5 ! fakesink");
    EXPECT_EQ(absent.play(), GST_STATE_CHANGE_FAILURE);
    GstMessage* error = absent.waitFor(GST_MESSAGE_ERROR);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(kelvraErrorCode(error), 2);
    gst_message_unref(error);

    Pipeline unknown("kelvrasrc serial=NO-SUCH-CAMERA ! fakesink");
    EXPECT_EQ(unknown.play(), GST_STATE_CHANGE_FAILURE);
    error = unknown.waitFor(GST_MESSAGE_ERROR);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(kelvraErrorCode(error), 2);
    gst_message_unref(error);

    Pipeline bySerial("kelvrasrc serial=SIM32700001 num-buffers=2 ! fakesink");
    ASSERT_NE(bySerial.play(), GST_STATE_CHANGE_FAILURE);
    GstMessage* end = bySerial.waitFor(GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
    gst_message_unref(end);
}

}  // namespace
}  // namespace kelvra::test
