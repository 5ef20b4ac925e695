#include "audio/audio_decoders.h"

#include "audio/adpcm_converter.h"
#include "audio/compressed_decoders.h"
#include "audio/composite_converter.h"
#include "audio/converter_factory.h"

namespace orv {
namespace {

template <class Converter>
TConverterCreator CreatorOf() {
  return [](StreamPtr stream, const std::string&, const TMediaInfo&) -> Ref<TWavConverter> {
    return MakeRef<Converter>(std::move(stream));
  };
}

}  // namespace

void InstallAudioDecoders() {
  RegisterConverterCreator(TMediaType::WavPcm, CreatorOf<TWavConverter>());
  RegisterConverterCreator(TMediaType::WavFloat, CreatorOf<TWavConverter>());
  RegisterConverterCreator(TMediaType::WavAdpcm, CreatorOf<TAdpcmConverter>());
  InstallCompressedDecoders();
  RegisterCompositeDecoder();
}

}  // namespace orv
