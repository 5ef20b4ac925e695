// Audio seeks of the media library: each container's way of seeking is chosen by its
// rules, and decoding resumes within one audio frame of the target, with the samples the
// file has there.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/ffmpeg_converter.h"
#include "compressed_fixtures.h"
#include "video/media_library.h"

namespace orv {
namespace {

using test::kChirp;
using test::TSoundFolder;

struct TSeekCase {
  const char* Name;
  const char* Arguments;
  TAudioSeekStrategy Strategy;
  size_t FrameLength;  // sample frames per audio frame of the codec
  // How far from the target decoding may resume, in sample frames: one audio frame, but
  // ASF stamps whole packets of frames, so that its seeks are only as exact as a packet.
  size_t Tolerance;
};

const TSeekCase kSeekCases[] = {
    {"seek.m4a", "-c:a aac -b:a 160k", TAudioSeekStrategy::AudioStream, 1024, 1024},
    {"seek.mka", "-c:a libmp3lame -b:a 192k", TAudioSeekStrategy::TriedTargets, 1152, 1152},
    {"seek.asf", "-c:a wmav2 -b:a 128k", TAudioSeekStrategy::SkipFrames, 2048, 3 * 2048},
};

// Targets out of order: forward, far forward, back to the start, back, the very start.
const double kTargetsMs[] = {3000, 10000.5, 50, 6000, 0};

constexpr size_t kRate = 44100;

size_t SampleFrameOf(double ms) { return size_t(std::llround(ms * kRate / 1000)); }

// Up to `frames` sample frames of what the opened audio stream delivers from where it stands.
std::vector<int16_t> ReadAudio(TMediaFile& file, size_t frames) {
  std::vector<uint8_t> buffer(MEDIA_AUDIO_BUFFER_SIZE);
  std::vector<int16_t> samples;
  while (samples.size() < frames * 2) {
    int32_t count = 0;
    file.Functions().GetNextAudioFrame(&file.Record(), buffer.data(), &count);
    if (count <= 0) break;
    const size_t first = samples.size();
    samples.resize(first + size_t(count) / 2);
    std::memcpy(samples.data() + first, buffer.data(), size_t(count) / 2 * 2);
  }
  samples.resize(std::min(samples.size(), frames * 2));
  return samples;
}

// The stereo sample frames of `piece` from `settle` on, as `whole` has them from `start` on.
double MeanError(const std::vector<int16_t>& whole, const std::vector<int16_t>& piece, size_t start, size_t settle,
                 size_t window) {
  double error = 0;
  for (size_t i = settle * 2; i < (settle + window) * 2; ++i) error += std::fabs(double(piece[i]) - whole[start * 2 + i]);
  return error / double(window * 2);
}

// The sample frame of `whole` at which `piece` begins, searched within `reach` frames of
// `expected`. The first frames of `piece` are left out of the comparison: a decoder that
// starts mid-stream (and MP3's bit reservoir) needs a few frames to settle.
size_t WhereBegins(const std::vector<int16_t>& whole, const std::vector<int16_t>& piece, size_t expected,
                   size_t reach, size_t settle) {
  constexpr size_t kWindow = 1024;
  size_t best = 0;
  double best_error = INFINITY;
  const size_t last = std::min(expected + reach, whole.size() / 2 - settle - kWindow);
  for (size_t start = expected > reach ? expected - reach : 0; start <= last; ++start) {
    const double error = MeanError(whole, piece, start, settle, kWindow);
    if (error < best_error) {
      best_error = error;
      best = start;
    }
  }
  return best;
}

class MediaAudioSeek : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FFiles = new TSoundFolder;
    for (const TSeekCase& file : kSeekCases) FFiles->Make(file.Name, kChirp + std::string(file.Arguments));
    ASSERT_TRUE(LoadSharedMediaLibrary(ORV_MEDIA_LIBRARY_PATH));
  }
  static void TearDownTestSuite() {
    delete FFiles;
    FFiles = nullptr;
  }
  static Ref<TMediaFile> OpenAudio(const TSeekCase& file) {
    const std::string path = FFiles->PathOf(file.Name);
    Ref<TMediaFile> opened = TMediaFile::Open(SharedMediaLibrary(), path,
                                              std::make_unique<TFileStream>(path, TFileMode::OpenRead));
    if (!opened || !opened->OpenAudioStream(0)) return nullptr;
    return opened;
  }

  // Checks that `resumed`, what followed a seek to `ms`, is `whole` from within one audio
  // frame of `ms` on.
  static void ExpectResumesAt(const std::vector<int16_t>& whole, const std::vector<int16_t>& resumed, double ms,
                              const TSeekCase& file) {
    const size_t settle = 3 * file.FrameLength;
    ASSERT_GT(resumed.size(), (settle + 4096) * 2);
    const size_t target = SampleFrameOf(ms);
    const size_t start = WhereBegins(whole, resumed, target, 2 * file.Tolerance, settle);
    EXPECT_LE(std::max(start, target) - std::min(start, target), file.Tolerance) << "resumed at frame " << start;
    const std::vector<int16_t> expected(whole.begin() + ptrdiff_t(start * 2), whole.end());
    EXPECT_GE(test::SignalToNoise(test::From(expected, settle), test::From(resumed, settle)), 25);
  }

  static inline TSoundFolder* FFiles = nullptr;
};

TEST_F(MediaAudioSeek, EachContainerSeeksItsWayToWithinOneFrame) {
  for (const TSeekCase& file : kSeekCases) {
    SCOPED_TRACE(file.Name);
    const Ref<TMediaFile> continuous = OpenAudio(file);
    const Ref<TMediaFile> seeking = OpenAudio(file);
    ASSERT_TRUE(continuous && seeking);
    const std::vector<int16_t> whole = ReadAudio(*continuous, SIZE_MAX / 4);
    ASSERT_GE(whole.size(), SampleFrameOf(11900) * 2);
    EXPECT_EQ(seeking->Extras().AudioSeekStrategy, TAudioSeekStrategy::Unchosen);
    for (const double ms : kTargetsMs) {
      SCOPED_TRACE(ms);
      seeking->SeekAudio(ms);
      EXPECT_EQ(seeking->Extras().AudioSeekStrategy, file.Strategy);
      ExpectResumesAt(whole, ReadAudio(*seeking, kRate / 2), ms, file);
    }
  }
}

// The converter reports the target as its position; what it delivers begins there, within
// one audio frame.
TEST_F(MediaAudioSeek, ConverterResumesAtTheTarget) {
  for (const TSeekCase& file : kSeekCases) {
    SCOPED_TRACE(file.Name);
    TMediaInfo info;
    const Ref<TWavConverter> continuous = test::OpenConverter(FFiles->PathOf(file.Name), &info);
    ASSERT_TRUE(continuous);
    if (info.Type != TMediaType::MediaLibrary) continue;
    const std::vector<int16_t> whole = test::DecodeRest(*continuous);
    const Ref<TWavConverter> seeking = test::OpenConverter(FFiles->PathOf(file.Name));
    for (const double ms : kTargetsMs) {
      SCOPED_TRACE(ms);
      seeking->Seek(ms);
      EXPECT_DOUBLE_EQ(seeking->Position(), ms);
      ExpectResumesAt(whole, test::Take(*seeking, kRate / 2), ms, file);
    }
  }
}

}  // namespace
}  // namespace orv
