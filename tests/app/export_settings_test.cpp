#include "app/export/export_settings.h"

#include <gtest/gtest.h>

#include "app/export/export_sink.h"

namespace orv {
namespace {

TCommandLine Line(const char* text) { return TCommandLine(AsciiToWide(text)); }

TEST(ExportSettings, PlaybackWithoutEitherSwitch) {
  EXPECT_FALSE(ReadExportSettings(Line("orvviewer show -slide 2")).has_value());
}

TEST(ExportSettings, ReadsEveryKindAndValue) {
  struct TCase {
    const char* Line;
    TOutputKind Kind;
    std::string Output;
    double Fps;
    int Width, Height;
    double From;
    std::optional<double> To;
  };
  const TCase cases[] = {
      {"v show -snapshot 1500 out.png", TOutputKind::Snapshot, "out.png", 25, 0, 0, 1500, {}},
      {"v show -SNAPSHOT 0 a.png -size 64x36", TOutputKind::Snapshot, "a.png", 25, 64, 36, 0, {}},
      {"v show -export out.MP4", TOutputKind::Video, "out.MP4", 25, 0, 0, 0, {}},
      {"v show -export o.mp4 -fps 29.97 -size 960X540 -from 1000 -to 2500.5", TOutputKind::Video, "o.mp4", 29.97,
       960, 540, 1000, 2500.5},
      {"v show -export frames/ -fps 10", TOutputKind::PngSequence, "frames/", 10, 0, 0, 0, {}},
      {"v show -export /dev/null -raw -size 1920x1080", TOutputKind::Raw, "/dev/null", 25, 1920, 1080, 0, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    const std::optional<TExportSettings> settings = ReadExportSettings(Line(c.Line));
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->Kind, c.Kind);
    EXPECT_EQ(settings->Output, c.Output);
    EXPECT_DOUBLE_EQ(settings->Fps, c.Fps);
    EXPECT_EQ(settings->Width, c.Width);
    EXPECT_EQ(settings->Height, c.Height);
    EXPECT_DOUBLE_EQ(settings->From, c.From);
    EXPECT_EQ(settings->To, c.To);
  }
}

TEST(ExportSettings, RejectsWhatCannotBeUsedWithAReason) {
  struct TCase {
    const char* Line;
    const char* Reason;
  };
  const TCase cases[] = {
      {"v s -export o.mp4 -size 640", "-size: \"640\""},
      {"v s -export o.mp4 -size 640x0", "-size"},
      {"v s -export o.mp4 -size 99999x100", "-size"},
      {"v s -export o.mp4 -size x360", "-size"},
      {"v s -export o.mp4 -size", "-size needs a value"},
      {"v s -export o.mp4 -fps 0", "-fps: \"0\""},
      {"v s -export o.mp4 -fps fast", "-fps"},
      {"v s -export o.mp4 -fps 1000", "-fps"},
      {"v s -export o.mp4 -fps 0.000001", "-fps: \"0.000001\" is not a frame rate from 0.01"},
      {"v s -export o.mp4 -fps 0.0099", "-fps"},
      {"v s -export o.mp4 -from 2000 -to 1000", "-to must be later"},
      {"v s -export o.mp4 -from -5", "-from needs a value"},
      {"v s -export o.avi", "cannot tell what to write"},
      {"v s -export", "-export needs a value"},
      {"v s -snapshot 100", "-snapshot needs two values"},
      {"v s -snapshot soon out.png", "not a time"},
      {"v s -snapshot 1 a.png -export b.mp4", "cannot be used together"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    try {
      ReadExportSettings(Line(c.Line));
      ADD_FAILURE() << "accepted";
    } catch (const EExportSettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
    }
  }
}

TEST(FrameSchedule, CoversTheStretchWithoutTheFrameOnItsEnd) {
  struct TCase {
    double From, To, Fps;
    int64_t Count;
    double LastTime;
  };
  const TCase cases[] = {
      {0, 1000, 25, 25, 960},
      {0, 1001, 25, 26, 1000},
      {500, 600, 30, 3, 500 + 2 * 1000.0 / 30},
      {0, 10000, 30, 300, 299 * 1000.0 / 30},
      {100, 100.5, 25, 1, 100},
  };
  for (const TCase& c : cases) {
    const TFrameSchedule schedule = ScheduleBetween(c.From, c.To, c.Fps);
    EXPECT_EQ(schedule.Count, c.Count) << c.From << ".." << c.To;
    EXPECT_DOUBLE_EQ(schedule.TimeOf(schedule.Count - 1), c.LastTime);
  }
}

}  // namespace
}  // namespace orv
