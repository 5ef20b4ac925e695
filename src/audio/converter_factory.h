// Turns a probed sound into its converter, and opens sound files by name.
//
// The factory knows no converter class itself: each kind's creator is registered once at
// start-up (see InstallAudioDecoders in audio_decoders.h), so this library does not depend
// on the mixer that in turn creates converters for its items, nor on the libraries behind
// the MPEG, Ogg, WMA and media-library kinds. Registration happens before any sound is
// opened; lookups may then come from any thread.
#pragma once

#include <functional>
#include <string>

#include "audio/audio_converter.h"
#include "audio/media_info.h"
#include "base/ref_object.h"
#include "base/stream.h"

namespace orv {

// Creates the (not yet opened) converter of one kind; null when it cannot, e.g. because
// the library it needs is not loaded.
using TConverterCreator =
    std::function<Ref<TWavConverter>(StreamPtr stream, const std::string& name, const TMediaInfo& info)>;

// Installs the creator for one kind, replacing any earlier one; an empty one removes it.
void RegisterConverterCreator(TMediaType type, TConverterCreator creator);

// The converter for the record's kind, opened with the record; null when the kind has no
// creator or the converter does not open. `name` is the file name as the show gives it
// (for a composite, the description text).
Ref<TWavConverter> CreateConverter(StreamPtr stream, const std::string& name, const TMediaInfo& info);

// Opens a sound file by the name the show gives it: names that begin with "LoadFromDisk:"
// are read from the disk, the others from the show's package. Null when it does not open.
using TAudioOpener = std::function<StreamPtr(const std::string& name)>;

// The prefix that sends a name to the disk instead of the package.
inline constexpr const char* kLoadFromDiskPrefix = "LoadFromDisk:";

// The show installs its opener when it starts; until then names are read from the disk,
// with or without the prefix.
void SetAudioOpener(TAudioOpener opener);
// Opens `name` through the installed opener; null when it does not open.
StreamPtr OpenAudioFile(const std::string& name);

}  // namespace orv
