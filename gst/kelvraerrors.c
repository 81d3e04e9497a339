#include "kelvraerrors.h"

#include "KelvraSdk.h"

typedef struct {
    int code;
    const char* words;
} KelvraCodeWords;

static const KelvraCodeWords kelvra_words[] = {
    {KELVRA_OK, "the library recorded no reason"},
    {KELVRA_ERR_NO_CAMERA,
     "no camera is open, the camera is busy in another mode, or there is no image yet"},
    {KELVRA_ERR_NOT_PRESENT, "the camera is not present or cannot be opened"},
    {KELVRA_ERR_THREAD, "a worker thread could not be started"},
    {KELVRA_ERR_WINDOW, "the preview window could not be created or no size preset matches"},
    {KELVRA_ERR_MEMORY, "out of memory, or a buffer is too small"},
    {KELVRA_ERR_DEVICE, "the camera did not answer a device access"},
    {KELVRA_ERR_WINDOW_SIZE, "the readout window is invalid or was rejected"},
    {KELVRA_ERR_TRANSFER, "a frame could not be transferred or did not arrive in time"},
    {KELVRA_ERR_PARAMETER, "a value is out of range or unknown"},
    {KELVRA_ERR_UNSUPPORTED, "not supported by this camera"},
    {KELVRA_ERR_CONVERSION,
     "a name could not be converted, or recording or the mask update could not start"},
    {KELVRA_ERR_CAMERA_LOST, "the camera was lost"},
    {KELVRA_ERR_MASK_FILE, "the mask file could not be read or written, or is malformed"},
};

const char* kelvra_error_words(int code) {
    for (size_t i = 0; i < G_N_ELEMENTS(kelvra_words); ++i) {
        if (kelvra_words[i].code == code) return kelvra_words[i].words;
    }
    return "unknown error";
}

static GstMessage* kelvra_message(GstElement* element, GstMessageType type, GQuark domain,
                                  gint gerror_code, const char* what, int code, const char* file,
                                  const char* function, int line) {
    gchar* text = g_strdup_printf("%s: %s (error %d)", what, kelvra_error_words(code), code);
    GError* error = g_error_new_literal(domain, gerror_code, text);
    gchar* debug = g_strdup_printf("%s:%d:%s: %s", file, line, function, text);
    GstStructure* details = gst_structure_new("details", "kelvra-error", G_TYPE_INT, code, NULL);
    GstMessage* message =
        type == GST_MESSAGE_ERROR
            ? gst_message_new_error_with_details(GST_OBJECT(element), error, debug, details)
            : gst_message_new_warning_with_details(GST_OBJECT(element), error, debug, details);
    g_error_free(error);
    g_free(debug);
    g_free(text);
    return message;
}

void kelvra_post_error(GstElement* element, GQuark domain, gint gerror_code, const char* what,
                       int code, const char* file, const char* function, int line) {
    gst_element_post_message(
        element, kelvra_message(element, GST_MESSAGE_ERROR, domain, gerror_code, what, code, file,
                                function, line));
}

void kelvra_post_warning(GstElement* element, const char* what, int code, const char* file,
                         const char* function, int line) {
    gst_element_post_message(
        element, kelvra_message(element, GST_MESSAGE_WARNING, GST_RESOURCE_ERROR,
                                GST_RESOURCE_ERROR_SETTINGS, what, code, file, function, line));
}
