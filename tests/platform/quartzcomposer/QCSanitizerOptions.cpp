// LeakSanitizer defaults for this test program; LSAN_OPTIONS in the environment still applies
// on top of them.
//
// use_tls=0: GCC 12's LeakSanitizer reads a bogus dynamic-TLS range that the OpenGL driver's
// libraries leave behind and crashes at exit ("Tracer caught signal 11"). The composition code
// keeps nothing that only thread-local storage refers to, so skipping TLS hides no leak of ours.
extern "C" const char* __lsan_default_options() {
    return "use_tls=0:print_suppressions=0:suppressions=" QC_LSAN_SUPPRESSIONS;
}
