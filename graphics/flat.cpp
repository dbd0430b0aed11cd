#include "graphics/flat.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <set>
#include <unordered_map>

namespace lumetra::flat {
namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<Handle, std::shared_ptr<Object>> objects;
  // Handles count up from a base that is no plausible small integer and are never reused, so a
  // stale handle can only miss.
  Handle next = 0x10000;
};

Registry& registry() {
  static auto* r = new Registry;  // kept to the end: objects may be released at exit
  return *r;
}

std::mutex startup_mutex;
std::set<std::uintptr_t> live_tokens;
std::uintptr_t next_token = 1;

}  // namespace

Handle add_object(std::shared_ptr<Object> object) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  Handle h = r.next++;
  r.objects.emplace(h, std::move(object));
  return h;
}

std::shared_ptr<Object> find_object(Handle handle, Kind kind) {
  if (handle == 0) return nullptr;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.objects.find(handle);
  if (it == r.objects.end() || it->second->kind != kind) return nullptr;
  return it->second;
}

bool remove_object(Handle handle, Kind kind) {
  std::shared_ptr<Object> doomed;  // destroyed outside the lock: it may release other handles
  Registry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    auto it = r.objects.find(handle);
    if (handle == 0 || it == r.objects.end() || it->second->kind != kind) return false;
    doomed = std::move(it->second);
    r.objects.erase(it);
  }
  return true;
}

std::size_t object_count(Kind kind) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::size_t n = 0;
  for (const auto& [h, o] : r.objects) n += o->kind == kind;
  return n;
}

Status GdiplusStartup(std::uintptr_t* token, const StartupInput* input, void* /*output*/) {
  if (!token || !input) return InvalidParameter;
  if (input->version < 1 || input->version > 3) return UnsupportedGdiplusVersion;
  std::lock_guard lock(startup_mutex);
  *token = next_token++;
  live_tokens.insert(*token);
  return Ok;
}

void GdiplusShutdown(std::uintptr_t token) {
  std::lock_guard lock(startup_mutex);
  live_tokens.erase(token);
}

Status require_started() {
  std::lock_guard lock(startup_mutex);
  return live_tokens.empty() ? GdiplusNotInitialized : Ok;
}

void* GdipAlloc(std::size_t size) {
  return std::malloc(size ? size : 1);
}
void GdipFree(void* block) {
  std::free(block);
}

Status make_image(int width, int height, int format, std::shared_ptr<Image>* out) {
  if (!out || width < 1 || height < 1) return InvalidParameter;
  switch (format) {
    case PixelFormat1bppIndexed:
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat16bppARGB1555:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
      break;
    default:
      return InvalidParameter;
  }
  // Checked before QImage sees it: a huge request must be a status, not an abort.
  constexpr std::int64_t kMaxBytes = std::int64_t{1} << 30;
  if (std::int64_t{width} * height * 4 > kMaxBytes) return OutOfMemory;
  auto image = std::make_shared<Image>();
  image->pixels = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
  if (image->pixels.isNull()) return OutOfMemory;
  // Formats without alpha start opaque black, as a fresh bitmap of the platform does.
  bool has_alpha = format & kPixelFormatAlpha;
  image->pixels.fill(has_alpha ? Qt::transparent : Qt::black);
  image->format = format;
  image->raw_format = kImageFormatMemoryBmp;
  image->frame_dimension =
      Guid{0x7462DC86, 0x6180, 0x4C7E, {0x8E, 0x3F, 0xEE, 0x73, 0x33, 0xA7, 0xA4, 0x83}};
  *out = std::move(image);
  return Ok;
}

}  // namespace lumetra::flat
