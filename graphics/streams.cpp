#include "graphics/streams.h"

#include <algorithm>
#include <cstring>

namespace lumetra {
namespace {

Bytes copy_block(Handle memory) {
  auto* data = static_cast<const char*>(flat::GlobalLock(memory));
  if (!data) return {};
  Bytes bytes(data, flat::GlobalSize(memory));
  flat::GlobalUnlock(memory);
  return bytes;
}

}  // namespace

Handle GlobalStream::load(const Bytes& bytes, std::optional<std::size_t> size) {
  release();
  std::size_t n = size.value_or(bytes.size());
  memory_ = flat::GlobalAlloc(flat::GMEM_MOVEABLE | flat::GMEM_ZEROINIT, n);
  if (!memory_) return 0;
  if (flat::CreateStreamOnHGlobal(memory_, false, &stream_) != flat::Ok) {
    release();
    return 0;
  }
  locked_ = flat::GlobalLock(memory_);
  if (std::size_t copied = std::min(n, bytes.size())) std::memcpy(locked_, bytes.data(), copied);
  flat::GlobalUnlock(memory_);
  locked_ = nullptr;
  return stream_;
}

void GlobalStream::release() {
  if (stream_) flat::StreamRelease(stream_);
  if (memory_) flat::GlobalFree(memory_);
  stream_ = 0;
  memory_ = 0;
}

bool GlobalStream::attach(Handle stream) {
  release();
  if (flat::GetHGlobalFromStream(stream, &memory_) != flat::Ok) return false;
  stream_ = stream;
  return memory_ != 0;
}

Bytes GlobalStream::read_all() {
  return copy_block(memory_);
}

void BytesStream::free_memory() {
  if (stream_) flat::StreamRelease(stream_);  // frees a block made to go with the stream
  if (memory_) flat::GlobalFree(memory_);     // harmless when that already happened
  stream_ = 0;
  memory_ = 0;
}

Handle BytesStream::load(std::optional<Bytes> bytes) {
  free_memory();
  if (!bytes) {
    memory_ = flat::GlobalAlloc(flat::GMEM_MOVEABLE, 0);
    if (!memory_ || flat::CreateStreamOnHGlobal(memory_, true, &stream_) != flat::Ok) {
      free_memory();
      return 0;
    }
    return stream_;
  }
  memory_ = flat::GlobalAlloc(0, bytes->size());
  if (!memory_) return 0;
  void* block = flat::GlobalLock(memory_);
  if (!bytes->empty()) std::memcpy(block, bytes->data(), bytes->size());
  flat::GlobalUnlock(memory_);
  if (flat::CreateStreamOnHGlobal(memory_, false, &stream_) != flat::Ok) {
    free_memory();
    return 0;
  }
  return stream_;
}

Bytes BytesStream::read_all() {
  return copy_block(memory_);
}

}  // namespace lumetra
