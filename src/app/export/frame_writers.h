// Where the frames of an off-screen run are written: one PNG picture, numbered PNG
// pictures in a folder, an MP4 video, or the raw bytes of every frame.
#pragma once

#include <memory>

#include "app/export/export_audio.h"
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
  // After a failed run: closes, and leaves the output as it was before the run (pictures
  // of a sequence already written are complete and stay).
  virtual void Abandon() = 0;
};

// Raises EFileError with the reason when the output named by the settings (its file or
// folder) cannot be written; touches nothing, so it can run before the show is opened.
void CheckOutput(const TExportSettings& settings);
// Opens the output named by the settings. Raises EFileError when it cannot be written. A
// video gets `audio` as its sound track when there is one; other outputs have no sound.
std::unique_ptr<TFrameWriter> CreateFrameWriter(const TExportSettings& settings,
                                                std::unique_ptr<TExportAudio> audio = nullptr);

// The name of frame `index` (from 0) in a PNG sequence folder ending in "/".
std::string SequenceFrameName(const std::string& folder, int64_t index);

}  // namespace orv
