// Sounds of every kind the built-in decoders do not read, decoded by the media library.
#pragma once

#include <string>

#include "audio/library_converter.h"
#include "video/media_library.h"

namespace orv {

// The name under which the media library sees a sound file (it only tells the format by
// the extension), and the audio stream a "?N" suffix selects (0: the default one).
std::string MediaLibraryNameOf(const std::string& name);
int AudioStreamSelectorOf(const std::string& name);

// The probe of the media library: the file's duration, delivered in the standard format.
bool ProbeWithMediaLibrary(TStream& stream, const std::string& name, TMediaInfo& info);

class TFFMpegConverter : public TLibraryConverter {
 public:
  TFFMpegConverter(StreamPtr stream, Ref<TMediaLibrary> library, std::string name);

  bool Open(const TMediaInfo& info) override;

 protected:
  ~TFFMpegConverter() override = default;

  bool ReadRaw() override;
  void SeekLibrary(double ms) override;

 private:
  Ref<TMediaLibrary> FLibrary;
  std::string FName;
  Ref<TMediaFile> FFile;
};

}  // namespace orv
