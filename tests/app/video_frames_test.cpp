// Video objects rendered by orvviewer -snapshot and -export from clips made here by the
// ffmpeg program, whose frame n is one flat colour that codes n: each rendered frame must
// be exactly the clip frame of its slide time.
#include <algorithm>
#include <climits>

#include <fstream>

#include "animated_gif.h"
#include "offscreen_run_support.h"

namespace orv::test {
namespace {

constexpr int kClipFrames = 60;  // at 25 fps: 2.4 s

// Frame n: luma 32 + 8 · (n mod 20), blue chroma 64 + 32 · (n div 20), red chroma 128.
std::string CodedSource(const std::string& rate) {
  return "color=c=black:s=" + std::to_string(kWidth) + "x" + std::to_string(kHeight) + ":r=" + rate +
         ",format=yuv420p,geq=lum='32+8*mod(N\\,20)':cb='64+32*floor(N/20)':cr=128";
}

// The colour the renderer gives frame n (video-range BT.601, clipped).
TRgb CodedColour(int n) {
  const double y = 1.164 * (32 + 8 * (n % 20) - 16), u = 64 + 32 * (n / 20) - 128;
  const auto clip = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };
  return {clip(y), clip(y - 0.391 * u), clip(y + 2.018 * u)};
}

// The coded frame nearest to a colour, and how far it is.
std::pair<int, int> NearestFrame(const TRgb& c) {
  std::pair<int, int> best{-1, INT_MAX};
  for (int n = 0; n < kClipFrames; ++n) {
    const TRgb e = CodedColour(n);
    const int distance = std::max({std::abs(e.R - c.R), std::abs(e.G - c.G), std::abs(e.B - c.B)});
    if (distance < best.second) best = {n, distance};
  }
  return best;
}

class VideoFrames : public OffscreenRunTest {
 protected:
  void MakeClip(const std::string& name, const std::string& encoding, const std::string& rate = "25") {
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i \"" + CodedSource(rate) +
                                "\" -frames:v " + std::to_string(kClipFrames) + " " + encoding + " '" +
                                (FFolder / name).string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << " (is the ffmpeg package installed?)";
  }

  static std::string VideoSlideShow(const std::string& file, const std::string& keys = "") {
    return Show({Holding(Block("V:Video", "GUID={V}\nFileName=" + file + "\n" + keys))}, 3000);
  }

  void ExpectFrame(const TFrame& frame, int expected, const std::string& what) {
    ASSERT_EQ(frame.Width, kWidth) << what;
    for (const auto& [x, y] : {std::pair{80, 45}, std::pair{20, 15}, std::pair{140, 75}}) {
      const auto [shown, distance] = NearestFrame(frame.At(x, y));
      EXPECT_EQ(shown, expected) << what << " at " << x << "," << y << ": " << Text(frame.At(x, y));
      EXPECT_LE(distance, 6) << what << " at " << x << "," << y;
    }
  }
};

TEST_F(VideoFrames, SnapshotsInAnyOrderShowTheFrameOfTheirSlideTime) {
  const struct {
    const char* Name;
    const char* Encoding;
  } clips[] = {
      {"clip.mp4", "-c:v libx264 -preset veryfast -g 12 -pix_fmt yuv420p"},
      {"clip.webm", "-c:v libvpx -b:v 1M -g 12"},
      {"clip.avi", "-c:v mpeg4 -q:v 2 -g 12"},
  };
  // Slide time → frame at 25 fps; past the clip's end its last frame stays.
  const std::pair<double, int> times[] = {{1000, 25}, {200, 5}, {1880, 47}, {40, 1}, {2900, kClipFrames - 1}, {520, 13}};
  for (const auto& clip : clips) {
    MakeClip(clip.Name, clip.Encoding);
    for (const auto& [ms, frame] : times)
      ExpectFrame(Snapshot(VideoSlideShow(clip.Name), ms), frame, std::string(clip.Name) + " at " + std::to_string(ms));
  }
}

TEST_F(VideoFrames, AnExportShowsEveryFrameInTurn) {
  MakeClip("clip.mp4", "-c:v libx264 -preset veryfast -g 12 -pix_fmt yuv420p");
  // The clip starts 200 ms into the slide at its frame 10.
  WriteProject(VideoSlideShow("clip.mp4", "StartORVTime=200\nStartVideoTime=400\n"));
  const fs::path frames = FFolder / "frames";
  fs::create_directories(frames);
  ASSERT_EQ(Run({"-filename", (FFolder / "show.orv").string(), "-export", frames.string() + "/", "-fps", "25", "-from",
                 "0", "-to", "1000"}),
            0)
      << FErrors;
  for (int k = 0; k < 25; ++k) {
    TFrame frame;
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", k);
    ASSERT_TRUE(ReadPng(frames / name, frame)) << name;
    ExpectFrame(frame, k < 5 ? 10 : 10 + k - 5, name);
  }
}

TEST_F(VideoFrames, AnAnimatedGifShowsTheFrameOfItsDelaysAndLoops) {
  // Red for 100 ms, green for 200 ms, blue for a delay of 0 (50 ms): 350 ms a round, at 20
  // frames a second (the shortest delay).
  const auto gif = [](int loops) {
    return MakeAnimatedGif(kWidth, kHeight, loops,
                           {{0, 0, kWidth, kHeight, 1, 10}, {0, 0, kWidth, kHeight, 2, 20}, {0, 0, kWidth, kHeight, 3, 0}});
  };
  std::ofstream(FFolder / "twice.gif", std::ios::binary) << gif(2);
  std::ofstream(FFolder / "endless.gif", std::ios::binary) << gif(0);
  const TRgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
  const struct {
    const char* File;
    double Ms;
    TRgb Colour;
  } cases[] = {
      {"twice.gif", 0, red},     {"twice.gif", 120, green},  {"twice.gif", 320, blue},
      {"twice.gif", 400, red},   {"twice.gif", 440, green},  // the second round
      {"twice.gif", 1500, blue},                             // two rounds played: the last frame stays
      {"endless.gif", 1500, green},                          // 1500 ms is 100 ms into the fifth round
  };
  for (const auto& c : cases)
    ExpectProbes(Snapshot(VideoSlideShow(c.File), c.Ms), {{80, 45, c.Colour}, {10, 80, c.Colour}},
                 std::string(c.File) + " at " + std::to_string(c.Ms));
}

TEST_F(VideoFrames, BobDeinterlacingShowsOneFieldInEachHalfOfAFrame) {
  // 50 coded pictures a second woven into 25 interlaced frames: the top field of frame k is
  // picture 2k, the bottom field picture 2k + 1.
  MakeClip("fields.ts", "-vf tinterlace=mode=interleave_top,setfield=tff -r 25 -c:v mpeg2video -q:v 1 "
                        "-flags +ilme+ildct -top 1 -f mpegts", "50");
  // Snapshots at 400 ms (a whole frame of the show) with the clip started 30 ms or 10 ms
  // in: 430 ms is in the first half of frame 11, 410 ms in the second half of frame 10.
  // "BobEven" shows the even (top) field first, "BobOdd" the odd one.
  const struct {
    const char* Keys;
    int Picture;
  } cases[] = {
      {"DeinterlaceType=BobEven\nStartVideoTime=30\n", 22},
      {"DeinterlaceType=BobEven\nStartVideoTime=10\n", 21},
      {"DeinterlaceType=BobOdd\nStartVideoTime=30\n", 23},
      {"DeinterlaceType=BobOdd\nStartVideoTime=10\n", 20},
  };
  for (const auto& c : cases) ExpectFrame(Snapshot(VideoSlideShow("fields.ts", c.Keys), 400), c.Picture, c.Keys);
}

TEST_F(VideoFrames, AMissingClipShowsThePlaceholderAndTheShowPlaysOn) {
  const std::string show =
      Show({Holding(Block("V:Video", "GUID={V}\nFileName=missing.mp4\n")), Coloured(0x0000FF)}, 2000);
  const TFrame placeholder = Snapshot(show, 1000);
  // The placeholder's light grey text is somewhere on the slide.
  int light = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) light += placeholder.At(x, y).G > 150 ? 1 : 0;
  EXPECT_GT(light, 20);
  ExpectProbes(Snapshot(show, 3000), {{80, 45, {255, 0, 0}}}, "the next slide");
}

}  // namespace
}  // namespace orv::test
