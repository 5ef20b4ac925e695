// The MPEG audio probe: finds the first frame of an MPEG audio stream (layers 1-3) and
// reads the stream's length from its variable-bit-rate header or its bit rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/media_info.h"
#include "audio/mpeg_header.h"
#include "base/stream.h"

namespace orv {

// How far past the start of the data the first frame is looked for.
inline constexpr int64_t kMpegSearchLimit = 512 * 1024;

// Fills the record for the MPEG audio in `stream`. The length comes from the Xing, Info
// or VBRI frame when there is one, else from the bit rate of the first frames (which also
// tell whether the rate varies). For MPEG inside a WAV file the record
// arrives with the data chunk's DataOffset, DataSize and the WAV's BitRate; otherwise
// cleared, and the whole stream (less ID3 tags) is searched. False when no two frames
// in a row are found.
bool ProbeMpeg(TStream& stream, TMediaInfo& info);

// The first position in bytes[0, count) where a valid header is followed, one frame
// length later, by a header of the same stream; none when there is no such place. The
// following header must lie within the bytes.
std::optional<size_t> FindMpegFrame(const uint8_t* bytes, size_t count);

// What a Xing, Info or VBRI header in the first frame tells.
struct TMpegTagFrame {
  uint32_t Frames = 0;  // 0 when not given
  uint32_t Bytes = 0;   // 0 when not given
  bool Vbr = false;     // "Xing" or "VBRI"; "Info" marks a constant bit rate
};

// Reads the tag from the frame at `frame` (count bytes of it available); none when the
// frame holds audio instead.
std::optional<TMpegTagFrame> ReadMpegTagFrame(const TMpegFrameHeader& header, const uint8_t* frame, size_t count);

}  // namespace orv
