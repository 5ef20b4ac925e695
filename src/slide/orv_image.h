// Picture objects, and text objects, which show a made picture.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "image/image.h"
#include "slide/object_drawing.h"
#include "slide/orv_objects.h"
#include "slide/picture_window.h"
#include "slide/shadow.h"
#include "text/text_store.h"

namespace orv {

struct TAnimationSettings {
  int Columns = 1;  // sprite sheet grid
  int Rows = 1;
  int RepCount = 0;  // 0: endless
  double Offset = 0;  // slide-local ms at which the animation starts
  int Count = 1;      // frames used
  std::vector<int> Intervals;  // ms per frame as listed
  friend bool operator==(const TAnimationSettings&, const TAnimationSettings&) = default;
};

struct TImageSettings {
  bool Antialiased = true;
  TImageFiltering Filtering = TImageFiltering::Default;
  WideString ImageName;
  float MipLodBias = 0;
  int ReplaceWithEffectBuffer = 0;  // 1 … 9: the picture stands for a transition buffer
  bool EnableBorder = false;
  bool EnableCrop = false;
  bool EnableAspect = false;
  float BorderWidth = 3.4f;
  TIniColor BorderColor{255, 255, 255, 255};
  std::array<float, 4> CropRect{};
  float Aspect = 0;
  TAnimationSettings Animation;
  std::optional<int> ImageIndex;  // marks the slide's main picture
  bool RestoreAlpha = false;      // the picture's brightness is its alpha
  friend bool operator==(const TImageSettings&, const TImageSettings&) = default;
};

// The keys of texts and of button captions.
struct TTextSettings {
  std::string Text = "Text";  // as written: escaped, lines not split yet
  TIniColor TextColor{255, 255, 255, 255};
  TIniColor TextColorHover{255, 255, 255, 255};
  TIniColor TextColorClick{255, 255, 255, 255};
  WideString FontName = u"Arial";
  uint32_t FontStyle = 0;
  int TextAlign = 1;  // 0 left, 1 centre, 2 right
  int LineSpacing = 0;
  bool Rasterize = false;
  WideString RasterizedGUID;
  bool IsComment = false;
  friend bool operator==(const TTextSettings&, const TTextSettings&) = default;
};


void ReadImageSettings(const TIniObject& block, TImageSettings& settings);
void ReadTextSettings(const TIniObject& block, TTextSettings& settings);

class TOrvImage : public TOrvObject {
public:
  using TOrvObject::TOrvObject;

  void LoadParams(const TIniObject& block, bool reuse) override;

  const TImageSettings& ImageSettings() const noexcept { return FImage; }
  const Ref<TImage>& Picture() const noexcept { return FPicture; }
  // The name the picture is asked for: the file, a mask of it, or a transition buffer.
  virtual WideString PictureRequestName() const;
  // Asks the host for the picture again; no picture when it cannot be had.
  void AcquirePicture();
  // Decodes the picture at the level it is drawn at. When the picture memory budget cannot
  // hold that level, a coarser one is taken and drawn enlarged; when it holds none of
  // them, the picture gives way to the placeholder saying it could not be loaded. True
  // when it did (the object's size then changes).
  bool DecodePicture();

  // The part of the picture shown and its border, in picture pixels.
  const TPictureWindow& Window() const noexcept { return FWindow; }
  // The window is not the whole picture: cropped, zoomed or moved.
  bool NeedsCrop() const noexcept { return FNeedsCrop; }
  // The power-of-two reduction the picture is wanted at.
  int Level() const noexcept { return FLevel; }
  // The picture is a grid of animation frames ("AnimColumns", "AnimRows").
  bool IsSpriteSheet() const noexcept { return FImage.Animation.Columns > 1 || FImage.Animation.Rows > 1; }
  // The animation frame shown at the last update.
  int SpriteFrame() const noexcept { return FSpriteFrame; }

  void PrepareResources(TDeviceDrawer& drawer) override;
  void ReleaseResources() override;
  void DrawSelf(TDeviceDrawer& drawer) override;
  // A picture marked by "ImageIndex": its file and its loaded size.
  bool AnswerMainPicture(TMainPicture& picture) const override;
  // What every quad of the picture is drawn with at the current values.
  TImageDrawParams DrawParams();

protected:
  TSizeF GetSourceSize() const override;
  void UpdateOwnPlacement() override;
  TRectF SourceRect() const override { return FWindow.Source; }
  // Settings a kind forces after reading the keys.
  virtual void AdjustImageSettings(TImageSettings&) const {}
  // The window from the frame keys (images and videos only).
  TBorderParams BorderParams() const;
  // Draws the border band of the window into `quad`; the quad left inside it for the
  // window, none when the window is empty.
  std::optional<TQuadFrame> DrawBorderAround(TDeviceDrawer& drawer, TQuadFrame quad, float opacity) const;
  // The shape the shadow is cast from, and the length its distance is a percent of (local
  // units); texts and buttons cast theirs from their own sizes. Called with a picture.
  virtual TShadowParams ShadowParams() const;
  virtual float ShadowReferenceSize() const;
  // Where the whole picture is drawn, and its size in local units: the object's rectangle
  // unless a kind's picture reaches beyond it.
  virtual TRectF PictureRect() const { return LocalRect(); }
  // The colour the picture is multiplied with.
  virtual TColor32 TintColor() const { return 0xFFFFFFFFu; }
  // Called when a newly asked picture has come.
  virtual void PictureArrived() {}

private:
  bool ReducedAllowed() const;
  void UpdateSpriteFrame();
  // The level and grid the textures are built for.
  TImageDrawParams TextureParams() const;
  // The picture's colour profile as a cube, made once per picture.
  const TColorTable* ProfileTable();
  void DrawSpriteFrame(TDeviceDrawer& drawer, const TQuadFrame& quad);
  void DrawFramedPicture(TDeviceDrawer& drawer, TQuadFrame quad);
  void PrepareShadow(TDeviceDrawer& drawer);

  TImageSettings FImage;
  Ref<TImage> FPicture;
  WideString FPictureName;  // asked for FPicture
  TPictureWindow FWindow;
  bool FNeedsCrop = false;
  int FLevel = 0;
  int FCoarsestDecoded = 0;  // the finest level the budget let the picture have
  int FSpriteFrame = 0;
  TPreparedPicture FPrepared;
  TGradingTextures FGrading;
  TShadow FShadow;
  std::optional<TColorTable> FProfileCube;
  bool FProfileRead = false;
};

// The pixel scale a text is rendered at, halved while the picture would be larger than
// 30000 pixels a side or 10 million in all; 1 when it is not a positive number.
double LimitRasterScale(double scale, double width, double height);

class TOrvText : public TOrvImage {
public:
  using TOrvImage::TOrvImage;

  void LoadParams(const TIniObject& block, bool reuse) override;
  const TTextSettings& TextSettings() const noexcept { return FText; }
  // The lines as read ("Text" split, a caption's first only, a space for no text) and as
  // drawn, macros expanded.
  const std::vector<WideString>& Lines() const noexcept { return FLines; }
  std::vector<WideString> ExpandedLines() const;
  // The parameters of the picture at the current state and scale.
  TTextParams TextParams() const;
  // The text box at scale 1 (layout pixels); empty without a measurable text.
  TSizeF TextBox() const noexcept { return FBox; }
  // Output pixels per layout pixel for the size the text is needed at.
  double RasterScale() const;
  WideString PictureRequestName() const override;
  bool TakesMouseStates() const override { return true; }
  bool AnswerMainPicture(TMainPicture&) const override { return false; }
  // The first text object of a button is its caption.
  bool IsCaption() const;

protected:
  // Texts cast a shadow; a button's caption casts none and lets clicks through to the button.
  TObjectSettings DefaultSettings() const override;
  void AdjustImageSettings(TImageSettings& settings) const override { settings.Antialiased = false; }
  // The text is rendered anew for the new size.
  void NeededSizeChanged() override { ParamsChanged = true; }
  TSizeF GetSourceSize() const override;
  // The text's height follows the parent's height.
  TFitScales FitScalesFor(TSizeF parent_size) const override;
  // A rendered text takes its resolution from its key scales and its parent's needed
  // height, not from where it goes at each key time: the estimate leaves it in place.
  bool KeepsPlacementWhileMeasuring() const override { return !FText.Rasterize; }
  // Only the lines' rectangles take clicks, once the picture has been made.
  bool HitsContent(TPointF local) const override;
  TShadowParams ShadowParams() const override;
  TRectF PictureRect() const override;
  TColor32 TintColor() const override;
  // A button's caption with one key point is drawn at the scale its theme sets.
  double OwnScaleX() const override { return ThemeScale().value_or(TOrvImage::OwnScaleX()); }
  double OwnScaleY() const override { return ThemeScale().value_or(TOrvImage::OwnScaleY()); }

private:
  std::optional<double> ThemeScale() const;
  // The largest |ScaleX| and |ScaleY| of the key points (the theme's scale for a caption
  // that takes it).
  double LargestKeyScale() const;
  // The sub-pixel part of where the picture lands on the screen at `scale`.
  std::pair<double, double> PixelOffsets(double scale) const;
  // Measures the lines at scale 1 when they changed.
  void Measure(const std::vector<WideString>& lines) const;
  // A text that measures anew keeps its glyphs' size: its key scales follow the box.
  void PictureArrived() override;
  const TTextBitmapStore* PictureStore() const;

  TTextSettings FText;
  std::vector<WideString> FLines;
  mutable WideString FMeasuredName;
  mutable Ref<TTextBitmapStore> FMeasure;
  mutable TSizeF FBox;
  // The new box height over the previous one, carried in the picture's name; due until the
  // key scales have been multiplied by it.
  mutable double FCorrection = 1;
  mutable bool FCorrectionDue = false;
};


}  // namespace orv
