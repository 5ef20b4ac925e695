// What opening a show sets up besides the show itself: the media library and whether full
// screen may take the display for itself.
#pragma once

#include <string>

#include "base/stream.h"
#include "package/show_locator.h"

namespace orv {

// Loads the media library (in the background) unless one is loaded: the show's own
// "ffmpeg.dll" (copied into a private temporary folder) when it is a library for this
// machine and loads, else "../Common/FFmpeg.so" beside the folder of `program_path` when
// it exists. Without either, video is unavailable; nothing is said. The Ogg and WMA
// decoder libraries are loaded from Common/ too, once (a show's "orvogg.dll" or
// "orvwma.dll" is for another system and never loaded).
void PrepareMediaLibrary(const TOrvShowLocator* locator, const std::string& program_path);

// Whether the stream (read from its start) is a shared library that this program could
// load: ELF, of the same class, byte order and machine as `program_path`.
bool IsLibraryForThisMachine(TStream& library, const std::string& program_path);

// Full screen may take the display unless the show asks not to ("opt_scr_noexclusive");
// this platform has no desktop composition to be kept.
void DecideExclusiveMode(const TOrvShowLocator& locator);

}  // namespace orv
