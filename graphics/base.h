// What every graphics wrapper shares: the base with its handle chain, the process-wide
// `last_status`, the patterns by which an operation forwards to a flat function, and the
// conversions of texts and GUIDs.
//
// Usage: a wrapper operation is one line through a pattern, for example
//   bool set_color(ARGB c) { return forwarder(flat::GdipSetSolidFillColor, solid_handle_, c); }
//   ARGB color() { return getter<ARGB>(flat::GdipGetSolidFillColor, solid_handle_); }
//   bool create(ARGB c) { return creator(*this, brush_handle_, flat::GdipCreateSolidFill, c); }
//   bool remove() { return deleter(*this, flat::GdipDeleteBrush); }
// Every pattern stores the flat status in `last_status` and returns true (or the value) when it
// is 0. Wrappers are used by one thread at a time; `last_status` itself may be written by any.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <utility>

#include "graphics/flat.h"
#include "text/text.h"

namespace lumetra {

using flat::ARGB;
using flat::Handle;

// The status of the most recent flat call made by any wrapper (0: success).
inline std::atomic<int> last_status{0};

// Stores a status and tells whether it is success.
inline bool store_status(int status) {
  last_status.store(status, std::memory_order_relaxed);
  return status == flat::Ok;
}

// The common base. Each class keeps its own copy of the handle at each of its levels; all
// copies are written only through `set_handle`, which walks the chain of `handle_hook`s.
// Wrappers own their native object, so they are not copied.
class GraphicsObject {
 public:
  GraphicsObject() = default;
  GraphicsObject(const GraphicsObject&) = delete;
  GraphicsObject& operator=(const GraphicsObject&) = delete;
  virtual ~GraphicsObject() = default;

  Handle handle() const { return handle_; }
  // Stores h in every level; no flat call.
  void set_handle(Handle h) {
    handle_ = h;
    handle_hook(h);
  }
  static void* gdip_alloc(std::size_t size) { return flat::GdipAlloc(size); }
  static void gdip_free(void* block) { flat::GdipFree(block); }

 protected:
  virtual void handle_hook(Handle h) = 0;

 private:
  Handle handle_ = 0;
};

// ---- Patterns ----

// forwarder: the flat function with the handle first and the other arguments in order.
template <class F, class... A>
bool forwarder(F f, Handle h, A&&... args) {
  return store_status(f(h, std::forward<A>(args)...));
}

// getter: the value the flat function writes through its last argument, 0 when it did not.
template <class T, class F, class... A>
T getter(F f, Handle h, A&&... args) {
  T value{};
  store_status(f(h, std::forward<A>(args)..., &value));
  return value;
}

// creator: the flat creation function writes the new handle into the class's own copy, which
// then goes to `set_handle` (unchanged when the call wrote nothing).
template <class F, class... A>
bool creator(GraphicsObject& object, Handle& own, F f, A&&... args) {
  bool ok = store_status(f(std::forward<A>(args)..., &own));
  object.set_handle(own);
  return ok;
}

// deleter: false without a call when there is no handle; otherwise deletes and clears it.
template <class F>
bool deleter(GraphicsObject& object, F f) {
  if (object.handle() == 0) return false;
  bool ok = store_status(f(object.handle()));
  object.set_handle(0);
  return ok;
}

// producer: a flat function that makes a new native object from this one; the new handle goes
// to the target. A failed call leaves the target as it was, so nothing it held is lost.
template <class F, class... A>
bool producer(GraphicsObject& target, F f, Handle h, A&&... args) {
  Handle made = 0;
  bool ok = store_status(f(h, std::forward<A>(args)..., &made));
  if (ok) target.set_handle(made);
  return ok;
}

// ICM choice: the colour-managed flat function when asked for, the plain one otherwise.
template <class F>
F icm_choice(bool use_icm, F plain, F colour_managed) {
  return use_icm ? colour_managed : plain;
}

// ---- Conversions ----

// Code page 936 text to UTF-16: the characters followed by one zero character, which `size()`
// counts (so the empty text gives one zero character). Undefined byte pairs become U+FFFD.
std::u16string to_wide(std::string_view text);
// UTF-16 up to its first zero character (or its end) to code page 936; characters without a
// GBK form become "?".
Text to_text(std::u16string_view wide);
// The braced upper-case form, "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}".
Text guid_to_text(const flat::Guid& guid);
// The braced form in either letter case; anything else gives the all-zero GUID.
flat::Guid text_to_guid(std::string_view text);

}  // namespace lumetra
