#include "nav/video_nav_bar.h"

#include <algorithm>
#include <cmath>

#include "base/assertions.h"
#include "nav/bilinear_stretch.h"
#include "nav/nav_placement.h"
#include "text/text_params.h"
#include "text/text_store.h"

namespace orv {
namespace {

constexpr int kIcons = 7;
constexpr int kPlayIcon = 0, kPauseIcon = 1, kSoundOnIcon = 2, kSoundOffIcon = 3, kFirstExtraIcon = 4, kExitIcon = 6;
constexpr int kColonGlyph = 10, kSlashGlyph = 11;

// Blends `source` onto `target` at (x, y), clipped to the target.
void BlendBitmap(TBitmap& target, const TBitmap& source, int x, int y) {
  const TRect area = IntersectRect(TRect{x, y, x + source.Width(), y + source.Height()},
                                   RectOfSize(target.Width(), target.Height()));
  for (int row = area.Top; row < area.Bottom; ++row) {
    auto* out = reinterpret_cast<uint32_t*>(target.Row(row));
    const auto* in = reinterpret_cast<const uint32_t*>(source.Row(row - y));
    for (int column = area.Left; column < area.Right; ++column)
      out[column] = BlendOverBar(in[column - x], out[column]);
  }
}

bool Within(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

// ---- skin

void TVideoNavBar::Load(Ref<TIniFile> tree, WideView folder) {
  // An earlier skin leaves nothing behind.
  FPicture = FSecondPicture = FBackgroundCache = FTrackCache = nullptr;
  FGlyphs = {};
  FShown.clear();
  FStates.clear();
  FDisabled = true;
  FPosition = -1;
  FVolume = -1;
  FDraggingTime = FDraggingVolume = false;
  FLastThumbX = -1;
  FLastSeconds = -1;
  ORV_ASSERT(!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/'), "Path delimiter nof found!");
  FFolder = WideString(folder);
  const auto text = [&](std::string_view section, std::string_view key) {
    const TIniItem* item = tree->FindKey(section, key);
    return item ? std::string(item->Value()) : std::string();
  };
  const auto number = [&](std::string_view section, std::string_view key) {
    return ParseInteger(text(section, key)).value_or(0);
  };
  const auto pair = [&](std::string_view key) { return ParseIntPair(text("Pixel positions", key), {0, 0}); };
  const auto picture = [&](std::string_view section, std::string_view key) -> Ref<TBitmap> {
    const std::string name = text(section, key);
    return name.empty() || !Callbacks.LoadTexture ? nullptr : Callbacks.LoadTexture(FFolder + Utf8ToUtf16(name));
  };
  FDesign.BarSize = pair("BarSize");
  FDesign.ButtonSize = pair("BtnSize");
  FDesign.DigitSize = pair("DigitSize");
  FDesign.TrackHeight = number("Pixel positions", "TrackHeight");
  FDesign.VolumeLength = number("Pixel positions", "VolumeControlLength");
  FDesign.LeftSpace = number("Pixel positions", "LeftSpace");
  FDesign.ButtonsTrackSpace = number("Pixel positions", "ButtonsTrackSpace");
  FDesign.TrackDigitsSpace = number("Pixel positions", "TrackDigitsSpace");
  FDesign.DigitsSoundSpace = number("Pixel positions", "DigitsSoundBtnSpace");
  FDesign.SoundTrackSpace = number("Pixel positions", "SoundBtnTrackSpace");
  FDesign.RightSpace = number("Pixel positions", "RightSpace");
  FBackground = TNinePatch(picture("Common", "flnm_back"),
                           {number("Common", "BgLeft"), 0, number("Common", "BgRight"), 0});
  FLine = TNinePatch(picture("Trackbar", "flnm_Line"),
                     {number("Common", "TrackLineLeft"), 0, number("Common", "TrackLineRight"), 0});
  FThumb = TNinePatch(picture("Trackbar", "flnm_Polzun"), {});
  FDesign.ThumbSize = {FThumb.Width(), FThumb.Height()};
  const char* const strips[3] = {"flnm_Normal", "flnm_Hover", "flnm_Click"};
  const auto [w, h] = FDesign.ButtonSize;
  for (size_t s = 0; s < 3; ++s) {
    const Ref<TBitmap> strip = picture("Buttons", strips[s]);
    for (int i = 0; i < kIcons; ++i) FIcons[s][size_t(i)] = TNinePatch(strip ? CutBitmap(*strip, {i * w, 0, (i + 1) * w, h}) : nullptr, {});
  }
  FDeclared = {"backward", "forward"};
  FBarWidth = FDesign.BarSize.First;  // until the panel gives its area's width
}

void TVideoNavBar::SetBarHeight(int height) {
  if (FDesign.BarSize.Second <= 0) {
    FDisabled = true;
    return;
  }
  Fit(double(height) / FDesign.BarSize.Second);
}

void TVideoNavBar::SetDpiScale(float factor) { Fit(factor); }

void TVideoNavBar::Fit(double scale) {
  const std::optional<double> fitted = FitVideoBarScale(FDesign, scale, FBarWidth);
  FDisabled = !fitted;
  if (fitted) FScale = *fitted;
  Relayout();
}

void TVideoNavBar::Relayout() {
  FLayout = TVideoBarLayout::Make(FDesign, FScale, FBarWidth, int(FShown.size()), FShowHours);
}

void TVideoNavBar::SetButtons(const std::vector<int>& indexes) {
  if (FDisabled) return;
  FShown.clear();
  for (int index : indexes)
    if (index >= 0 && size_t(index) < FDeclared.size()) FShown.push_back(index);
  FStates.assign(FShown.size() + 3, kNormal);
  FDuration = Callbacks.GetDuration ? Callbacks.GetDuration() : 0;
  FShowHours = FDuration >= 3600000;
  Relayout();
  if (FLayout.Height <= 0 || FBarWidth <= 0) {
    FDisabled = true;
    return;
  }
  MakeGlyphs();
  Draw(kPlayPause | kExtras | kTime | kSound | kVolume | (Callbacks.OnSecondImageChanged ? kExit : 0));
}

// ---- drawing

void TVideoNavBar::MakeGlyphs() {
  const WideString texts[12] = {u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u":", u" / "};
  const int height = FLayout.DigitHeight;
  for (size_t i = 0; i < FGlyphs.size(); ++i) {
    FGlyphs[i] = nullptr;
    if (height <= 0) continue;
    const Ref<TTextBitmapStore> store = TTextBitmapStore::Create(EncodeTextName({texts[i]}, TTextParams{}), nullptr);
    const Ref<TBitmap> glyph = store ? store->GetLevel(0, &pf::A8R8G8B8) : nullptr;
    if (!glyph || glyph->Height() <= 0) continue;
    FGlyphs[i] = StretchBilinear(*glyph, std::max(1, RoundEven(double(glyph->Width()) * height / glyph->Height())), height);
  }
}

void TVideoNavBar::RestoreBackground(int from, int to) {
  const TRect area = IntersectRect(TRect{from, 0, to, FLayout.Height}, RectOfSize(FPicture->Width(), FPicture->Height()));
  for (int y = area.Top; y < area.Bottom; ++y)
    std::copy_n(reinterpret_cast<const uint32_t*>(FBackgroundCache->Row(y)) + area.Left, area.Width(),
                reinterpret_cast<uint32_t*>(FPicture->Row(y)) + area.Left);
}

void TVideoNavBar::DrawIcon(TBitmap& target, int icon, uint8_t state, int x, int y) const {
  const TNinePatch& picture = FIcons[std::min<size_t>(state, 2)][size_t(icon)];
  picture.Draw(target, {x, y, x + FLayout.ButtonWidth, y + FLayout.ButtonHeight});
}

void TVideoNavBar::Draw(int elements) {
  const TVideoBarLayout& l = FLayout;
  const int button_y = (l.Height - l.ButtonHeight) / 2;
  if (!FPicture) {
    FBackgroundCache = TBitmap::Create(FBarWidth, l.Height, pf::A8R8G8B8);
    FBackground.Draw(*FBackgroundCache, RectOfSize(FBarWidth, l.Height));
    FPicture = TBitmap::Create(FBarWidth, l.Height, pf::A8R8G8B8);
    RestoreBackground(0, FBarWidth);
  }
  if (elements & kPlayPause) {
    RestoreBackground(l.LeftSpace, l.LeftSpace + l.ButtonWidth);
    const bool paused = FDraggingTime ? FPausedBeforeDrag : FPausedShown;
    DrawIcon(*FPicture, paused ? kPlayIcon : kPauseIcon, FStates[0], l.LeftSpace, button_y);
  }
  if (elements & kExtras) {
    RestoreBackground(l.LeftSpace + l.ButtonWidth, l.LeftSpace + l.ButtonWidth * int(FShown.size() + 1));
    for (size_t i = 0; i < FShown.size(); ++i)
      DrawIcon(*FPicture, kFirstExtraIcon + FShown[i], FStates[3 + i], l.LeftSpace + l.ButtonWidth * int(i + 1),
               button_y);
  }
  if (elements & kTime) {
    DrawTrack();
    DrawDigits();
  }
  if (elements & kSound) {
    RestoreBackground(l.SoundX, l.SoundX + l.ButtonWidth);
    DrawIcon(*FPicture, FVolume != 0 ? kSoundOnIcon : kSoundOffIcon, FStates[1], l.SoundX, button_y);
  }
  if (elements & kVolume) DrawVolume();
  if (Callbacks.OnImageChanged) Callbacks.OnImageChanged(*this, RectOfSize(FBarWidth, l.Height));
  if ((elements & kExit) && Callbacks.OnSecondImageChanged) {
    FSecondPicture = TBitmap::Create(l.Height, l.Height, pf::A8R8G8B8);
    DrawIcon(*FSecondPicture, kExitIcon, FStates[2], (l.Height - l.ButtonWidth) / 2, button_y);
    Callbacks.OnSecondImageChanged(*this, RectOfSize(l.Height, l.Height));
  }
}

void TVideoNavBar::DrawTrack() {
  const TVideoBarLayout& l = FLayout;
  const int thumb_x = l.ThumbX(PassTime(FPosition, FDuration), FDuration);
  if (thumb_x == FLastThumbX) return;
  FLastThumbX = thumb_x;
  RestoreBackground(l.TrackStart, l.TrackEnd);
  if (!FTrackCache && l.TrackEnd > l.TrackStart && l.TrackHeight > 0) {
    FTrackCache = TBitmap::Create(l.TrackEnd - l.TrackStart, l.TrackHeight, pf::A8R8G8B8);
    FLine.Draw(*FTrackCache, RectOfSize(FTrackCache->Width(), FTrackCache->Height()));
  }
  if (FTrackCache) BlendBitmap(*FPicture, *FTrackCache, l.TrackStart, (l.Height - l.TrackHeight) / 2);
  const int top = (l.Height - l.ThumbHeight) / 2;
  FThumb.Draw(*FPicture, {thumb_x - l.ThumbWidth / 2, top, thumb_x - l.ThumbWidth / 2 + l.ThumbWidth, top + l.ThumbHeight});
}

void TVideoNavBar::DrawDigits() {
  const TVideoBarLayout& l = FLayout;
  const long long seconds = (long long)std::trunc(std::max(0.0, PassTime(FPosition, FDuration)) / 1000);
  if (seconds == FLastSeconds) return;
  FLastSeconds = seconds;
  RestoreBackground(l.TrackEnd, l.SoundX);
  const std::string text = VideoBarTimeText(PassTime(FPosition, FDuration), FDuration, FShowHours);
  std::vector<const TBitmap*> glyphs;
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool slash = text[i] == ' ';
    const size_t index = slash ? kSlashGlyph : text[i] == ':' ? kColonGlyph : size_t(text[i] - '0');
    if (slash) i += 2;  // " / " is one glyph
    if (!FGlyphs[index]) continue;
    glyphs.push_back(FGlyphs[index].Get());
    width += FGlyphs[index]->Width();
  }
  int x = l.DigitsStart + (l.DigitsEnd - l.DigitsStart - width) / 2;
  for (const TBitmap* glyph : glyphs) {
    BlendBitmap(*FPicture, *glyph, x, (l.Height - l.DigitHeight) / 2);
    x += glyph->Width();
  }
}

void TVideoNavBar::DrawVolume() {
  const TVideoBarLayout& l = FLayout;
  RestoreBackground(l.VolumeStart, l.VolumeEnd);
  const int track_top = (l.Height - l.TrackHeight) / 2;
  FLine.Draw(*FPicture, {l.VolumeStart, track_top, l.VolumeEnd, track_top + l.TrackHeight});
  const int x = l.VolumeX(FVolume) - l.ThumbWidth / 2;
  const int top = (l.Height - l.ThumbHeight) / 2;
  FThumb.Draw(*FPicture, {x, top, x + l.ThumbWidth, top + l.ThumbHeight});
}

// ---- clock and volume

void TVideoNavBar::Tick(double time) {
  if (FDisabled || !FPicture) return;
  const bool was_paused = FPausedShown;
  if (Callbacks.IsPlaying) FPausedShown = !Callbacks.IsPlaying();
  const bool pause_changed = was_paused != FPausedShown;
  if ((time == FPosition && !pause_changed) || FDraggingTime) return;
  const int old_x = FLayout.ThumbX(PassTime(FPosition, FDuration), FDuration);
  const long long old_seconds = (long long)std::trunc(PassTime(FPosition, FDuration) / 1000);
  FPosition = time;
  int elements = pause_changed ? kPlayPause : 0;
  if (old_x != FLayout.ThumbX(PassTime(FPosition, FDuration), FDuration) ||
      old_seconds != (long long)std::trunc(PassTime(FPosition, FDuration) / 1000))
    elements |= kTime;
  if (elements) Draw(elements);
}

void TVideoNavBar::SetVolumeLevel(float level) {
  if (FDisabled || level == FVolume || FDraggingVolume) return;
  const double old = FVolume;
  FVolume = level;
  int elements = (old == 0) != (FVolume == 0) ? kSound : 0;
  if (FLayout.VolumeX(old) != FLayout.VolumeX(FVolume)) elements |= kVolume;
  if (elements && FPicture) Draw(elements);
}

// ---- mouse

bool TVideoNavBar::InButtonBand(int y) const {
  return Within(y, (FLayout.Height - FLayout.ButtonHeight) / 2, (FLayout.Height + FLayout.ButtonHeight) / 2);
}

bool TVideoNavBar::InTrackBand(int y) const {
  return Within(y, (FLayout.Height - FLayout.TrackHeight) / 2, (FLayout.Height + FLayout.TrackHeight) / 2);
}

int TVideoNavBar::ResetStates(bool pressed_only) {
  int elements = 0;
  for (size_t i = 0; i < FStates.size(); ++i) {
    if (FStates[i] == kNormal || (pressed_only && FStates[i] != kPressed)) continue;
    FStates[i] = kNormal;
    elements |= i == 0 ? kPlayPause : i == 1 ? kSound : i == 2 ? kExit : kExtras;
  }
  return elements;
}

void TVideoNavBar::MouseEvent(TMouseButton button, int, TMouseEvent event, int y, int x) {
  if (FDisabled || !FPicture) return;
  if (event == TMouseEvent::Down && button == TMouseButton::Left) PressAt(x, y);
  if (event == TMouseEvent::Move) MoveTo(x, y);
  if (event == TMouseEvent::Up && button == TMouseButton::Left) ReleaseAt(x, y);
}

void TVideoNavBar::PressAt(int x, int y) {
  const TVideoBarLayout& l = FLayout;
  int elements = ResetStates(false);
  if (UpperHalf()) {
    if (Within(x - (l.Height - l.ButtonWidth) / 2, 0, l.ButtonWidth) &&
        Within(y - (l.Height - l.ButtonHeight) / 2, 0, l.ButtonHeight)) {
      FStates[2] = kPressed;
      if (Callbacks.OnClick) Callbacks.OnClick(*this, -2);
      elements |= kExit;
    }
    if (elements) Draw(elements);
    return;
  }
  if (InTrackBand(y) && Within(x, l.TrackStart, l.TrackEnd)) {
    FDraggingTime = true;
    FPausedBeforeDrag = FPausedShown;
    FPausedShown = true;
    FTimeGrab = x - l.ThumbX(PassTime(FPosition, FDuration), FDuration);
    if (!FPausedBeforeDrag && Callbacks.OnClick) Callbacks.OnClick(*this, -1);  // paused for the drag
    elements |= kPlayPause;
  } else if (InTrackBand(y) && Within(x, l.VolumeStart, l.VolumeEnd)) {
    FDraggingVolume = true;
    FVolumeGrab = x - l.VolumeX(FVolume);
    if (elements) Draw(elements);
    return;
  }
  if (InButtonBand(y)) {
    if (x >= l.LeftSpace && x < l.LeftSpace + l.ButtonWidth) {
      FStates[0] = kPressed;
      FPausedShown = !FPausedShown;
      if (Callbacks.OnClick) Callbacks.OnClick(*this, -1);
      elements |= kPlayPause;
    } else if (x >= l.SoundX && x < l.SoundX + l.ButtonWidth) {
      FStates[1] = kPressed;
      if (FVolume != 0) {
        FSavedVolume = FVolume;
        FVolume = 0;
      } else {
        FVolume = FSavedVolume;
      }
      if (Callbacks.SetVolume) Callbacks.SetVolume(float(FVolume));
      elements |= kSound | kVolume;
    } else if (l.ButtonWidth > 0 && x >= l.LeftSpace + l.ButtonWidth && x < l.TrackStart - FDesign.ButtonsTrackSpace) {
      const int k = (x - l.LeftSpace) / l.ButtonWidth;
      if (size_t(k + 2) < FStates.size()) {
        FStates[size_t(k + 2)] = kPressed;
        if (Callbacks.OnClick) Callbacks.OnClick(*this, k - 1);
        elements |= kExtras;
      }
    }
  }
  if (elements) Draw(elements);
}

void TVideoNavBar::SetVolumeFromX(int x) {
  const double old = FVolume;
  FVolume = FLayout.VolumeAt(x, FVolumeGrab);
  if (Callbacks.SetVolume) Callbacks.SetVolume(float(FVolume));
  Draw(kVolume | ((old == 0) != (FVolume == 0) ? kSound : 0));
}

void TVideoNavBar::MoveTo(int x, int y) {
  const TVideoBarLayout& l = FLayout;
  // While a button is held down no hover changes.
  if (std::any_of(FStates.begin(), FStates.end(), [](uint8_t s) { return s == kPressed; })) return;
  int elements = ResetStates(false);
  if (FDraggingTime && Within(x, l.TrackStart, l.TrackEnd)) {
    FPosition = l.TimeAt(x, FTimeGrab, FDuration);
    if (Callbacks.SetTime) Callbacks.SetTime(FPosition);
    elements |= kTime;
  }
  if (FDraggingVolume && Within(x, l.VolumeStart, l.VolumeEnd)) SetVolumeFromX(x);
  elements |= Hover(x, y);
  if (elements) Draw(elements);
}

int TVideoNavBar::Hover(int x, int y) {
  const TVideoBarLayout& l = FLayout;
  if (UpperHalf()) {
    if (!Within(x - (l.Height - l.ButtonWidth) / 2, 0, l.ButtonWidth) ||
        !Within(y - (l.Height - l.ButtonHeight) / 2, 0, l.ButtonHeight))
      return 0;
    FStates[2] = kHover;
    return kExit;
  }
  if (!InButtonBand(y) || FDraggingTime || FDraggingVolume) return 0;
  if (x >= l.LeftSpace && x < l.LeftSpace + l.ButtonWidth) {
    FStates[0] = kHover;
    return kPlayPause;
  }
  if (x >= l.SoundX && x < l.SoundX + l.ButtonWidth) {
    FStates[1] = kHover;
    return kSound;
  }
  if (l.ButtonWidth > 0 && x >= l.LeftSpace + l.ButtonWidth && x < l.TrackStart - FDesign.ButtonsTrackSpace) {
    const size_t k = size_t((x - l.LeftSpace) / l.ButtonWidth);
    if (k + 2 >= FStates.size()) return 0;
    FStates[k + 2] = kHover;
    return kExtras;
  }
  return 0;
}

void TVideoNavBar::ReleaseAt(int x, int y) {
  const TVideoBarLayout& l = FLayout;
  int elements = ResetStates(true);
  if (FDraggingTime) {
    FPausedShown = FPausedBeforeDrag;
    if (!FPausedBeforeDrag && Callbacks.OnClick) Callbacks.OnClick(*this, -1);  // resumed after the drag
    elements |= kPlayPause;
  }
  const bool on_track = InTrackBand(y) && !UpperHalf();
  if ((on_track || FDraggingTime) && Within(x, l.TrackStart, l.TrackEnd)) {
    FPosition = l.TimeAt(x, FDraggingTime ? FTimeGrab : 0, FDuration);
    if (Callbacks.SetTime) Callbacks.SetTime(FPosition);
    elements |= kTime;
  }
  if ((on_track || FDraggingVolume) && Within(x, l.VolumeStart, l.VolumeEnd)) SetVolumeFromX(x);
  FDraggingTime = false;
  FDraggingVolume = false;
  if (elements) Draw(elements);
}

}  // namespace orv
