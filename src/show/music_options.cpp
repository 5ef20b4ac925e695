#include "show/music_options.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"
#include "base/text.h"
#include "project/ini_values.h"
#include "show/orv_source.h"

namespace orv {
namespace {

constexpr int kCrossFade = 0;
constexpr int kPauseBefore = 1;
constexpr double kSampleRate = 44100;
constexpr double kUnityFactor = 65536;

bool IsClass(const TIniObject& object, std::string_view name) { return SameTextAscii(object.ObjectClass(), name); }

int Int(const TIniObject& object, std::string_view key, int default_value) {
  return ReadInteger(object.FindKey(key), default_value);
}

// The keys of a music item or a voice comment.
struct TSoundKeys {
  std::string FileName;
  std::string Guid;
  int StartTime = 0;
  int Duration = 0;
  int CrossMode = 0;
  int Cross = 0;
  int Pause = 0;
  int FadeIn = 0;
  int FadeOut = 0;
  int Volume = 100;
  std::string VolumeParams;

  explicit TSoundKeys(const TIniObject& object)
      : FileName(ReadUtf8(object.FindKey("FileName"))),
        Guid(ReadUtf8(object.FindKey("GUID"))),
        StartTime(Int(object, "StartTime", 0)),
        Duration(Int(object, "Duration", 0)),
        CrossMode(Int(object, "CrossMode", 0)),
        Cross(Int(object, "Cross", 0)),
        Pause(Int(object, "Pause", 0)),
        FadeIn(Int(object, "FadeIn", 0)),
        FadeOut(Int(object, "FadeOut", 0)),
        Volume(Int(object, "Volume", 100)),
        VolumeParams(ReadUtf8(object.FindKey("VolumeParams"))) {}

  double VolumeThousandths() const { return static_cast<double>(Volume) * 10; }
};

// The fades and the volume of an item over `duration` ms; nothing when it has neither.
std::optional<TVolumeParams> FadeEnvelope(const TSoundKeys& keys, double duration) {
  const double volume = keys.VolumeThousandths();
  if (keys.FadeIn <= 0 && keys.FadeOut <= 0 && volume == 1000) return std::nullopt;
  TVolumeParams envelope;
  if (keys.FadeIn > 0) {
    envelope.Add(0, 0);
    envelope.Add(keys.FadeIn, volume);
  }
  if (keys.FadeOut > 0) {
    envelope.Add(duration - keys.FadeOut, volume);
    envelope.Add(duration, 0);
  }
  if (keys.FadeIn <= 0 && keys.FadeOut <= 0) {
    envelope.Add(0, volume);
    envelope.Add(duration, volume);
  }
  return envelope;
}

void AddEnvelope(TVolumeParamsList& list, std::optional<TVolumeParams> envelope) {
  if (envelope && !envelope->Empty()) list.Add(std::move(*envelope));
}

// The envelopes every item and comment gets from its own keys: fades, volume, free curve.
void AddOwnEnvelopes(TVolumeParamsList& list, const TSoundKeys& keys, double duration) {
  AddEnvelope(list, FadeEnvelope(keys, duration));
  AddEnvelope(list, ParseVolumeParams(keys.VolumeParams, keys.StartTime, duration));
}

TMusicSound SoundOf(TMusicSoundKind kind, const TCompositeItem& item, const TSoundKeys& keys) {
  return {kind, item.FileName, item.TimeLine, item.Duration, item.BeginTime, static_cast<double>(keys.Volume),
          static_cast<double>(std::max(keys.FadeIn, 0)), static_cast<double>(std::max(keys.FadeOut, 0))};
}

// The music objects in play order: runs of items between tracks form the groups.
struct TCollected {
  std::vector<std::vector<const TIniObject*>> Groups{1};
  const TIniObject* Comment = nullptr;
  bool Repeat = false;
};

void Collect(const TIniList& list, TCollected& collected) {
  for (const TIniObject* child = list.FirstObject(); child; child = list.NextObject(child)) {
    if (IsClass(*child, "TMusicItem")) {
      collected.Groups.back().push_back(child);
    } else if (IsClass(*child, "TMusicOptions")) {
      collected.Repeat = ReadBool(child->FindKey("IsRepeat"), false);
    } else if (IsClass(*child, "TSoundComment")) {
      collected.Comment = child;
    } else if (IsClass(*child, "TMusicTrack") && !ReadBool(child->FindKey("IsMute"), false)) {
      if (!collected.Groups.back().empty()) collected.Groups.emplace_back();
      Collect(*child, collected);
    }
  }
}

void Finish(TMusicDescription& description, double length) {
  description.Length = length;
  description.Params.Duration = length;
  if (length > 0 && !description.Params.Items.empty())
    description.Text = WriteCompositeDescription(description.Params);
}

bool IsNoComment(std::string_view file_name) { return file_name.empty() || SameTextAscii(file_name, "error"); }

}  // namespace

bool HasCommentFile(const TIniObject& music) {
  TCollected collected;
  Collect(music, collected);
  return collected.Comment && !IsNoComment(ReadUtf8(collected.Comment->FindKey("FileName")));
}

const TIniObject* FindMusicObject(const TIniSection* section) {
  return section ? section->FindObjectOfClass("Music", "Music") : nullptr;
}

struct TMusicOptionsReader::TGroupItem {
  TSoundKeys Keys;
  std::optional<double> LinkedStart;
  std::optional<double> Deadline;
};

TMusicOptionsReader::TMusicOptionsReader(const TIniFile& project) {
  const int count = std::clamp(ReadInteger(project, "Times", "opt_slidescount", 0), 0, TOrvSource::kMaxSlideCount);
  const TIniSection* times = project.FindSection("Times");
  double start = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && times)
      start = std::max(start, static_cast<double>(ReadInteger(times->FindKey("opt_synchpos" + std::to_string(i)), 0)));
    FSlideStarts.push_back(start);
  }
  for (int k = 1; k <= count; ++k) {
    const TIniSection* slide = project.FindSection("Slide" + std::to_string(k));
    const std::string_view links = slide ? ReadUtf8(slide->FindKey("LinkedAudio")) : std::string_view();
    for (size_t open = links.find('{'); open != std::string_view::npos; open = links.find('{', open + 1)) {
      const size_t close = links.find('}', open);
      if (close == std::string_view::npos) break;
      FLinks.emplace(LowerUtf8(links.substr(open, close - open + 1)), k - 1);
    }
  }
}

double TMusicOptionsReader::SlideStart(int index) const {
  if (FSlideStarts.empty() || index <= 0) return 0;
  return FSlideStarts[std::min<size_t>(index, FSlideStarts.size() - 1)];
}

std::optional<double> TMusicOptionsReader::LinkedSlideStart(std::string_view guid) const {
  const auto found = FLinks.find(LowerUtf8(guid));
  if (found == FLinks.end()) return std::nullopt;
  return SlideStart(found->second);
}

TMusicBuild TMusicOptionsReader::Build(const TIniObject* music, const std::vector<TExtraMusicItem>& extras,
                                       std::optional<double> comment_window, const TVolumeParamsList* master) const {
  TMusicBuild build;
  TCollected collected;
  if (music) Collect(*music, collected);
  build.Repeat = collected.Repeat;

  double main_length = 0;
  for (const std::vector<const TIniObject*>& objects : collected.Groups) {
    std::vector<TGroupItem> group;
    for (const TIniObject* object : objects) group.push_back({TSoundKeys(*object), std::nullopt, std::nullopt});
    PlaceGroup(group, build.Main, main_length);
  }
  if (master) build.Main.Params.MainVolume = *master;
  Finish(build.Main, main_length);

  TMusicDescription& comment = build.Comment;
  double comment_length = 0;
  if (collected.Comment) {
    const TSoundKeys keys(*collected.Comment);
    const double pause = std::max(keys.Pause, 0);
    if (keys.Duration < 0) {
      Log().Write("Music: the comment " + keys.FileName + " has a negative duration, left out");
    } else if (!IsNoComment(keys.FileName) && keys.Volume != 0) {
      TCompositeItem item{keys.FileName, pause, static_cast<double>(keys.StartTime),
                          static_cast<double>(keys.Duration), {}};
      AddOwnEnvelopes(item.Volumes, keys, item.Duration);
      comment_length = keys.Duration + pause;
      if (comment_window) comment_length = std::min(comment_length, *comment_window);
      TMusicSound sound = SoundOf(TMusicSoundKind::Comment, item, keys);
      sound.Length = std::max(std::min(sound.Length, comment_length - pause), 0.0);
      comment.Sounds.push_back(std::move(sound));
      comment.Params.Items.push_back(std::move(item));
    }
  }
  for (const TExtraMusicItem& extra : extras) {
    if (extra.Duration < 0) {
      Log().Write("Music: the clip sound " + extra.FileName + " has a negative duration, left out");
      continue;
    }
    TCompositeItem item{extra.FileName, extra.TimeLine, extra.BeginTime, extra.Duration, {}};
    if (extra.Volume != 1.0) {
      TVolumeParams& constant = item.Volumes.Add();
      constant.Add(0, extra.Volume * 1000);
      constant.Add(extra.Duration, extra.Volume * 1000);
    }
    comment_length = std::max(comment_length, extra.TimeLine + extra.Duration);
    comment.Sounds.push_back(
        {TMusicSoundKind::Clip, extra.FileName, extra.TimeLine, extra.Duration, extra.BeginTime, extra.Volume * 100, 0, 0});
    comment.Params.Items.push_back(std::move(item));
  }
  Finish(comment, comment_length);

  for (const TMusicDescription* description : {&build.Main, &build.Comment})
    for (const TCompositeItem& item : description->Params.Items) build.FileNames.push_back(item.FileName);
  return build;
}

void TMusicOptionsReader::PlaceGroup(std::vector<TGroupItem>& group, TMusicDescription& main, double& length) const {
  for (TGroupItem& item : group) {
    if (!FLinks.empty()) item.LinkedStart = LinkedSlideStart(item.Keys.Guid);
    if (!item.LinkedStart) continue;
    const TSoundKeys& keys = item.Keys;
    if (keys.CrossMode == kCrossFade) item.LinkedStart = std::max(*item.LinkedStart - std::max(keys.Cross, 0), 0.0);
    else if (keys.CrossMode == kPauseBefore) *item.LinkedStart += std::max(keys.Pause, 0);
  }
  // Each item's deadline: the earliest linked start of a later item.
  std::optional<double> deadline;
  for (size_t i = group.size(); i-- > 0;) {
    group[i].Deadline = deadline;
    if (group[i].LinkedStart) deadline = std::min(deadline.value_or(*group[i].LinkedStart), *group[i].LinkedStart);
  }

  double cursor = 0;
  double group_end = 0;
  for (size_t i = 0; i < group.size(); ++i) {
    TSoundKeys keys = group[i].Keys;
    const double volume = keys.VolumeThousandths();
    if (group[i].LinkedStart) {
      cursor = group_end = *group[i].LinkedStart;
      keys.CrossMode = keys.Cross = keys.Pause = 0;
    }
    if (keys.Duration < 0) {
      Log().Write("Music: the item " + keys.FileName + " has a negative duration, left out");
      continue;
    }
    const double start = keys.CrossMode == kCrossFade    ? cursor - std::max(keys.Cross, 0)
                         : keys.CrossMode == kPauseBefore ? cursor + std::max(keys.Pause, 0)
                                                          : cursor;
    double duration = keys.Duration;
    if (group[i].Deadline && *group[i].Deadline < start + duration) duration = std::max(*group[i].Deadline - start, 0.0);
    if (keys.CrossMode == kPauseBefore && keys.Pause > 0) {
      cursor += keys.Pause;
      group_end += keys.Pause;
    }
    TCompositeItem item{keys.FileName, cursor, static_cast<double>(keys.StartTime), duration, {}};
    AddEnvelope(item.Volumes, FadeEnvelope(keys, duration));

    std::optional<TVolumeParams> cross;
    if (keys.CrossMode == kCrossFade && keys.Cross > 0) {
      cross.emplace();
      cross->Add(0, 0);
      cross->Add(keys.Cross, 1000);
      if (group_end != 0) {
        item.TimeLine = std::max(item.TimeLine - keys.Cross, 0.0);
        cursor -= keys.Cross;
        group_end -= keys.Cross;
      }
    }
    if (i + 1 < group.size()) {
      const TGroupItem& next = group[i + 1];
      if (!next.LinkedStart && next.Keys.CrossMode == kCrossFade && next.Keys.Cross > 0) {
        if (!cross) cross.emplace();
        cross->Add(duration - next.Keys.Cross, 1000);
        cross->Add(duration, 0);
      }
    }
    AddEnvelope(item.Volumes, std::move(cross));
    AddEnvelope(item.Volumes, ParseVolumeParams(keys.VolumeParams, keys.StartTime, duration));
    cursor += duration;
    group_end += duration;
    length = std::max(length, group_end);
    if (volume == 0) continue;
    main.Sounds.push_back(SoundOf(TMusicSoundKind::Music, item, keys));
    main.Params.Items.push_back(std::move(item));
  }
}

TVolumeParams ParseVolumeParams(std::string_view text, double start_ms, double duration_ms) {
  TVolumeParams envelope;
  std::optional<TVolumeItem> previous;  // in file time
  for (const std::string_view pair : SplitList(text, ',')) {
    const size_t colon = pair.find(':');
    if (colon == std::string_view::npos) continue;
    const std::optional<int64_t> position = ParseInt64(pair.substr(0, colon));
    const std::optional<int64_t> factor = ParseInt64(pair.substr(colon + 1));
    if (!position || !factor) continue;
    TVolumeItem point{static_cast<double>(*position) / kSampleRate * 1000, static_cast<double>(*factor) / kUnityFactor * 1000};
    if (previous && point.Time <= previous->Time) point.Time = previous->Time + 1;
    const double time = point.Time - start_ms;
    if (time >= duration_ms) {
      double volume = point.Volume;
      const double previous_time = previous ? previous->Time - start_ms : time;
      if (previous && time > previous_time)
        volume = previous->Volume + (point.Volume - previous->Volume) * (duration_ms - previous_time) / (time - previous_time);
      envelope.Add(duration_ms, volume);
      break;
    }
    envelope.Add(time, point.Volume);
    previous = point;
  }
  return envelope;
}

}  // namespace orv
