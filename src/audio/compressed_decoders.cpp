#include "audio/compressed_decoders.h"

#include "audio/converter_factory.h"
#include "audio/decoder_library.h"
#include "audio/ffmpeg_converter.h"
#include "audio/media_probe.h"
#include "audio/mpeg_converter.h"
#include "audio/mpeg_probe.h"

namespace orv {
namespace {

// Ogg and WMA go through their decoder library; without one, the probe says no and the
// media library has its turn.
void InstallLibraryKind(TProbeFamily family, TMediaType type) {
  RegisterMediaProber(family, [type](TStream& stream, const std::string&, TMediaInfo& info) {
    return ProbeWithDecoderLibrary(type, stream, info);
  });
  RegisterConverterCreator(type, [type](StreamPtr stream, const std::string&, const TMediaInfo&) -> Ref<TWavConverter> {
    Ref<TDecoderLibrary> library = DecoderLibrary(type);
    if (!library) return nullptr;
    return MakeRef<TDllConverter>(std::move(stream), std::move(library));
  });
}

}  // namespace

void InstallCompressedDecoders() {
  RegisterMediaProber(TProbeFamily::Mpeg,
                      [](TStream& stream, const std::string&, TMediaInfo& info) { return ProbeMpeg(stream, info); });
  RegisterConverterCreator(TMediaType::Mpeg, [](StreamPtr stream, const std::string&, const TMediaInfo&) {
    return Ref<TWavConverter>(MakeRef<TMpegConverter>(std::move(stream)));
  });
  InstallLibraryKind(TProbeFamily::Ogg, TMediaType::Ogg);
  InstallLibraryKind(TProbeFamily::Wma, TMediaType::Wma);
  RegisterMediaProber(TProbeFamily::MediaLibrary, ProbeWithMediaLibrary);
  RegisterConverterCreator(TMediaType::MediaLibrary,
                           [](StreamPtr stream, const std::string& name, const TMediaInfo&) -> Ref<TWavConverter> {
                             Ref<TMediaLibrary> library = SharedMediaLibrary();
                             if (!library) return nullptr;
                             return MakeRef<TFFMpegConverter>(std::move(stream), std::move(library), name);
                           });
}

}  // namespace orv
