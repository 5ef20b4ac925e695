// Colour profiles. A picture's profile is never applied to its pixels: it rewrites a
// 32 × 32 × 32 colour look-up table that the renderer applies when drawing.
//
// The table is an "R8G8B8" bitmap 32 pixels wide and 1024 rows high. Row j + 32·i,
// column k holds the entry for the channel indexes (i, j, k); the identity table stores
// v(i), v(j), v(k) in the pixel's first, second and third byte, v(n) = n·8 + n·8/32.
#pragma once

#include <string>

#include "base/stream.h"
#include "base/text.h"
#include "image/bitmap.h"

namespace orv {

inline constexpr int kColorTableLevels = 32;

Ref<TBitmap> MakeIdentityColorTable();

class TColorProfile : public TRefObject {
public:
  // Rewrites a colour table in place.
  virtual void Apply(TBitmap& table) = 0;
};

// A table prepared by the authoring tool.
class TOrvColorProfile : public TColorProfile {
public:
  explicit TOrvColorProfile(Ref<TBitmap> table) : FTable(std::move(table)) {}
  void Apply(TBitmap& table) override;

private:
  Ref<TBitmap> FTable;
};

// The ICC profile embedded in a JPEG, converted to sRGB through Little CMS. A profile
// that cannot be used leaves the table as it is.
class TJpegColorSpace : public TColorProfile {
public:
  explicit TJpegColorSpace(std::string icc_profile) : FIccProfile(std::move(icc_profile)) {}
  void Apply(TBitmap& table) override;
  const std::string& IccProfile() const { return FIccProfile; }

private:
  std::string FIccProfile;
};

// The profile loaders of the registry. The first asks the show's files for the entry
// "ColorSpaceExe_" + name + "].TSGFX", which holds the table as its difference from the
// identity table; the second reads the first APP2 segment of a JPEG.
Ref<TColorProfile> LoadOrvColorProfile(TStream& stream, const WideString& name);
Ref<TColorProfile> LoadJpegColorSpace(TStream& stream, const WideString& name);

// The bytes of the first APP2 segment after its 14-byte header, or "" when there is none
// before the first scan (the stream's position is left after what was read).
std::string ReadFirstApp2Profile(TStream& stream);

}  // namespace orv
