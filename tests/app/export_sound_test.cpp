// The show's sound where it is heard: live on SDL's "disk" driver, which plays in real time
// into a file, and in exported videos, where the mix at show time T lies at video time T.
#include <cstdio>

#include "offscreen_run_support.h"

namespace orv::test {
namespace {

std::string OutputOf(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    pclose(pipe);
  }
  return out;
}

double StreamSeconds(const fs::path& video, const std::string& stream) {
  return std::atof(OutputOf("ffprobe -v error -select_streams " + stream +
                            " -show_entries stream=duration -of csv=p=0 '" + video.string() + "'")
                       .c_str());
}

// The first frame (44100 Hz stereo 16-bit) at or after `from` whose left sample is loud.
long Onset(const std::string& raw, long from = 0) {
  const auto* samples = reinterpret_cast<const int16_t*>(raw.data());
  for (auto frame = size_t(from); frame < raw.size() / 4; ++frame)
    if (std::abs(samples[2 * frame]) > 3000) return long(frame);
  return -1;
}

double FramesToMs(long frames) { return double(frames) * 1000 / 44100; }

class ShowSoundTest : public OffscreenRunTest {
 protected:
  // A loud tone of `seconds` in the show's folder.
  std::string Tone(const std::string& name, double seconds) {
    const fs::path path = FFolder / name;
    EXPECT_EQ(std::system(("ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:duration=" +
                           std::to_string(seconds) + ":sample_rate=44100 -af volume=8 -ac 2 '" + path.string() + "'")
                              .c_str()),
              0);
    return path.string();
  }

  // Three slides of a second; the second starts a 1 s tone with its comment.
  std::vector<TSlide> ToneOnTheSecondSlide() {
    std::vector<TSlide> slides = {Coloured(0x0000FF), Coloured(0x00FF00), Coloured(0xFF0000)};
    slides[1].Lines += Block("Music:Music", Block("c:TSoundComment", "FileName=" + Tone("tone.wav", 1) +
                                                                          "\nDuration=1000\n"));
    return slides;
  }
};

// The show's music marks its start with a 0.1 s beep; the tone must follow a second later.
TEST_F(ShowSoundTest, PlayedLiveTheToneSoundsFromItsSlidesStart) {
  const std::string beep = Block("T:TMusicTrack", Block("a:TMusicItem", "FileName=" + Tone("beep.wav", 0.1) +
                                                                            "\nDuration=300\n"));
  std::string text = Show(ToneOnTheSecondSlide(), 1000);
  text.insert(text.find("opt_repeat="), "opt_syncmode=1\n" + Block("Music:Music", beep));
  const fs::path project = WriteProject(text);
  const fs::path heard = FFolder / "heard.raw";
  FAudioDriver = "disk";
  setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
  ASSERT_EQ(Run({"-filename", project.string()}), 0) << FErrors;

  std::ifstream file(heard, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const long start = Onset(raw);
  ASSERT_GE(start, 0) << "the music was not heard";
  const long tone = Onset(raw, start + 44100 / 2);
  ASSERT_GE(tone, 0) << "the comment was not heard";
  EXPECT_NEAR(FramesToMs(tone - start), 1000, 50);
}

TEST_F(ShowSoundTest, AnExportedVideoCarriesTheSoundAtItsShowTime) {
  const fs::path project = WriteProject(Show(ToneOnTheSecondSlide(), 1000));
  const fs::path video = FFolder / "show.mp4";
  ASSERT_EQ(Run({"-filename", project.string(), "-export", video.string()}), 0) << FErrors;

  const long onset = Onset(OutputOf("ffmpeg -v error -nostdin -i '" + video.string() + "' -f s16le -ac 2 -ar 44100 -"));
  ASSERT_GE(onset, 0) << "no sound in the video";
  EXPECT_NEAR(FramesToMs(onset), 1000, 40);
  const double video_seconds = StreamSeconds(video, "v:0");
  EXPECT_NEAR(video_seconds, 3.0, 0.1);
  EXPECT_NEAR(StreamSeconds(video, "a:0"), video_seconds, 0.1);
}

TEST_F(ShowSoundTest, AnExportOfASilentShowHasNoSoundTrack) {
  const fs::path project = WriteProject(Show({Coloured(0x0000FF), Coloured(0x00FF00)}, 500));
  const fs::path video = FFolder / "show.mp4";
  ASSERT_EQ(Run({"-filename", project.string(), "-export", video.string()}), 0) << FErrors;
  EXPECT_EQ(OutputOf("ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 '" + video.string() + "'"),
            "");
}

}  // namespace
}  // namespace orv::test
