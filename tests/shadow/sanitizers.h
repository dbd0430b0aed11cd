// What the sanitizers leave out in the shadow test programs. Included by exactly one file of
// each program.
#pragma once

#if defined(__SANITIZE_THREAD__)
// Qt and the X11 libraries are not instrumented: Qt converts large images on its pool threads and
// frees there what was allocated elsewhere, its X11 event reader hands events over behind locks
// of its own, libxcb wakes a caller waiting for a reply through a condition variable on that
// caller's stack, and Xlib and its extensions take and give back their display lock in
// different libraries. The allocator and lock calls made inside those libraries are left out;
// everything our own code does is still watched.
extern "C" const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// Qt's X11 platform opens a D-Bus connection that it never closes.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so.3\n";
}
#endif
