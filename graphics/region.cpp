#include "graphics/region.h"

namespace lumetra {
namespace {

template <class R, class F>
int read_scans(Handle region, Handle matrix, std::vector<R>& list, F scans_of) {
  unsigned n = 0;
  if (!store_status(flat::GdipGetRegionScansCount(region, &n, matrix))) return 0;
  list.assign(n, R{});
  int count = static_cast<int>(n);
  store_status(scans_of(region, list.empty() ? nullptr : list.data(), &count, matrix));
  return static_cast<int>(n);
}

}  // namespace

bool Region::create_rgn_data(const Bytes& data, std::optional<int> size) {
  // A size past the bytes would read beyond them.
  if (size && (*size < 0 || static_cast<std::size_t>(*size) > data.size()))
    return store_status(flat::InvalidParameter);
  int n = size ? *size : static_cast<int>(data.size());
  return creator(*this, region_handle_, flat::GdipCreateRegionRgnData,
                 reinterpret_cast<const unsigned char*>(data.data()), n);
}

Bytes Region::data(unsigned size, unsigned& filled) {
  Bytes buffer(size, '\0');
  store_status(flat::GdipGetRegionData(
      region_handle_, reinterpret_cast<unsigned char*>(buffer.data()), size, &filled));
  return buffer;
}

int Region::scans(const GraphicsObject& matrix, std::vector<flat::RectF>& list) {
  return read_scans(region_handle_, matrix.handle(), list, flat::GdipGetRegionScans);
}

int Region::scans_i(const GraphicsObject& matrix, std::vector<flat::Rect>& list) {
  return read_scans(region_handle_, matrix.handle(), list, flat::GdipGetRegionScansI);
}

}  // namespace lumetra
