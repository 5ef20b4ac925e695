#include "slide/text_macros.h"

#include <array>
#include <string>

#include "base/log.h"
#include "slide/orv_image.h"
#include "slide/orv_slide.h"
#include "text/picture_metadata.h"

namespace orv {
namespace {

constexpr std::string_view kOpen = "<%", kClose = "%>";
constexpr std::string_view kMainImage = "MainImg.";

struct TIptcMacro {
  std::string_view Name;
  int Dataset;
};

// Repeatable datasets give their first value.
constexpr std::array<TIptcMacro, 15> kIptcMacros{{
    {"DocumentTitle", 5},      {"SpecialInstructions", 40}, {"AuthorByline", 80},   {"AuthorTitle", 85},
    {"City", 90},              {"Sublocation", 92},         {"ProvinceState", 95},  {"Country", 101},
    {"OTR", 103},              {"Headline", 105},           {"Credits", 110},       {"Source", 115},
    {"Copyright", 116},        {"CaptionDescription", 120}, {"CaptionWriter", 122},
}};

bool Same(std::string_view a, std::string_view b) { return SameTextAscii(a, b); }

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Same(text.substr(0, prefix.size()), prefix);
}

WideString Decimal(double value) { return AsciiToWide(std::to_string(int64_t(value))); }

// The main picture's metadata, read once per expansion when a macro asks for it.
class TPictureData {
public:
  // No host: there is no picture, and every value is empty.
  TPictureData(TOrvSlideHost* host, WideString name) : FHost(host), FName(std::move(name)) {}

  const TExif& Exif() {
    Load();
    return FExif;
  }
  const TIPTCData& Iptc() {
    Load();
    return FIptc;
  }

private:
  void Load() {
    if (FLoaded || !FHost) return;
    FLoaded = true;
    try {
      StreamPtr stream = FHost->Accessor().OpenStream(FName);
      if (!stream) return;
      FExif.Read(*stream);
      stream->SetPosition(0);
      FIptc.Read(*stream);
    } catch (const std::exception& e) {
      Log().Write(std::string("Text macros: picture metadata not read: ") + e.what());
      FExif = {};
      FIptc = {};
    }
  }

  TOrvSlideHost* FHost;
  WideString FName;
  bool FLoaded = false;
  TExif FExif;
  TIPTCData FIptc;
};

std::optional<WideString> MetadataMacro(std::string_view macro, TPictureData& data) {
  if (Same(macro, "Exif.Comment")) return Utf8ToUtf16(data.Exif().UserComment());
  if (Same(macro, "Exif.Description")) return Utf8ToUtf16(data.Exif().ImageDescription());
  if (StartsWith(macro, "Exif.")) return DateMacro(macro.substr(5), Utf8ToUtf16(data.Exif().DateTime()));
  if (!StartsWith(macro, "IPTC.")) return std::nullopt;
  for (const TIptcMacro& iptc : kIptcMacros)
    if (Same(macro.substr(5), iptc.Name)) return Utf8ToUtf16(data.Iptc().Value(iptc.Dataset));
  return std::nullopt;
}

// Without a main picture every one of these is empty.
std::optional<WideString> MainPictureMacro(std::string_view macro, const TMainPicture* picture, TPictureData& data) {
  const WideString path = picture ? picture->Name : WideString();
  if (Same(macro, "Width")) return picture ? Decimal(picture->Size.Width) : WideString();
  if (Same(macro, "Height")) return picture ? Decimal(picture->Size.Height) : WideString();
  if (Same(macro, "PathNameExt")) return path;
  if (std::optional<WideString> part = PathMacro(macro, path)) return picture ? part : WideString();
  return MetadataMacro(macro, data);
}

}  // namespace

WideString ExpandMacros(WideView line, const TMacroValue& value) {
  WideString out;
  size_t at = 0;
  while (at < line.size()) {
    const size_t open = line.find(u"<%", at);
    const size_t close = open == WideView::npos ? WideView::npos : line.find(u"%>", open + 2);
    if (close == WideView::npos) break;
    const std::string name = Utf16ToUtf8(line.substr(open + 2, close - open - 2));
    out += line.substr(at, open - at);
    if (std::optional<WideString> replaced = value(name)) {
      out += *replaced;
      at = close + 2;
    } else {
      out += line.substr(open, 2);  // not a macro: kept, the scan goes on after "<%"
      at = open + 2;
    }
  }
  out += line.substr(std::min(at, line.size()));
  return out.empty() ? WideString(u" ") : out;
}

std::optional<WideString> PathMacro(std::string_view macro, WideView path) {
  const size_t slash = path.find_last_of(u"\\/");
  const size_t name_at = slash == WideView::npos ? 0 : slash + 1;
  const WideView file = path.substr(name_at);
  const size_t dot = file.rfind(u'.');
  const WideView folder_path = path.substr(0, name_at);
  if (Same(macro, "FileName")) return WideString(file.substr(0, dot));
  if (Same(macro, "PathName")) return WideString(path.substr(0, dot == WideView::npos ? WideView::npos : name_at + dot));
  if (Same(macro, "FileNameExt")) return WideString(file);
  if (Same(macro, "FolderPath")) {
    WideString folder(folder_path);
    if (!folder.empty()) folder.back() = u'\\';
    return folder;
  }
  if (Same(macro, "FolderName")) {
    const WideView inner = folder_path.substr(0, folder_path.empty() ? 0 : folder_path.size() - 1);
    const size_t before = inner.find_last_of(u"\\/");
    return WideString(inner.substr(before == WideView::npos ? 0 : before + 1));
  }
  return std::nullopt;
}

std::optional<WideString> DateMacro(std::string_view macro, WideView date_time) {
  const size_t space = date_time.find(u' ');
  if (Same(macro, "Date")) return WideString(date_time.substr(0, space));
  if (Same(macro, "Time")) return space == WideView::npos ? WideString() : WideString(date_time.substr(space + 1));
  return std::nullopt;
}

WideString ExpandMacros(WideView line, const TOrvText& text) {
  if (line.find(u"<%") == WideView::npos) return line.empty() ? WideString(u" ") : WideString(line);
  const TOrvSlide& slide = text.GetSlide();
  TMainPicture picture;
  const bool has_picture = slide.FindMainPicture(picture);
  TPictureData data(has_picture ? &slide.GetHost() : nullptr, picture.Name);
  return ExpandMacros(line, [&](std::string_view macro) -> std::optional<WideString> {
    if (Same(macro, "SlideIndex")) return Decimal(slide.Place().Index + 1);
    if (Same(macro, "SlidesCount")) return Decimal(slide.Place().Count);
    if (!StartsWith(macro, kMainImage)) return std::nullopt;
    return MainPictureMacro(macro.substr(kMainImage.size()), has_picture ? &picture : nullptr, data);
  });
}

}  // namespace orv
