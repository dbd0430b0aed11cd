#include "graphics/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumetra {
namespace {

// The encoder parameter block as the flat layer takes it, kept alive around the call.
struct ParameterBlock {
  std::vector<flat::EncoderParameter> items;
  flat::EncoderParameters block;
  const flat::EncoderParameters* get() const { return &block; }
};

std::size_t value_size(std::uint32_t type) {
  switch (type) {
    case 1:
    case 2:
    case 7:
      return 1;
    case 3:
      return 2;
    case 4:
      return 4;
    case 5:
    case 6:
      return 8;
    case 8:
      return 16;
    default:
      return 0;
  }
}

// Builds the block; false, with InvalidParameter stored, when the record promises more items or
// values than it holds, so the encoder never reads past them.
bool build(const EncoderParameterList& list, ParameterBlock& out) {
  if (list.count > list.items.size()) return store_status(flat::InvalidParameter);
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const EncoderParameterItem& item = list.items[i];
    std::size_t unit = value_size(item.value_type);
    if (unit == 0 || item.values.size() / unit < item.value_count)
      return store_status(flat::InvalidParameter);
    out.items.push_back(flat::EncoderParameter{text_to_guid(item.category), item.value_count,
                                               item.value_type, item.values.data()});
  }
  out.block = flat::EncoderParameters{list.count, out.items.data()};
  return true;
}

}  // namespace

bool Bitmap::dispose() {
  bool ok = deleter(*this, flat::GdipDisposeImage);
  source_stream_.release();
  return ok;
}

bool Bitmap::from_file(const Text& path, bool use_icm) {
  return from_file_wide(to_wide(path), use_icm);
}

bool Bitmap::from_file_wide(const std::u16string& path, bool use_icm) {
  std::u16string terminated = path;
  if (terminated.empty() || terminated.back() != u'\0') terminated.push_back(u'\0');
  return creator(
      *this, bitmap_handle_,
      icm_choice(use_icm, flat::GdipCreateBitmapFromFile, flat::GdipCreateBitmapFromFileICM),
      terminated.c_str());
}

bool Bitmap::from_bytes(const Bytes& bytes, bool use_icm) {
  Handle stream = source_stream_.load(bytes);
  bool ok = creator(
      *this, bitmap_handle_,
      icm_choice(use_icm, flat::GdipCreateBitmapFromStream, flat::GdipCreateBitmapFromStreamICM),
      stream);
  if (!ok) source_stream_.release();  // no image lives on these bytes
  return ok;
}

bool Bitmap::create_from_resource(Handle module, const Text& name) {
  return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromResource, module,
                 to_wide(name).c_str());
}

flat::RectF Bitmap::bounds(int& unit) {
  flat::RectF r;
  store_status(flat::GdipGetImageBounds(image_handle_, &r, &unit));
  return r;
}

flat::SizeF Bitmap::dimension() {
  flat::SizeF s;
  store_status(flat::GdipGetImageDimension(image_handle_, &s.width, &s.height));
  return s;
}

bool Bitmap::apply_effect(BlurEffect& effect, const flat::Rect* rect) {
  if (effect.aux_data()) {
    gdip_free(effect.aux_data());
    effect.aux_data(nullptr);
  }
  void* aux = nullptr;
  int aux_size = 0;
  flat::Status s = flat::GdipBitmapApplyEffect(bitmap_handle_, effect.effect_handle(), rect,
                                               effect.use_aux_data() != 0, &aux, &aux_size);
  effect.aux_data(aux);
  effect.aux_size(aux_size);
  return store_status(s);
}

void Bitmap::rotated_size(float width, float height, int angle, float& out_width,
                          float& out_height) {
  const float radians = static_cast<float>(angle * 3.1415926535 / 180);
  const float s = std::sin(radians), c = std::cos(radians);
  const float hx = (width - 1) / 2, hy = (height - 1) / 2;
  struct P {
    float x, y;
  };
  auto turn = [&](P p) { return P{c * p.x + s * p.y, -s * p.x + c * p.y}; };
  P p0 = turn({-hx, hy}), p1 = turn({hx, hy}), p2 = turn({-hx, -hy}), p3 = turn({hx, -hy});
  out_width = std::max(std::abs(p3.x - p0.x), std::abs(p2.x - p1.x));
  out_height = std::max(std::abs(p3.y - p0.y), std::abs(p2.y - p1.y));
}

int Bitmap::image_encoders(std::vector<CodecRecord>& list) {
  std::uint32_t count = 0, size = 0;
  if (!store_status(flat::GdipGetImageEncodersSize(&count, &size))) return 0;
  list.assign(count, CodecRecord{});
  std::vector<std::uint64_t> buffer(size / 8 + 1);  // aligned for the records at its start
  auto* info = reinterpret_cast<flat::ImageCodecInfo*>(buffer.data());
  if (!store_status(flat::GdipGetImageEncoders(count, size, info))) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const flat::ImageCodecInfo& c = info[i];
    CodecRecord& r = list[i];
    r.clsid = guid_to_text(c.clsid);
    r.format_id = guid_to_text(c.format_id);
    r.codec_name = to_text(c.codec_name);
    r.dll_name = to_text(c.dll_name);
    r.format_description = to_text(c.format_description);
    r.filename_extension = to_text(c.filename_extension);
    r.mime_type = to_text(c.mime_type);
    r.flags = c.flags;
    r.version = c.version;
    r.sig_count = c.sig_count;
    r.sig_size = c.sig_size;
    r.sig_pattern.assign(reinterpret_cast<const char*>(c.sig_pattern), c.sig_size);
    r.sig_mask.assign(reinterpret_cast<const char*>(c.sig_mask), c.sig_size);
  }
  return static_cast<int>(count);
}

Text Bitmap::encoder_for_format(const Text& format) {
  std::vector<CodecRecord> list;
  image_encoders(list);
  for (const CodecRecord& r : list)
    if (r.format_id == format) return r.clsid;
  return {};
}

flat::Guid Bitmap::encoder_of(const Text& format, const char* fallback) {
  Text chosen = !format.empty() ? format : fallback ? Text(fallback) : raw_format();
  return text_to_guid(encoder_for_format(chosen));
}

bool Bitmap::save_to_file(const Text& path, const Text& format,
                          const EncoderParameterList* parameters) {
  flat::Guid encoder = encoder_of(format, nullptr);
  ParameterBlock block;
  if (parameters && !build(*parameters, block)) return false;
  return forwarder(flat::GdipSaveImageToFile, image_handle_, to_wide(path).c_str(), &encoder,
                   parameters ? block.get() : nullptr);
}

bool Bitmap::save_to_file_wide(const std::u16string& path, const Text& format,
                               const EncoderParameterList* parameters) {
  flat::Guid encoder = encoder_of(format, kImageFormatBmp);
  ParameterBlock block;
  if (parameters && !build(*parameters, block)) return false;
  std::u16string terminated = path;
  if (terminated.empty() || terminated.back() != u'\0') terminated.push_back(u'\0');
  return forwarder(flat::GdipSaveImageToFile, image_handle_, terminated.c_str(), &encoder,
                   parameters ? block.get() : nullptr);
}

Bytes Bitmap::save_to_bytes(const Text& format, const EncoderParameterList* parameters) {
  GlobalStream local;
  flat::Guid encoder = encoder_of(format, nullptr);
  local.load({});
  ParameterBlock block;
  if (parameters && !build(*parameters, block)) return {};
  if (!forwarder(flat::GdipSaveImageToStream, image_handle_, local.stream(), &encoder,
                 parameters ? block.get() : nullptr))
    return {};  // never a partial file
  return local.read_all();
}

bool Bitmap::save_add(const EncoderParameterList& parameters) {
  ParameterBlock block;
  if (!build(parameters, block)) return false;
  return forwarder(flat::GdipSaveAdd, image_handle_, block.get());
}

bool Bitmap::save_add_image(Bitmap& other, const EncoderParameterList& parameters) {
  ParameterBlock block;
  if (!build(parameters, block)) return false;
  return forwarder(flat::GdipSaveAddImage, image_handle_, other.image_handle(), block.get());
}

bool Bitmap::encoder_parameter_list(const Text& format, EncoderParameterList& list) {
  flat::Guid encoder = encoder_of(format, nullptr);
  std::uint32_t size = 0;
  if (!store_status(flat::GdipGetEncoderParameterListSize(image_handle_, &encoder, &size)))
    return false;
  std::vector<std::uint64_t> buffer(size / 8 + 1);
  auto* params = reinterpret_cast<flat::EncoderParameters*>(buffer.data());
  if (!store_status(flat::GdipGetEncoderParameterList(image_handle_, &encoder, size, params)))
    return false;
  list.count = params->count;
  list.items.assign(params->count, EncoderParameterItem{});
  for (std::uint32_t i = 0; i < params->count; ++i) {
    const flat::EncoderParameter& p = params->parameter[i];
    EncoderParameterItem& item = list.items[i];
    item.category = guid_to_text(p.guid);
    item.value_count = p.number_of_values;
    item.value_type = p.type;
    item.values.assign(static_cast<const char*>(p.value), p.number_of_values * value_size(p.type));
  }
  return true;
}

Text Bitmap::raw_format() {
  flat::Guid g;
  store_status(flat::GdipGetImageRawFormat(image_handle_, &g));
  return guid_to_text(g);
}

std::uint32_t Bitmap::frame_count(const Text& dimension) {
  flat::Guid g = text_to_guid(dimension);
  return getter<std::uint32_t>(flat::GdipImageGetFrameCount, image_handle_, &g);
}

bool Bitmap::frame_dimensions(std::vector<Text>& list) {
  std::uint32_t n = 0;
  if (!store_status(flat::GdipImageGetFrameDimensionsCount(image_handle_, &n))) return false;
  std::vector<flat::Guid> guids(n);
  bool ok = store_status(flat::GdipImageGetFrameDimensionsList(image_handle_, guids.data(), n));
  list.clear();
  for (const flat::Guid& g : guids) list.push_back(ok ? guid_to_text(g) : Text{});
  return ok;
}

bool Bitmap::select_active_frame(const Text& dimension, std::uint32_t index) {
  flat::Guid g = text_to_guid(dimension);
  return forwarder(flat::GdipImageSelectActiveFrame, image_handle_, &g, index);
}

bool Bitmap::frame_delays(std::vector<std::uint32_t>& list) {
  PropertyRecord record;
  if (!property_item(kPropertyTagFrameDelay, record)) return false;
  list.assign(record.length / 4, 0);
  if (!list.empty()) std::memcpy(list.data(), record.value.data(), list.size() * 4);
  return true;
}

bool Bitmap::property_item(std::uint32_t id, PropertyRecord& record) {
  std::uint32_t size = 0;
  if (!store_status(flat::GdipGetPropertyItemSize(image_handle_, id, &size))) return false;
  std::vector<std::uint64_t> buffer(size / 8 + 1, 0);
  auto* item = reinterpret_cast<flat::PropertyItemData*>(buffer.data());
  if (!store_status(flat::GdipGetPropertyItem(image_handle_, id, size, item))) return false;
  record.id = item->id;
  record.length = item->length;
  record.type = item->type;
  record.value.assign(static_cast<const char*>(item->value), item->length);
  return true;
}

bool Bitmap::set_property_item(PropertyRecord& record) {
  if (record.length > record.value.size()) return store_status(flat::InvalidParameter);
  flat::PropertyItemData item{record.id, record.length, static_cast<std::uint16_t>(record.type),
                              record.value.data()};
  bool ok = forwarder(flat::GdipSetPropertyItem, image_handle_, &item);
  record.id = item.id;
  record.length = item.length;
  record.type = item.type;
  return ok;
}

int Bitmap::property_ids(std::vector<std::uint32_t>& list) {
  std::uint32_t n = 0;
  if (!store_status(flat::GdipGetPropertyCount(image_handle_, &n))) return 0;
  list.assign(n, 0);
  store_status(flat::GdipGetPropertyIdList(image_handle_, n, list.data()));
  return static_cast<int>(n);
}

bool Bitmap::palette(PaletteRecord& record) {
  int size = 0;
  if (!store_status(flat::GdipGetImagePaletteSize(image_handle_, &size))) return false;
  std::vector<std::uint32_t> block(static_cast<std::size_t>(std::max(size, 8)) / 4);
  if (!store_status(flat::GdipGetImagePalette(image_handle_, block.data(), size))) return false;
  record.flags = block[0];
  record.count = block[1];
  record.entries.assign(block.begin() + 2, block.begin() + 2 + block[1]);
  return true;
}

bool Bitmap::set_palette(PaletteRecord& record) {
  if (record.count > record.entries.size()) return store_status(flat::InvalidParameter);
  std::vector<std::uint32_t> block{record.flags, record.count};
  block.insert(block.end(), record.entries.begin(), record.entries.end());
  bool ok = forwarder(flat::GdipSetImagePalette, image_handle_,
                      static_cast<const std::uint32_t*>(block.data()));
  record.flags = block[0];
  record.count = block[1];
  return ok;
}

}  // namespace lumetra
