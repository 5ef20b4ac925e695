// Button themes: a folder holding "btn.ini" and the part pictures it names. A button picture
// is made from the nine parts of one state (four corners, four edges, the centre) at a
// width of the button's choosing and the theme's own height, then shifted in hue,
// saturation and lightness.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/rect.h"
#include "base/ref_object.h"
#include "base/text.h"
#include "image/bitmap_store.h"
#include "package/file_accessor.h"
#include "project/ini_values.h"
#include "render/render_types.h"
#include "slide/filters.h"

namespace orv {

class TIniFile;

enum class TButtonState : uint8_t { Normal, Hover, Click };
inline constexpr int kButtonStateCount = 3;

// The parts of a state, in the order of their keys in "btn.ini".
enum TButtonPart : uint8_t {
  kPartLeftTop,
  kPartTop,
  kPartRightTop,
  kPartRight,
  kPartRightBottom,
  kPartBottom,
  kPartLeftBottom,
  kPartLeft,
  kPartCenter,
  kButtonPartCount
};

// One part: a picture file of the theme folder and the rectangle of it that is used (x1, y1
// inside, x2, y2 just outside).
struct TBtnIniString {
  WideString FileName;
  TRect Rect;
  friend bool operator==(const TBtnIniString&, const TBtnIniString&) = default;
};

// "name x1,y1,x2,y2" (a "," after the name does as well as blanks). Nothing when the four
// numbers are missing, the name is empty or the rectangle is empty or inverted.
std::optional<TBtnIniString> ParseBtnIniString(std::string_view value);

// Hue in degrees, saturation and lightness in percent.
struct TButtonColorShift {
  int Hue = 0;
  int Saturation = 0;
  int Lightness = 0;
  bool IsZero() const noexcept { return Hue == 0 && Saturation == 0 && Lightness == 0; }
  // On the 0…255 scale of the HSL model: any hue turns the wheel, saturation and lightness
  // count up to ±100 (beyond that every pixel is already at the end of the scale).
  THslShift ModelShift() const noexcept;
  friend bool operator==(const TButtonColorShift&, const TButtonColorShift&) = default;
};

// What a "Button: " picture name says: theme:state:width:hue:saturation:lightness.
struct TButtonPictureName {
  WideString Theme;
  TButtonState State = TButtonState::Normal;
  int Width = 0;
  TButtonColorShift Shift;
  friend bool operator==(const TButtonPictureName&, const TButtonPictureName&) = default;
};

WideString FormatButtonPictureName(const TButtonPictureName& name);
// Nothing for a name without the prefix, five numbers after the theme or a known state.
std::optional<TButtonPictureName> ParseButtonPictureName(WideView name);

// One theme, read once and shared by every button of the show that uses it. Thread-safe.
class TButtonProducer : public TRefObject {
public:
  using TStateParts = std::array<std::optional<TBtnIniString>, kButtonPartCount>;

  // Buttons wider than this, or larger in area, are made at the largest size allowed.
  static constexpr int kMaxWidth = 8192;
  static constexpr int64_t kMaxPixels = int64_t(1) << 23;
  static constexpr size_t kKeptPictures = 64;

  // The theme of the folder `theme_folder` (ending in a separator) from its "btn.ini"; none
  // when the file cannot be opened or its normal state has no height.
  static Ref<TButtonProducer> Load(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder);
  // The theme from an already read "btn.ini"; none when the normal state has no height.
  static Ref<TButtonProducer> FromIni(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder,
                                      const TIniFile& ini);

  const WideString& Theme() const noexcept { return FTheme; }
  const TStateParts& Parts(TButtonState state) const { return FParts[size_t(state)]; }
  TIniColor CaptionColor() const noexcept { return FCaptionColor; }
  float BtnOffset() const noexcept { return FBtnOffset; }
  float BtnMinWidth() const noexcept { return FBtnMinWidth; }
  TImageFiltering Filtering() const noexcept { return FFiltering; }
  // The height every button of the theme is made at.
  int DesignHeight() const noexcept { return FDesignHeight; }
  // The narrowest width at which the corners do not overlap.
  int BaseWidth() const noexcept { return FBaseWidth; }
  // `width` brought into BaseWidth … the largest width allowed.
  int ClampWidth(int width) const noexcept;

  // The state's picture, `width` wide (clamped), named `name`; pictures are made once per
  // name. A part that cannot be read gives a picture of the words "Incorrect Image: " and
  // the part's file name instead.
  Ref<TSysBitmapStore> MakePicture(const WideString& name, TButtonState state, int width, TButtonColorShift shift);

private:
  TButtonProducer(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder);
  void ReadIni(const TIniFile& ini);
  void MeasureDesign();
  // The part's pixels (A8R8G8B8), cut to its rectangle; none when they cannot be had.
  Ref<TBitmap> PartPixels(const TBtnIniString& part);
  Ref<TBitmap> LoadFile(const WideString& file_name);
  Ref<TSysBitmapStore> Compose(const WideString& name, TButtonState state, int width, TButtonColorShift shift);

  Ref<TFileAccessor> FAccessor;
  WideString FTheme;
  WideString FThemeFolder;
  std::array<TStateParts, kButtonStateCount> FParts;
  TIniColor FCaptionColor{0, 0, 0, 255};
  float FBtnOffset = 0;
  float FBtnMinWidth = 0;
  TImageFiltering FFiltering = TImageFiltering::Default;
  int FDesignHeight = 0;
  int FBaseWidth = 1;

  std::mutex FLock;
  std::map<WideString, Ref<TBitmap>> FFiles;  // by file name; none for a file that cannot be read
  std::map<WideString, Ref<TSysBitmapStore>> FPictures;
};

// The themes of one show, each read once, kept for the whole show. Thread-safe: slides
// are built on the loader thread while the engine draws others.
class TButtonProducerHost : public TRefObject {
public:
  static constexpr std::u16string_view kFallbackTheme = u"aqua";

  // Themes are the folders `folder` + theme name.
  TButtonProducerHost(Ref<TFileAccessor> accessor, WideString folder);

  // The theme, else "aqua", else none.
  Ref<TButtonProducer> Producer(WideView theme);
  // The picture of a "Button: " name; a theme that cannot be had gives a picture of the
  // words "FileOpenError", a malformed name none.
  Ref<TSysBitmapStore> MakePicture(const WideString& name);

private:
  Ref<TButtonProducer> Theme(WideView theme);

  Ref<TFileAccessor> FAccessor;
  WideString FFolder;
  std::mutex FLock;
  std::map<WideString, Ref<TButtonProducer>> FThemes;  // by folded name; none for a theme that cannot be read
};

}  // namespace orv
