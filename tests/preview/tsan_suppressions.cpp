// libX11 1.8 releases a connection's internal lock once more when a request meets a server that
// has gone away and the connection's exit handler returns instead of ending the process. The
// extra unlock is inside libX11, on a connection no other thread uses; the ServerGone test
// reaches it on purpose. Only that library's mutex reports are silenced.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "mutex:libX11.so\n";
}
