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
  // fontconfig (2.14.1, Debian 12) keeps one 256-byte block of its
  // configuration where the leak checker sees no pointer to it (under Qt with
  // a 32-byte block that it points to). The block is malloc'ed inside
  // libfontconfig while it parses its XML configuration
  // (FcInitLoadConfigAndFonts, under expat's XML_ParseBuffer), on Qt's first
  // font query. A C program that only calls FcInit() shows the same 256-byte
  // "direct leak" with the same stack, and none once it calls FcFini(), which
  // frees the block: it is fontconfig's own, kept for the life of the
  // process. Qt never calls FcFini, and nothing of ours calls fontconfig.
  // Only leaks whose allocation stack passes through libfontconfig are
  // forgiven; it is matched by the library, not by the function's name,
  // because its frames carry no frame pointers and the stack seen at malloc
  // ends inside it.
  //
  // libdbus (1.14.10, Debian 12) keeps one 1032-byte read buffer whenever a
  // program asks for the session bus on an X display with no session bus
  // running (it tries the X11 autolaunch and reads its answer, in _dbus_read).
  // Both Qt (the accessibility bridge of the xcb platform) and SDL (its audio
  // start) ask, so a run under Xvfb shows two such blocks. A C program that
  // only calls dbus_bus_get_private(DBUS_BUS_SESSION), then closes and
  // unrefs the connection and calls dbus_shutdown(), shows the same "direct
  // leak" with the same stack under Xvfb, and none without a display: the
  // block is libdbus's own. Matched by the library, whose frames carry no
  // frame pointers.
  //
  // Qt's D-Bus (6.4.2, Debian 12) keeps, now and then, the data of its
  // session-bus thread (a 152-byte block and the 66-byte list of an event
  // posted to it) past the end of the process. Only on an X server: there the
  // menu bar asks the session bus whether a desktop-wide menu is offered
  // (QMenuBar, QGenericUnixTheme::createPlatformMenuBar,
  // QDBusConnection::sessionBus, which starts that thread); the offscreen
  // platform never asks. Seen in 2 of 120 starts of the program under Xvfb
  // with six at once, never alone; the whole stack is Qt's, nothing of ours
  // calls D-Bus. Matched by the library; the check under X records whole
  // stacks (fast_unwind_on_malloc=0), since Qt's frames carry no frame
  // pointers and a stack cut short at them would not reach it.
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libQt6DBus.so\n";
}

}  // extern "C"
