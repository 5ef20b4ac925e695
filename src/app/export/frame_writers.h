// Where the frames of an off-screen run are written: one PNG picture, numbered PNG
// pictures in a folder, an MP4 video, or the raw bytes of every frame.
#pragma once

#include <memory>

#include "app/export/export_settings.h"
#include "image/bitmap.h"

namespace orv {

class TFrameWriter {
public:
  virtual ~TFrameWriter() = default;
  // Frames come in order, one call each. Raises EFileError when the frame cannot be
  // written.
  virtual void Write(const TBitmap& frame) = 0;
  // After the last frame: writes what is left. Raises EFileError when that fails.
  virtual void Close() = 0;
  // After a failed run: closes, and deletes a file that would be unusable unfinished.
  virtual void Abandon() = 0;
};

// Makes the output named by the settings (its file or folder) at once, so that a path
// that cannot be written fails with the reason before any frame is rendered.
std::unique_ptr<TFrameWriter> CreateFrameWriter(const TExportSettings& settings);

// The name of frame `index` (from 0) in a PNG sequence folder ending in "/".
std::string SequenceFrameName(const std::string& folder, int64_t index);

}  // namespace orv
