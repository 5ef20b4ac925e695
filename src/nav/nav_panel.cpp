#include "nav/nav_panel.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/exceptions.h"
#include "base/log.h"
#include "image/bitmap_store.h"
#include "image/picture_cache.h"
#include "nav/nav_bar.h"
#include "project/ini_values.h"

namespace orv {
namespace {

// What a click on a bar button asks the show to do.
TOrvActionInfo ButtonAction(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  struct TEntry {
    const char* Name;
    uint8_t Kind;
  };
  static constexpr std::array<TEntry, 7> kActions{{{"home", TOrvActionInfo::kGoToSlide},
                                                   {"backward", TOrvActionInfo::kPrevSlide},
                                                   {"forward", TOrvActionInfo::kNextSlide},
                                                   {"pause", TOrvActionInfo::kPause},
                                                   {"print", TOrvActionInfo::kPrint},
                                                   {"help", TOrvActionInfo::kHelp},
                                                   {"exit", TOrvActionInfo::kExit}}};
  TOrvActionInfo action;
  for (const TEntry& entry : kActions)
    if (name == entry.Name) action.Kind = entry.Kind;  // "home" goes to slide 0
  return action;
}

// The skin's folder: its name up to and including the last path separator.
WideString FolderOf(WideView skin_file) {
  const size_t separator = skin_file.find_last_of(u"\\/");
  return separator == WideView::npos ? WideString() : WideString(skin_file.substr(0, separator + 1));
}

Ref<TImage> WrapPicture(const Ref<TBitmap>& picture) {
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"NavPanel", picture));
}

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// A point of `rect` in the pixels of a picture of `width` × `height` stretched onto it.
std::pair<int, int> ToPicture(const TRect& rect, int x, int y, int width, int height) {
  const double bx = rect.Width() > 0 ? double(x - rect.Left) / rect.Width() * width : 0;
  const double by = rect.Height() > 0 ? double(y - rect.Top) / rect.Height() * height : 0;
  // A pointer far outside (one that left the window) stays far outside, without overflow.
  constexpr double kFar = 1e6;
  return {RoundEven(std::clamp(bx, -kFar, kFar)), RoundEven(std::clamp(by, -kFar, kFar))};
}

}  // namespace

TNavPanel::TNavPanel(TFileAccessor& accessor, std::vector<std::string> requested, bool show_background, int hue,
                     TNavPanelCallbacks callbacks)
    : FAccessor(accessor), FRequested(std::move(requested)), FShowBackground(show_background), FHue(hue),
      FCallbacks(std::move(callbacks)) {}

TNavPanel::~TNavPanel() = default;

void TNavPanel::SetGeometry(const TNavPlacement& placement, const TRect& area, double view_scale) {
  FPlacement = placement;
  FArea = area;
  FViewScale = view_scale;
  FGeometrySet = true;
}

void TNavPanel::LoadBar(WideView skin_file, const TNavBarSettings& settings) {
  FBar.Reset();
  FDuration = settings.Duration;
  if (skin_file.empty()) return;
  StreamPtr stream = FAccessor.OpenStream(skin_file);
  if (!stream) {
    Log().Write("Navigation bar skin not found: " + Utf16ToUtf8(skin_file));
    return;
  }
  Ref<TIniFile> skin = MakeRef<TIniFile>();
  if (!skin->LoadFromStream(*stream)) {
    Log().Write("Navigation bar skin not read: " + Utf16ToUtf8(skin_file) + ": " + skin->LoadError());
    return;
  }
  const TIniItem* style = skin->FindKey("Common", "VideoStyle");
  const bool video_style = style && ParseBool(style->Value()).value_or(false);
  Ref<TCustomNavBar> bar = CreateNavBar(video_style);
  if (!bar) {
    Log().Write("Navigation bar skin " + Utf16ToUtf8(skin_file) + " asks for a bar this player does not draw");
    return;
  }
  try {
    AttachBar(std::move(bar), std::move(skin), FolderOf(skin_file), settings, video_style);
  } catch (const Exception& e) {
    // A broken skin costs the show its bar, never the show itself.
    Log().Write("Navigation bar skin " + Utf16ToUtf8(skin_file) + " refused: " + e.what());
    FBar.Reset();
    FMain = {};
    FSecond = {};
  }
}

void TNavPanel::AttachBar(Ref<TCustomNavBar> bar, Ref<TIniFile> skin, WideView folder,
                          const TNavBarSettings& settings, bool video_style) {
  FBar = std::move(bar);
  FDuration = settings.Duration;
  FVideoStyle = video_style;
  FHasSecond = video_style && settings.VideoExit;
  ConnectBar(*FBar, FHasSecond);
  FBar->Load(std::move(skin), folder);
  FBar->SetAreaWidth(FArea.Width());
  if (settings.UseVideoScale)
    FBar->SetBarHeight(RoundEven(FArea.Height() * FViewScale * 0.01));
  else
    FBar->SetDpiScale(settings.DpiScale);
  std::vector<int> indexes;
  const std::vector<std::string>& declared = FBar->Declared();
  for (const std::string& name : FRequested) {
    const auto found = std::find(declared.begin(), declared.end(), name);
    if (found != declared.end()) indexes.push_back(int(found - declared.begin()));
  }
  FBar->SetButtons(indexes);
  FBar->Tick(0);
  FBar->SetVolumeLevel(settings.Volume);
}

void TNavPanel::ConnectBar(TCustomNavBar& bar, bool second_picture) {
  TNavBarCallbacks& callbacks = bar.Callbacks;
  callbacks.OnImageChanged = [this](TCustomNavBar&, const TRect&) { PlaceMainPicture(); };
  if (second_picture) {
    callbacks.OnSecondImageChanged = [this](TCustomNavBar&, const TRect&) { PlaceSecondPicture(); };
    callbacks.IsUpperHalf = [this] { return FUpperHalf; };
  }
  callbacks.LoadTexture = [this](WideView name) -> Ref<TBitmap> {
    const Ref<TImage> image = GetImage(FAccessor, name);
    const Ref<TBitmap> pixels = image ? image->GetLevel(0) : nullptr;
    if (!pixels || &pixels->Format() == &pf::A8R8G8B8) return pixels;
    return pixels->ConvertTo(pf::A8R8G8B8);
  };
  callbacks.OnClick = [this](TCustomNavBar&, int index) { Click(index); };
  callbacks.IsPlaying = FCallbacks.IsPlaying;
  callbacks.SetTime = FCallbacks.GoToTime;
  callbacks.SetVolume = FCallbacks.SetVolume;
  callbacks.GetDuration = [this] { return FDuration; };
  bar.ShowBackground = FShowBackground;
  bar.Hue = FHue;
}

void TNavPanel::PlaceMainPicture() {
  if (!FGeometrySet || !FBar->Picture()) return;
  if (FVideoStyle) {
    const TNavPlacement bottom_centre{{0, 100}, {0, 100}};
    FMain.Rect = PlaceBox(FBar->Picture()->Width(), FBar->Picture()->Height(), FArea, bottom_centre);
  } else {
    const int height = RoundEven(FArea.Height() * FViewScale / 100);
    const int width = FBar->Height() > 0 ? RoundEven(double(height) * FBar->Width() / FBar->Height()) : 0;
    FMain.Rect = PlaceBox(width, height, FArea, FPlacement);
  }
  FMain.Placed = true;
  if (FCallbacks.PictureChanged) FCallbacks.PictureChanged(false, WrapPicture(FBar->Picture()), FMain.Rect);
}

void TNavPanel::PlaceSecondPicture() {
  if (!FGeometrySet || !FBar->SecondPicture()) return;
  const TBitmap& picture = *FBar->SecondPicture();
  FSecond.Rect = TRect{FArea.Right - picture.Width(), FArea.Top, FArea.Right, FArea.Top + picture.Height()};
  FSecond.Placed = true;
  if (FCallbacks.PictureChanged) FCallbacks.PictureChanged(true, WrapPicture(FBar->SecondPicture()), FSecond.Rect);
}

void TNavPanel::Click(int index) {
  const std::vector<int>& shown = FBar->Shown();
  if (index == -1)
    FResult = ButtonAction("pause");
  else if (index == -2)
    FResult = ButtonAction("exit");
  else if (index >= 0 && size_t(index) < shown.size())
    FResult = ButtonAction(FBar->Declared().at(size_t(shown[size_t(index)])));
}

void TNavPanel::Update(double time) {
  if (FBar) FBar->Tick(time);
}

bool TNavPanel::IsOver(int x, int y) const {
  return (FMain.Placed && Inside(FMain.Rect, x, y)) || (FSecond.Placed && Inside(FSecond.Rect, x, y));
}

bool TNavPanel::InSecondHalf(int y) const { return FHasSecond && FSecond.Placed && y < (FArea.Top + FArea.Bottom) / 2.0; }

TOrvActionInfo TNavPanel::Pass(int x, int y, TMouseButton button, int state, TMouseEvent event, bool when) {
  FResult = {};
  if (when && FBar && FMain.Placed) {
    FUpperHalf = InSecondHalf(y);
    const Ref<TBitmap>& picture = FUpperHalf ? FBar->SecondPicture() : FBar->Picture();
    const auto [bx, by] = ToPicture(FUpperHalf ? FSecond.Rect : FMain.Rect, x, y, picture->Width(), picture->Height());
    FBar->MouseEvent(button, state, event, by, bx);
    if (IsOver(x, y) && FResult.Kind == TOrvActionInfo::kNone) FResult.Kind = TOrvActionInfo::kTakenByPanel;
  }
  FOver = IsOver(x, y);
  return FResult;
}

TOrvActionInfo TNavPanel::MouseMove(int x, int y, int state) {
  return Pass(x, y, TMouseButton::None, state, TMouseEvent::Move, IsOver(x, y) || FOver || FPressedInside);
}

TOrvActionInfo TNavPanel::MouseDown(int x, int y, TMouseButton button, int state) {
  const bool pass = button == TMouseButton::Left && (IsOver(x, y) || FOver);
  const TOrvActionInfo result = Pass(x, y, button, state, TMouseEvent::Down, pass);
  if (pass) FPressedInside = true;
  return result;
}

TOrvActionInfo TNavPanel::MouseUp(int x, int y, TMouseButton button, int state) {
  const bool pass = button == TMouseButton::Left && (IsOver(x, y) || FOver || FPressedInside);
  const TOrvActionInfo result = Pass(x, y, button, state, TMouseEvent::Up, pass);
  if (pass) FPressedInside = false;
  return result;
}

}  // namespace orv
