// An unplugged camera ends the stream with an error, not a hang. Its own program: the simulated
// camera reads KELVRA_SIMULATED_UNPLUG_AFTER_MS once per process.
#include "GstPipeline.h"

namespace kelvra::test {
namespace {

TEST(KelvraSrcUnplug, UnpluggingTheCameraWhilePlayingPostsErrorThirteen) {
    ASSERT_NE(std::getenv("KELVRA_SIMULATED_UNPLUG_AFTER_MS"), nullptr);
    Pipeline pipeline("kelvrasrc name=src ! fakesink name=sink sync=false");
    BufferLog& log = pipeline.logBuffers("sink", "sink", 1);
    ASSERT_NE(pipeline.play(), GST_STATE_CHANGE_FAILURE);
    GstMessage* error = pipeline.waitFor(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    ASSERT_NE(error, nullptr);
    ASSERT_EQ(GST_MESSAGE_TYPE(error), GST_MESSAGE_ERROR);
    EXPECT_EQ(GST_MESSAGE_SRC(error), GST_OBJECT(pipeline.element("src")));
    EXPECT_EQ(kelvraErrorCode(error), 13);
    gst_message_unref(error);
    EXPECT_GT(log.size(), 0u);
    EXPECT_EQ(pipeline.stop(), GST_STATE_CHANGE_SUCCESS);
}

}  // namespace
}  // namespace kelvra::test
