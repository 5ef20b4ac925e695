// The music player on the offline device, driven by a clock the test moves: show time moves
// on in 10 ms steps and after each step the mix of those 10 ms is pulled, as a sound card
// would take it. The sounds carry their own sample position (left = position mod 32000,
// right = position div 32000), so every pulled sample tells where in its source it came
// from.
#include "show/music_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "audio/audio_decoders.h"
#include "audio_fixtures.h"
#include "engine_test_support.h"
#include "lines_log.h"

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr size_t kStepFrames = 441;  // 10 ms
constexpr int kSignalSeconds = 25;

TMusicPlayerSettings Settings(Ref<TShowClock> clock) {
  TMusicPlayerSettings settings;
  settings.Clock = std::move(clock);
  return settings;
}

std::string Block(const std::string& name_and_class, const std::string& lines) {
  return "object " + name_and_class + "\n" + lines + "end\n";
}

struct TMusicShow {
  int Slides = 3;
  int SlideMs = 4000;
  std::string Main;   // more keys of [Main]
  std::string Music;  // the show's music object's children
  // Slide number (1-based) → the keys of its comment.
  std::vector<std::pair<int, std::string>> Comments;
};

std::string ShowText(const TMusicShow& show) {
  std::string text = "[Main]\nopt_repeat=repeat\n" + show.Main + Block("Music:Music", show.Music);
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(show.Slides) + "\n";
  for (int i = 1; i <= show.Slides; ++i) {
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * show.SlideMs) + "\n";
    text += "[Slide" + std::to_string(i) + "]\n";
    for (const auto& [slide, keys] : show.Comments)
      if (slide == i) text += Block("Music:Music", Block("c:TSoundComment", keys));
  }
  return text + times;
}

std::string MusicItem(const std::string& file, int duration) {
  return Block("T:TMusicTrack", Block("a:TMusicItem", "FileName=" + file + "\nDuration=" + std::to_string(duration) + "\n"));
}

// Where in its source a pulled frame came from.
int Position(const std::vector<int16_t>& frames, size_t frame) {
  return frames[2 * frame + 1] * 32000 + frames[2 * frame];
}

class MusicPlayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallAudioDecoders(); }

  void SetUp() override {
    std::vector<int16_t> samples;
    for (int i = 0; i < kSignalSeconds * kOutputRate; ++i) {
      samples.push_back(int16_t(i % 32000));
      samples.push_back(int16_t(i / 32000));
    }
    Signal = Folder.PathOf("signal.wav");
    std::ofstream(Signal, std::ios::binary) << TWavBuilder().Format(1, 2, 44100, 16).Samples(samples).Bytes();
  }

  void TearDown() override { Player.reset(); }

  // Opens the show at `time` and waits until the player is ready there.
  void Open(const TMusicShow& show, double time = 0, Ref<TShowClock> clock = nullptr) {
    auto project = MakeRef<TIniFile>();
    ASSERT_TRUE(project->LoadFromBytes(ShowText(show)));
    TMusicPlayerSettings settings = Settings(clock ? clock : Ref<TShowClock>(Clock));
    settings.Device = [](TAudioRenderer& renderer) { return std::make_unique<TOfflineAudioDevice>(renderer); };
    Player = std::make_unique<TOrvMusicPlayer>(MakeRef<TOrvSource>(project), std::move(settings));
    Player->Start();
    Player->Reposition(TOrvMusicPlayer::kNoLimit, time);
    ASSERT_TRUE(WaitUntil([&] { return Player->Ready(); }));
  }

  // For each 10 ms of `ms`: the player acts at the show time, the mix of the next 10 ms is
  // pulled, and show time moves on.
  std::vector<int16_t> Play(int ms) {
    std::vector<int16_t> heard;
    auto& device = static_cast<TOfflineAudioDevice&>(Player->Output()->Device());
    for (int done = 0; done < ms; done += 10) {
      EXPECT_TRUE(Player->WaitForPass(5s));
      EXPECT_TRUE(WaitUntil([&] { return Player->Output()->Mixer().Buffered(kStepFrames); }));
      const std::vector<int16_t>& block = device.Pull(kStepFrames);
      heard.insert(heard.end(), block.begin(), block.end());
      Clock->Advance(10);
    }
    return heard;
  }

  static bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 5000; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  }

  // Every frame of [from, to) came from the source's frame `first` + its index.
  static void ExpectContinuous(const std::vector<int16_t>& frames, size_t from, size_t to, int first) {
    for (size_t f = from; f < to; ++f) ASSERT_EQ(Position(frames, f), first + int(f)) << "frame " << f;
  }

  TSoundFolder Folder;
  std::string Signal;
  Ref<TManualClock> Clock = MakeRef<TManualClock>();
  std::unique_ptr<TOrvMusicPlayer> Player;
};

TEST_F(MusicPlayerTest, PausedSynchronisedMusicFadesWithin10MsAndResumesAtTheSampleItStopped) {
  Open({.Main = "opt_syncmode=1\n", .Music = MusicItem(Signal, 12000)});
  Player->SetPlaying(true);
  const std::vector<int16_t> before = Play(1000);
  ExpectContinuous(before, 500, before.size() / 2, 0);

  Player->SetPlaying(false);
  const std::vector<int16_t> paused = Play(100);
  for (size_t i = 2 * kStepFrames; i < paused.size(); ++i) ASSERT_EQ(paused[i], 0) << "sample " << i;
  EXPECT_DOUBLE_EQ(Player->Time(), 1000);

  Player->SetPlaying(true);
  const std::vector<int16_t> after = Play(500);
  ExpectContinuous(after, kStepFrames, after.size() / 2, 44100);
}

TEST_F(MusicPlayerTest, FreeRunningMusicPlaysOnWhilePaused) {
  Open({.Music = MusicItem(Signal, 12000)});
  Player->SetPlaying(true);
  std::vector<int16_t> heard = Play(500);
  Player->SetPlaying(false);
  const std::vector<int16_t> paused = Play(300);
  heard.insert(heard.end(), paused.begin(), paused.end());
  ExpectContinuous(heard, 500, heard.size() / 2, 0);
  EXPECT_DOUBLE_EQ(Player->Time(), 500);
}

// Slide 6 starts at 20 s with a 20 s comment; slide 7 at 24 s. Opened at 26 s, the comment
// plays from its 6th second.
TEST_F(MusicPlayerTest, ASeekIntoTheNextSlidePlaysTheCommentStillUnderWayFromItsOffset) {
  Open({.Slides = 10, .Main = "opt_fullyplaysound=1\n", .Comments = {{6, "FileName=" + Signal + "\nDuration=20000\n"}}},
       26000);
  Player->SetPlaying(true);
  const std::vector<int16_t> heard = Play(300);
  ExpectContinuous(heard, 500, heard.size() / 2, 6000 * 44100 / 1000);
}

// A show of two 1 s slides that repeats, with 1.5 s of music: each pass starts it again.
TEST_F(MusicPlayerTest, SynchronisedMusicRestartsWithEveryPassOfARepeatingShow) {
  Open({.Slides = 2, .SlideMs = 1000, .Main = "opt_syncmode=1\n", .Music = MusicItem(Signal, 1500)});
  Player->SetPlaying(true);
  const std::vector<int16_t> heard = Play(6000);
  ASSERT_EQ(heard.size() / 2, 6u * kOutputRate);
  for (const int pass : {0, 1, 2}) {
    const size_t start = size_t(pass) * 2 * kOutputRate;
    ExpectContinuous(heard, start + 500, start + kOutputRate, -int(start));
    for (size_t f = start + 3 * kOutputRate / 2 + 500; f < start + 2 * kOutputRate; ++f)
      ASSERT_EQ(Position(heard, f), 0) << "frame " << f;
  }
}

// With the output's clock, show time follows the frames the device takes, however unevenly
// it takes them, and never goes back.
TEST_F(MusicPlayerTest, TimeOnTheOutputClockNeverGoesBack) {
  Open({.Main = "opt_syncmode=1\n", .Music = MusicItem(Signal, 12000)}, 0, MakeRef<TSystemClock>());
  Player->SetPlaying(true);
  auto& device = static_cast<TOfflineAudioDevice&>(Player->Output()->Device());
  double last = Player->Time();
  for (int round = 0; round < 300; ++round) {
    device.Pull(size_t(round % 7) * 200 + 1);
    std::this_thread::sleep_for(std::chrono::microseconds(round % 5 * 900));
    const double now = Player->Time();
    ASSERT_GE(now, last) << "round " << round;
    last = now;
  }
  EXPECT_GT(last, 0);
}

TEST_F(MusicPlayerTest, TimeStopsAtTheLimitAndSchedulingStaysBelowIt) {
  Open({.Main = "opt_syncmode=1\n", .Music = MusicItem(Signal, 12000)});
  Player->SetLimit(300);
  Player->SetPlaying(true);
  const std::vector<int16_t> heard = Play(600);
  EXPECT_DOUBLE_EQ(Player->Time(), 300);
  // The music goes on to 299 ms of show time: the limit's own instant is not reached.
  EXPECT_NE(Position(heard, 290 * 44), 0);
}

// A sound that does not open is silent; the show becomes ready and plays on.
TEST_F(MusicPlayerTest, AMissingSoundIsSilentAndTheShowPlaysOn) {
  TCapturedLog log;
  Open({.Main = "opt_syncmode=1\n", .Music = MusicItem(Folder.PathOf("missing.wav"), 5000)});
  Player->SetPlaying(true);
  const std::vector<int16_t> heard = Play(300);
  EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](int16_t sample) { return sample == 0; }));
  EXPECT_DOUBLE_EQ(Player->Time(), 300);
}

// Slides of no length: no show length to divide by, and still a player that gets ready.
TEST_F(MusicPlayerTest, AShowOfNoLengthPlaysWithoutDividingByIt) {
  Open({.SlideMs = 0, .Main = "opt_syncmode=1\n", .Music = MusicItem(Signal, 3000),
        .Comments = {{2, "FileName=" + Signal + "\nDuration=1000\n"}}});
  Player->SetPlaying(true);
  Play(100);
  EXPECT_DOUBLE_EQ(Player->Time(), 100);
}

TEST(MusicLoader, AChannelThatCannotBeCreatedIsLoggedAndComesBackSilent) {
  TCapturedLog log;
  Ref<TMusicPlayerClass> output = TMusicPlayerClass::Create(
      [](TAudioRenderer& renderer) { return std::make_unique<TOfflineAudioDevice>(renderer); });
  ASSERT_TRUE(output);
  TThreadEventList player;
  TMusicLoader loader(output, player, TOrvMusicPlayer::kEventChannelArrived);
  loader.Start();
  TChannelOperator start_list;
  auto channel = MakeRef<TOrvChannel>(start_list, 7, "/no/such/sound.wav", 0, 0, 1000);
  loader.Events().Post(TMusicLoader::kEventCreate, MakeRef<TChannelContainer>(channel));
  player.WaitForEvents(5s);
  int arrived = 0;
  player.Process([&](const TThreadEvent& event) {
    EXPECT_EQ(event.code, TOrvMusicPlayer::kEventChannelArrived);
    EXPECT_EQ(static_cast<TChannelContainer&>(*event.data).Channel, channel);
    ++arrived;
  });
  EXPECT_EQ(arrived, 1);
  EXPECT_EQ(channel->Output(), nullptr);
  loader.Stop();
  EXPECT_TRUE(log.Has("+++++++++++++++++++ Channel Create ERROR"));
}

TEST(MusicPlayer, ASetTimeThePlayerDoesNotTakeIsGivenUpAndLogged) {
  TCapturedLog log;
  TOrvMusicPlayer player(MakeRef<TOrvSource>(EngineProject({})), Settings(MakeRef<TManualClock>()));
  player.Reposition(1000, 500);  // the thread was never started
  EXPECT_FALSE(player.Ready());
  EXPECT_TRUE(log.Has("TOrvMusicPlayer.SetTime: the player did not answer within 2000 ms"));
}


TEST(MusicPlayer, ClockPlaysHoldsAndStopsAtTheLimit) {
  Ref<TManualClock> clock = MakeRef<TManualClock>();
  TOrvMusicPlayer player(MakeRef<TOrvSource>(EngineProject({})), Settings(clock));
  player.Start();
  player.Reposition(1500, 1000);
  EXPECT_TRUE(player.WaitForPass(5s));
  EXPECT_TRUE(player.Ready());
  clock->Advance(300);
  EXPECT_DOUBLE_EQ(player.Time(), 1000);  // stopped: the position holds

  player.SetPlaying(true);
  player.Reposition(1500, TOrvMusicPlayer::kKeepPosition);  // waits until the start is handled
  clock->Advance(200);
  EXPECT_DOUBLE_EQ(player.Time(), 1200);
  clock->Advance(1000);
  EXPECT_DOUBLE_EQ(player.Time(), 1500);  // never past the limit

  player.SetLimit(3000);
  clock->Advance(100);
  EXPECT_DOUBLE_EQ(player.Time(), 1600);
  player.SetPlaying(false);
  player.SetLimit(3000);
  clock->Advance(100);
  EXPECT_DOUBLE_EQ(player.Time(), 1600);
  EXPECT_DOUBLE_EQ(player.Limit(), 3000);
}

// A frame clock is moved by the thread that renders: starting and pausing must take the
// clock as it was when they were asked for, not when the player thread got round to them.
TEST(MusicPlayer, FrameClockStartsAndPausesWhereTheyWereAsked) {
  Ref<TFrameClock> clock = MakeRef<TFrameClock>(25);
  TOrvMusicPlayer player(MakeRef<TOrvSource>(EngineProject({})), Settings(clock));
  player.Start();
  player.Reposition(1e9, 6000);
  for (int round = 0; round < 50; ++round) {
    player.SetPlaying(true);
    clock->SetFrame(clock->Frame() + 10);  // 400 ms of show
    player.SetPlaying(false);
    clock->SetFrame(clock->Frame() + 7);  // stopped: no show time passes
    ASSERT_DOUBLE_EQ(player.Time(), 6000 + 400.0 * (round + 1));
  }
}

}  // namespace
}  // namespace orv::test
