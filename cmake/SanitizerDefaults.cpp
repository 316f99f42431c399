// Built into every executable of a sanitized build, so any run of it (a test, the
// player by hand, a script) gets these whatever its environment; ASAN_OPTIONS still
// adds to them and overrides them.
//
// intercept_tls_get_addr=0: with it on, the leak scan records bogus thread-local
// ranges of libraries loaded with dlopen (Mesa's, LLVM's) and crashes reading them at
// exit ("Tracer caught signal 11"), failing runs that did nothing wrong.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
