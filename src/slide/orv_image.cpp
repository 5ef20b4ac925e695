#include "slide/orv_image.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "image/placeholder.h"
#include "package/windows_names.h"
#include "slide/orv_button.h"
#include "slide/orv_slide.h"
#include "slide/slide_host.h"
#include "slide/text_macros.h"

namespace orv {
namespace {

// Sprite grids and frame lists beyond this are damage, not animation.
constexpr int kMaxAnimationCells = 65536;
constexpr int kMaxLevel = 30;

int ReadBounded(const TIniItem* item, int default_value, int low, int high) {
  const int value = ReadInteger(item, default_value);
  return value < low || value > high ? default_value : value;
}

std::vector<int> ReadIntervals(const TIniItem* item) {
  std::vector<int> intervals;
  for (const std::string& part : ReadList(item)) {
    if (intervals.size() == size_t(kMaxAnimationCells)) break;
    intervals.push_back(std::max(0, ParseInteger(part).value_or(0)));
  }
  return intervals;
}

void ReadAnimation(const TIniObject& block, TAnimationSettings& a) {
  a.Columns = ReadBounded(block.FindKey("AnimColumns"), 1, 1, kMaxAnimationCells);
  a.Rows = ReadBounded(block.FindKey("AnimRows"), 1, 1, kMaxAnimationCells);
  a.RepCount = std::max(0, ReadInteger(block.FindKey("AnimRepCount"), 0));
  a.Offset = ReadFloat(block.FindKey("AnimOffset"), 0);
  // 0 (and the missing key) means one frame.
  a.Count = std::max(1, ReadBounded(block.FindKey("AnimCount"), 1, 0, kMaxAnimationCells));
  a.Intervals = ReadIntervals(block.FindKey("AnimInterval"));
}

std::array<float, 4> ReadCropRect(const TIniItem* item) {
  const TVector4 v = ReadVector4(item, {0, 0, 0, 0});
  return {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
}

// The smallest power-of-two reduction of the window that still covers the needed size.
int LevelFor(const TRectF& window, double needed_width, double needed_height) {
  if (!(needed_width > 0 && needed_height > 0)) return 0;
  const double w = std::max(1.0, std::round(needed_width));
  const double h = std::max(1.0, std::round(needed_height));
  int level = 0;
  while (level < kMaxLevel && std::ldexp(window.Width(), -(level + 1)) >= w && std::ldexp(window.Height(), -(level + 1)) >= h)
    ++level;
  return level;
}

std::u16string AsDecimal(int value) { return AsciiToWide(std::to_string(value)); }

// The lines of a "Text" value (quoted, with escapes); a caption keeps its first. No text is
// one space.
std::vector<WideString> TextLines(std::string_view quoted, bool caption) {
  if (quoted.size() > 1 && quoted.front() == '"' && quoted.back() == '"') quoted = quoted.substr(1, quoted.size() - 2);
  WideString text;
  if (const std::optional<std::string> plain = UnescapeText(quoted)) TryUtf8ToUtf16(*plain, text);
  std::vector<WideString> lines = SplitLines(text);
  if (caption && lines.size() > 1) lines.resize(1);
  if (std::all_of(lines.begin(), lines.end(), [](const WideString& line) { return line.empty(); })) lines = {u" "};
  return lines;
}

}  // namespace

void ReadImageSettings(const TIniObject& block, TImageSettings& s) {
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  s.Antialiased = ReadBool(key("Antialiased"), s.Antialiased);
  s.Filtering = TImageFiltering(ReadChoice(key("Filtering"), {"Nearest", "Bilinear", "Default"}, int(s.Filtering), true));
  s.ImageName = ReadObjectText(key("ImageName"));
  s.MipLodBias = float(ReadFloat(key("MipLodBias"), 0));
  s.ReplaceWithEffectBuffer = ReadBounded(key("ReplaceWithEffectBuffer"), 0, 0, 9);
  s.EnableBorder = ReadBool(key("EnableBorder"), s.EnableBorder);
  s.EnableCrop = ReadBool(key("EnableCrop"), s.EnableCrop);
  s.EnableAspect = ReadBool(key("EnableAspect"), s.EnableAspect);
  s.BorderWidth = float(ReadFloat(key("BorderWidth"), s.BorderWidth));
  s.BorderColor = ReadColor(key("BorderColor"), s.BorderColor);
  s.CropRect = ReadCropRect(key("CropRect"));
  s.Aspect = float(ReadFloat(key("Aspect"), s.Aspect));
  ReadAnimation(block, s.Animation);
  if (const TIniItem* index = key("ImageIndex")) s.ImageIndex = ParseInteger(index->Value());
  s.RestoreAlpha = ReadBool(key("RestoreAlpha"), s.RestoreAlpha);
}

void ReadTextSettings(const TIniObject& block, TTextSettings& s) {
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  s.Text = ReadUtf8(key("Text"), s.Text);
  s.TextColor = ReadColor(key("TextColor"), s.TextColor);
  s.TextColorHover = ReadColor(key("TextColorHover"), s.TextColor);
  s.TextColorClick = ReadColor(key("TextColorClick"), s.TextColor);
  s.FontName = ReadObjectText(key("FontName"), s.FontName);
  s.FontStyle = ReadFontStyle(key("FontStyle"));
  s.TextAlign = ReadChoice(key("TextAlign"), {"Left", "Center", "Right"}, s.TextAlign, true);
  s.LineSpacing = ReadInteger(key("LineSpacing"), s.LineSpacing);
  s.Rasterize = ReadBool(key("Rasterize"), s.Rasterize);
  s.RasterizedGUID = ReadObjectText(key("RasterizedGUID"));
  s.IsComment = ReadBool(key("IsComment"), s.IsComment);
}

// ---- TOrvImage

void TOrvImage::LoadParams(const TIniObject& block, bool reuse) {
  TOrvObject::LoadParams(block, reuse);
  TImageSettings image;
  ReadImageSettings(block, image);
  AdjustImageSettings(image);
  Assign(FImage, std::move(image));
  if (PictureRequestName() != FPictureName) AcquirePicture();
}

WideString TOrvImage::PictureRequestName() const {
  if (const int buffer = FImage.ReplaceWithEffectBuffer; buffer > 0) {
    // Slides of custom transitions show the transition's own buffers; other slides the
    // engine's effect resources.
    const std::u16string_view prefix =
        GetSlide().IsEffectSlide() ? picture_prefix::kSlideEffectBuffer : picture_prefix::kEffectResource;
    const TIntPair size = GetHost().EffectBufferSize();
    return WideString(prefix) + AsDecimal(buffer) + u", " + AsDecimal(size.First) + u", " + AsDecimal(size.Second);
  }
  if (FImage.RestoreAlpha) return WideString(picture_prefix::kMask) + FImage.ImageName;
  return FImage.ImageName;
}

void TOrvImage::AcquirePicture() {
  FPictureName = PictureRequestName();
  FPicture = GetHost().GetPicture(FPictureName);
  FCoarsestDecoded = 0;
  FProfileRead = false;
  ParamsChanged = true;
  if (FPicture) PictureArrived();
}

bool TOrvImage::DecodePicture() {
  if (!FPicture) return false;
  // JPEG pictures decode each of these levels directly, each a quarter of the one before.
  constexpr int kCoarserLevelsTried = 3;
  for (int level = FLevel; level <= std::min(FLevel + kCoarserLevelsTried, kMaxLevel); ++level) {
    if (FPicture->GetLevel(level)) {
      FCoarsestDecoded = level;
      FLevel = std::max(FLevel, level);
      return false;
    }
  }
  Ref<TSysBitmapStore> placeholder =
      MakePlaceholderPicture(FPictureName, u"Image load error:", WideString(LastNameComponent(FImage.ImageName)));
  FPicture = placeholder ? MakeRef<TImage>(std::move(placeholder)) : nullptr;
  FCoarsestDecoded = 0;
  FProfileRead = false;
  ParamsChanged = true;
  return true;
}

bool TOrvImage::AnswerMainPicture(TMainPicture& picture) const {
  if (!FImage.ImageIndex) return false;
  picture.Name = FImage.ImageName;
  picture.Size = FPicture ? TSizeF{float(FPicture->Width()), float(FPicture->Height())} : TSizeF{};
  return true;
}

TSizeF TOrvImage::GetSourceSize() const {
  if (!FPicture) return TOrvObject::GetSourceSize();
  return {float(FPicture->Width()), float(FPicture->Height())};
}

TBorderParams TOrvImage::BorderParams() const {
  TBorderParams params;
  params.EnableBorder = FImage.EnableBorder;
  params.EnableCrop = FImage.EnableCrop;
  params.BorderWidth = FImage.BorderWidth;
  params.BorderColor = FImage.BorderColor;
  params.CropRect = FImage.CropRect;
  const float frame_zoom = Field(kFieldFrameS);
  params.Zoom = 100 / (frame_zoom / 100);
  params.Offset = {Field(kFieldFrameX), Field(kFieldFrameY)};
  const bool moved = params.Zoom != 100 || params.Offset.X != 0 || params.Offset.Y != 0;
  params.EnableAspect = FImage.EnableAspect || moved;
  params.Aspect = FImage.EnableAspect ? FImage.Aspect : 0;
  return params;
}

void TOrvImage::UpdateOwnPlacement() {
  const int type = Props().TypeCode();
  const TBorderParams params = type == kTypeImage || type == kTypeVideo ? BorderParams() : TBorderParams{};
  // Made pictures (text) may be larger than the object's rectangle.
  const TSizeF whole = FPicture ? TSizeF{float(FPicture->Width()), float(FPicture->Height())} : FSize;
  FWindow = VisibleWindow(params, whole.Width, whole.Height);
  FNeedsCrop = params.EnableCrop || params.Zoom != 100 || params.Offset.X != 0 || params.Offset.Y != 0;
  const double scale = GetHost().HostScale();
  FLevel = ReducedAllowed()
               ? std::max(FCoarsestDecoded, LevelFor(FWindow.Source, NeededWidth() * scale, NeededHeight() * scale))
               : 0;
  if (IsSpriteSheet()) UpdateSpriteFrame();
}

void TOrvImage::UpdateSpriteFrame() {
  const int frame = SpriteFrameIndex(FImage.Animation, Props().CurrentTime() - FImage.Animation.Offset);
  if (frame == FSpriteFrame) return;
  FSpriteFrame = frame;
  StateChanged = true;
}

// Sprite sheets are cut into cells at full size; transition buffers are drawn as they are.
bool TOrvImage::ReducedAllowed() const {
  const TAnimationSettings& a = FImage.Animation;
  return FPicture && a.Columns == 1 && a.Rows == 1 && FImage.ReplaceWithEffectBuffer == 0;
}

// ---- TOrvImage: drawing

TImageDrawParams TOrvImage::TextureParams() const {
  TImageDrawParams params;
  params.Filtering = FImage.Filtering;
  params.MipLodBias = FImage.MipLodBias;
  params.Level = IsSpriteSheet() ? 0 : FLevel;
  params.Columns = FImage.Animation.Columns;
  params.Rows = FImage.Animation.Rows;
  return params;
}

TImageDrawParams TOrvImage::DrawParams() {
  TImageDrawParams params = TextureParams();
  params.Antialias = FImage.Antialiased && !IsSpriteSheet();
  params.TintColor = TintColor();
  params.Opacity = GetOpacity();
  TGradingParams grading;
  params.Grading = FGrading.Get(GetGradingParams(Props(), ProfileTable(), grading) ? &grading : nullptr);
  return params;
}

const TColorTable* TOrvImage::ProfileTable() {
  if (!FProfileRead && FPicture) {
    FProfileCube = ProfileCube(*FPicture);
    FProfileRead = true;
  }
  return FProfileCube ? &*FProfileCube : nullptr;
}

void TOrvImage::PrepareResources(TDeviceDrawer& drawer) {
  if (!FPicture || PictureRequestName() != FPictureName) AcquirePicture();
  if (FPicture) {
    FPrepared.Prepare(drawer, FPicture, TextureParams());
    ProfileTable();  // made here rather than while the first frame is drawn
    PrepareShadow(drawer);
  }
  TOrvObject::PrepareResources(drawer);
}

void TOrvImage::ReleaseResources() {
  FPrepared.Release();
  FShadow.Release();
  TOrvObject::ReleaseResources();
}

void TOrvImage::DrawSelf(TDeviceDrawer& drawer) {
  if (!FPicture) return;
  const TRectF rect = PictureRect();
  const TQuadFrame quad = QuadOf(Placement().Frame, rect);
  // The shadow lies below everything the picture draws; it is made here when the window was
  // not known yet while the resources were prepared.
  if (Settings().Shadow.Enable && !FShadow.Picture()) PrepareShadow(drawer);
  FShadow.Draw(drawer, quad, {rect.Width(), rect.Height()}, Settings().Shadow, GetOpacity());
  if (IsSpriteSheet()) {
    DrawSpriteFrame(drawer, quad);
  } else {
    DrawFramedPicture(drawer, quad);
  }
}

// One cell of the sheet fills the object's rectangle.
void TOrvImage::DrawSpriteFrame(TDeviceDrawer& drawer, const TQuadFrame& quad) {
  const TAnimationSettings& a = FImage.Animation;
  const TRectF cell = SpriteCell(FSpriteFrame, a.Columns, a.Rows, float(FPicture->Width()), float(FPicture->Height()));
  drawer.DrawImage(*FPicture, quad, cell, DrawParams());
}

void TOrvImage::PrepareShadow(TDeviceDrawer& drawer) {
  if (FPicture) FShadow.Prepare(drawer, GetHost(), Settings().Shadow, ShadowParams(), ShadowReferenceSize());
}

TShadowParams TOrvImage::ShadowParams() const {
  const TShadowSettings& shadow = Settings().Shadow;
  if (!IsSpriteSheet()) return ImageShadowParams(*FPicture, FWindow, FLevel, FImage.BorderColor, shadow);
  const double blur = ShadowBlurSize(shadow.Size, FSize.Width, FSize.Height, 0);
  return PictureShadowParams(*FPicture, 0, blur, shadow, FImage.Animation.Columns, FImage.Animation.Rows);
}

float TOrvImage::ShadowReferenceSize() const { return std::sqrt(FSize.Width * FSize.Height); }

// The window with its border around it fills the object's rectangle.
std::optional<TQuadFrame> TOrvImage::DrawBorderAround(TDeviceDrawer& drawer, TQuadFrame quad, float opacity) const {
  const float border = FWindow.BorderWidth;
  const float drawn_width = FWindow.Source.Width() + 2 * border;
  const float drawn_height = FWindow.Source.Height() + 2 * border;
  if (!(drawn_width > 0 && drawn_height > 0)) return std::nullopt;
  if (border > 0) {
    const float u = border / drawn_width;
    const float v = border / drawn_height;
    drawer.DrawBorder(quad, u, v, ColorOf(FImage.BorderColor), opacity, FImage.Antialiased);
    quad = SubQuad(quad, {u, v, 1 - u, 1 - v});
  }
  return quad;
}

void TOrvImage::DrawFramedPicture(TDeviceDrawer& drawer, TQuadFrame quad) {
  const TImageDrawParams params = DrawParams();
  if (const std::optional<TQuadFrame> inner = DrawBorderAround(drawer, quad, params.Opacity))
    drawer.DrawImage(*FPicture, *inner, FWindow.Source, params);
}

// ---- TOrvText

bool TOrvText::IsCaption() const {
  // While the caption loads, the button's children are its earlier siblings.
  const auto* button = dynamic_cast<const TOrvButton*>(Parent());
  if (!button) return false;
  const TOrvText* caption = button->Caption();
  return !caption || caption == this;
}

TObjectSettings TOrvText::DefaultSettings() const {
  TObjectSettings settings;
  const bool caption = IsCaption();
  settings.Shadow.Enable = !caption;
  settings.TranspForClick = caption;
  return settings;
}

std::optional<double> TOrvText::ThemeScale() const {
  return IsCaption() ? static_cast<const TOrvButton*>(Parent())->CaptionScale() : std::nullopt;
}

void TOrvText::LoadParams(const TIniObject& block, bool reuse) {
  TTextSettings text;
  ReadTextSettings(block, text);
  // A button's caption shows its theme's colour in every state.
  if (IsCaption())
    text.TextColor = text.TextColorHover = text.TextColorClick = static_cast<const TOrvButton*>(Parent())->CaptionColor();
  Assign(FText, std::move(text));
  FLines = TextLines(FText.Text, IsCaption());
  TOrvImage::LoadParams(block, reuse);
}

std::vector<WideString> TOrvText::ExpandedLines() const {
  std::vector<WideString> lines;
  for (const WideString& line : FLines) lines.push_back(ExpandMacros(line, *this));
  return lines;
}

TTextParams TOrvText::TextParams() const {
  TTextParams params;
  params.FontName = UsedFontName(FText.FontName);
  params.Style = FText.FontStyle;
  params.Alignment = uint8_t(std::clamp(FText.TextAlign, 0, 2));
  params.LineSpacing = FText.LineSpacing;
  params.Color = TintColor();
  params.Scale = RasterScale();
  params.Correction = FCorrection;
  const auto [x, y] = PixelOffsets(params.Scale);
  params.OffsetX = float(x);
  params.OffsetY = float(y);
  return params;
}

// The picture's pixels fall on the screen's when its left edge, the box's left edge less the
// room for overhangs, lies at a whole pixel, and its top edge at a whole pixel above the box.
std::pair<double, double> TOrvText::PixelOffsets(double scale) const {
  if (!Placement().Defined || !FMeasure) return {0, 0};
  const TRectF box = LocalRect();
  const TPoint3F corner = Placement().Frame.At(box.Left, box.Top);
  const double left = corner.X - scale * FMeasure->Layout().LeftOverhang;
  const double x = left - std::floor(left), y = corner.Y - std::floor(double(corner.Y));
  return {std::isfinite(x) ? x : 0, std::isfinite(y) ? y : 0};
}

void TOrvText::Measure(const std::vector<WideString>& lines) const {
  TTextParams params = TextParams();
  params.Scale = 1;
  params.Correction = 1;
  params.OffsetX = params.OffsetY = 0;
  const WideString name = EncodeTextName(lines, params);
  if (name == FMeasuredName) return;
  FMeasuredName = name;
  FMeasure = TTextBitmapStore::Create(name, &GetHost().Accessor());
  const float previous_height = FBox.Height;
  FBox = FMeasure ? TSizeF{float(FMeasure->MeasuredWidth()), float(FMeasure->MeasuredHeight())} : TSizeF{};
  // The first measure has nothing to correct; a caption's scale is its theme's.
  const bool corrected = previous_height > 0 && FBox.Height > 0 && !IsCaption();
  FCorrection = corrected ? double(FBox.Height) / previous_height : 1;
  FCorrectionDue = FCorrection != 1;
}

void TOrvText::PictureArrived() {
  if (!FCorrectionDue) return;
  FCorrectionDue = false;
  Props().MultiplyScale(FCorrection);
  Props().Evaluate(Props().CurrentTime(), false);
}

double TOrvText::LargestKeyScale() const {
  if (const std::optional<double> theme = ThemeScale()) return std::abs(*theme);
  double largest = 0;
  for (size_t i = 0; i < Props().KeyCount(); ++i)
    largest = std::max({largest, std::abs(double(Props().Key(i).Value(kFieldScaleX))),
                        std::abs(double(Props().Key(i).Value(kFieldScaleY)))});
  return largest;
}

// A caption is sized by its button, at the button's current height within the button's
// parent.
double TOrvText::RasterScale() const {
  double needed = Parent() ? Parent()->NeededHeight() : 0;
  if (IsCaption()) {
    const TOrvObject* button = Parent();
    needed = button->Parent() ? std::abs(button->Field(kFieldScaleY)) * button->Parent()->NeededHeight() / 100 : 0;
  }
  return LimitRasterScale(LargestKeyScale() * needed / 100 / FBox.Height, FBox.Width, FBox.Height);
}

WideString TOrvText::PictureRequestName() const {
  if (FText.Rasterize) return TOrvImage::PictureRequestName();
  const std::vector<WideString> lines = ExpandedLines();
  Measure(lines);
  return FMeasure ? EncodeTextName(lines, TextParams()) : WideString();
}

TSizeF TOrvText::GetSourceSize() const {
  if (FText.Rasterize || !(FBox.Height > 0)) return TOrvImage::GetSourceSize();
  return FBox;
}

// A ScaleY too small to divide by takes the width down with the height.
TFitScales TOrvText::FitScalesFor(TSizeF parent_size) const {
  if (FText.Rasterize) return TOrvImage::FitScalesFor(parent_size);
  const double scale_x = OwnScaleX(), scale_y = OwnScaleY();
  const double fit_y = scale_y / 100 * parent_size.Height / FSize.Height;
  if (!std::isfinite(fit_y)) return {0, 0};
  const double fit_x = std::abs(scale_y) < 1e-4 ? scale_x * fit_y * 1e-4 : fit_y * scale_x / scale_y;
  return {fit_x, fit_y};
}

bool TOrvText::HitsContent(TPointF local) const {
  const TTextBitmapStore* store = PictureStore();
  const Ref<TRectListWrapper> lines = store ? store->LineRects() : nullptr;
  if (!lines) return true;
  const TRectF picture = PictureRect();
  const double s = store->Params().Scale;
  return lines->Contains((local.X - picture.Left) * s, (local.Y - picture.Top) * s);
}

const TTextBitmapStore* TOrvText::PictureStore() const {
  return Picture() ? dynamic_cast<const TTextBitmapStore*>(&Picture()->Store()) : nullptr;
}

// The picture has room for overhangs around the text box and was made at its own scale.
TRectF TOrvText::PictureRect() const {
  const TTextBitmapStore* store = PictureStore();
  const TRectF box = LocalRect();
  if (!store) return box;
  const double s = store->Params().Scale;
  const float left = float(box.Left - store->BoxOriginX() / s);
  const float top = float(box.Top - store->BoxOriginY() / s);
  return {left, top, float(left + store->Width() / s), float(top + store->Height() / s)};
}

TColor32 TOrvText::TintColor() const {
  switch (MouseState()) {
    case TMouseState::Hover: return ColorOf(FText.TextColorHover);
    case TMouseState::Click: return ColorOf(FText.TextColorClick);
    default: return ColorOf(FText.TextColor);
  }
}

TShadowParams TOrvText::ShadowParams() const {
  const TTextBitmapStore* store = PictureStore();
  const TShadowSettings& shadow = Settings().Shadow;
  const double line_height = store ? store->LineHeight() : Picture()->Height();
  return PictureShadowParams(*Picture(), 0, HeightShadowBlurSize(shadow.Size, line_height, 0), shadow);
}

double LimitRasterScale(double scale, double width, double height) {
  if (!(scale > 0) || !std::isfinite(scale)) return 1;
  constexpr double kMaxSide = 30000, kMaxArea = 10'000'000;
  while (scale > 0 && (scale * height > kMaxSide || scale * width > kMaxSide || width * height * scale * scale > kMaxArea))
    scale /= 2;
  return scale;
}

}  // namespace orv
