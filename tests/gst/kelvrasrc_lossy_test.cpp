// A link that loses frames must not hide the camera's rate. Its own program: the simulated
// camera reads KELVRA_SIMULATED_LOSE_EVERY once per process.
#include <gst/video/video.h>

#include <mutex>
#include <vector>

#include "GstPipeline.h"

namespace kelvra::test {
namespace {

struct CameraStamp {
    guint64 counter = 0;
    GstClockTime timestamp = GST_CLOCK_TIME_NONE;  // the camera's clock
};

TEST(KelvraSrcLossy, LosingEveryOtherFrameStillAnnouncesTheCamerasRate) {
    ASSERT_STREQ(std::getenv("KELVRA_SIMULATED_LOSE_EVERY"), "2");
    std::mutex stampsMutex;
    std::vector<CameraStamp> stamps;
    GstCaps* cameraClock = gst_caps_new_empty_simple("timestamp/x-kelvra-camera");
    Pipeline pipeline("kelvrasrc name=src ! fakesink name=sink sync=false");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1, [&](GstBuffer* buffer) {
        GstReferenceTimestampMeta* meta =
            gst_buffer_get_reference_timestamp_meta(buffer, cameraClock);
        std::lock_guard<std::mutex> lock(stampsMutex);
        stamps.push_back({GST_BUFFER_OFFSET(buffer), meta ? meta->timestamp : GST_CLOCK_TIME_NONE});
    });
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(pipeline.waitForBuffers(log, 12));
    GstPad* pad = gst_element_get_static_pad(pipeline.element("src"), "src");
    GstCaps* caps = gst_pad_get_current_caps(pad);
    gst_object_unref(pad);
    ASSERT_NE(caps, nullptr);
    GstVideoInfo info;
    ASSERT_TRUE(gst_video_info_from_caps(&info, caps));
    gst_caps_unref(caps);
    ASSERT_EQ(pipeline.stop(), GST_STATE_CHANGE_SUCCESS);
    gst_caps_unref(cameraClock);

    std::lock_guard<std::mutex> lock(stampsMutex);
    ASSERT_GE(stamps.size(), 12u);
    for (size_t i = 1; i < stamps.size(); ++i) {
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(stamps[i].timestamp)) << "buffer " << i;
        // No two frames in a row: the rate is not there to be read from neighbours.
        EXPECT_GE(stamps[i].counter, stamps[i - 1].counter + 2) << "buffer " << i;
    }
    // The camera's own period, from its clock and counter over the whole run.
    const double period = double(stamps.back().timestamp - stamps.front().timestamp) /
                          double(stamps.back().counter - stamps.front().counter);
    ASSERT_GT(GST_VIDEO_INFO_FPS_N(&info), 0) << "announced as variable rate";
    const double announced =
        double(GST_SECOND) * GST_VIDEO_INFO_FPS_D(&info) / GST_VIDEO_INFO_FPS_N(&info);
    EXPECT_NEAR(announced, period, period * 0.01);
}

}  // namespace
}  // namespace kelvra::test
