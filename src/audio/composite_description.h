// The composite description: a text that lists sound files with their place on a timeline,
// the part of each file to play and its volume envelopes, so that a whole music track (or
// a slide's comments and clip sounds) plays as if it were one file.
//
// The text is the composite marker followed directly by a project-format document:
//   [Main] Duration=<total ms>
//   [<i>] FileName, TimeLine, BeginTime, Duration (ms), FadeCount (envelopes of item i)
//   [Vol_<i>_<j>_<k>] 0=<time ms>, 1=<volume in thousandths>: point k of envelope j
//   [MainVolume] FadeCount, with points in [Vol_MainVolume_<j>_<k>]: the master envelopes
// Several descriptions joined into one text play one after the other.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/volume_params.h"

namespace orv {

struct TCompositeItem {
  std::string FileName;
  double TimeLine = 0;   // where the item starts in the composite, ms
  double BeginTime = 0;  // where playing starts inside the file, ms
  double Duration = 0;   // ms
  TVolumeParamsList Volumes;
};

struct TCompositeParams {
  double Duration = 0;  // ms
  std::vector<TCompositeItem> Items;
  // The master envelopes ("MainVolume"), when the description has any.
  std::optional<TVolumeParamsList> MainVolume;
};

// Envelope counts above this make a description invalid.
inline constexpr int kMaxFadeCount = 1000000;

bool IsCompositeDescription(std::string_view text) noexcept;

// The description text of `params`.
std::string WriteCompositeDescription(const TCompositeParams& params);

// Reads a description, or several joined ones (each later one placed after the total
// duration of those before it). Nothing when the text is not a valid description: it must
// begin with the marker, and every part needs a positive "Duration" and at least one item.
// Items with a negative duration are left out (and logged). The memory taken is bounded by
// the text: envelopes and points are read only while the text has them.
std::optional<TCompositeParams> ParseCompositeDescription(std::string_view text);

// One text that plays the descriptions one after the other.
std::string JoinCompositeDescriptions(const std::vector<std::string>& descriptions);

}  // namespace orv
