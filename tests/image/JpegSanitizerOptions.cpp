// Sanitizer defaults of the image test program. Qt's JPEG reader loads the
// system JPEG library as a plugin, and that library keeps thread-local state
// in a dynamically allocated TLS block. This toolchain's leak checker records
// such blocks from its __tls_get_addr hook, misreads their bounds and crashes
// while scanning them at exit, although every test passed. Without the hook
// those blocks stay out of the leak scan; they hold nothing of ours, and the
// static TLS, stacks and heap are scanned as before. ASAN_OPTIONS from the
// environment are applied on top of these.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
