#include "GstPipeline.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kelvra::test {

SeenBuffer inspectBuffer(GstBuffer* buffer, int bytesPerSample) {
    SeenBuffer seen;
    seen.offset = GST_BUFFER_OFFSET(buffer);
    seen.pts = GST_BUFFER_PTS(buffer);
    seen.size = gst_buffer_get_size(buffer);
    seen.discont = GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return seen;
    uint64_t sum = 0, checksum = 1469598103934665603ull;
    const size_t samples = map.size / size_t(bytesPerSample);
    for (size_t i = 0; i < samples; ++i) {
        uint32_t sample = map.data[i * bytesPerSample];
        if (bytesPerSample == 2) sample |= uint32_t(map.data[i * 2 + 1]) << 8;
        seen.maxSample = std::max(seen.maxSample, sample);
        if (bytesPerSample == 2) seen.lowBits |= sample & 0xF;
        sum += sample;
    }
    for (size_t i = 0; i < map.size; ++i) checksum = (checksum ^ map.data[i]) * 1099511628211ull;
    seen.mean = samples ? double(sum) / double(samples) : 0;
    seen.checksum = checksum;
    gst_buffer_unmap(buffer, &map);
    return seen;
}

Pipeline::Pipeline(const std::string& description) {
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        ADD_FAILURE() << description << ": " << error->message;
        g_error_free(error);
    }
}

Pipeline::~Pipeline() {
    if (pipeline_ == nullptr) return;
    stop();
    gst_object_unref(pipeline_);
}

GstElement* Pipeline::element(const char* name) const {
    GstElement* found = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    if (found != nullptr) gst_object_unref(found);  // the pipeline keeps it
    return found;
}

GstStateChangeReturn Pipeline::setState(GstState state) {
    const GstStateChangeReturn result = gst_element_set_state(pipeline_, state);
    if (result != GST_STATE_CHANGE_ASYNC) return result;
    return gst_element_get_state(pipeline_, nullptr, nullptr, kBusWait);
}

GstMessage* Pipeline::waitFor(int types) const {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, kBusWait, GstMessageType(types));
    gst_object_unref(bus);
    return message;
}

BufferLog& Pipeline::logBuffers(const char* element, const char* pad, int bytesPerSample,
                                std::function<void(GstBuffer*)> hook) {
    probes_.push_back(std::make_unique<Probe>());
    probes_.back()->bytesPerSample = bytesPerSample;
    probes_.back()->hook = std::move(hook);
    BufferLog& log = probes_.back()->log;
    GstPad* target = gst_element_get_static_pad(this->element(element), pad);
    if (target == nullptr) {
        ADD_FAILURE() << "no pad " << element << "." << pad;
        return log;
    }
    gst_pad_add_probe(
        target, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* probe = static_cast<Probe*>(data);
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            probe->log.add(inspectBuffer(buffer, probe->bytesPerSample));
            if (probe->hook) probe->hook(buffer);
            return GST_PAD_PROBE_OK;
        },
        probes_.back().get(), nullptr);
    gst_object_unref(target);
    return log;
}

bool Pipeline::waitForBuffers(const BufferLog& log, size_t count) const {
    GstBus* bus = gst_element_get_bus(pipeline_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool ended = false;
    while (log.size() < count && !ended && std::chrono::steady_clock::now() < deadline) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 10 * GST_MSECOND, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (message != nullptr) {
            ended = true;
            gst_message_unref(message);
        }
    }
    gst_object_unref(bus);
    return log.size() >= count;
}

int kelvraErrorCode(GstMessage* error) {
    const GstStructure* details = nullptr;
    gst_message_parse_error_details(error, &details);
    int code = -1;
    if (details != nullptr) gst_structure_get_int(details, "kelvra-error", &code);
    return code;
}

guint64 statsField(GstElement* source, const char* field) {
    GstStructure* stats = nullptr;
    g_object_get(source, "stats", &stats, nullptr);
    guint64 value = 0;
    gint small = 0;
    if (stats != nullptr && !gst_structure_get_uint64(stats, field, &value) &&
        gst_structure_get_int(stats, field, &small)) {
        value = guint64(small);
    }
    if (stats != nullptr) gst_structure_free(stats);
    return value;
}

}  // namespace kelvra::test
