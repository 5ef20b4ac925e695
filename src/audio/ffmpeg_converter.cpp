#include "audio/ffmpeg_converter.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "audio/mp3_shift_stream.h"

namespace orv {
namespace {

// Channel layouts the resampler folds into the standard format.
bool ChannelsSupported(int32_t channels) { return channels == 1 || channels == 2 || channels == 6; }

// The library's own name of the file's codec is not needed.
bool ReadAudioInfo(TMediaFile& file, TMediaAudioInfo& info) {
  if (file.Functions().GetAudioInfo(&file.Record(), nullptr, 0, &info) == 0) return false;
  // Libraries that say nothing of the sample size deliver 16 bits.
  if (info.Bits < 8) info.Bits = 16;
  return info.SampleRate > 0 && ChannelsSupported(info.Channels) && (info.Bits == 8 || info.Bits == 16);
}

Ref<TMediaFile> OpenMediaFile(Ref<TMediaLibrary> library, TStream& stream, const std::string& name) {
  // The file stays the caller's: the library reads it through a view, from the start
  // (it takes the position it finds for the start of the file).
  stream.SetPosition(0);
  return TMediaFile::Open(std::move(library), MediaLibraryNameOf(name), std::make_unique<TMp3ShiftStream>(stream, 0));
}

}  // namespace

std::string MediaLibraryNameOf(const std::string& name) { return "qwe" + name.substr(0, name.find('?')); }

int AudioStreamSelectorOf(const std::string& name) {
  const size_t mark = name.rfind('?');
  if (mark == std::string::npos) return 0;
  int selector = 0;
  const char* end = name.data() + name.size();
  const auto [stop, error] = std::from_chars(name.data() + mark + 1, end, selector);
  return error == std::errc() && stop == end && selector > 0 ? selector : 0;
}

bool ProbeWithMediaLibrary(TStream& stream, const std::string& name, TMediaInfo& info) {
  const Ref<TMediaFile> file = OpenMediaFile(SharedMediaLibrary(), stream, name);
  TMediaAudioInfo audio{};
  if (!file || file->Record().AudioStream < 0 || !ReadAudioInfo(*file, audio)) return false;
  info.DurationMs = file->Record().Duration / 1000;
  info.Format = StandardWaveFormat();
  info.Type = TMediaType::MediaLibrary;
  return true;
}

TFFMpegConverter::TFFMpegConverter(StreamPtr stream, Ref<TMediaLibrary> library, std::string name)
    : TLibraryConverter(std::move(stream)), FLibrary(std::move(library)), FName(std::move(name)) {}

bool TFFMpegConverter::Open(const TMediaInfo& info) {
  if (!HasStream()) return false;
  FFile = OpenMediaFile(FLibrary, Stream(), FName);
  TMediaAudioInfo audio{};
  if (!FFile || FFile->Record().AudioStream < 0 || !FFile->OpenAudioStream(AudioStreamSelectorOf(FName)) ||
      !ReadAudioInfo(*FFile, audio) || !TWavConverter::Open(info))
    return false;
  SetDecodedFormat(PcmWaveFormat(uint16_t(audio.Channels), uint32_t(audio.SampleRate), uint16_t(audio.Bits)));
  SetOutputFormat(StandardWaveFormat());
  FRawBlockSize = MEDIA_AUDIO_BUFFER_SIZE;
  return true;
}

bool TFFMpegConverter::ReadRaw() {
  Raw().Clear();
  int32_t count = 0;
  FFile->Functions().GetNextAudioFrame(&FFile->Record(), Raw().Extend(MEDIA_AUDIO_BUFFER_SIZE), &count);
  Raw().Shrink(size_t(std::clamp<int32_t>(count, 0, MEDIA_AUDIO_BUFFER_SIZE)));
  return !Raw().Empty();
}

void TFFMpegConverter::SeekLibrary(double ms) {
  FFile->Functions().Flush(&FFile->Record());
  FFile->SeekAudio(ms);
}

}  // namespace orv
