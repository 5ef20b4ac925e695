// orvpack music and orvpack mix on small shows and sounds written by the test.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "constant_wav.h"
#include "orvpack_runner.h"

namespace {

using namespace orv::test;

// `ms` of one value.
std::string ConstantWav(int16_t value, int ms) { return orv::test::ConstantWav(value, int64_t(ms) * 44100 / 1000); }

// Two slides of 2 s. The music plays "a.wav" (1000) for 3 s, fading out over its last
// second; slide 2 has a comment "b.wav" (2000) of 1 s and a video whose sound is "c.wav".
constexpr const char* kShow = R"([Main]
opt_repeat=close
object Music:Music
  object T:TMusicTrack
    object a:TMusicItem
      FileName=a.wav
      Duration=3000
      FadeOut=1000
      Volume=100
    end
  end
end
[Times]
opt_slidescount=2
opt_synchpos1=2000
opt_synchpos2=4000
[Slide1]
[Slide2]
object Music:Music
  object c:TSoundComment
    FileName=b.wav
    Duration=1000
    Volume=80
  end
end
object v:Video
  FileName=c.wav
  StartORVTime=1500
  StartVideoTime=250
  Duration=400
end
)";

std::string WriteShow() {
  WriteFixture("a.wav", ConstantWav(1000, 5000));
  WriteFixture("b.wav", ConstantWav(2000, 5000));
  WriteFixture("c.wav", ConstantWav(4000, 5000));
  return WriteFixture("music_show.orv", kShow);
}

// The left sample at `ms` of a 16-bit stereo WAV file's bytes.
int16_t LeftAt(const std::string& wav, double ms) {
  int16_t sample = 0;
  std::memcpy(&sample, wav.data() + 44 + static_cast<size_t>(ms * 44.1) * 4, 2);
  return sample;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OrvpackMusic, PrintsEverySoundOnTheShowTimeline) {
  const TToolRun run = RunOrvpack("music " + Quoted(WriteShow()));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
            "{\"kind\":\"music\",\"file\":\"a.wav\",\"start\":0,\"length\":3000,\"offset\":0,\"volume\":100,"
            "\"fadein\":0,\"fadeout\":1000}\n"
            "{\"kind\":\"comment\",\"file\":\"b.wav\",\"start\":2000,\"length\":1000,\"offset\":0,\"volume\":80,"
            "\"fadein\":0,\"fadeout\":0}\n"
            "{\"kind\":\"clip\",\"file\":\"c.wav\",\"start\":3500,\"length\":400,\"offset\":250,\"volume\":100,"
            "\"fadein\":0,\"fadeout\":0}\n"
            "{\"total\":3900}\n");
}

TEST(OrvpackMix, MixesTheSoundtrackAsThePlayerPlacesIt) {
  const std::string show = WriteShow();
  const std::string out = testing::TempDir() + "/mix.wav";
  ASSERT_EQ(RunOrvpack("mix " + Quoted(show) + " " + Quoted(out)).exit_code, 0);
  const std::string wav = ReadFile(out);
  ASSERT_EQ(wav.size(), 44u + 4000 * 176400 / 1000);
  EXPECT_EQ(LeftAt(wav, 1000), 1000);
  EXPECT_EQ(LeftAt(wav, 2500), 500 + 1600);  // the music half faded out, the comment at 80 %
  EXPECT_EQ(LeftAt(wav, 3700), 4000);        // the clip alone
  EXPECT_EQ(LeftAt(wav, 3950), 0);

  ASSERT_EQ(RunOrvpack("mix " + Quoted(show) + " " + Quoted(out) + " --from 2500 --to 2600").exit_code, 0);
  const std::string part = ReadFile(out);
  EXPECT_EQ(part.size(), 44u + 100 * 176400 / 1000);
  EXPECT_EQ(LeftAt(part, 0), 2100);
}

TEST(OrvpackMix, BadShowOrOutputExitsWithAReasonAndLeavesNothing) {
  const std::string out = testing::TempDir() + "/never.wav";
  const std::string err = testing::TempDir() + "/mix.err";
  const TToolRun missing = RunOrvpack("mix " + Quoted(testing::TempDir() + "/no-such-show.orv") + " " + Quoted(out), err);
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("not Found"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));

  const TToolRun unwritable = RunOrvpack("mix " + Quoted(WriteShow()) + " " + Quoted(testing::TempDir() + "/no/dir/x.wav"), err);
  EXPECT_EQ(unwritable.exit_code, 2);
  EXPECT_FALSE(unwritable.err.empty());
  EXPECT_EQ(RunOrvpack("mix " + Quoted(WriteShow())).exit_code, 2);
}

}  // namespace
