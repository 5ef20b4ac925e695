#include "audio/compressed_decoders.h"

#include "audio/converter_factory.h"
#include "audio/media_probe.h"
#include "audio/mpeg_converter.h"
#include "audio/mpeg_probe.h"

namespace orv {

void InstallCompressedDecoders() {
  RegisterMediaProber(TProbeFamily::Mpeg,
                      [](TStream& stream, const std::string&, TMediaInfo& info) { return ProbeMpeg(stream, info); });
  RegisterConverterCreator(TMediaType::Mpeg, [](StreamPtr stream, const std::string&, const TMediaInfo&) {
    return Ref<TWavConverter>(MakeRef<TMpegConverter>(std::move(stream)));
  });
}

}  // namespace orv
