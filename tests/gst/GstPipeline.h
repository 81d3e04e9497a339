// kelvrasrc in real pipelines, for the tests: a pipeline from a gst-launch description, its bus,
// and what a pad probe saw of each buffer on the streaming thread.
//
// Frame bytes are read on the streaming thread (in probes) or after the pipeline stopped: the
// library's threads hand frames to the streaming thread through locks ThreadSanitizer sees,
// while GStreamer's own hand-overs to the test's thread are invisible to it.
#pragma once

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvra::test {

// Only a failure waits this long.
constexpr GstClockTime kBusWait = 30 * GST_SECOND;

struct SeenBuffer {
    guint64 offset = 0;
    GstClockTime pts = GST_CLOCK_TIME_NONE;
    gsize size = 0;
    bool discont = false;
    uint32_t maxSample = 0;  // largest sample (8- or 16-bit per the caps)
    uint32_t lowBits = 0;    // OR of the low four bits of every 16-bit sample
    double mean = 0;         // mean sample
    uint64_t checksum = 0;   // of every byte
};

// What a probe records; any thread.
class BufferLog {
  public:
    void add(const SeenBuffer& seen) {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(seen);
    }
    std::vector<SeenBuffer> snapshot() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }
    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<SeenBuffer> seen_;
};

// Reads one buffer's samples: `bytesPerSample` 1 or 2.
SeenBuffer inspectBuffer(GstBuffer* buffer, int bytesPerSample);

class Pipeline {
  public:
    explicit Pipeline(const std::string& description);
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    GstElement* element(const char* name) const;
    GstStateChangeReturn play() { return setState(GST_STATE_PLAYING); }
    GstStateChangeReturn stop() { return setState(GST_STATE_NULL); }
    GstStateChangeReturn setState(GstState state);
    // The first message of `types` within kBusWait, or null. The caller unrefs it.
    GstMessage* waitFor(int types) const;
    // Logs every buffer that passes the pad `element`.`pad` (bytesPerSample as above) in a log
    // the pipeline owns, so that it outlives the streaming thread. `hook`, when given, also sees
    // each buffer, on the streaming thread: what it captures must outlive the pipeline.
    BufferLog& logBuffers(const char* element, const char* pad, int bytesPerSample,
                          std::function<void(GstBuffer*)> hook = {});
    // Waits until `log` holds `count` buffers; false when an error or EOS came first.
    bool waitForBuffers(const BufferLog& log, size_t count) const;

  private:
    struct Probe {
        int bytesPerSample = 1;
        std::function<void(GstBuffer*)> hook;
        BufferLog log;
    };
    GstElement* pipeline_ = nullptr;
    std::vector<std::unique_ptr<Probe>> probes_;
};

// The error message's "kelvra-error" detail, or -1.
int kelvraErrorCode(GstMessage* error);
// A uint64 or int field of kelvrasrc's stats property.
guint64 statsField(GstElement* source, const char* field);

}  // namespace kelvra::test
