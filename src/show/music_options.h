// The music options of a project turned into composite descriptions: the show's music
// tracks (items laid end to end with cross-fades, pauses, fades and links to slides), and
// a slide's voice comment with the sound of its video clips.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "audio/composite_description.h"
#include "project/ini_file.h"

namespace orv {

// A sound that comes from elsewhere than the music objects (the sound of a video clip).
struct TExtraMusicItem {
  std::string FileName;
  double TimeLine = 0;   // ms in the description
  double BeginTime = 0;  // ms into the file
  double Duration = 0;   // ms
  double Volume = 1.0;   // 1.0 leaves it unchanged
};

enum class TMusicSoundKind { Music, Comment, Clip };

// One sounding item as the project gives it, placed on its description's timeline.
struct TMusicSound {
  TMusicSoundKind Kind = TMusicSoundKind::Music;
  std::string FileName;
  double Start = 0;   // ms on the description's timeline
  double Length = 0;  // ms
  double Offset = 0;  // ms into the file
  double Volume = 100;  // percent
  double FadeIn = 0;
  double FadeOut = 0;
};

// A composite description and what it holds.
struct TMusicDescription {
  TCompositeParams Params;
  // The description text; empty when there is nothing to play.
  std::string Text;
  double Length = 0;  // ms
  std::vector<TMusicSound> Sounds;
};

struct TMusicBuild {
  TMusicDescription Main;
  TMusicDescription Comment;
  bool Repeat = false;
  std::vector<std::string> FileNames;
};

class TMusicOptionsReader {
 public:
  // Reads the slide start table ("Times") and the slides' "LinkedAudio" links.
  explicit TMusicOptionsReader(const TIniFile& project);

  // Builds the descriptions of a music object (null: none): its tracks become the main
  // description, its voice comment (limited to `comment_window` ms when one is given) with
  // the extra items the comment description; `master` becomes the main description's
  // master envelopes. The items keep the project's order.
  TMusicBuild Build(const TIniObject* music, const std::vector<TExtraMusicItem>& extras,
                    std::optional<double> comment_window, const TVolumeParamsList* master = nullptr) const;

  // Start of slide `index` (from 0) on the show timeline; never decreasing.
  double SlideStart(int index) const;
  int SlideCount() const noexcept { return static_cast<int>(FSlideStarts.size()); }
  // The start of the slide whose "LinkedAudio" lists `guid`, if one does.
  std::optional<double> LinkedSlideStart(std::string_view guid) const;

 private:
  struct TGroupItem;
  void PlaceGroup(std::vector<TGroupItem>& group, TMusicDescription& main, double& length) const;

  std::vector<double> FSlideStarts;
  // Lower-cased GUID (with its braces) → slide index.
  std::unordered_map<std::string, int> FLinks;
};

// The points of a "VolumeParams" text for an item that begins `start_ms` into its file and
// lasts `duration_ms`: times in ms from the item's start, volumes in thousandths.
TVolumeParams ParseVolumeParams(std::string_view text, double start_ms, double duration_ms);

// Whether a music object has a voice comment that names a file.
bool HasCommentFile(const TIniObject& music);

// The music object of a project section ("Main" for the show, or a slide's section).
const TIniObject* FindMusicObject(const TIniSection* section);

}  // namespace orv
