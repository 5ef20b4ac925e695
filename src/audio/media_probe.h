// The media probe: reads a sound file's header and fills its media record.
//
// WAV files are read here. The other kinds are read by probes that register themselves at
// start-up (see InstallAudioDecoders in audio_decoders.h), so this library does not depend
// on their decoders: MPEG audio, the Ogg and WMA decoder libraries, the media library and
// composite descriptions.
#pragma once

#include <functional>
#include <string>

#include "audio/media_info.h"
#include "base/stream.h"

namespace orv {

// Fills `info` (cleared first) for the sound in `stream` named `name`; false when no probe
// recognises it, with the reason in `reason` when one is given. Never raises for bad data.
bool ProbeMedia(TStream& stream, const std::string& name, TMediaInfo& info, std::string* reason = nullptr);

// Composite descriptions begin with this text (see TProbeFamily::Composite).
inline constexpr const char* kCompositeMarker = "9213AB40-17BB-458F-9C4C-1806F44BEB65";

enum class TProbeFamily {
  // MPEG audio: ".mp3", ".mp2", ".mp1", and WAV files with format tag 85. For a WAV file
  // the record arrives with the data chunk's DataOffset and DataSize and the WAV's BitRate
  // (kbps) set; otherwise cleared.
  Mpeg,
  Ogg,  // ".ogg" through the Ogg decoder library
  Wma,  // ".wma" through the WMA decoder library
  // Anything the media library opens: the last resort for every other name.
  MediaLibrary,
  // Names that begin with the composite marker; `stream` is then not read.
  Composite,
};

// Reads a file of one family into the record; false when it is not one.
using TMediaProber = std::function<bool(TStream& stream, const std::string& name, TMediaInfo& info)>;

// Installs the probe of a family, replacing any earlier one; an empty one removes it.
void RegisterMediaProber(TProbeFamily family, TMediaProber prober);
// Runs the probe of a family on the stream from its start; false when it does not
// recognise the file, raises, or no probe of that family is installed.
bool RunMediaProber(TProbeFamily family, TStream& stream, const std::string& name, TMediaInfo& info);

// The WAV reader on its own (ProbeMedia tries it first): true with the record filled for
// a RIFF/WAVE file of a supported format.
bool ProbeWav(TStream& stream, TMediaInfo& info, std::string* reason = nullptr);

}  // namespace orv
