// Built into every executable of the sanitizer build (KESTRION_SANITIZE), so
// that each run of it reports the same way wherever it starts: under ctest,
// when ctest lists a suite's cases, as a child process a test starts, and as
// the installed program that the install test starts from a bare environment.
// Settings in ASAN_OPTIONS, UBSAN_OPTIONS or LSAN_OPTIONS still win.

extern "C" {

__attribute__((used, visibility("default"))) const char* __asan_default_options() {
  // Leaks fail the run as any other memory error does; globals built from
  // other globals are checked for their order.
  return "detect_leaks=1:check_initialization_order=1:strict_init_order=1";
}

__attribute__((used, visibility("default"))) const char* __ubsan_default_options() {
  return "print_stacktrace=1";
}

__attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
  // fontconfig keeps one 256-byte block of its configuration where the leak
  // checker cannot see a pointer to it (with a 32-byte block that it points
  // to). It is malloc'ed inside libfontconfig while it parses its XML
  // configuration (FcInitLoadConfigAndFonts, under expat's XML_ParseBuffer),
  // on Qt's first font query. A C program that only calls FcInit() shows the
  // same 256-byte "direct leak" with the same stack, and none once it calls
  // FcFini(), which frees it: the block is fontconfig's own, kept for the
  // life of the process. Qt never calls FcFini and nothing of ours calls
  // fontconfig. Only blocks allocated by libfontconfig itself are forgiven
  // (its frames carry no frame pointers, so the stack seen at malloc ends in
  // the library and cannot be matched by the function's name).
  return "leak:libfontconfig.so\n";
}

}  // extern "C"
