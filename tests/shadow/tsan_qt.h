// Included by exactly one file of each shadow test program.
#pragma once

#if defined(__SANITIZE_THREAD__)
// Qt's libraries are not instrumented: large image conversions run on Qt's pool threads and free
// there what was allocated elsewhere, behind Qt's own locks, and the X11 event reader hands
// events over the same way. Reports whose allocator or interceptor calls come from them are left
// out; races in our code are not.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\ncalled_from_lib:libQt6XcbQpa.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n";
}
#endif
