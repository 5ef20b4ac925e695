// Registers the probes and converters of the compressed kinds: MPEG audio (libmpg123),
// Ogg Vorbis and WMA (decoder libraries) and whatever the media library reads.
#pragma once

namespace orv {

void InstallCompressedDecoders();

}  // namespace orv
