// The base of converters whose decoding happens in a run-time loaded library (the media
// library, the Ogg and WMA decoder libraries). Such a library reads the file through the
// stream callbacks on its own and keeps track of where it is, so the converter's restarts
// must leave the stream where the library left it; raw blocks are decoded PCM already.
#pragma once

#include "audio/audio_converter.h"

namespace orv {

class TLibraryConverter : public TWavConverter {
 public:
  using TWavConverter::TWavConverter;

  void Seek(double ms) final;

 protected:
  // Moves the library's decoding to `ms`.
  virtual void SeekLibrary(double ms) = 0;
  // Appends the PCM of the raw block and advances the position by its length.
  bool Convert() override;
};

}  // namespace orv
