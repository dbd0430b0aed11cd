#include "shadow/shadow.h"

#include <map>
#include <memory>
#include <mutex>

#include "graphics/graphics.h"

namespace lumetra::shadow {
namespace {

constexpr const char* kind_prefix = "shadow";

// The layers of the loaded pool windows, by form. Written on the UI thread, read by a view from
// any thread.
struct Layers {
  std::mutex mutex;
  std::map<const ui::Form*, Layer> by_window;
  std::function<void(ui::Form&)> listener;
};

Layers& layers() {
  static auto* all = new Layers;  // never destroyed: a view may ask during the process's end
  return *all;
}

void tell_listener(ui::Form& window) {
  std::function<void(ui::Form&)> listener;
  {
    std::lock_guard lock(layers().mutex);
    listener = layers().listener;
  }
  if (listener) listener(window);
}

// The shadow code starts the graphics layer itself, once, and never ends it: its pictures must
// not depend on whether the program's start-up did.
void start_graphics_once() {
  static std::once_flag once;
  std::call_once(once, [] {
    static std::uintptr_t shadow_graphics_token = 0;
    flat::StartupInput input;
    flat::GdiplusStartup(&shadow_graphics_token, &input, nullptr);
  });
}

// The size of an encoded picture, read the way the picture is loaded: through a stream over
// its bytes. 0 x 0 for bytes that are no picture.
std::pair<int, int> picture_size(const Bytes& picture) {
  BytesStream stream;
  stream.load(picture);
  Handle image = 0;
  float width = 0, height = 0;
  if (store_status(flat::GdipCreateBitmapFromStream(stream.stream(), &image))) {
    store_status(flat::GdipGetImageDimension(image, &width, &height));
    flat::GdipDisposeImage(image);
  }
  stream.free_memory();
  return {static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace

std::uint32_t to_argb(std::uint32_t colour, std::uint8_t alpha) {
  const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF,
                      blue = (colour >> 16) & 0xFF;
  return (std::uint32_t{alpha} << 24) | (red << 16) | (green << 8) | blue;
}

std::string shadow_window_kind(int number) {
  if (number < 1 || number > pool_size) return {};
  return kind_prefix + std::to_string(number);
}

bool is_shadow_window(const ui::Form& form) {
  const std::string& kind = form.kind();
  for (int n = 1; n <= pool_size; ++n)
    if (kind == shadow_window_kind(n)) return true;
  return false;
}

std::optional<Layer> layer_of(const ui::Form& window) {
  if (!is_shadow_window(window)) return std::nullopt;
  std::lock_guard lock(layers().mutex);
  auto it = layers().by_window.find(&window);
  if (it == layers().by_window.end()) return std::nullopt;
  return it->second;
}

void set_layer_listener(std::function<void(ui::Form&)> listener) {
  std::lock_guard lock(layers().mutex);
  layers().listener = std::move(listener);
}

// --- Shadows -------------------------------------------------------------------------------------

Shadows::Shadows(ui::Toolkit& toolkit) : toolkit_(toolkit) {
  for (int n = 1; n <= pool_size; ++n) {
    toolkit_.register_window(shadow_window_kind(n), [n] {
      // An empty borderless window that is not in the taskbar and cannot be dragged.
      auto form = std::make_unique<ui::Form>(shadow_window_kind(n), 380, 250);
      ui::Window& w = form->window();
      w.in_taskbar = false;
      w.draggable = false;
      ui::Form* f = form.get();
      form->on("", ui::Event::will_be_destroyed, [f] {
        std::lock_guard lock(layers().mutex);
        layers().by_window.erase(f);
      });
      return form;
    });
  }
}

Shadows::~Shadows() {
  std::lock_guard lock(layers().mutex);
  for (int n = 1; n <= pool_size; ++n)
    if (ui::Form* w = toolkit_.find(shadow_window_kind(n))) layers().by_window.erase(w);
}

template <typename F>
void Shadows::change_layer(ui::Form& window, F&& change) {
  {
    std::lock_guard lock(layers().mutex);
    auto it = layers().by_window.find(&window);
    if (it == layers().by_window.end()) return;  // not a pool window in use
    change(it->second);
  }
  tell_listener(window);
}

void Shadows::attach_shadow(ui::Form& owner, int size, int& slot, int& window_number) {
  const int s = size;
  const ui::Rect at = toolkit_.window_rect(owner);
  start_graphics_once();
  const Bytes image = render_shadow_image(at.width, at.height, s);
  window_number = pick_shadow_window();
  shadow_sizes_.push_back(s);
  shadow_owners_.push_back(&owner);
  slot = static_cast<int>(shadow_owners_.size());
  // All ten in use: the owner goes without a shadow rather than taking another's window.
  if (window_number == 0) return;

  ui::Form& window = toolkit_.load(shadow_window_kind(window_number));
  {
    std::lock_guard lock(layers().mutex);
    layers().by_window[&window] = Layer{{}, false, false, &owner};
  }
  apply_layered_image(window, image);
  toolkit_.set_shape(window, render_shadow_shape(at.width, at.height, s), mask_outside_colour);
  toolkit_.move_window(window, at.left - s, at.top - s, at.width + 2 * s, at.height + 2 * s);
  make_click_through(window);
  change_layer(window, [](Layer& layer) { layer.shown = true; });
}

int Shadows::pick_shadow_window() const {
  for (int n = 1; n <= pool_size; ++n)
    if (!toolkit_.find(shadow_window_kind(n))) return n;
  return 0;
}

ui::Form* Shadows::shadow_window_of(int window_number) const {
  const std::string kind = shadow_window_kind(window_number);
  return kind.empty() ? nullptr : toolkit_.find(kind);
}

void Shadows::apply_layered_image(ui::Form& window, const Bytes& picture) {
  start_graphics_once();
  const auto [width, height] = picture_size(picture);
  toolkit_.move_window(window, 0, 0, width, height);
  change_layer(window, [&](Layer& layer) { layer.picture = picture; });
}

void Shadows::make_click_through(ui::Form& window) {
  change_layer(window, [](Layer& layer) { layer.click_through = true; });
}

void Shadows::follow_owner(int slot, int window_number) {
  if (slot < 1 || slot > static_cast<int>(shadow_owners_.size())) return;
  ui::Form* owner = shadow_owners_[slot - 1];
  ui::Form* window = shadow_window_of(window_number);
  // An owner that is gone has no place to follow (is_loaded compares addresses only).
  if (!window || !toolkit_.is_loaded(*owner)) return;
  const int s = shadow_sizes_[slot - 1];
  const ui::Rect at = toolkit_.window_rect(*owner);
  toolkit_.move_window(*window, at.left - s, at.top - s, at.width + 2 * s, at.height + 2 * s);
}

void Shadows::hide_shadow(int window_number) {
  if (ui::Form* window = shadow_window_of(window_number))
    change_layer(*window, [](Layer& layer) { layer.shown = false; });
}

void Shadows::show_shadow(int window_number) {
  if (ui::Form* window = shadow_window_of(window_number))
    change_layer(*window, [](Layer& layer) { layer.shown = true; });
}

void Shadows::raise_shadow(int window_number) {
  // Always on top and at once back: the window ends at the top of the ordinary windows.
  if (ui::Form* window = shadow_window_of(window_number)) {
    toolkit_.set_topmost(*window, true);
    toolkit_.set_topmost(*window, false);
  }
}

void Shadows::detach_shadow(int window_number) {
  if (ui::Form* window = shadow_window_of(window_number)) toolkit_.destroy(*window);
}

void Shadows::update_shadow(int slot, int window_number) {
  follow_owner(slot, window_number);
  if (slot < 1 || slot > static_cast<int>(shadow_owners_.size())) return;
  ui::Form* owner = shadow_owners_[slot - 1];
  if (!toolkit_.is_loaded(*owner)) return;
  if (toolkit_.window_state(*owner) == ui::WindowState::minimised)
    hide_shadow(window_number);
  else
    show_shadow(window_number);
}

void Shadows::wire_main_window(ui::Form& main, int size) {
  ui::Form* f = &main;
  main.on("", ui::Event::created,
          [this, f, size] { attach_shadow(*f, size, main_shadow_slot, main_shadow_window); });
  auto update = [this] { update_shadow(main_shadow_slot, main_shadow_window); };
  main.on("", ui::Event::activated, update);
  main.on("", ui::Event::position_changed, update);
  main.on("", ui::Event::got_focus, [this] { raise_shadow(main_shadow_window); });
}

void Shadows::wire_exit_confirmation(ui::Form& dialog, int size) {
  ui::Form* f = &dialog;
  dialog.on("", ui::Event::created,
            [this, f, size] { attach_shadow(*f, size, dialog_shadow_slot, dialog_shadow_window); });
  auto update = [this] { update_shadow(dialog_shadow_slot, dialog_shadow_window); };
  dialog.on("", ui::Event::activated, update);
  dialog.on("", ui::Event::position_changed, update);
  dialog.on("", ui::Event::got_focus, [this] { raise_shadow(dialog_shadow_window); });
  dialog.on("", ui::Event::will_be_destroyed, [this] { detach_shadow(dialog_shadow_window); });
}

}  // namespace lumetra::shadow
