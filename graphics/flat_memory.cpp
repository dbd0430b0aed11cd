// Global memory blocks and the streams on them.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "graphics/flat.h"

namespace lumetra::flat {
namespace {

struct Block : Object {
  static constexpr Kind kKind = Kind::Memory;
  Block() : Object(Kind::Memory) {}
  std::vector<char> bytes;
  int locks = 0;
};

struct MemoryStream : Object {
  static constexpr Kind kKind = Kind::Stream;
  MemoryStream() : Object(Kind::Stream) {}
  std::shared_ptr<Block> block;
  Handle memory = 0;
  std::uint64_t position = 0;
  bool delete_on_release = false;
  std::atomic<int> references{1};
};

// Larger requests are refused rather than handed to the allocator, which may abort on them.
constexpr std::size_t kMaxBlock = std::size_t{1} << 32;

bool resize(Block& b, std::size_t size) {
  if (size > kMaxBlock) return false;
  try {
    b.bytes.reserve(std::max<std::size_t>(size, 1));  // a block always has an address
    b.bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

Handle GlobalAlloc(unsigned /*flags*/, std::size_t size) {
  // Blocks are always zero-filled, so GMEM_ZEROINIT needs nothing extra.
  auto block = std::make_shared<Block>();
  if (!resize(*block, size)) return 0;
  return add_object(std::move(block));
}

Handle GlobalFree(Handle memory) {
  return remove_object(memory, Kind::Memory) ? 0 : memory;
}

std::size_t GlobalSize(Handle memory) {
  auto b = find<Block>(memory);
  return b ? b->bytes.size() : 0;
}

void* GlobalLock(Handle memory) {
  auto b = find<Block>(memory);
  if (!b) return nullptr;
  ++b->locks;
  return b->bytes.data();
}

bool GlobalUnlock(Handle memory) {
  auto b = find<Block>(memory);
  if (!b || b->locks == 0) return false;
  return --b->locks > 0;
}

Status CreateStreamOnHGlobal(Handle memory, bool delete_on_release, Handle* stream) {
  if (!stream) return InvalidParameter;
  auto s = std::make_shared<MemoryStream>();
  if (memory == 0) {  // as the platform: no block given makes a new empty one
    memory = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!memory) return OutOfMemory;
  }
  s->block = find<Block>(memory);
  if (!s->block) return InvalidParameter;
  s->memory = memory;
  s->delete_on_release = delete_on_release;
  *stream = add_object(std::move(s));
  return Ok;
}

Status GetHGlobalFromStream(Handle stream, Handle* memory) {
  auto s = find<MemoryStream>(stream);
  if (!s || !memory) return InvalidParameter;
  *memory = s->memory;
  return Ok;
}

Status StreamRead(Handle stream, void* out, std::size_t size, std::size_t* read) {
  auto s = find<MemoryStream>(stream);
  if (!s || (!out && size)) return InvalidParameter;
  const auto& bytes = s->block->bytes;
  std::size_t n =
      s->position >= bytes.size() ? 0 : std::min<std::uint64_t>(size, bytes.size() - s->position);
  if (n) std::memcpy(out, bytes.data() + s->position, n);
  s->position += n;
  if (read) *read = n;
  return Ok;
}

Status StreamWrite(Handle stream, const void* data, std::size_t size, std::size_t* written) {
  auto s = find<MemoryStream>(stream);
  if (!s || (!data && size)) return InvalidParameter;
  if (written) *written = 0;
  Block& b = *s->block;
  if (size > kMaxBlock || s->position > kMaxBlock - size) return OutOfMemory;
  std::size_t end = s->position + size;
  if (end > b.bytes.size()) {
    if (b.locks > 0) return WrongState;  // its address is out: it must not move
    if (!resize(b, end)) return OutOfMemory;
  }
  if (size) std::memcpy(b.bytes.data() + s->position, data, size);
  s->position = end;
  if (written) *written = size;
  return Ok;
}

Status StreamSeek(Handle stream, std::int64_t offset, int origin, std::uint64_t* position) {
  auto s = find<MemoryStream>(stream);
  if (!s) return InvalidParameter;
  std::int64_t base = origin == SeekSet   ? 0
                      : origin == SeekCur ? static_cast<std::int64_t>(s->position)
                      : origin == SeekEnd ? static_cast<std::int64_t>(s->block->bytes.size())
                                          : -1;
  if (base < 0 || (offset < 0 && -offset > base)) return InvalidParameter;
  s->position = static_cast<std::uint64_t>(base + offset);
  if (position) *position = s->position;
  return Ok;
}

Status StreamSize(Handle stream, std::uint64_t* size) {
  auto s = find<MemoryStream>(stream);
  if (!s || !size) return InvalidParameter;
  *size = s->block->bytes.size();
  return Ok;
}

Status StreamAddRef(Handle stream) {
  auto s = find<MemoryStream>(stream);
  if (!s) return InvalidParameter;
  ++s->references;
  return Ok;
}

Status StreamRelease(Handle stream) {
  auto s = find<MemoryStream>(stream);
  if (!s) return InvalidParameter;
  if (--s->references > 0) return Ok;
  remove_object(stream, Kind::Stream);
  if (s->delete_on_release) GlobalFree(s->memory);
  return Ok;
}

}  // namespace lumetra::flat
