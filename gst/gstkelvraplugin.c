/* The kelvra plugin: one element, kelvrasrc. */
#include <gst/gst.h>

#include "gstkelvrasrc.h"

#ifndef PACKAGE
#define PACKAGE "kelvra"
#endif

static gboolean kelvra_plugin_init(GstPlugin* plugin) {
    return GST_ELEMENT_REGISTER(kelvrasrc, plugin);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, kelvra,
                  "Kelvra K4 SWIR TEC cameras through the Kelvra camera library",
                  kelvra_plugin_init, KELVRA_GST_VERSION, "Proprietary", "KelvraSdk",
                  "Kelvra camera SDK")
