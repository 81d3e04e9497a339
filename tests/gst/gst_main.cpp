// The test programs set up their own surroundings, so that they run the same from CTest and by
// hand: the plugin from the build tree, a registry and settings of their own, one simulated
// camera. GStreamer is set up once per program and torn down at its end, so that the leak
// checker sees only what the tests left behind.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef __SANITIZE_ADDRESS__
// Scanning the installed plugins into a fresh registry leaves GLib allocations that live as
// long as the process. GLib is not instrumented, so a leak through it never names its caller
// anyway; leaks in our own code (the element, the library, the tests) are still reported.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}
#endif

#ifdef __SANITIZE_THREAD__
// GStreamer and GLib are not instrumented, and GLib's mutexes are futexes the race detector
// cannot see: without this it reports GStreamer's own hand-overs between threads. Accesses in
// our code (the element, the library, the tests) are still checked.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
#endif

int main(int argc, char** argv) {
    const std::string dir = KELVRA_GST_TEST_DIR;
    setenv("GST_PLUGIN_PATH", KELVRA_GST_PLUGIN_DIR, 1);
    setenv("GST_REGISTRY", (dir + "/registry.bin").c_str(), 1);
    // Plugins are scanned in this process: a sanitizer build's plugin loads only into a
    // sanitized program, not into GStreamer's plain scanner helper.
    setenv("GST_REGISTRY_FORK", "no", 1);
    setenv("XDG_CONFIG_HOME", (dir + "/xdg").c_str(), 1);
    setenv("KELVRA_SIMULATED_CAMERAS", "1", 1);
#ifdef KELVRA_GST_UNPLUG_AFTER_MS
    setenv("KELVRA_SIMULATED_UNPLUG_AFTER_MS", KELVRA_GST_UNPLUG_AFTER_MS, 1);
#endif
#ifdef KELVRA_GST_LOSE_EVERY
    setenv("KELVRA_SIMULATED_LOSE_EVERY", KELVRA_GST_LOSE_EVERY, 1);
#endif
    testing::InitGoogleTest(&argc, argv);
    gst_init(&argc, &argv);
    const int result = RUN_ALL_TESTS();
    gst_deinit();
    return result;
}
