// The whole way to a real device: SDL's "disk" driver plays in real time and writes what
// would be heard to a file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "audio/music_output.h"
#include "signal_converter.h"

namespace orv {
namespace {

template <class Condition>
bool Within(std::chrono::seconds limit, Condition condition) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

TEST(SoundCardTest, ToneOnAChannelReachesTheDiskDriversFile) {
  const std::string path = ::testing::TempDir() + "/orv_sound_card_test.raw";
  std::filesystem::remove(path);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  auto output = TMusicPlayerClass::Create();
  ASSERT_TRUE(output) << "the disk driver did not open";
  EXPECT_TRUE(output->DeviceUsable());

  const double amplitude = 12000, hertz = 441;
  const test::TSignal tone = test::Tone(hertz, amplitude);
  const int64_t frames = 10 * kOutputRate;
  auto channel = output->CreateChannel(
      "tone", test::SignalInfo(frames),
      [&] { return Ref<TWavConverter>(MakeRef<test::TSignalConverter>(tone, frames)); }, TMusicPlayer::kNoStart);
  ASSERT_TRUE(channel->Play(10));
  const auto quarter_second = std::uintmax_t(kOutputRate / 4 * 4);
  EXPECT_TRUE(Within(std::chrono::seconds(10), [&] {
    return std::filesystem::exists(path) && std::filesystem::file_size(path) > quarter_second;
  }));
  EXPECT_TRUE(Within(std::chrono::seconds(10), [&] { return output->ClockTime() > 50; })) << "the clock follows";
  EXPECT_GT(output->Device().RenderCalls(), 0u);
  EXPECT_GT(output->Device().WorstRenderNanoseconds(), 0);
  channel.Reset();
  output.Reset();

  const std::vector<int16_t> samples = ReadSamples(path);
  ASSERT_GT(samples.size(), 2 * 2000u);
  // The tone starts with the channel (after any silence the device played before it) and
  // then runs on sample for sample.
  size_t start = 0;
  while (start < samples.size() && samples[start] == 0) start += 2;
  const size_t first_full = start + 2 * 441;
  ASSERT_LT(first_full + 2 * 1000, samples.size());
  for (size_t i = first_full; i < first_full + 2 * 1000; i += 2) {
    const int64_t frame = int64_t(i - start) / 2 + 1;  // the first frame of a tone is 0
    ASSERT_NEAR(samples[i], tone(frame), 1) << "frame " << frame;
    ASSERT_EQ(samples[i], samples[i + 1]) << "both sides";
  }
}

TEST(SoundCardTest, DummyDriverMeansNoOutput) {
  // It opens, but plays nothing and its clock drifts: the system timer keeps time instead.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_FALSE(TMusicPlayerClass::Create());
}

}  // namespace
}  // namespace orv
