#include "show/music_source.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

Ref<TOrvSource> Source(const std::string& text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  TOrvSourceSettings settings;
  settings.RandomSeed = 1;
  return MakeRef<TOrvSource>(project, settings);
}

// Three slides of 4 s. Slide 1 has a 10 s comment; slide 2 a video of its own and two
// objects showing one shared clip; slide 3 shows that clip again.
std::string Show(std::string_view main_keys) {
  return "[Main]\n" + std::string(main_keys) +
         "object Music:Music\n  object T:TMusicTrack\n    object a:TMusicItem\n      FileName=song.mp3\n"
         "      Duration=30000\n    end\n  end\nend\n"
         "[Times]\nopt_slidescount=3\nopt_synchpos1=4000\nopt_synchpos2=8000\nopt_synchpos3=12000\n"
         "[Tracks]\nobject clip:VideoClip\n  ClipGUID={C1}\n  FileName=clip.mp4\n  Duration=3000\n"
         "  StartORVTime=200\n  StartVideoTime=700\nend\n"
         "[Slide1]\nobject Music:Music\n  object c:TSoundComment\n    FileName=voice.wav\n    Duration=10000\n"
         "  end\nend\n"
         "[Slide2]\nobject v:Video\n  FileName=own.mp4\n  StartORVTime=1000\n  Duration=60000\n  LoadFromDisk=1\nend\n"
         "object w:Video\n  ClipGUID={c1}\nend\nobject k:KeyPoint\n  object x:Video\n    FileName=hidden.mp4\n"
         "    Duration=100\n  end\nend\nobject g:Video\n  FileName=moving.gif\n  Duration=100\nend\n"
         "object f:Video\n  FileName=fast.mp4\n  Duration=100\n  FPSMultiplier=2\nend\n"
         "object u:Video\n  ClipGUID={C1}\nend\n"
         "[Slide3]\nobject w:Video\n  ClipGUID={C1}\nend\n";
}

std::vector<std::string> Files(const TSlideMusicInfo& info) {
  std::vector<std::string> files;
  for (const TMusicSound& sound : info.Sounds) files.push_back(sound.FileName);
  return files;
}

TEST(MusicSource, CommentsStopAtTheirSlideUnlessTheyMayPlayOn) {
  const auto cut = MakeRef<TOrvMusicSource>(*Source(Show("")));
  EXPECT_EQ(cut->SlideMusicInfo(0).CommentLength, 4000);
  const auto full = MakeRef<TOrvMusicSource>(*Source(Show("opt_fullyplaysound=1\n")));
  EXPECT_EQ(full->SlideMusicInfo(0).CommentLength, 10000);
  EXPECT_EQ(full->SlideMusicInfo(3).SlideNumber, 1);
  EXPECT_EQ(full->SlideMusicInfo(2).SlideNumber, 0);
}

TEST(MusicSource, ClipSoundsComeFromVideosOfTheirFirstSlideOnly) {
  const auto source = Source(Show(""));
  const auto music = MakeRef<TOrvMusicSource>(*source);
  const TSlideMusicInfo& second = music->SlideMusicInfo(1);
  EXPECT_EQ(Files(second), (std::vector<std::string>{"LoadFromDisk:own.mp4", "clip.mp4"}));
  // The video of its own plays until the end of the slide's outgoing transition.
  const double room = second.Times.EndTime - second.Times.StartTime + second.Times.EffectNext;
  EXPECT_EQ(second.Sounds[0].Length, room - 1000);
  EXPECT_EQ(second.Sounds[1].Start, 200);
  EXPECT_EQ(second.Sounds[1].Offset, 700);
  EXPECT_TRUE(music->SlideMusicInfo(2).Sounds.empty());
  EXPECT_TRUE(music->SlideMusicInfo(2).Comment.empty());
}

TEST(MusicSource, MainMusicIsOneEntryAndSynchronisedMusicLongerThanTheShowDoesNotRepeat) {
  const std::string repeat = "object o:TMusicOptions\n  IsRepeat=1\nend\n";
  std::string text = Show("opt_syncmode=1\n");
  text.insert(text.find("object Music:Music\n") + 19, repeat);
  const auto music = MakeRef<TOrvMusicSource>(*Source(text));
  ASSERT_TRUE(music->Enabled());
  ASSERT_EQ(music->MainList().Count(), 1);
  EXPECT_EQ(music->MainList().TotalLength(), 30000);
  EXPECT_FALSE(music->Repeat());
  EXPECT_TRUE(music->Synchronised());
}

TEST(MusicSource, DisabledMusicHasNoSound) {
  std::string text = Show("");
  text.insert(text.find("object Music:Music\n") + 19, "  music_disable=1\n");
  EXPECT_FALSE(MakeRef<TOrvMusicSource>(*Source(text))->Enabled());
}

}  // namespace
}  // namespace orv
