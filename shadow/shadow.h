// The soft drop shadow around the skinned windows: a second, borderless window per owner that
// shows a blurred black rectangle with per-pixel alpha, is cut to a frame so it never covers its
// owner, lets the mouse through, and follows its owner from the owner's own event handlers.
//
// Usage: start-up makes one `Shadows` over the toolkit (it registers the ten pool windows) and
// keeps it for the life of the process; `wire_main_window` / `wire_exit_confirmation` bind the
// shadow's handlers to a window's form before it is loaded. The pictures are made with the
// graphics wrappers; everything here is free of any window system. What the form model has no
// word for (the per-pixel picture, input passing through, showing and hiding the window, its
// place in the stacking order) is kept here as each pool window's `Layer`, which a view reads
// through `layer_of` and hears about through `set_layer_listener`.
//
// Threads: every operation runs on the UI thread, inside the owners' handlers; `layer_of`,
// `is_shadow_window` and the pictures may be used from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"
#include "ui/form.h"
#include "ui/toolkit.h"

namespace lumetra::shadow {

inline constexpr int pool_size = 10;
inline constexpr int default_shadow_size = 15;
// Toolkit colour (0x00BBGGRR) of the mask's outside: the middle where the owner lies.
inline constexpr std::uint32_t mask_outside_colour = 0xFF00FF;

// --- Pictures ----------------------------------------------------------------------------------

// A toolkit colour 0x00BBGGRR as 0xAARRGGBB: red and blue change places, alpha on top.
std::uint32_t to_argb(std::uint32_t colour, std::uint8_t alpha = 255);
// PNG of a (w + 2s) x (h + 2s) picture: a black w x h rectangle at (s, s) blurred with radius s,
// so its edges fade out over the band. Empty bytes when the picture cannot be made.
Bytes render_shadow_image(int w, int h, int s);
// BMP of the same size: white, with the owner's rectangle at (s, s) in magenta (0xFF00FF).
Bytes render_shadow_shape(int w, int h, int s);

// --- Pool windows ------------------------------------------------------------------------------

// The window kind of pool window `number` (1..10): "shadow1".."shadow10"; empty otherwise.
std::string shadow_window_kind(int number);
// True for a form loaded as a pool window. Any thread.
bool is_shadow_window(const ui::Form& form);

// What a pool window shows besides its place, size and shape (which the form holds).
struct Layer {
  Bytes picture;               // PNG shown with per-pixel alpha; empty: nothing
  bool click_through = false;  // mouse input goes to whatever lies beneath
  bool shown = false;
  ui::Form* owner = nullptr;  // the window it lies just below; null while free
};
// The layer of a loaded pool window, nothing for any other form. Any thread.
std::optional<Layer> layer_of(const ui::Form& window);
// Called on the UI thread with the pool window whose layer changed. One listener per process
// (the view); an empty function removes it.
void set_layer_listener(std::function<void(ui::Form& window)> listener);

// --- The shadows of one process ----------------------------------------------------------------

class Shadows {
 public:
  // Registers the ten pool window kinds with the toolkit. Any thread.
  explicit Shadows(ui::Toolkit& toolkit);
  ~Shadows();
  Shadows(const Shadows&) = delete;
  Shadows& operator=(const Shadows&) = delete;

  // Surrounds the owner with a shadow of `size` pixels and shows it; writes the new slot and the
  // pool window's number (0 when all ten are in use: then no window is made).
  void attach_shadow(ui::Form& owner, int size, int& slot, int& window_number);
  void attach_shadow(ui::Form& owner, int& slot, int& window_number) {
    attach_shadow(owner, default_shadow_size, slot, window_number);
  }
  // The lowest number whose pool window is not loaded; 0 when all ten are.
  int pick_shadow_window() const;
  // The loaded pool window of that number; null for a free one or any other number.
  ui::Form* shadow_window_of(int window_number) const;
  // The window takes the picture's size (at 0, 0) and shows it with per-pixel alpha.
  void apply_layered_image(ui::Form& window, const Bytes& picture);
  void make_click_through(ui::Form& window);

  // Tracking, from the owner's handlers.
  void follow_owner(int slot, int window_number);
  void hide_shadow(int window_number);
  void show_shadow(int window_number);
  // Lifts the shadow to the top of the ordinary windows, still just below its owner.
  void raise_shadow(int window_number);
  // Destroys the shadow window; its pool window is free again; the slot's entries stay.
  void detach_shadow(int window_number);
  // On the owner's activated and position-changed events: follow, then hidden while the owner
  // is minimised, shown otherwise.
  void update_shadow(int slot, int window_number);

  // Binds the shadow's handlers (created, activated, position changed, got focus) to the main
  // window's form, before it is loaded; its shadow is never detached.
  void wire_main_window(ui::Form& main, int size = 20);
  // The same for the exit confirmation window, whose shadow goes when it is destroyed.
  void wire_exit_confirmation(ui::Form& dialog, int size = 20);

  // The process-wide lists: entry `slot - 1` is that slot's owner and size. They only grow.
  const std::vector<ui::Form*>& shadow_owners() const { return shadow_owners_; }
  const std::vector<std::int32_t>& shadow_sizes() const { return shadow_sizes_; }
  int main_shadow_slot = 0, main_shadow_window = 0;
  int dialog_shadow_slot = 0, dialog_shadow_window = 0;

 private:
  // Changes the layer of a loaded pool window and tells the listener.
  template <typename F>
  void change_layer(ui::Form& window, F&& change);

  ui::Toolkit& toolkit_;
  std::vector<ui::Form*> shadow_owners_;
  std::vector<std::int32_t> shadow_sizes_;
};

}  // namespace lumetra::shadow
