#include "show/music_options.h"

#include <gtest/gtest.h>

#include "show/music_source.h"

namespace orv {
namespace {

Ref<TIniFile> Project(std::string_view text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  return project;
}

TMusicBuild BuildMain(const TIniFile& project) {
  return TMusicOptionsReader(project).Build(FindMusicObject(project.FindSection("Main")), {}, std::nullopt);
}

// An item object with the given keys (one "key=value" per line).
std::string Item(std::string_view name, std::string_view keys) {
  return "    object " + std::string(name) + ":TMusicItem\n" + std::string(keys) + "    end\n";
}

std::string Track(std::string_view items, bool muted = false) {
  return "  object T:TMusicTrack\n" + std::string(muted ? "    IsMute=1\n" : "") + std::string(items) + "  end\n";
}

std::string Show(std::string_view tracks, std::string_view rest = "") {
  return "[Main]\nobject Music:Music\n" + std::string(tracks) + "end\n" + std::string(rest);
}

struct TPlaced {
  std::string File;
  double TimeLine;
  double Duration;
  friend bool operator==(const TPlaced&, const TPlaced&) = default;
};

std::ostream& operator<<(std::ostream& out, const TPlaced& placed) {
  return out << placed.File << "@" << placed.TimeLine << "+" << placed.Duration;
}

std::vector<TPlaced> PlacedItems(const TMusicDescription& description) {
  std::vector<TPlaced> placed;
  for (const TCompositeItem& item : description.Params.Items)
    placed.push_back({item.FileName, item.TimeLine, item.Duration});
  return placed;
}

// The points of every envelope of the item playing `file`, envelope after envelope.
std::vector<std::pair<double, double>> EnvelopePoints(const TMusicDescription& description, std::string_view file) {
  std::vector<std::pair<double, double>> points;
  for (const TCompositeItem& item : description.Params.Items)
    if (item.FileName == file)
      for (const TVolumeParams& envelope : item.Volumes.Envelopes())
        for (const TVolumeItem& point : envelope.Items()) points.emplace_back(point.Time, point.Volume);
  return points;
}

struct TPlacementCase {
  const char* Name;
  std::string Text;
  std::vector<TPlaced> Items;
  double Length;
  // The envelope points of one item, when the case checks them.
  std::string EnvelopeFile = {};
  std::vector<std::pair<double, double>> Envelope = {};
};

const std::string kSixSlides =
    "[Times]\nopt_slidescount=6\nopt_synchpos1=1000\nopt_synchpos2=2000\nopt_synchpos3=3000\n"
    "opt_synchpos4=4000\nopt_synchpos5=5000\n[Slide5]\nLinkedAudio={B-LINKED}\n";

std::vector<TPlacementCase> PlacementCases() {
  return {
      {"CrossFadeOfTwoItems",
       Show(Track(Item("a", "FileName=a.wav\nDuration=10000\n") +
                  Item("b", "FileName=b.wav\nDuration=5000\nCrossMode=0\nCross=2000\n"))),
       {{"a.wav", 0, 10000}, {"b.wav", 8000, 5000}},
       13000,
       "a.wav",
       {{8000, 1000}, {10000, 0}}},
      {"SecondItemFadesIn",
       Show(Track(Item("a", "FileName=a.wav\nDuration=10000\n") +
                  Item("b", "FileName=b.wav\nDuration=5000\nCrossMode=0\nCross=2000\n"))),
       {{"a.wav", 0, 10000}, {"b.wav", 8000, 5000}},
       13000,
       "b.wav",
       {{0, 0}, {2000, 1000}}},
      {"FirstItemWithCrossIsNotMovedEarlier",
       Show(Track(Item("a", "FileName=a.wav\nDuration=3000\nCrossMode=0\nCross=1000\n"))),
       {{"a.wav", 0, 3000}},
       3000,
       "a.wav",
       {{0, 0}, {1000, 1000}}},
      {"ItemCutByLaterLinkedItem",
       Show(Track(Item("a", "FileName=a.wav\nDuration=10000\n") +
                  Item("b", "GUID={b-linked}\nFileName=b.wav\nDuration=3000\n")),
            kSixSlides),
       {{"a.wav", 0, 4000}, {"b.wav", 4000, 3000}},
       7000},
      {"LinkedItemWithCrossStartsEarlierByItsCross",
       Show(Track(Item("a", "FileName=a.wav\nDuration=10000\n") +
                  Item("b", "GUID={B-LINKED}\nFileName=b.wav\nDuration=3000\nCross=500\n")),
            kSixSlides),
       {{"a.wav", 0, 3500}, {"b.wav", 3500, 3000}},
       6500},
      {"VolumeZeroContributesNothingButKeepsItsTime",
       Show(Track(Item("a", "FileName=a.wav\nDuration=3000\nVolume=0\n") + Item("b", "FileName=b.wav\nDuration=2000\n"))),
       {{"b.wav", 3000, 2000}},
       5000},
      {"MutedTrackContributesNothing",
       Show(Track(Item("a", "FileName=a.wav\nDuration=3000\n"), true) + Track(Item("b", "FileName=b.wav\nDuration=2000\n"))),
       {{"b.wav", 0, 2000}},
       2000},
      {"TracksPlayInParallel",
       Show(Track(Item("a", "FileName=a.wav\nDuration=3000\n")) + Track(Item("b", "FileName=b.wav\nDuration=2000\n"))),
       {{"a.wav", 0, 3000}, {"b.wav", 0, 2000}},
       3000},
      {"PauseBeforeAnItem",
       Show(Track(Item("a", "FileName=a.wav\nDuration=1000\n") +
                  Item("b", "FileName=b.wav\nDuration=1000\nCrossMode=1\nPause=500\n"))),
       {{"a.wav", 0, 1000}, {"b.wav", 1500, 1000}},
       2500},
      {"VolumeAndFades",
       Show(Track(Item("a", "FileName=a.wav\nDuration=4000\nVolume=50\nFadeIn=1000\nFadeOut=500\n"))),
       {{"a.wav", 0, 4000}},
       4000,
       "a.wav",
       {{0, 0}, {1000, 500}, {3500, 500}, {4000, 0}}},
      {"VolumeParamsPastDurationEndInterpolatedAtDuration",
       // 44100 frames = 1000 ms at 65536 (unchanged), 176400 frames = 4000 ms at 0; the
       // item starts 1000 ms into its file and lasts 1500 ms.
       Show(Track(Item("a", "FileName=a.wav\nStartTime=1000\nDuration=1500\nVolumeParams=44100:65536,176400:0\n"))),
       {{"a.wav", 0, 1500}},
       1500,
       "a.wav",
       {{0, 1000}, {1500, 500}}},
      {"NegativeDurationIsLeftOut",
       Show(Track(Item("a", "FileName=a.wav\nDuration=-5\n") + Item("b", "FileName=b.wav\nDuration=2000\n"))),
       {{"b.wav", 0, 2000}},
       2000},
  };
}

class MusicPlacement : public testing::TestWithParam<TPlacementCase> {};

TEST_P(MusicPlacement, PlacesItemsAsTheTrackSays) {
  const TPlacementCase& test = GetParam();
  const TMusicBuild build = BuildMain(*Project(test.Text));
  EXPECT_EQ(PlacedItems(build.Main), test.Items);
  EXPECT_EQ(build.Main.Length, test.Length);
  if (!test.EnvelopeFile.empty()) {
    EXPECT_EQ(EnvelopePoints(build.Main, test.EnvelopeFile), test.Envelope);
  }
  // The text says the same as the structure it was written from.
  const std::optional<TCompositeParams> reread = ParseCompositeDescription(build.Main.Text);
  ASSERT_EQ(reread.has_value(), !test.Items.empty());
  if (reread) {
    EXPECT_EQ(reread->Items.size(), test.Items.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MusicPlacement, testing::ValuesIn(PlacementCases()),
                         [](const testing::TestParamInfo<TPlacementCase>& info) { return info.param.Name; });

TEST(MusicOptions, CommentIsLimitedToItsWindowAndJoinedByClipSounds) {
  const auto project = Project(
      "[Slide1]\nobject Music:Music\n  object C:TSoundComment\n    FileName=voice.wav\n    Duration=8000\n"
      "    Pause=1000\n    StartTime=200\n  end\nend\n");
  const TIniObject* music = FindMusicObject(project->FindSection("Slide1"));
  ASSERT_NE(music, nullptr);
  const std::vector<TExtraMusicItem> clips = {{"LoadFromDisk:clip.mp4", 500, 100, 2000, 0.5}};
  const TMusicBuild build = TMusicOptionsReader(*project).Build(music, clips, 6000.0);
  EXPECT_EQ(PlacedItems(build.Comment),
            (std::vector<TPlaced>{{"voice.wav", 1000, 8000}, {"LoadFromDisk:clip.mp4", 500, 2000}}));
  EXPECT_EQ(build.Comment.Length, 6000);
  EXPECT_EQ(EnvelopePoints(build.Comment, "LoadFromDisk:clip.mp4"),
            (std::vector<std::pair<double, double>>{{0, 500}, {2000, 500}}));
  EXPECT_EQ(build.Comment.Params.Items[0].BeginTime, 200);
}

TEST(MusicOptions, CommentNamedErrorIsNone) {
  const auto project = Project(
      "[Slide1]\nobject Music:Music\n  object C:TSoundComment\n    FileName=ERROR\n    Duration=8000\n  end\nend\n");
  const TMusicBuild build =
      TMusicOptionsReader(*project).Build(FindMusicObject(project->FindSection("Slide1")), {}, std::nullopt);
  EXPECT_TRUE(build.Comment.Text.empty());
  EXPECT_EQ(build.Comment.Length, 0);
}

TEST(PlayList, EntriesFollowEachOtherAndWrapByWholeLengths) {
  TPlayList list;
  list.Add("a", 1000);
  list.Add("b", 500);
  EXPECT_EQ(list.TotalLength(), 1500);
  EXPECT_EQ(list.Item(1).Start, 1000);
  EXPECT_EQ(list.Item(3).Name, "b");
  EXPECT_EQ(list.Item(3).Start, 2500);
  EXPECT_EQ(list.Item(-2).Start, -1500);
}

}  // namespace
}  // namespace orv
