// Memory streams through which images travel to and from byte arrays.
//
// Usage: `GlobalStream` holds a growable block with a stream on it: `load(bytes)` gives the
// stream, an encoder writes through it, `read_all()` returns the whole block. `BytesStream` is a
// stream over a copy of some bytes, for handing them to the image loader. Both own their block
// (and stream) until `release` / `free_memory` or destruction; neither is copied. One thread at a
// time per object.
#pragma once

#include <cstddef>
#include <optional>

#include "graphics/base.h"

namespace lumetra {

class GlobalStream {
 public:
  GlobalStream() = default;
  GlobalStream(const GlobalStream&) = delete;
  GlobalStream& operator=(const GlobalStream&) = delete;
  ~GlobalStream() { release(); }

  // A stream at position 0 over a zero-filled block of `size` bytes (the length of the bytes when
  // none is given) holding the bytes; 0 when the block cannot be had. A size beyond the bytes
  // leaves the rest zero.
  Handle load(const Bytes& bytes, std::optional<std::size_t> size = std::nullopt);
  void release();
  std::size_t size() const { return flat::GlobalSize(memory_); }
  Handle stream() const { return stream_; }
  Handle memory() const { return memory_; }
  // Takes over a stream and the block behind it; true when there is one.
  bool attach(Handle stream);
  // The whole block, as large as the stream has grown it.
  Bytes read_all();

 private:
  Handle memory_ = 0;
  void* locked_ = nullptr;
  Handle stream_ = 0;
};

class BytesStream {
 public:
  BytesStream() = default;
  BytesStream(const BytesStream&) = delete;
  BytesStream& operator=(const BytesStream&) = delete;
  ~BytesStream() { free_memory(); }

  // Ends the stream and frees the block. Images read from the stream have their own pixels, so
  // nothing made from it depends on it afterwards.
  void free_memory();
  // A stream over a copy of the bytes, or over a new empty block that grows as it is written.
  Handle load(std::optional<Bytes> bytes = std::nullopt);
  Handle stream() const { return stream_; }
  std::size_t size() const { return flat::GlobalSize(memory_); }
  Bytes read_all();

 private:
  Handle memory_ = 0;
  Handle stream_ = 0;
};

}  // namespace lumetra
