/* The library's error codes in words, and the element's way of posting them on the bus. */
#ifndef KELVRA_ERRORS_H
#define KELVRA_ERRORS_H

#include <gst/gst.h>

G_BEGIN_DECLS

/* What an error code of the library means, in a few words; never null. */
const char* kelvra_error_words(int code);

/* Posts an element error ("<what>: <words> (error <code>)") whose details carry the code as the
 * integer field "kelvra-error". Any thread. */
void kelvra_post_error(GstElement* element, GQuark domain, gint gerror_code, const char* what,
                       int code, const char* file, const char* function, int line);
/* The same as a warning: the stream goes on. */
void kelvra_post_warning(GstElement* element, const char* what, int code, const char* file,
                         const char* function, int line);

#define KELVRA_POST_ERROR(element, domain, gerror_code, what, code)                    \
    kelvra_post_error(GST_ELEMENT(element), domain, gerror_code, what, code, __FILE__, \
                      GST_FUNCTION, __LINE__)
#define KELVRA_POST_WARNING(element, what, code) \
    kelvra_post_warning(GST_ELEMENT(element), what, code, __FILE__, GST_FUNCTION, __LINE__)

G_END_DECLS

#endif
