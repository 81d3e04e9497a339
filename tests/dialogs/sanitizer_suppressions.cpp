// ThreadSanitizer: GTK and the libraries under it are not built with it and synchronise their own
// threads (font loading, D-Bus, GLib's worker) with futex-based locks it cannot see, so it
// reports races between them that are not there, and GObject's type system takes its own locks
// in orders it judges unsafe. Only reports with a frame inside one of these
// libraries are silenced; what the library and the dialogs share between threads goes through
// std::mutex and std::atomic, which it sees.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so\n"
           "race:libgobject-2.0.so\n"
           "race:libgio-2.0.so\n"
           "race:libgdk-3.so\n"
           "race:libgtk-3.so\n"
           "race:libpango\n"
           "race:libfontconfig.so\n"
           "race:libcairo.so\n"
           "race:libharfbuzz.so\n"
           "race:libpixman-1.so\n"
           "race:libgdk_pixbuf-2.0.so\n"
           "race:libatk\n"
           "race:libdconf.so\n"
           "deadlock:libglib-2.0.so\n"
           "deadlock:libgobject-2.0.so\n"
           "deadlock:libgtk-3.so\n"
           "deadlock:libgdk-3.so\n"
           "mutex:libX11.so\n";
}

// GTK, fontconfig and GLib keep caches for the life of the process that LeakSanitizer counts as
// leaks. Allocations made inside these libraries are not reported.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libpango\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n";
}
