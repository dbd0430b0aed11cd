// The shadow windows on the desktop: each loaded pool window (see shadow/shadow.h) becomes a
// borderless, unmanaged, translucent window that shows its picture with per-pixel alpha, is cut
// by its shape, lets the mouse through, never takes the focus, and lies just below its owner's
// top-level frame in the X11 stacking order. Where no compositing manager runs it is placed and
// tracked but never shown, so a person never sees its translucent pixels as a black frame.
//
// UI thread only, except `shadow_view_takes`, which the toolkit calls for every change.
#pragma once

#include "ui/toolkit.h"

class QWidget;

namespace lumetra::ui::qt {

class QtToolkit;

// Takes a change of a shadow window (loaded, window, raise, destroyed) and shows it; false for
// a change of any other form, which the toolkit's own windows show.
bool shadow_view_takes(QtToolkit& toolkit, const Change& change);
// The window that shows a loaded shadow window's form, nullptr otherwise.
QWidget* shadow_view_of(const Form& window);
// True when a compositing manager owns the screen's `_NET_WM_CM_S<n>` selection (X11 only).
bool compositing_manager_running();

}  // namespace lumetra::ui::qt
