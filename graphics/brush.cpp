#include "graphics/brush.h"

namespace lumetra {
namespace {
constexpr const char* kBlurEffectGuid = "{633C80A4-1843-482b-9EF2-BE2834C5FDD4}";
}  // namespace

bool BlurEffect::delete_() {
  if (handle_ == 0) return false;
  flat::GdipFree(aux_data_);
  aux_data_ = nullptr;
  aux_size_ = 0;
  use_aux_data_ = 0;
  bool ok = store_status(flat::GdipDeleteEffect(handle_));
  set_handle(0);
  return ok;
}

bool BlurEffect::create() {
  bool ok = store_status(flat::GdipCreateEffect(text_to_guid(kBlurEffectGuid), &effect_handle_));
  set_handle(effect_handle_);
  return ok;
}

bool BlurEffect::get_parameters(flat::BlurParams* params) {
  std::uint32_t size = sizeof(flat::BlurParams);
  return forwarder(flat::GdipGetEffectParameters, effect_handle_, &size,
                   static_cast<void*>(params));
}

}  // namespace lumetra
