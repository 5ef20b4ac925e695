// Exported videos carry the show's sound: the mix at show time T lies at video time T.
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

// The first frame (44100 Hz) whose left sample is loud.
long Onset(const fs::path& video) {
  const std::string raw = OutputOf("ffmpeg -v error -nostdin -i '" + video.string() + "' -f s16le -ac 2 -ar 44100 -");
  const auto* samples = reinterpret_cast<const int16_t*>(raw.data());
  for (size_t frame = 0; frame < raw.size() / 4; ++frame)
    if (std::abs(samples[2 * frame]) > 3000) return long(frame);
  return -1;
}

// Three slides of a second; the second starts a 1 s tone with its comment.
TEST_F(OffscreenRunTest, AnExportedVideoCarriesTheSoundAtItsShowTime) {
  const fs::path tone = FFolder / "tone.wav";
  ASSERT_EQ(std::system(("ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:duration=1:sample_rate=44100 "
                         "-af volume=8 -ac 2 '" + tone.string() + "'").c_str()),
            0);
  std::vector<TSlide> slides = {Coloured(0x0000FF), Coloured(0x00FF00), Coloured(0xFF0000)};
  slides[1].Lines += Block("Music:Music", Block("c:TSoundComment", "FileName=" + tone.string() + "\nDuration=1000\n"));
  const fs::path project = WriteProject(Show(slides, 1000));
  const fs::path video = FFolder / "show.mp4";
  ASSERT_EQ(Run({"-filename", project.string(), "-export", video.string()}), 0) << FErrors;

  const long onset = Onset(video);
  ASSERT_GE(onset, 0) << "no sound in the video";
  EXPECT_NEAR(double(onset) * 1000 / 44100, 1000, 40);
  const double video_seconds = StreamSeconds(video, "v:0");
  EXPECT_NEAR(video_seconds, 3.0, 0.1);
  EXPECT_NEAR(StreamSeconds(video, "a:0"), video_seconds, 0.1);
}

TEST_F(OffscreenRunTest, AnExportOfASilentShowHasNoSoundTrack) {
  const fs::path project = WriteProject(Show({Coloured(0x0000FF), Coloured(0x00FF00)}, 500));
  const fs::path video = FFolder / "show.mp4";
  ASSERT_EQ(Run({"-filename", project.string(), "-export", video.string()}), 0) << FErrors;
  EXPECT_EQ(OutputOf("ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 '" + video.string() + "'"),
            "");
}

}  // namespace
}  // namespace orv::test
