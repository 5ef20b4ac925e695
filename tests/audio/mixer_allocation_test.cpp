// The mixer runs on the sound card's thread: it must never touch the heap, whatever the
// streams do. A counting operator new watches the thread that renders.
#include <gtest/gtest.h>

#include <vector>

#include "audio/music_output.h"
#include "counting_new.h"
#include "signal_converter.h"

namespace orv {
namespace {

TEST(MixerAllocationTest, RenderingNeverAllocates) {
  auto output = TMusicPlayerClass::Create(
      [](TAudioRenderer& renderer) { return std::make_unique<TOfflineAudioDevice>(renderer); });
  const int64_t frames = kOutputRate / 4;  // long enough to reach the end of the data
  std::vector<Ref<TChannelMusic>> channels;
  for (double hertz : {220.0, 330.0, 440.0}) {
    auto converters = [=]() -> Ref<TWavConverter> {
      return MakeRef<test::TSignalConverter>(test::Tone(hertz, 5000), frames);
    };
    channels.push_back(output->CreateChannel("tone", test::SignalInfo(frames), converters, TMusicPlayer::kNoStart));
    channels.back()->Play(10);
  }
  channels[0]->Seek(50);
  channels[1]->Stop(20);
  std::vector<int16_t> block(2 * 4000);
  test::t_watching = true;
  // Fades, a cross-fade, playing on, data running out, and silence after it.
  for (int i = 0; i < 8; ++i) output->Mixer().Render(block.data(), 2000 + 250 * i);
  test::t_watching = false;
  EXPECT_EQ(test::t_watched_allocations, 0);
}

}  // namespace
}  // namespace orv
