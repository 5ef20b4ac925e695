#include "show/music_source.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "base/log.h"
#include "base/text.h"
#include "project/ini_values.h"
#include "project/show_options.h"
#include "transitions/effect_manager.h"

namespace orv {
namespace {

// Music longer than the show minus this does not repeat when it follows the slides.
constexpr double kRepeatMargin = 200;

bool IsClass(const TIniObject& object, std::string_view name) { return SameTextAscii(object.ObjectClass(), name); }

// Calls `visit` for each object below `list`, depth first, passing over key points and
// what they hold. Walks without recursion, so that no nesting can exhaust the stack.
template <class Visit>
void ForEachObject(const TIniList& list, Visit visit) {
  std::vector<const TIniObject*> pending;
  const auto push_children = [&pending](const TIniList& parent) {
    const size_t first = pending.size();
    for (const TIniObject* child = parent.FirstObject(); child; child = parent.NextObject(child))
      pending.push_back(child);
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  };
  push_children(list);
  while (!pending.empty()) {
    const TIniObject* object = pending.back();
    pending.pop_back();
    if (IsClass(*object, "KeyPoint")) continue;
    visit(*object);
    push_children(*object);
  }
}

std::string ClipKey(const TIniObject& object) { return LowerUtf8(ReadUtf8(object.FindKey("ClipGUID"))); }

// The sound of a video object or clip record; nothing when it is muted, plays at another
// speed or is a picture sequence.
std::optional<TExtraMusicItem> ClipSound(const TIniObject& keys, std::optional<double> length_limit) {
  if (ReadBool(keys.FindKey("Mute"), false) || ReadFloat(keys.FindKey("FPSMultiplier"), 1) != 1) return std::nullopt;
  std::string file_name(ReadUtf8(keys.FindKey("FileName")));
  if (file_name.empty() || LowerUtf8(file_name).ends_with(".gif")) return std::nullopt;
  if (ReadBool(keys.FindKey("LoadFromDisk"), false)) file_name = kLoadFromDiskPrefix + file_name;
  TExtraMusicItem item;
  item.FileName = std::move(file_name);
  item.TimeLine = ReadFloat(keys.FindKey("StartORVTime"), 0);
  item.BeginTime = ReadFloat(keys.FindKey("StartVideoTime"), 0);
  item.Duration = ReadFloat(keys.FindKey("Duration"), 0);
  if (length_limit) item.Duration = std::min(item.Duration, *length_limit - item.TimeLine);
  return item;
}

}  // namespace

void TPlayList::Add(std::string name, double length) {
  // Grows by 1, then 8, then doubling: most shows have a single entry.
  if (FItems.size() == FItems.capacity()) FItems.reserve(FItems.empty() ? 1 : std::max<size_t>(8, FItems.size() * 2));
  FItems.push_back({std::move(name), FTotalLength, length});
  FTotalLength = std::max(FTotalLength, FTotalLength + length);
}

TMusicItemInfo TPlayList::Item(int64_t index) const {
  const auto count = static_cast<int64_t>(FItems.size());
  const int64_t pass = index >= 0 ? index / count : -((-index + count - 1) / count);
  TMusicItemInfo item = FItems[static_cast<size_t>(index - pass * count)];
  item.Start += static_cast<double>(pass) * FTotalLength;
  return item;
}

TClipSoundReader::TClipSoundReader(const TIniFile& project, int slide_count) {
  if (const TIniSection* tracks = project.FindSection("Tracks"))
    ForEachObject(*tracks, [this](const TIniObject& object) {
      const std::string key = ClipKey(object);
      if (IsClass(object, "VideoClip") && !key.empty()) FClips[key] = &object;
    });
  for (int slide = 0; slide < slide_count; ++slide) {
    const TIniSection* section = FindSlideSection(project, slide);
    if (!section) continue;
    ForEachObject(*section, [this, slide](const TIniObject& object) {
      if (IsClass(object, "Video")) FFirstSlide.emplace(ClipKey(object), slide);
    });
  }
}

std::vector<TExtraMusicItem> TClipSoundReader::SoundsOf(int slide, const TIniSection& section,
                                                        const TSlideTimes& times) const {
  std::vector<TExtraMusicItem> sounds;
  std::unordered_set<std::string> clips_heard;
  const double slide_room = times.EndTime - times.StartTime + times.EffectNext;
  ForEachObject(section, [&](const TIniObject& object) {
    if (!IsClass(object, "Video")) return;
    const std::string key = ClipKey(object);
    const auto clip = key.empty() ? FClips.end() : FClips.find(key);
    std::optional<TExtraMusicItem> sound;
    if (clip == FClips.end()) {
      sound = ClipSound(object, slide_room);
    } else if (const auto first = FFirstSlide.find(key);
               first != FFirstSlide.end() && first->second == slide && clips_heard.insert(key).second) {
      sound = ClipSound(*clip->second, std::nullopt);
    }
    if (sound) sounds.push_back(std::move(*sound));
  });
  return sounds;
}

TOrvMusicSource::TOrvMusicSource(TOrvSource& source) {
  const TIniFile& project = source.Project();
  const TIniObject* music = FindMusicObject(project.FindSection("Main"));
  if (music && ReadBool(music->FindKey("music_disable"), false)) return;
  FEnabled = true;
  const TShowOptions options = TShowOptions::Read(project);
  FSynchronised = options.SyncMode;
  FCutAtSlide = !options.FullyPlaySound;
  FTotalLength = source.TotalDuration();

  const TMusicOptionsReader reader(project);
  TMusicBuild build = reader.Build(music, {}, std::nullopt);
  if (!build.Main.Text.empty()) FMainList.Add(std::move(build.Main.Text), build.Main.Length);
  FMainList.Repeat = build.Repeat;
  FMainSounds = std::move(build.Main.Sounds);
  ReadSlides(source, reader);
  if (FSynchronised && FMainList.TotalLength() + kRepeatMargin > FTotalLength) FMainList.Repeat = false;
}

void TOrvMusicSource::ReadSlides(TOrvSource& source, const TMusicOptionsReader& reader) {
  const TIniFile& project = source.Project();
  const int count = source.SlideCount();
  const TClipSoundReader clips(project, count);
  std::vector<const TIniSection*> sections(count);
  std::vector<const TIniObject*> musics(count);
  std::vector<bool> has_comment(count);
  for (int k = 0; k < count; ++k) {
    sections[k] = FindSlideSection(project, k);
    if (!sections[k]) Log().Write("Music: Slide not Found: " + std::to_string(k + 1));
    musics[k] = FindMusicObject(sections[k]);
    has_comment[k] = musics[k] && HasCommentFile(*musics[k]);
  }
  FSlides.resize(count);
  for (int k = 0; k < count; ++k) {
    TSlideMusicInfo& info = FSlides[k];
    source.GetSlideTimes(k, info.Times);
    info.SlideNumber = (k + 1) % count;
    if (!sections[k]) continue;
    const std::vector<TExtraMusicItem> extras = clips.SoundsOf(k, *sections[k], info.Times);
    if (!musics[k] && extras.empty()) continue;
    double window_end = info.Times.EndTime;
    if (!FCutAtSlide) {
      // Until the slide before the next one with a comment of its own, or the show's end.
      const auto next = std::find(has_comment.begin() + k + 1, has_comment.end(), true);
      TSlideTimes last;
      source.GetSlideTimes(static_cast<int>(next - has_comment.begin()) - 1, last);
      window_end = last.EndTime;
    }
    TMusicBuild build = reader.Build(musics[k], extras, window_end - info.Times.StartTime);
    info.Comment = std::move(build.Comment.Text);
    info.CommentLength = build.Comment.Length;
    info.Sounds = std::move(build.Comment.Sounds);
    if (info.CommentLength < 0) {
      Log().Write("Music: Incorrect music time on slide " + std::to_string(k + 1));
      info.Comment.clear();
      info.CommentLength = 0;
    }
  }
}

TAudioOpener ShowAudioOpener(Ref<TFileAccessor> accessor) {
  return [accessor = std::move(accessor)](const std::string& name) -> StreamPtr {
    const std::string_view prefix = kLoadFromDiskPrefix;
    WideString wide;
    if (name.starts_with(prefix)) {
      if (!TryUtf8ToUtf16(std::string_view(name).substr(prefix.size()), wide)) return nullptr;
      return accessor->OpenDiskFile(wide);
    }
    if (!TryUtf8ToUtf16(name, wide)) return nullptr;
    return accessor->OpenStream(wide);
  };
}

const TSlideMusicInfo& TOrvMusicSource::SlideMusicInfo(int64_t index) const {
  const auto count = static_cast<int64_t>(FSlides.size());
  return FSlides[static_cast<size_t>(((index % count) + count) % count)];
}

}  // namespace orv
