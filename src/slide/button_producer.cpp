#include "slide/button_producer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/exceptions.h"
#include "base/log.h"
#include "image/picture_loaders.h"
#include "image/placeholder.h"
#include "project/ini_file.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

constexpr std::array<std::string_view, kButtonStateCount> kStateSections{"NormalState", "HoverState", "ClickState"};
constexpr std::array<std::string_view, kButtonPartCount> kPartKeys{
    "LeftTop", "Top", "RightTop", "Right", "RightBottom", "Bottom", "LeftBottom", "Left", "Center"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<int> TrimmedInteger(std::string_view text) {
  const std::optional<int32_t> value = ParseInteger(Trim(text));
  return value ? std::optional<int>(*value) : std::nullopt;
}

// The caption colour, offsets and filtering of "TextParams".
TImageFiltering ReadFiltering(const TIniFile& ini) {
  return TImageFiltering(
      ReadChoice(ini.FindKey("TextParams", "Filtering"), {"Nearest", "Bilinear", "Default"}, 2, true));
}

// Where each part goes on a canvas of `width` × `height`: corners at the corners with their
// own size, edges between the corners along their side, the centre inside the four edges.
TRect TargetOf(TButtonPart part, const std::array<TRect, kButtonPartCount>& source, int width, int height) {
  const auto w = [&](TButtonPart p) { return source[p].Width(); };
  const auto h = [&](TButtonPart p) { return source[p].Height(); };
  switch (part) {
    case kPartLeftTop: return {0, 0, w(kPartLeftTop), h(kPartLeftTop)};
    case kPartTop: return {w(kPartLeftTop), 0, width - w(kPartRightTop), h(kPartTop)};
    case kPartRightTop: return {width - w(kPartRightTop), 0, width, h(kPartRightTop)};
    case kPartRight: return {width - w(kPartRight), h(kPartRightTop), width, height - h(kPartRightBottom)};
    case kPartRightBottom: return {width - w(kPartRightBottom), height - h(kPartRightBottom), width, height};
    case kPartBottom: return {w(kPartLeftBottom), height - h(kPartBottom), width - w(kPartRightBottom), height};
    case kPartLeftBottom: return {0, height - h(kPartLeftBottom), w(kPartLeftBottom), height};
    case kPartLeft: return {0, h(kPartLeftTop), w(kPartLeft), height - h(kPartLeftBottom)};
    default: return {w(kPartLeft), h(kPartTop), width - w(kPartRight), height - h(kPartBottom)};
  }
}

// Copies `part` (A8R8G8B8, the whole bitmap) over `target`, each pixel repeated as often as
// the target is longer than the part; what falls outside the canvas is left out.
void StretchInto(TBitmap& canvas, const TBitmap& part, TRect target) {
  if (target.IsEmpty()) return;
  const int top = std::max(0, target.Top), bottom = std::min(canvas.Height(), target.Bottom);
  const int left = std::max(0, target.Left), right = std::min(canvas.Width(), target.Right);
  for (int y = top; y < bottom; ++y) {
    const auto* from = reinterpret_cast<const uint32_t*>(
        part.Row(int(int64_t(y - target.Top) * part.Height() / target.Height())));
    auto* to = reinterpret_cast<uint32_t*>(canvas.Row(y));
    for (int x = left; x < right; ++x) to[x] = from[int64_t(x - target.Left) * part.Width() / target.Width()];
  }
}

void ShiftColors(TBitmap& canvas, THslShift shift) {
  for (int y = 0; y < canvas.Height(); ++y) {
    uint8_t* row = canvas.Row(y);
    for (int x = 0; x < canvas.Width(); ++x) ShiftHsl(row + 4 * x, shift);
  }
}

// `bitmap` cut to `rect`, which lies inside it.
Ref<TBitmap> Cut(const TBitmap& bitmap, TRect rect) {
  Ref<TBitmap> cut = TBitmap::Create(rect.Width(), rect.Height(), pf::A8R8G8B8);
  for (int y = 0; y < rect.Height(); ++y)
    std::copy_n(bitmap.Row(rect.Top + y) + 4 * rect.Left, 4 * rect.Width(), cut->Row(y));
  return cut;
}

Ref<TSysBitmapStore> IncorrectImage(const WideString& name, WideView file_name) {
  return MakePlaceholderPicture(name, u"Incorrect Image: ", WideString(file_name));
}

WideString Decimal(int value) { return AsciiToWide(std::to_string(value)); }

}  // namespace

std::optional<TBtnIniString> ParseBtnIniString(std::string_view value) {
  // The last three fields are y1, x2, y2; x1 ends what comes before, after a "," or a blank.
  std::array<int, 4> numbers{};
  for (int i = 3; i >= 1; --i) {
    const size_t comma = value.rfind(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::optional<int> number = TrimmedInteger(value.substr(comma + 1));
    if (!number) return std::nullopt;
    numbers[size_t(i)] = *number;
    value = value.substr(0, comma);
  }
  value = Trim(value);
  const size_t split = value.find_last_of(", \t");
  if (split == std::string_view::npos) return std::nullopt;
  const std::optional<int> x1 = TrimmedInteger(value.substr(split + 1));
  std::string_view name = Trim(value.substr(0, split));
  if (!name.empty() && name.back() == ',') name = Trim(name.substr(0, name.size() - 1));
  TBtnIniString part;
  if (!x1 || name.empty() || !TryUtf8ToUtf16(name, part.FileName)) return std::nullopt;
  part.Rect = {*x1, numbers[1], numbers[2], numbers[3]};
  if (part.Rect.IsEmpty()) return std::nullopt;
  return part;
}

THslShift TButtonColorShift::ModelShift() const noexcept {
  const auto percent = [](int value) { return int(std::lround(std::clamp(value, -100, 100) * 2.56)); };
  return {int(std::lround(Hue % 360 * 256 / 360.0)), percent(Saturation), percent(Lightness)};
}

WideString FormatButtonPictureName(const TButtonPictureName& name) {
  return WideString(picture_prefix::kButton) + name.Theme + u":" + Decimal(int(name.State)) + u":" +
         Decimal(name.Width) + u":" + Decimal(name.Shift.Hue) + u":" + Decimal(name.Shift.Saturation) + u":" +
         Decimal(name.Shift.Lightness);
}

std::optional<TButtonPictureName> ParseButtonPictureName(WideView name) {
  if (!name.starts_with(picture_prefix::kButton)) return std::nullopt;
  name.remove_prefix(picture_prefix::kButton.size());
  // A theme may hold ":" itself: the five numbers are taken from the end.
  std::array<int, 5> numbers{};
  for (int i = 4; i >= 0; --i) {
    const size_t colon = name.rfind(u':');
    if (colon == WideView::npos) return std::nullopt;
    const WideView field = name.substr(colon + 1);
    if (field.empty() || field.size() > 12 ||
        !std::all_of(field.begin(), field.end(), [](char16_t c) { return c < 128; }))
      return std::nullopt;
    const std::optional<int32_t> number = ParseInteger(Utf16ToUtf8(field));
    if (!number) return std::nullopt;
    numbers[size_t(i)] = *number;
    name = name.substr(0, colon);
  }
  if (numbers[0] < 0 || numbers[0] >= kButtonStateCount) return std::nullopt;
  return TButtonPictureName{WideString(name), TButtonState(numbers[0]), numbers[1], {numbers[2], numbers[3], numbers[4]}};
}

// ---- TButtonProducer

TButtonProducer::TButtonProducer(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder)
    : FAccessor(std::move(accessor)), FTheme(std::move(theme)), FThemeFolder(std::move(theme_folder)) {}

Ref<TButtonProducer> TButtonProducer::Load(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder) {
  StreamPtr stream = accessor->OpenStream(theme_folder + u"btn.ini");
  if (!stream) return nullptr;
  Ref<TIniFile> ini = MakeRef<TIniFile>();
  try {
    if (!ini->LoadFromStream(*stream)) return nullptr;
  } catch (const Exception&) {
    return nullptr;
  }
  return FromIni(std::move(accessor), std::move(theme), std::move(theme_folder), *ini);
}

Ref<TButtonProducer> TButtonProducer::FromIni(Ref<TFileAccessor> accessor, WideString theme, WideString theme_folder,
                                              const TIniFile& ini) {
  Ref<TButtonProducer> producer =
      Ref<TButtonProducer>::Adopt(new TButtonProducer(std::move(accessor), std::move(theme), std::move(theme_folder)));
  producer->ReadIni(ini);
  producer->MeasureDesign();
  if (producer->FDesignHeight <= 0) return nullptr;
  return producer;
}

void TButtonProducer::ReadIni(const TIniFile& ini) {
  for (int state = 0; state < kButtonStateCount; ++state) {
    const TIniSection* section = ini.FindSection(kStateSections[size_t(state)]);
    // A state the theme leaves out looks like the normal one.
    if (!section) {
      if (state > 0) FParts[size_t(state)] = FParts[0];
      continue;
    }
    for (int part = 0; part < kButtonPartCount; ++part)
      if (const TIniItem* key = section->FindKey(kPartKeys[size_t(part)]))
        FParts[size_t(state)][size_t(part)] = ParseBtnIniString(key->Value());
  }
  FCaptionColor = ReadColor(ini.FindKey("TextParams", "Color"), FCaptionColor);
  FBtnOffset = float(ReadFloat(ini, "TextParams", "BtnOffset", 0));
  FBtnMinWidth = float(ReadFloat(ini, "TextParams", "BtnMinWidth", 0));
  FFiltering = ReadFiltering(ini);
}

// The height is that of the tallest column of the normal state's parts, the base width
// that of its widest row of corners and side edges.
void TButtonProducer::MeasureDesign() {
  const TStateParts& parts = FParts[0];
  const auto height = [&](TButtonPart p) { return parts[p] ? int64_t(parts[p]->Rect.Height()) : 0; };
  const auto width = [&](TButtonPart p) { return parts[p] ? int64_t(parts[p]->Rect.Width()) : 0; };
  const int64_t tallest =
      std::max({height(kPartLeftTop) + height(kPartLeft) + height(kPartLeftBottom),
                height(kPartTop) + height(kPartCenter) + height(kPartBottom),
                height(kPartRightTop) + height(kPartRight) + height(kPartRightBottom)});
  const int64_t widest = std::max({width(kPartLeftTop) + width(kPartRightTop), width(kPartLeft) + width(kPartRight),
                                   width(kPartLeftBottom) + width(kPartRightBottom)});
  // A theme taller than a button could ever be drawn is broken.
  if (tallest > kMaxPixels / kMaxWidth) return;
  FDesignHeight = int(tallest);
  FBaseWidth = int(std::clamp<int64_t>(widest, 1, kMaxWidth));
}

int TButtonProducer::ClampWidth(int width) const noexcept {
  const int largest = int(std::min<int64_t>(kMaxWidth, kMaxPixels / std::max(1, FDesignHeight)));
  return std::clamp(width, std::min(FBaseWidth, largest), largest);
}

Ref<TSysBitmapStore> TButtonProducer::MakePicture(const WideString& name, TButtonState state, int width,
                                                  TButtonColorShift shift) {
  std::lock_guard lock(FLock);
  // Buttons keep the pictures they use; the cache only spares making them twice.
  if (FPictures.size() >= kKeptPictures && !FPictures.contains(name)) FPictures.clear();
  Ref<TSysBitmapStore>& picture = FPictures[name];
  if (!picture) picture = Compose(name, state, ClampWidth(width), shift);
  return picture;
}

Ref<TSysBitmapStore> TButtonProducer::Compose(const WideString& name, TButtonState state, int width,
                                              TButtonColorShift shift) {
  const TStateParts& parts = FParts[size_t(state)];
  std::array<Ref<TBitmap>, kButtonPartCount> pixels;
  std::array<TRect, kButtonPartCount> sources{};
  for (int p = 0; p < kButtonPartCount; ++p) {
    if (!parts[size_t(p)]) return IncorrectImage(name, AsciiToWide(kPartKeys[size_t(p)]));
    pixels[size_t(p)] = PartPixels(*parts[size_t(p)]);
    if (!pixels[size_t(p)]) return IncorrectImage(name, parts[size_t(p)]->FileName);
    sources[size_t(p)] = parts[size_t(p)]->Rect;
  }
  Ref<TBitmap> canvas = TBitmap::Create(width, FDesignHeight, pf::A8R8G8B8);
  // The centre first and the corners last, so that where parts overlap the corners show.
  for (TButtonPart p : {kPartCenter, kPartTop, kPartRight, kPartBottom, kPartLeft, kPartLeftTop, kPartRightTop,
                        kPartRightBottom, kPartLeftBottom})
    StretchInto(*canvas, *pixels[p], TargetOf(p, sources, width, FDesignHeight));
  if (!shift.IsZero()) ShiftColors(*canvas, shift.ModelShift());
  return MakeRef<TWrapperBitmapStore>(name, std::move(canvas));
}

Ref<TBitmap> TButtonProducer::PartPixels(const TBtnIniString& part) {
  const WideString key = LowerWide(part.FileName);
  auto known = FFiles.find(key);
  if (known == FFiles.end()) known = FFiles.emplace(key, LoadFile(part.FileName)).first;
  const Ref<TBitmap>& file = known->second;
  const TRect& r = part.Rect;
  if (!file || r.Left < 0 || r.Top < 0 || r.Right > file->Width() || r.Bottom > file->Height()) return nullptr;
  return Cut(*file, r);
}

Ref<TBitmap> TButtonProducer::LoadFile(const WideString& file_name) {
  const WideString path = FThemeFolder + file_name;
  try {
    StreamPtr stream = FAccessor->OpenStream(path);
    if (!stream) return nullptr;
    Ref<TSysBitmapStore> store = LoadPicture(*stream, path);
    return store ? store->GetLevel(0, &pf::A8R8G8B8) : nullptr;
  } catch (const Exception&) {
    return nullptr;
  }
}

// ---- TButtonProducerHost

TButtonProducerHost::TButtonProducerHost(Ref<TFileAccessor> accessor, WideString folder)
    : FAccessor(std::move(accessor)), FFolder(std::move(folder)) {
  // The folder is a prefix of names; one written without its final separator still means
  // the folder.
  if (!FFolder.empty() && FFolder.back() != u'\\' && FFolder.back() != u'/') FFolder += u'\\';
}

Ref<TButtonProducer> TButtonProducerHost::Producer(WideView theme) {
  if (Ref<TButtonProducer> producer = theme.empty() ? nullptr : Theme(theme)) return producer;
  return Theme(kFallbackTheme);
}

Ref<TButtonProducer> TButtonProducerHost::Theme(WideView theme) {
  std::lock_guard lock(FLock);
  const WideString key = LowerWide(theme);
  if (auto known = FThemes.find(key); known != FThemes.end()) return known->second;
  Ref<TButtonProducer> producer = TButtonProducer::Load(FAccessor, WideString(theme), FFolder + WideString(theme) + u"\\");
  if (!producer) Log().Write("Button theme not found: " + Utf16ToUtf8(theme));
  FThemes.emplace(key, producer);
  return producer;
}

Ref<TSysBitmapStore> TButtonProducerHost::MakePicture(const WideString& name) {
  const std::optional<TButtonPictureName> parsed = ParseButtonPictureName(name);
  if (!parsed) return nullptr;
  Ref<TButtonProducer> producer = Producer(parsed->Theme);
  if (!producer) return MakePlaceholderPicture(name, u"FileOpenError", parsed->Theme);
  return producer->MakePicture(name, parsed->State, parsed->Width, parsed->Shift);
}

}  // namespace orv
