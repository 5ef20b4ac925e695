// The music of one show as the music player plays it: one play list for the show's music,
// and for each slide its timing with the description of its comment and clip sounds.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "audio/converter_factory.h"
#include "base/ref_object.h"
#include "package/file_accessor.h"
#include "show/music_options.h"
#include "show/orv_source.h"

namespace orv {

// One play-list entry: a file name or a composite description.
struct TMusicItemInfo {
  std::string Name;
  double Start = 0;     // ms
  double Duration = 0;  // ms
};

class TPlayList {
 public:
  // Appends an entry at the current total length.
  void Add(std::string name, double length);
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // Entry `index` of the endless list: indexes wrap by the count, the start moving by whole
  // total lengths. The list must not be empty.
  TMusicItemInfo Item(int64_t index) const;
  double TotalLength() const noexcept { return FTotalLength; }
  bool Repeat = false;

 private:
  std::vector<TMusicItemInfo> FItems;
  double FTotalLength = 0;
};

struct TSlideMusicInfo {
  TSlideTimes Times;
  // The slide's number (1 … N − 1), 0 for the last slide.
  int SlideNumber = 0;
  // The comment and clip sound description, empty when the slide has none.
  std::string Comment;
  double CommentLength = 0;
  // What the description holds, on the slide's timeline.
  std::vector<TMusicSound> Sounds;
};

class TOrvMusicSource : public TRefObject {
 public:
  explicit TOrvMusicSource(TOrvSource& source);

  bool Enabled() const noexcept { return FEnabled; }
  const TPlayList& MainList() const noexcept { return FMainList; }
  // What the main play list's description holds, on the show's timeline.
  const std::vector<TMusicSound>& MainSounds() const noexcept { return FMainSounds; }
  int SlideCount() const noexcept { return static_cast<int>(FSlides.size()); }
  // The music info of slide `index`, wrapping by the slide count. The show must have
  // slides.
  const TSlideMusicInfo& SlideMusicInfo(int64_t index) const;
  double TotalLength() const noexcept { return FTotalLength; }
  bool Repeat() const noexcept { return FMainList.Repeat; }
  bool Synchronised() const noexcept { return FSynchronised; }
  bool CutAtSlide() const noexcept { return FCutAtSlide; }

 private:
  void ReadSlides(TOrvSource& source, const TMusicOptionsReader& reader);

  bool FEnabled = false;
  TPlayList FMainList;
  std::vector<TMusicSound> FMainSounds;
  std::vector<TSlideMusicInfo> FSlides;
  double FTotalLength = 0;
  bool FSynchronised = false;
  bool FCutAtSlide = true;
};

// The sounds of the video objects of slide `slide` (from 0), as extra music items.
class TClipSoundReader {
 public:
  TClipSoundReader(const TIniFile& project, int slide_count);
  std::vector<TExtraMusicItem> SoundsOf(int slide, const TIniSection& section, const TSlideTimes& times) const;

 private:
  // "ClipGUID" (lower-cased) → the clip record in "Tracks".
  std::unordered_map<std::string, const TIniObject*> FClips;
  // "ClipGUID" (lower-cased) → the first slide whose objects refer to it.
  std::unordered_map<std::string, int> FFirstSlide;
};

// How the show's sounds are opened: names that begin with "LoadFromDisk:" from the disk
// (the rest of the name is the path, found as the accessor finds files), the others from
// the show's files through the accessor.
TAudioOpener ShowAudioOpener(Ref<TFileAccessor> accessor);

}  // namespace orv
