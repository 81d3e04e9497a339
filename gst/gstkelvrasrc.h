/* kelvrasrc: a live source of frames from a Kelvra camera, through the library's frame queue.
 * Uses nothing but the public header and the shared library. */
#ifndef GST_KELVRA_SRC_H
#define GST_KELVRA_SRC_H

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_KELVRA_SRC (gst_kelvra_src_get_type())
G_DECLARE_FINAL_TYPE(GstKelvraSrc, gst_kelvra_src, GST, KELVRA_SRC, GstPushSrc)

GST_ELEMENT_REGISTER_DECLARE(kelvrasrc);

G_END_DECLS

#endif
