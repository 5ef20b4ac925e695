#include "text/font_library.h"

#include <fontconfig/fontconfig.h>
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace orv {
namespace {

// Families of the Windows platform and the installed families with their metrics.
constexpr std::pair<std::u16string_view, const char*> kMetricCompatible[] = {
    {u"Arial", "Liberation Sans"},
    {u"Times New Roman", "Liberation Serif"},
    {u"Courier New", "Liberation Mono"},
};

std::string FamilyToMatch(WideView family) {
  for (const auto& [windows, installed] : kMetricCompatible)
    if (SameText(family, windows)) return installed;
  return Utf16ToUtf8(family);
}

int Scaled(double font_units, int pixels_per_em, int units_per_em) {
  return int(std::lround(font_units * pixels_per_em / units_per_em));
}

// FreeType's outline walk, collecting path points with y flipped.
struct TOutlineWalk {
  TPath Path;
  static TPathPoint Point(const FT_Vector* v, TPathCommand command) {
    return {float(v->x / 64.0), float(-v->y / 64.0), command};
  }
  static int Move(const FT_Vector* to, void* user) {
    static_cast<TOutlineWalk*>(user)->Path.push_back(Point(to, TPathCommand::MoveTo));
    return 0;
  }
  static int Line(const FT_Vector* to, void* user) {
    static_cast<TOutlineWalk*>(user)->Path.push_back(Point(to, TPathCommand::LineTo));
    return 0;
  }
  static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
    TPath& path = static_cast<TOutlineWalk*>(user)->Path;
    path.push_back(Point(control, TPathCommand::QuadTo));
    path.push_back(Point(to, TPathCommand::QuadTo));
    return 0;
  }
  static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    TPath& path = static_cast<TOutlineWalk*>(user)->Path;
    path.push_back(Point(c1, TPathCommand::CubicTo));
    path.push_back(Point(c2, TPathCommand::CubicTo));
    path.push_back(Point(to, TPathCommand::CubicTo));
    return 0;
  }
};

constexpr FT_Int32 kOutlineFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

}  // namespace

// ---- TFontFace

TFontFace::TFontFace(FT_Face face, std::string family) : FFace(face), FFamily(std::move(family)) {}

TFontFace::~TFontFace() {
  if (FShaping) hb_font_destroy(FShaping);
  FT_Done_Face(FFace);
}

TFontMetrics TFontFace::Metrics(int ppem) const {
  const int upem = std::max<int>(1, FFace->units_per_EM);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_POST));
  TFontMetrics m;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    m.Ascent = Scaled(os2->usWinAscent, ppem, upem);
    m.Descent = Scaled(os2->usWinDescent, ppem, upem);
  } else {
    m.Ascent = Scaled(FFace->ascender, ppem, upem);
    m.Descent = Scaled(-FFace->descender, ppem, upem);
  }
  const double scale = double(ppem) / upem;
  if (post && os2 && os2->version != 0xFFFF && post->underlineThickness > 0) {
    m.UnderlinePosition = float(post->underlinePosition * scale);
    m.UnderlineThickness = float(post->underlineThickness * scale);
    m.StrikeOutPosition = float(os2->yStrikeoutPosition * scale);
    m.StrikeOutThickness = float(std::max<int>(os2->yStrikeoutSize, 1) * scale);
  } else {
    m.UnderlinePosition = -m.Descent / 2.0f;
    m.UnderlineThickness = m.Descent / 4.0f;
    m.StrikeOutPosition = (m.Ascent - m.Descent) / 2.0f;
    m.StrikeOutThickness = m.Descent / 4.0f;
  }
  return m;
}

hb_font_t* TFontFace::ShapingFont(int ppem) {
  if (!FShaping) {
    hb_face_t* face = hb_ft_face_create_referenced(FFace);
    FShaping = hb_font_create(face);
    hb_face_destroy(face);
  }
  if (FShapingSize != ppem) {
    hb_font_set_scale(FShaping, ppem * 64, ppem * 64);
    FShapingSize = ppem;
  }
  return FShaping;
}

TPath TFontFace::Outline(uint16_t index, int ppem) {
  if (FT_Set_Pixel_Sizes(FFace, 0, FT_UInt(ppem)) != 0 || FT_Load_Glyph(FFace, index, kOutlineFlags) != 0 ||
      FFace->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    return {};
  static const FT_Outline_Funcs kFuncs{&TOutlineWalk::Move, &TOutlineWalk::Line, &TOutlineWalk::Conic,
                                       &TOutlineWalk::Cubic, 0, 0};
  TOutlineWalk walk;
  if (FT_Outline_Decompose(&FFace->glyph->outline, &kFuncs, &walk) != 0) return {};
  return std::move(walk.Path);
}

// ---- TFontLibrary

struct TFontLibrary::TFcConfig {
  FcConfig* Config = FcInitLoadConfigAndFonts();
  ~TFcConfig() {
    if (Config) FcConfigDestroy(Config);
  }
};

TFontLibrary::TFontLibrary() : FConfig(std::make_unique<TFcConfig>()) { FT_Init_FreeType(&FLibrary); }

TFontLibrary::~TFontLibrary() {
  FFaces.clear();
  if (FLibrary) FT_Done_FreeType(FLibrary);
}

std::string TFontLibrary::MatchFile(const std::string& family, uint32_t style, int& index) {
  std::string file;
  FcPattern* pattern = FcPatternCreate();
  if (!FConfig->Config || !pattern) return file;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, style & kStyleBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, style & kStyleItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(FConfig->Config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(FConfig->Config, pattern, &result)) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

bool TFontLibrary::HasFamily(const std::string& family) {
  int index = 0;
  const std::string file = MatchFile(family, 0, index);
  if (file.empty()) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(FLibrary, file.c_str(), index, &face) != 0) return false;
  const bool same = face->family_name && SameTextUtf8(face->family_name, family);
  FT_Done_Face(face);
  return same;
}

TFontFace* TFontLibrary::Face(WideView family, uint32_t style) {
  const auto key = std::make_pair(LowerWide(family), style & (kStyleBold | kStyleItalic));
  if (auto found = FFaces.find(key); found != FFaces.end()) return found->second.get();
  int index = 0;
  const std::string file = MatchFile(FamilyToMatch(family), key.second, index);
  FT_Face face = nullptr;
  if (file.empty() || !FLibrary || FT_New_Face(FLibrary, file.c_str(), index, &face) != 0) face = nullptr;
  auto& slot = FFaces[key];
  if (face) slot = std::make_unique<TFontFace>(face, face->family_name ? face->family_name : "");
  return slot.get();
}

}  // namespace orv
