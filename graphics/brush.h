// Solid colour brushes and the blur effect.
//
// Usage: `SolidBrush b; b.create(0xFF000000);` then hand `b` to a drawing surface; `BlurEffect e;
// e.create(); flat::BlurParams p{20, 1}; e.set_parameters(&p);` then `Bitmap::apply_effect(e)`.
// `delete_` (the name `delete` is taken by the language) releases the native object; it returns
// false without a call when there is none, and destruction calls it. Colours are 0xAARRGGBB.
#pragma once

#include "graphics/base.h"

namespace lumetra {

class SolidBrush : public GraphicsObject {
 public:
  ~SolidBrush() override { delete_(); }

  Handle brush_handle() const { return brush_handle_; }
  Handle solid_handle() const { return solid_handle_; }

  bool delete_() { return deleter(*this, flat::GdipDeleteBrush); }
  bool clone_brush(SolidBrush& target) {
    return producer(target, flat::GdipCloneBrush, brush_handle_);
  }
  int brush_type() { return getter<int>(flat::GdipGetBrushType, brush_handle_); }
  bool create(ARGB color) {
    return creator(*this, solid_handle_, flat::GdipCreateSolidFill, color);
  }
  bool set_color(ARGB color) {
    return forwarder(flat::GdipSetSolidFillColor, solid_handle_, color);
  }
  ARGB color() { return getter<ARGB>(flat::GdipGetSolidFillColor, solid_handle_); }

 protected:
  // Brush level, then the solid-brush level.
  void handle_hook(Handle h) override {
    brush_handle_ = h;
    solid_hook(h);
  }
  void solid_hook(Handle h) { solid_handle_ = h; }

 private:
  Handle brush_handle_ = 0;
  Handle solid_handle_ = 0;
};

// Not a GraphicsObject: it keeps its own handle pair and the auxiliary data that applying an
// effect may return (a blur returns none).
class BlurEffect {
 public:
  BlurEffect() = default;
  BlurEffect(const BlurEffect&) = delete;
  BlurEffect& operator=(const BlurEffect&) = delete;
  ~BlurEffect() { delete_(); }

  void set_handle(Handle h) {
    handle_ = h;
    handle_hook(h);
  }
  Handle handle() const { return handle_; }
  Handle effect_handle() const { return effect_handle_; }
  // Frees the auxiliary data and the native effect; false without a call when there is none.
  bool delete_();

  int aux_size() const { return aux_size_; }
  int aux_size(int value) { return aux_size_ = value; }
  void* aux_data() const { return aux_data_; }
  void* aux_data(void* value) { return aux_data_ = value; }
  int use_aux_data() const { return use_aux_data_; }
  int use_aux_data(int value) { return use_aux_data_ = value; }

  int parameter_size() {
    return static_cast<int>(
        getter<std::uint32_t>(flat::GdipGetEffectParameterSize, effect_handle_));
  }
  bool create();
  // Always 8 bytes: the radius and the expand-edge flag.
  bool set_parameters(const flat::BlurParams* params) {
    return forwarder(flat::GdipSetEffectParameters, effect_handle_,
                     static_cast<const void*>(params), std::uint32_t{sizeof(flat::BlurParams)});
  }
  bool get_parameters(flat::BlurParams* params);

 private:
  void handle_hook(Handle h) { effect_handle_ = h; }

  Handle handle_ = 0;
  int aux_size_ = 0;
  void* aux_data_ = nullptr;
  int use_aux_data_ = 0;
  Handle effect_handle_ = 0;
};

}  // namespace lumetra
