/* kelvrasrc: a live GstPushSrc over the library's frame queue.
 *
 * start() opens the camera, applies the properties that were set and opens the frame queue;
 * negotiation picks the colour mode (8 or 16 bits), starts the acquisition and takes the
 * geometry and the frame rate from its first frames; create() lends each queued frame to
 * downstream as a buffer without a copy; stop() gives everything back and puts back the camera
 * settings the element changed, so that the camera's saved settings stay as the element found
 * them.
 *
 * Timestamps: the PTS is the running time at which the frame reached the host (the library's
 * receive stamp, taken when the frame arrived rather than when it was pushed), mapped onto the
 * pipeline clock. The camera's own clock drifts against the host's, so it would not stay in
 * step with other live sources and sinks; it rides along in a GstReferenceTimestampMeta
 * ("timestamp/x-kelvra-camera", nanoseconds). The offset is the camera's frame counter; a
 * buffer that follows lost frames is marked DISCONT, and its offset tells how many were lost.
 */
#include "gstkelvrasrc.h"

#include <errno.h>
#include <gst/video/video.h>
#include <string.h>

#include "KelvraSdk.h"
#include "kelvracontrols.h"
#include "kelvraerrors.h"
#include "kelvraloan.h"

GST_DEBUG_CATEGORY_STATIC(gst_kelvra_src_debug);
#define GST_CAT_DEFAULT gst_kelvra_src_debug

#define KELVRA_MAX_WIDTH 1280
#define KELVRA_MAX_HEIGHT 1024
#define KELVRA_MAX_CAMERA 31 /* the library numbers at most 32 cameras */
#define KELVRA_MIN_BUFFERS 2 /* the frame queue's bounds */
#define KELVRA_MAX_BUFFERS 64
#define KELVRA_DEFAULT_BUFFERS 8
#define KELVRA_EXPOSURE_MAX_US 2000000 /* 2 s */
#define KELVRA_GAIN_MAX 420
#define KELVRA_ABSOLUTE_ZERO (-273.15)
#define KELVRA_CAMERA_CLOCK_CAPS "timestamp/x-kelvra-camera"

/* Frames taken while negotiating, handed out first: one in trigger mode, two otherwise (the
 * second gives the frame period); frames the period is sought in before the stream goes on
 * without it. */
#define KELVRA_FIRST_FRAMES 2
#define KELVRA_PERIOD_TRIES 8

typedef enum { KELVRA_MODE_AUTO = 0, KELVRA_MODE_8 = 8, KELVRA_MODE_16 = 16 } GstKelvraColorMode;
typedef enum { KELVRA_TRIGGER_OFF = 0, KELVRA_TRIGGER_HARDWARE = 1 } GstKelvraTrigger;

typedef enum { KELVRA_WAIT_FRAME, KELVRA_WAIT_FLUSHING, KELVRA_WAIT_ENDED } KelvraWait;

struct _GstKelvraSrc {
    GstPushSrc parent;

    /* Guards every field below but the ledger. A GRecMutex, which is a pthread mutex
     * underneath, so that the race detector sees it (GMutex and the object lock are futexes it
     * cannot see), and recursive because applying a property may report through helpers that
     * take it again. Never held while waiting for a frame. */
    GRecMutex lock;

    /* Properties. A control is applied only when it was set (bit in controls_set): the others
     * keep the camera's saved value. */
    gint camera;
    gchar* serial;
    GstKelvraColorMode color_mode;
    GstKelvraTrigger trigger;
    gint buffers;
    gboolean left_justify;
    gint controls[KELVRA_N_CONTROLS];
    guint controls_set;

    /* The open camera, from start() to stop(). */
    int handle;
    gint found[KELVRA_N_CONTROLS]; /* values found at start(), put back at stop() */
    guint found_mask;
    guint changed_mask; /* controls this element wrote */
    int found_bits;     /* colour mode found at start() */
    GstPollFD queue_fd;
    gboolean queue_fd_added;

    /* The acquisition, from negotiation to stop(). */
    gboolean acquiring;
    int bits;
    GstVideoInfo info;
    gboolean negotiated;
    GstClockTime frame_duration; /* GST_CLOCK_TIME_NONE in trigger mode */
    KELVRA_FRAME first[KELVRA_FIRST_FRAMES];
    int first_count, first_taken;
    GstClockTime last_pts;

    /* Readings kept for the read-only properties after stop(). */
    KELVRA_STREAM_STATS last_stats;
    gdouble last_temperature;

    GstPoll* poll; /* the queue's fd, and set_flushing() to break a wait */
    GstCaps* camera_clock_caps;
    KelvraLedger* ledger;
};

enum {
    PROP_0,
    PROP_CAMERA,
    PROP_SERIAL,
    PROP_EXPOSURE,
    PROP_GAIN,
    PROP_COOLER,
    PROP_COLOR_MODE,
    PROP_TRIGGER,
    PROP_FLAT_FIELD,
    PROP_DOT_FILTER,
    PROP_BUFFERS,
    PROP_LEFT_JUSTIFY,
    PROP_TEMPERATURE,
    PROP_FRAMES_LOST,
    PROP_STATS
};

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { GRAY8, GRAY16_LE }, "
                    "width = (int) [ 1, 1280 ], height = (int) [ 1, 1024 ], "
                    "framerate = (fraction) [ 0/1, 2147483647/1 ]"));

#define gst_kelvra_src_parent_class parent_class
G_DEFINE_TYPE(GstKelvraSrc, gst_kelvra_src, GST_TYPE_PUSH_SRC);
GST_ELEMENT_REGISTER_DEFINE(kelvrasrc, "kelvrasrc", GST_RANK_NONE, GST_TYPE_KELVRA_SRC);

/* ---- Enumerations ---- */

static GType gst_kelvra_color_mode_get_type(void) {
    static GType type = 0;
    static const GEnumValue values[] = {
        {KELVRA_MODE_AUTO, "Chosen by caps negotiation, 8 bits when downstream takes both", "auto"},
        {KELVRA_MODE_8, "8 bits per pixel (GRAY8)", "8"},
        {KELVRA_MODE_16, "12-bit samples in 16 bits (GRAY16_LE)", "16"},
        {0, NULL, NULL}};
    if (g_once_init_enter(&type)) {
        g_once_init_leave(&type, g_enum_register_static("GstKelvraColorMode", values));
    }
    return type;
}

static GType gst_kelvra_trigger_get_type(void) {
    static GType type = 0;
    static const GEnumValue values[] = {
        {KELVRA_TRIGGER_OFF, "Free-running: the camera makes frames at its own rate", "off"},
        {KELVRA_TRIGGER_HARDWARE, "One frame per pulse on the camera's trigger input", "hardware"},
        {0, NULL, NULL}};
    if (g_once_init_enter(&type)) {
        g_once_init_leave(&type, g_enum_register_static("GstKelvraTrigger", values));
    }
    return type;
}

/* ---- Properties ---- */

static KelvraControl gst_kelvra_src_control_of(guint prop_id) {
    switch (prop_id) {
        case PROP_EXPOSURE:
            return KELVRA_CONTROL_EXPOSURE;
        case PROP_GAIN:
            return KELVRA_CONTROL_GAIN;
        case PROP_COOLER:
            return KELVRA_CONTROL_COOLER;
        case PROP_FLAT_FIELD:
            return KELVRA_CONTROL_FLAT_FIELD;
        default:
            return KELVRA_CONTROL_DOT_FILTER;
    }
}

/* Exposure 0 and gain -1 mean "keep the camera's saved value". */
static gboolean gst_kelvra_src_control_kept(KelvraControl control, gint value) {
    return (control == KELVRA_CONTROL_EXPOSURE && value == 0) ||
           (control == KELVRA_CONTROL_GAIN && value < 0);
}

/* Writes a control to the open camera, remembering that it must be put back. Lock held. */
static gboolean gst_kelvra_src_write_control(GstKelvraSrc* self, KelvraControl control, gint value,
                                             int* code) {
    if (!kelvra_control_set(self->handle, control, value, code)) return FALSE;
    self->changed_mask |= 1u << control;
    return TRUE;
}

static void gst_kelvra_src_store_control(GstKelvraSrc* self, guint prop_id, gint value) {
    const KelvraControl control = gst_kelvra_src_control_of(prop_id);
    g_rec_mutex_lock(&self->lock);
    self->controls[control] = value;
    if (gst_kelvra_src_control_kept(control, value)) {
        self->controls_set &= ~(1u << control);
    } else {
        self->controls_set |= 1u << control;
        int code = KELVRA_OK;
        /* While playing the stream goes on: a refused value is a warning, not an error. */
        if (self->handle != 0 && !gst_kelvra_src_write_control(self, control, value, &code)) {
            KELVRA_POST_WARNING(self, kelvra_control_action(control), code);
        }
    }
    g_rec_mutex_unlock(&self->lock);
}

static gint gst_kelvra_src_read_control(GstKelvraSrc* self, guint prop_id) {
    const KelvraControl control = gst_kelvra_src_control_of(prop_id);
    g_rec_mutex_lock(&self->lock);
    gint value = self->controls[control];
    int code = KELVRA_OK;
    if (self->handle != 0) kelvra_control_get(self->handle, control, &value, &code);
    g_rec_mutex_unlock(&self->lock);
    return value;
}

static void gst_kelvra_src_set_property(GObject* object, guint prop_id, const GValue* value,
                                        GParamSpec* pspec) {
    GstKelvraSrc* self = GST_KELVRA_SRC(object);
    switch (prop_id) {
        case PROP_EXPOSURE:
        case PROP_GAIN:
            gst_kelvra_src_store_control(self, prop_id, g_value_get_int(value));
            return;
        case PROP_COOLER:
        case PROP_FLAT_FIELD:
        case PROP_DOT_FILTER:
            gst_kelvra_src_store_control(self, prop_id, g_value_get_boolean(value) ? 1 : 0);
            return;
        default:
            break;
    }
    g_rec_mutex_lock(&self->lock);
    switch (prop_id) {
        case PROP_CAMERA:
            self->camera = g_value_get_int(value);
            break;
        case PROP_SERIAL:
            g_free(self->serial);
            self->serial = g_value_dup_string(value);
            break;
        case PROP_COLOR_MODE:
            self->color_mode = g_value_get_enum(value);
            break;
        case PROP_TRIGGER:
            self->trigger = g_value_get_enum(value);
            break;
        case PROP_BUFFERS:
            self->buffers = g_value_get_int(value);
            break;
        case PROP_LEFT_JUSTIFY:
            self->left_justify = g_value_get_boolean(value);
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
            break;
    }
    g_rec_mutex_unlock(&self->lock);
}

/* The stream counters: the camera's now, or those read when the element last stopped. */
static KELVRA_STREAM_STATS gst_kelvra_src_read_stats(GstKelvraSrc* self) {
    g_rec_mutex_lock(&self->lock);
    if (self->handle != 0) {
        KELVRA_STREAM_STATS stats = {.size = sizeof(KELVRA_STREAM_STATS)};
        if (Kelvra_GetStreamStatistics(self->handle, &stats) == 1) self->last_stats = stats;
    }
    const KELVRA_STREAM_STATS stats = self->last_stats;
    g_rec_mutex_unlock(&self->lock);
    return stats;
}

static guint64 gst_kelvra_frames_lost(const KELVRA_STREAM_STATS* stats) {
    return stats->droppedQueueFull + stats->droppedInRing + stats->lostInCamera;
}

static GstStructure* gst_kelvra_src_stats_structure(GstKelvraSrc* self) {
    const KELVRA_STREAM_STATS s = gst_kelvra_src_read_stats(self);
    return gst_structure_new(
        "kelvra-stats", "frames-received", G_TYPE_UINT64, (guint64)s.framesReceived,
        "frames-processed", G_TYPE_UINT64, (guint64)s.framesProcessed, "frames-delivered",
        G_TYPE_UINT64, (guint64)s.framesDelivered, "dropped-queue-full", G_TYPE_UINT64,
        (guint64)s.droppedQueueFull, "dropped-in-ring", G_TYPE_UINT64, (guint64)s.droppedInRing,
        "lost-in-camera", G_TYPE_UINT64, (guint64)s.lostInCamera, "failed-transfers", G_TYPE_UINT64,
        (guint64)s.failedTransfers, "resyncs", G_TYPE_UINT64, (guint64)s.resyncs, "camera-lost",
        G_TYPE_UINT64, (guint64)s.cameraLost, "last-frame-counter", G_TYPE_UINT64,
        (guint64)s.lastFrameCounter, "frames-queued", G_TYPE_INT, (gint)s.framesQueued,
        "frames-held", G_TYPE_INT, (gint)s.framesHeld, "buffers-outstanding", G_TYPE_INT,
        kelvra_ledger_outstanding(self->ledger), NULL);
}

static gdouble gst_kelvra_src_read_temperature(GstKelvraSrc* self) {
    g_rec_mutex_lock(&self->lock);
    if (self->handle != 0) {
        int ok = 0;
        const double celsius = Kelvra_GetTemperatureEx(self->handle, &ok);
        if (ok) self->last_temperature = celsius;
    }
    const gdouble celsius = self->last_temperature;
    g_rec_mutex_unlock(&self->lock);
    return celsius;
}

static void gst_kelvra_src_get_property(GObject* object, guint prop_id, GValue* value,
                                        GParamSpec* pspec) {
    GstKelvraSrc* self = GST_KELVRA_SRC(object);
    KELVRA_STREAM_STATS stats;
    g_rec_mutex_lock(&self->lock);
    switch (prop_id) {
        case PROP_CAMERA:
            g_value_set_int(value, self->camera);
            break;
        case PROP_SERIAL:
            g_value_set_string(value, self->serial);
            break;
        case PROP_EXPOSURE:
        case PROP_GAIN:
            g_value_set_int(value, gst_kelvra_src_read_control(self, prop_id));
            break;
        case PROP_COOLER:
        case PROP_FLAT_FIELD:
        case PROP_DOT_FILTER:
            g_value_set_boolean(value, gst_kelvra_src_read_control(self, prop_id) != 0);
            break;
        case PROP_COLOR_MODE:
            g_value_set_enum(value, self->color_mode);
            break;
        case PROP_TRIGGER:
            g_value_set_enum(value, self->trigger);
            break;
        case PROP_BUFFERS:
            g_value_set_int(value, self->buffers);
            break;
        case PROP_LEFT_JUSTIFY:
            g_value_set_boolean(value, self->left_justify);
            break;
        case PROP_TEMPERATURE:
            g_value_set_double(value, gst_kelvra_src_read_temperature(self));
            break;
        case PROP_FRAMES_LOST:
            stats = gst_kelvra_src_read_stats(self);
            g_value_set_uint64(value, gst_kelvra_frames_lost(&stats));
            break;
        case PROP_STATS:
            g_value_take_boxed(value, gst_kelvra_src_stats_structure(self));
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
            break;
    }
    g_rec_mutex_unlock(&self->lock);
}

/* ---- Opening and closing the camera ---- */

/* The number of the camera whose serial number is `serial`, or -1. Opens each camera in turn:
 * the library reads serial numbers from the open camera only. */
static int gst_kelvra_src_find_serial(int handle, const char* serial) {
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(handle, names);
    for (int index = 0; index < count; ++index) {
        char text[64] = "";
        if (Kelvra_SetDeviceNumber(handle, index) == 1 &&
            Kelvra_ReadSerialNumberA(handle, text, sizeof text) == 1 && strcmp(text, serial) == 0) {
            return index;
        }
    }
    return -1;
}

/* Opens the chosen camera on a new handle; posts the error and returns 0 on failure. */
static int gst_kelvra_src_open_camera(GstKelvraSrc* self) {
    const int handle = Kelvra_Initialize(NULL);
    if (handle == 0) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
                          "initialising the camera library", KELVRA_ERR_MEMORY);
        return 0;
    }
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    gchar* what = NULL;
    int code = KELVRA_ERR_NOT_PRESENT;
    if (Kelvra_EnumDevice(handle, names) == 0) {
        what = g_strdup("looking for cameras: none is attached");
    } else if (self->serial != NULL && self->serial[0] != '\0') {
        if (gst_kelvra_src_find_serial(handle, self->serial) < 0) {
            what = g_strdup_printf("opening the camera with serial number %s", self->serial);
        }
    } else if (Kelvra_SetDeviceNumber(handle, self->camera) != 1) {
        code = Kelvra_GetLastError(handle);
        what = g_strdup_printf("opening camera %d", self->camera);
    }
    if (what != NULL) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, what, code);
        g_free(what);
        Kelvra_Release(handle);
        return 0;
    }
    return handle;
}

/* Remembers the camera's settings, then applies the controls that were set. Lock held. */
static gboolean gst_kelvra_src_apply_controls(GstKelvraSrc* self) {
    self->found_bits = Kelvra_GetColorMode(self->handle);
    self->found_mask = self->changed_mask = 0;
    for (int c = 0; c < KELVRA_N_CONTROLS; ++c) {
        int code = KELVRA_OK;
        if (kelvra_control_get(self->handle, c, &self->found[c], &code)) {
            self->found_mask |= 1u << c;
        }
    }
    for (int c = 0; c < KELVRA_N_CONTROLS; ++c) {
        int code = KELVRA_OK;
        if ((self->controls_set & (1u << c)) &&
            !gst_kelvra_src_write_control(self, c, self->controls[c], &code)) {
            KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_SETTINGS,
                              kelvra_control_action(c), code);
            return FALSE;
        }
    }
    return TRUE;
}

/* Puts back what this element changed, newest setting last written first. Lock held. */
static void gst_kelvra_src_restore_settings(GstKelvraSrc* self) {
    int code = KELVRA_OK;
    for (int c = KELVRA_N_CONTROLS - 1; c >= 0; --c) {
        const guint bit = 1u << c;
        if ((self->changed_mask & bit) && (self->found_mask & bit)) {
            kelvra_control_set(self->handle, c, self->found[c], &code);
        }
    }
    if (self->found_bits > 0 && Kelvra_GetColorMode(self->handle) != self->found_bits) {
        Kelvra_SetColorMode(self->handle, self->found_bits);
    }
    self->changed_mask = 0;
}

static gboolean gst_kelvra_src_open_queue(GstKelvraSrc* self) {
    if (Kelvra_OpenFrameQueue(self->handle, self->buffers) != 1) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT,
                          "opening the frame queue", Kelvra_GetLastError(self->handle));
        return FALSE;
    }
    gst_poll_fd_init(&self->queue_fd);
    self->queue_fd.fd = Kelvra_GetFrameQueueFd(self->handle);
    self->queue_fd_added = gst_poll_add_fd(self->poll, &self->queue_fd) &&
                           gst_poll_fd_ctl_read(self->poll, &self->queue_fd, TRUE);
    if (!self->queue_fd_added) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
                          "watching the frame queue", KELVRA_ERR_THREAD);
        return FALSE;
    }
    return TRUE;
}

static void gst_kelvra_src_give_back_first_frames(GstKelvraSrc* self) {
    for (int i = self->first_taken; i < self->first_count; ++i) {
        Kelvra_ReleaseFrame(self->handle, &self->first[i]);
    }
    self->first_count = self->first_taken = 0;
}

/* Teardown, in order: the acquisition (its thread ends), the frames not yet handed out, the
 * counters for the read-only properties, the queue (frames downstream still holds stay valid
 * until their buffers are freed), the settings this element changed, then the handle. Lock
 * held. */
static void gst_kelvra_src_close_camera(GstKelvraSrc* self) {
    if (self->handle == 0) return;
    if (self->acquiring) Kelvra_Close(self->handle);
    self->acquiring = FALSE;
    gst_kelvra_src_give_back_first_frames(self);
    gst_kelvra_src_read_stats(self);
    gst_kelvra_src_read_temperature(self);
    if (self->queue_fd_added) gst_poll_remove_fd(self->poll, &self->queue_fd);
    self->queue_fd_added = FALSE;
    Kelvra_CloseFrameQueue(self->handle);
    gst_kelvra_src_restore_settings(self);
    Kelvra_Release(self->handle);
    self->handle = 0;
    self->negotiated = FALSE;
}

static gboolean gst_kelvra_src_start(GstBaseSrc* bsrc) {
    GstKelvraSrc* self = GST_KELVRA_SRC(bsrc);
    g_rec_mutex_lock(&self->lock);
    self->handle = gst_kelvra_src_open_camera(self);
    gboolean ok = self->handle != 0;
    if (ok) {
        memset(&self->last_stats, 0, sizeof self->last_stats);
        self->last_pts = GST_CLOCK_TIME_NONE;
        self->frame_duration = GST_CLOCK_TIME_NONE;
        /* No preview window: frames go to the queue only. */
        Kelvra_SetPreviewWindow(self->handle, NULL, 0, 0, 0, 0);
        ok = gst_kelvra_src_apply_controls(self) && gst_kelvra_src_open_queue(self);
        if (!ok) gst_kelvra_src_close_camera(self);
    }
    g_rec_mutex_unlock(&self->lock);
    return ok;
}

static gboolean gst_kelvra_src_stop(GstBaseSrc* bsrc) {
    GstKelvraSrc* self = GST_KELVRA_SRC(bsrc);
    g_rec_mutex_lock(&self->lock);
    gst_kelvra_src_close_camera(self);
    g_rec_mutex_unlock(&self->lock);
    return TRUE;
}

/* ---- Frames ---- */

/* Waits for the next queued frame. The wait is broken by unlock() (flushing) and ends when the
 * library ends the stream. Called without the lock. */
static KelvraWait gst_kelvra_src_wait_frame(GstKelvraSrc* self, int handle, KELVRA_FRAME* frame) {
    for (;;) {
        memset(frame, 0, sizeof *frame);
        frame->size = sizeof *frame;
        if (Kelvra_WaitFrame(handle, frame, 0) == 1) return KELVRA_WAIT_FRAME;
        if (frame->status != KELVRA_FRAME_TIMEOUT) return KELVRA_WAIT_ENDED;
        if (gst_poll_wait(self->poll, GST_CLOCK_TIME_NONE) < 0 && errno == EBUSY) {
            return KELVRA_WAIT_FLUSHING;
        }
    }
}

/* The stream ended without a frame: posts why. */
static void gst_kelvra_src_post_end(GstKelvraSrc* self, int handle, const KELVRA_FRAME* frame) {
    int code = KELVRA_ERR_CAMERA_LOST;
    const char* what = "streaming: the camera stopped delivering frames";
    if (frame->status != KELVRA_FRAME_CAMERA_LOST) {
        code = Kelvra_GetLastError(handle);
        if (code == KELVRA_OK) code = KELVRA_ERR_TRANSFER;
        what = "streaming: the acquisition ended";
    }
    KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, what, code);
}

/* Starts the acquisition at `bits` per pixel, restarting it if it runs at another depth. Lock
 * held. */
static gboolean gst_kelvra_src_acquire(GstKelvraSrc* self, int bits) {
    if (self->acquiring && self->bits == bits) return TRUE;
    if (self->acquiring) {
        Kelvra_Close(self->handle);
        self->acquiring = FALSE;
        gst_kelvra_src_give_back_first_frames(self);
    }
    kelvra_forget_errors(self->handle);
    if (Kelvra_SetColorMode(self->handle, bits) != 1) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_SETTINGS,
                          "setting the colour mode", Kelvra_GetLastError(self->handle));
        return FALSE;
    }
    const int started = self->trigger == KELVRA_TRIGGER_HARDWARE
                            ? Kelvra_Trigger(self->handle, NULL, NULL, 0, 1)
                            : Kelvra_Preview(self->handle);
    if (started != 1) {
        KELVRA_POST_ERROR(self, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
                          "starting the acquisition", Kelvra_GetLastError(self->handle));
        return FALSE;
    }
    self->acquiring = TRUE;
    self->bits = bits;
    return TRUE;
}

/* The camera's frame period from two frames of one free-running stream, or GST_CLOCK_TIME_NONE.
 * The counter steps once per frame the camera makes, sent or not, so frames lost between the
 * two (common on a loaded machine) do not hide the rate. */
static GstClockTime gst_kelvra_period(const KELVRA_FRAME* earlier, const KELVRA_FRAME* later) {
    if (later->frameCounter <= earlier->frameCounter ||
        later->timestampUs <= earlier->timestampUs) {
        return GST_CLOCK_TIME_NONE;
    }
    const guint64 frames = later->frameCounter - earlier->frameCounter;
    return gst_util_uint64_scale(later->timestampUs - earlier->timestampUs, GST_USECOND, frames);
}

/* Takes the first frames of a new acquisition: the first gives the geometry; in free-running
 * mode a second one gives the camera's frame period (should a pair not give it, a few more
 * tries; older frames go back, as the queue may hold only two). Returns how many frames it keeps in
 * `frames`, 0 when the wait was broken or the stream ended. Called without the lock. */
static int gst_kelvra_src_take_first_frames(GstKelvraSrc* self, int handle, gboolean triggered,
                                            KELVRA_FRAME* frames, GstClockTime* period) {
    *period = GST_CLOCK_TIME_NONE;
    int kept = 0;
    for (int taken = 0; taken < KELVRA_PERIOD_TRIES; ++taken) {
        KELVRA_FRAME* frame = &frames[kept];
        const KelvraWait wait = gst_kelvra_src_wait_frame(self, handle, frame);
        if (wait != KELVRA_WAIT_FRAME) {
            for (int i = 0; i < kept; ++i) Kelvra_ReleaseFrame(handle, &frames[i]);
            if (wait == KELVRA_WAIT_ENDED) gst_kelvra_src_post_end(self, handle, frame);
            return 0;
        }
        if (triggered) return 1;
        if (kept == 1) {
            *period = gst_kelvra_period(&frames[0], &frames[1]);
            if (GST_CLOCK_TIME_IS_VALID(*period)) return 2;
            Kelvra_ReleaseFrame(handle, &frames[0]);
            frames[0] = frames[1];
        }
        kept = 1;
    }
    return kept;
}

static GstVideoFormat gst_kelvra_format_of(int bits) {
    return bits == KELVRA_MODE_16 ? GST_VIDEO_FORMAT_GRAY16_LE : GST_VIDEO_FORMAT_GRAY8;
}

/* The formats the color-mode property allows, preferred first. Lock held. */
static void gst_kelvra_src_add_formats(GstKelvraSrc* self, GValue* list) {
    GValue format = G_VALUE_INIT;
    g_value_init(&format, G_TYPE_STRING);
    if (self->color_mode != KELVRA_MODE_16) {
        g_value_set_static_string(&format, "GRAY8");
        gst_value_list_append_value(list, &format);
    }
    if (self->color_mode != KELVRA_MODE_8) {
        g_value_set_static_string(&format, "GRAY16_LE");
        gst_value_list_append_value(list, &format);
    }
    g_value_unset(&format);
}

static GstCaps* gst_kelvra_src_get_caps(GstBaseSrc* bsrc, GstCaps* filter) {
    GstKelvraSrc* self = GST_KELVRA_SRC(bsrc);
    GValue formats = G_VALUE_INIT;
    g_value_init(&formats, GST_TYPE_LIST);
    g_rec_mutex_lock(&self->lock);
    gst_kelvra_src_add_formats(self, &formats);
    GstStructure* s = gst_structure_new_empty("video/x-raw");
    gst_structure_set_value(s, "format", &formats);
    if (self->negotiated) {
        gst_structure_set(s, "width", G_TYPE_INT, GST_VIDEO_INFO_WIDTH(&self->info), "height",
                          G_TYPE_INT, GST_VIDEO_INFO_HEIGHT(&self->info), "framerate",
                          GST_TYPE_FRACTION, GST_VIDEO_INFO_FPS_N(&self->info),
                          GST_VIDEO_INFO_FPS_D(&self->info), NULL);
    } else {
        gst_structure_set(s, "width", GST_TYPE_INT_RANGE, 1, KELVRA_MAX_WIDTH, "height",
                          GST_TYPE_INT_RANGE, 1, KELVRA_MAX_HEIGHT, "framerate",
                          GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1, NULL);
    }
    g_rec_mutex_unlock(&self->lock);
    g_value_unset(&formats);
    GstCaps* caps = gst_caps_new_full(s, NULL);
    if (filter != NULL) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

/* The depth downstream takes: its first choice, and 8 bits when it takes both (unless the
 * color-mode property says 16). 0 when it takes neither. */
static int gst_kelvra_src_pick_bits(GstKelvraSrc* self, GstCaps* peer) {
    if (gst_caps_is_empty(peer) || gst_caps_is_any(peer)) {
        return gst_caps_is_any(peer) && self->color_mode == KELVRA_MODE_AUTO ? KELVRA_MODE_8 : 0;
    }
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(peer, 0));
    gst_structure_fixate_field_string(s, "format",
                                      self->color_mode == KELVRA_MODE_16 ? "GRAY16_LE" : "GRAY8");
    const gchar* format = gst_structure_get_string(s, "format");
    const int bits = g_strcmp0(format, "GRAY16_LE") == 0 ? KELVRA_MODE_16
                     : g_strcmp0(format, "GRAY8") == 0   ? KELVRA_MODE_8
                                                         : 0;
    gst_structure_free(s);
    return bits;
}

/* Fixed caps from the first frame, with the frame rate from the measured period (0/1 when the
 * frames come on triggers). */
static GstCaps* gst_kelvra_src_frame_caps(GstKelvraSrc* self, const KELVRA_FRAME* frame,
                                          GstClockTime period) {
    GstVideoInfo info;
    gst_video_info_set_format(&info, gst_kelvra_format_of(frame->bitsPerPixel), frame->width,
                              frame->height);
    if (GST_CLOCK_TIME_IS_VALID(period)) {
        gint n = GST_SECOND / GST_USECOND, d = (gint)(period / GST_USECOND);
        const gint divisor = (gint)gst_util_greatest_common_divisor(n, d);
        GST_VIDEO_INFO_FPS_N(&info) = n / divisor;
        GST_VIDEO_INFO_FPS_D(&info) = d / divisor;
    } else {
        GST_VIDEO_INFO_FPS_N(&info) = 0;
        GST_VIDEO_INFO_FPS_D(&info) = 1;
    }
    self->info = info;
    self->frame_duration = period;
    return gst_video_info_to_caps(&info);
}

/* Negotiation starts the acquisition: the colour mode must be set before it starts, and the
 * frame size and rate are read from its first frames. */
static gboolean gst_kelvra_src_negotiate(GstBaseSrc* bsrc) {
    GstKelvraSrc* self = GST_KELVRA_SRC(bsrc);
    GstPad* pad = GST_BASE_SRC_PAD(bsrc);
    GstCaps* ours = gst_pad_query_caps(pad, NULL);
    GstCaps* peer = gst_pad_peer_query_caps(pad, ours);
    gst_caps_unref(ours);

    g_rec_mutex_lock(&self->lock);
    const int bits = gst_kelvra_src_pick_bits(self, peer);
    gboolean ok = bits != 0 && gst_kelvra_src_acquire(self, bits);
    const int handle = self->handle;
    const gboolean triggered = self->trigger == KELVRA_TRIGGER_HARDWARE;
    gst_kelvra_src_give_back_first_frames(self);
    self->negotiated = FALSE;
    g_rec_mutex_unlock(&self->lock);
    if (!ok) {
        gst_caps_unref(peer);
        return FALSE;
    }

    KELVRA_FRAME frames[KELVRA_FIRST_FRAMES];
    GstClockTime period = GST_CLOCK_TIME_NONE;
    const int count = gst_kelvra_src_take_first_frames(self, handle, triggered, frames, &period);
    if (count == 0) {
        gst_caps_unref(peer);
        return FALSE;
    }
    g_rec_mutex_lock(&self->lock);
    memcpy(self->first, frames, sizeof frames[0] * (size_t)count);
    self->first_count = count;
    self->first_taken = 0;
    GstCaps* caps = gst_kelvra_src_frame_caps(self, &frames[0], period);
    ok = gst_caps_can_intersect(caps, peer);
    self->negotiated = ok;
    g_rec_mutex_unlock(&self->lock);
    gst_caps_unref(peer);
    if (!ok) {
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("Downstream does not take the camera's frames"),
                          ("frames are %" GST_PTR_FORMAT, caps));
    } else {
        ok = gst_base_src_set_caps(bsrc, caps);
        /* The latency follows the frame period, known only now. */
        if (ok)
            gst_element_post_message(GST_ELEMENT(self), gst_message_new_latency(GST_OBJECT(self)));
    }
    gst_caps_unref(caps);
    return ok;
}

/* The running time at which the frame reached the host. */
static GstClockTime gst_kelvra_src_arrival(GstKelvraSrc* self, const KELVRA_FRAME* frame) {
    GstClock* clock = gst_element_get_clock(GST_ELEMENT(self));
    if (clock == NULL) return GST_CLOCK_TIME_NONE;
    const GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(self));
    const gint64 age_ns = g_get_monotonic_time() * 1000 - frame->receivedNs;
    const GstClockTime age = age_ns > 0 ? (GstClockTime)age_ns : 0;
    return now > base + age ? now - base - age : 0;
}

static void gst_kelvra_src_stamp(GstKelvraSrc* self, GstBuffer* buffer, const KELVRA_FRAME* frame) {
    GstClockTime pts = gst_kelvra_src_arrival(self, frame);
    /* Clocks are read a moment apart: never let that reorder two frames. */
    if (GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(self->last_pts) &&
        pts <= self->last_pts) {
        pts = self->last_pts + 1;
    }
    self->last_pts = pts;
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buffer) = self->frame_duration;
    GST_BUFFER_OFFSET(buffer) = frame->frameCounter;
    GST_BUFFER_OFFSET_END(buffer) = frame->frameCounter + 1;
    if (frame->lost > 0) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    gst_buffer_add_reference_timestamp_meta(buffer, self->camera_clock_caps,
                                            frame->timestampUs * GST_USECOND, GST_CLOCK_TIME_NONE);
}

/* Lends the frame downstream. Lock held. */
static GstFlowReturn gst_kelvra_src_wrap(GstKelvraSrc* self, int handle, KELVRA_FRAME* frame,
                                         GstBuffer** out) {
    const GstVideoInfo* info = &self->info;
    if (frame->width != GST_VIDEO_INFO_WIDTH(info) ||
        frame->height != GST_VIDEO_INFO_HEIGHT(info) || frame->bitsPerPixel != self->bits) {
        Kelvra_ReleaseFrame(handle, frame);
        GST_ELEMENT_ERROR(
            self, STREAM, FORMAT, ("The camera's frame size changed while streaming"),
            ("%dx%d at %d bits, negotiated %dx%d", frame->width, frame->height, frame->bitsPerPixel,
             GST_VIDEO_INFO_WIDTH(info), GST_VIDEO_INFO_HEIGHT(info)));
        return GST_FLOW_ERROR;
    }
    if (self->left_justify && self->bits == KELVRA_MODE_16) {
        kelvra_left_justify(frame->data, frame->width, frame->height, frame->rowStride);
    }
    GstBuffer* buffer = kelvra_loan_wrap(self->ledger, handle, frame);
    if (frame->rowStride != GST_VIDEO_INFO_PLANE_STRIDE(info, 0)) {
        gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
        gint strides[GST_VIDEO_MAX_PLANES] = {frame->rowStride};
        gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE,
                                       GST_VIDEO_INFO_FORMAT(info), frame->width, frame->height, 1,
                                       offsets, strides);
    }
    gst_kelvra_src_stamp(self, buffer, frame);
    *out = buffer;
    return GST_FLOW_OK;
}

static GstFlowReturn gst_kelvra_src_create(GstPushSrc* psrc, GstBuffer** out) {
    GstKelvraSrc* self = GST_KELVRA_SRC(psrc);
    KELVRA_FRAME frame;
    g_rec_mutex_lock(&self->lock);
    const int handle = self->handle;
    const gboolean have_first = self->first_taken < self->first_count;
    if (have_first) frame = self->first[self->first_taken++];
    g_rec_mutex_unlock(&self->lock);

    if (!have_first) {
        switch (gst_kelvra_src_wait_frame(self, handle, &frame)) {
            case KELVRA_WAIT_FLUSHING:
                return GST_FLOW_FLUSHING;
            case KELVRA_WAIT_ENDED:
                gst_kelvra_src_post_end(self, handle, &frame);
                return GST_FLOW_ERROR;
            case KELVRA_WAIT_FRAME:
                break;
        }
    }
    g_rec_mutex_lock(&self->lock);
    const GstFlowReturn result = gst_kelvra_src_wrap(self, handle, &frame, out);
    g_rec_mutex_unlock(&self->lock);
    return result;
}

static gboolean gst_kelvra_src_unlock(GstBaseSrc* bsrc) {
    gst_poll_set_flushing(GST_KELVRA_SRC(bsrc)->poll, TRUE);
    return TRUE;
}

static gboolean gst_kelvra_src_unlock_stop(GstBaseSrc* bsrc) {
    gst_poll_set_flushing(GST_KELVRA_SRC(bsrc)->poll, FALSE);
    return TRUE;
}

/* Latency: a frame is pushed one frame period after its exposure started, at least; the queue
 * can hold `buffers` frames more. Unknown (0) before the first frames and in trigger mode. */
static gboolean gst_kelvra_src_query(GstBaseSrc* bsrc, GstQuery* query) {
    if (GST_QUERY_TYPE(query) != GST_QUERY_LATENCY) {
        return GST_BASE_SRC_CLASS(parent_class)->query(bsrc, query);
    }
    GstKelvraSrc* self = GST_KELVRA_SRC(bsrc);
    g_rec_mutex_lock(&self->lock);
    const GstClockTime period = self->frame_duration;
    const gint buffers = self->buffers;
    g_rec_mutex_unlock(&self->lock);
    if (GST_CLOCK_TIME_IS_VALID(period)) {
        gst_query_set_latency(query, TRUE, period, period * (GstClockTime)(buffers + 1));
    } else {
        gst_query_set_latency(query, TRUE, 0, GST_CLOCK_TIME_NONE);
    }
    return TRUE;
}

/* ---- Object ---- */

static void gst_kelvra_src_finalize(GObject* object) {
    GstKelvraSrc* self = GST_KELVRA_SRC(object);
    g_free(self->serial);
    gst_poll_free(self->poll);
    gst_caps_unref(self->camera_clock_caps);
    kelvra_ledger_unref(self->ledger);
    g_rec_mutex_clear(&self->lock);
    G_OBJECT_CLASS(parent_class)->finalize(object);
}

static void gst_kelvra_src_init(GstKelvraSrc* self) {
    g_rec_mutex_init(&self->lock);
    self->camera = 0;
    self->color_mode = KELVRA_MODE_AUTO;
    self->trigger = KELVRA_TRIGGER_OFF;
    self->buffers = KELVRA_DEFAULT_BUFFERS;
    self->controls[KELVRA_CONTROL_GAIN] = -1;
    self->last_temperature = KELVRA_ABSOLUTE_ZERO;
    self->frame_duration = GST_CLOCK_TIME_NONE;
    self->last_pts = GST_CLOCK_TIME_NONE;
    self->poll = gst_poll_new(TRUE);
    self->camera_clock_caps = gst_caps_new_empty_simple(KELVRA_CAMERA_CLOCK_CAPS);
    self->ledger = kelvra_ledger_new();
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
}

#define KELVRA_PARAM_FLAGS (G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)
#define KELVRA_READY_FLAGS (KELVRA_PARAM_FLAGS | GST_PARAM_MUTABLE_READY)
#define KELVRA_PLAYING_FLAGS (KELVRA_PARAM_FLAGS | GST_PARAM_MUTABLE_PLAYING)
#define KELVRA_READ_FLAGS (G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)

static void gst_kelvra_src_install_properties(GObjectClass* object_class) {
    g_object_class_install_property(
        object_class, PROP_CAMERA,
        g_param_spec_int("camera", "Camera",
                         "Number of the camera to open (0 is the first attached); ignored when "
                         "serial is set",
                         0, KELVRA_MAX_CAMERA, 0, KELVRA_READY_FLAGS));
    g_object_class_install_property(
        object_class, PROP_SERIAL,
        g_param_spec_string("serial", "Serial number",
                            "Serial number of the camera to open, e.g. SIM32700001; empty: "
                            "choose by the camera property",
                            NULL, KELVRA_READY_FLAGS));
    g_object_class_install_property(
        object_class, PROP_EXPOSURE,
        g_param_spec_int("exposure", "Exposure",
                         "Exposure time in microseconds, in steps of 100 (0: keep the camera's "
                         "saved exposure); reads the camera's while it is open",
                         0, KELVRA_EXPOSURE_MAX_US, 0, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_GAIN,
        g_param_spec_int("gain", "Gain",
                         "Global analogue gain (-1: keep the camera's saved gain); reads the "
                         "camera's while it is open",
                         -1, KELVRA_GAIN_MAX, -1, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_COOLER,
        g_param_spec_boolean("cooler", "Cooler",
                             "Thermo-electric sensor cooler on; applied only when set, reads the "
                             "camera's state while it is open",
                             FALSE, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_COLOR_MODE,
        g_param_spec_enum("color-mode", "Colour mode", "Bits per pixel of the frames",
                          gst_kelvra_color_mode_get_type(), KELVRA_MODE_AUTO, KELVRA_READY_FLAGS));
    g_object_class_install_property(
        object_class, PROP_TRIGGER,
        g_param_spec_enum("trigger", "Trigger", "When the camera makes a frame",
                          gst_kelvra_trigger_get_type(), KELVRA_TRIGGER_OFF, KELVRA_READY_FLAGS));
    g_object_class_install_property(
        object_class, PROP_FLAT_FIELD,
        g_param_spec_boolean("flat-field", "Flat-field correction",
                             "Correct each frame with the camera's dark and white references; "
                             "applied only when set",
                             FALSE, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_DOT_FILTER,
        g_param_spec_boolean("dot-filter", "Defect-pixel filter",
                             "Replace the camera's known hot and dead pixels; applied only when "
                             "set",
                             FALSE, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_BUFFERS,
        g_param_spec_int("buffers", "Buffers",
                         "Frames the library's queue holds, downstream's included: when all "
                         "are taken, new frames are dropped and counted",
                         KELVRA_MIN_BUFFERS, KELVRA_MAX_BUFFERS, KELVRA_DEFAULT_BUFFERS,
                         KELVRA_READY_FLAGS));
    g_object_class_install_property(
        object_class, PROP_LEFT_JUSTIFY,
        g_param_spec_boolean("left-justify", "Left-justify",
                             "Shift 16-bit frames' 12-bit samples to the full 16-bit range, for "
                             "viewers",
                             FALSE, KELVRA_PLAYING_FLAGS));
    g_object_class_install_property(
        object_class, PROP_TEMPERATURE,
        g_param_spec_double("temperature", "Temperature",
                            "Sensor temperature in degrees Celsius (-273.15 until read)",
                            KELVRA_ABSOLUTE_ZERO, G_MAXDOUBLE, KELVRA_ABSOLUTE_ZERO,
                            KELVRA_READ_FLAGS));
    g_object_class_install_property(
        object_class, PROP_FRAMES_LOST,
        g_param_spec_uint64("frames-lost", "Frames lost",
                            "Frames lost since the stream started: queue full, replaced in the "
                            "library's ring, or never sent by the camera",
                            0, G_MAXUINT64, 0, KELVRA_READ_FLAGS));
    g_object_class_install_property(
        object_class, PROP_STATS,
        g_param_spec_boxed("stats", "Statistics",
                           "The library's stream counters (frames-received, frames-delivered, "
                           "dropped-queue-full, dropped-in-ring, lost-in-camera, ...) and "
                           "buffers-outstanding, the frames downstream still holds",
                           GST_TYPE_STRUCTURE, KELVRA_READ_FLAGS));
}

static void gst_kelvra_src_class_init(GstKelvraSrcClass* klass) {
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* base_class = GST_BASE_SRC_CLASS(klass);
    GstPushSrcClass* push_class = GST_PUSH_SRC_CLASS(klass);

    object_class->set_property = gst_kelvra_src_set_property;
    object_class->get_property = gst_kelvra_src_get_property;
    object_class->finalize = gst_kelvra_src_finalize;
    gst_kelvra_src_install_properties(object_class);

    gst_element_class_set_static_metadata(
        element_class, "Kelvra camera source", "Source/Video/Hardware",
        "Live frames from a Kelvra K4 SWIR TEC camera", "Kelvra camera SDK");
    gst_element_class_add_static_pad_template(element_class, &src_template);

    base_class->start = gst_kelvra_src_start;
    base_class->stop = gst_kelvra_src_stop;
    base_class->get_caps = gst_kelvra_src_get_caps;
    base_class->negotiate = gst_kelvra_src_negotiate;
    base_class->unlock = gst_kelvra_src_unlock;
    base_class->unlock_stop = gst_kelvra_src_unlock_stop;
    base_class->query = gst_kelvra_src_query;
    push_class->create = gst_kelvra_src_create;

    GST_DEBUG_CATEGORY_INIT(gst_kelvra_src_debug, "kelvrasrc", 0, "Kelvra camera source");
    gst_type_mark_as_plugin_api(gst_kelvra_color_mode_get_type(), 0);
    gst_type_mark_as_plugin_api(gst_kelvra_trigger_get_type(), 0);
}
