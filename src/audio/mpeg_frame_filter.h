// Passes on the bytes of whole MPEG audio frames and drops whatever lies between them, so
// that junk inside a file never reaches the decoder. Raw blocks cut frames anywhere; the
// filter remembers where the frame in progress ends.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "audio/mpeg_header.h"

namespace orv {

class TMpegFrameFilter {
 public:
  // Frames must belong to the stream of `reference` (same version, layer and rate).
  explicit TMpegFrameFilter(const TMpegFrameHeader& reference) : FReference(reference) {}

  // Calls sink(bytes, count) for each run of frame bytes in the block, in order.
  template <class Sink>
  void Pass(const uint8_t* data, size_t count, Sink&& sink);
  // Forgets the frame in progress: the next block starts anywhere.
  void Reset() noexcept {
    FRemaining = 0;
    FCarry.clear();
  }

 private:
  // The start of the next possible header after `at`, or `count`.
  static size_t NextSync(const uint8_t* data, size_t at, size_t count) {
    const void* sync = std::memchr(data + at + 1, 0xFF, count - at - 1);
    return sync ? size_t(static_cast<const uint8_t*>(sync) - data) : count;
  }

  TMpegFrameHeader FReference;
  // Bytes of the frame in progress still to come.
  size_t FRemaining = 0;
  // The last bytes of the previous block, too few to tell whether a header starts there,
  // and the block they are joined with.
  std::vector<uint8_t> FCarry;
  std::vector<uint8_t> FJoined;
};

template <class Sink>
void TMpegFrameFilter::Pass(const uint8_t* data, size_t count, Sink&& sink) {
  if (!FCarry.empty()) {
    FJoined.assign(FCarry.begin(), FCarry.end());
    FJoined.insert(FJoined.end(), data, data + count);
    FCarry.clear();
    data = FJoined.data();
    count = FJoined.size();
  }
  size_t run = 0;  // start of the frame bytes not yet handed on
  size_t at = 0;
  while (at < count) {
    if (FRemaining > 0) {
      const size_t take = std::min(FRemaining, count - at);
      at += take;
      FRemaining -= take;
    } else if (count - at < kMpegHeaderSize) {
      FCarry.assign(data + at, data + count);
      break;
    } else if (const std::optional<TMpegFrameHeader> header = ParseMpegHeader(data + at);
               header && header->SameStream(FReference)) {
      FRemaining = header->Length;
    } else {
      if (at > run) sink(data + run, at - run);
      at = run = NextSync(data, at, count);
    }
  }
  if (at > run) sink(data + run, at - run);
}

}  // namespace orv
