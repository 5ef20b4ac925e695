#include "image/color_profile.h"

#include <lcms2.h>

#include <cstring>

#include "base/assertions.h"
#include "base/log.h"
#include "image/gfx_container.h"
#include "image/picture_loaders.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

constexpr int kTableRows = kColorTableLevels * kColorTableLevels;
// Larger JPEG files are not searched for a profile.
constexpr int64_t kMaxScannedJpeg = 104857600;
constexpr int kApp2HeaderSize = 14;  // "ICC_PROFILE\0", chunk number, chunk count
constexpr uint8_t kApp2 = 0xE2;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImage = 0xD9;

constexpr uint8_t IdentityValue(int n) { return uint8_t(n * 256 / 32 + (n * 256 / 32) / 32); }

bool IsColorTable(const TBitmap& table) {
  return table.Width() == kColorTableLevels && table.Height() == kTableRows && &table.Format() == &pf::R8G8B8;
}

// Little CMS is set up once: the sRGB target profile and adaptation state 0.
class TLittleCms {
public:
  static TLittleCms& Instance() {
    static TLittleCms lcms;
    return lcms;
  }
  ~TLittleCms() {
    if (FSrgb) cmsCloseProfile(FSrgb);
  }
  cmsHPROFILE Srgb() const { return FSrgb; }

private:
  TLittleCms() {
    cmsSetAdaptationState(0);
    FSrgb = cmsCreate_sRGBProfile();
  }
  cmsHPROFILE FSrgb = nullptr;
};

// Converts the table through a transform from the embedded profile to sRGB; false when
// either profile or the transform cannot be had.
bool TransformTable(const std::string& icc_profile, TBitmap& table) {
  const cmsHPROFILE srgb = TLittleCms::Instance().Srgb();
  const cmsHPROFILE embedded = cmsOpenProfileFromMem(icc_profile.data(), cmsUInt32Number(icc_profile.size()));
  if (!srgb || !embedded) {
    if (embedded) cmsCloseProfile(embedded);
    return false;
  }
  const cmsHTRANSFORM transform = cmsCreateTransform(embedded, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  cmsCloseProfile(embedded);
  if (!transform) return false;
  for (int y = 0; y < table.Height(); ++y) cmsDoTransform(transform, table.Row(y), table.Row(y), cmsUInt32Number(table.Width()));
  cmsDeleteTransform(transform);
  return true;
}

// ---- JPEG marker scan

bool ReadByte(TStream& stream, uint8_t& byte) { return stream.Read(&byte, 1) == 1; }

// The next marker code after its 0xFF; 0 (and a log line) when the data is not a marker.
uint8_t NextMarker(TStream& stream) {
  uint8_t byte;
  if (!ReadByte(stream, byte)) {
    Log().Write("Jpeg Marker expected");
    return 0;
  }
  if (byte != 0xFF) {
    Log().Write("Error: marker expected at " + std::to_string(stream.Position() - 1));
    return 0;
  }
  for (;;) {
    if (!ReadByte(stream, byte)) {
      Log().Write("Jpeg Marker expected");
      return 0;
    }
    if (byte != 0xFF) return byte;
    Log().Write("Error: duplicate $FF encountered at " + std::to_string(stream.Position() - 1));
  }
}

bool HasLength(uint8_t marker) {
  return (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDA && marker <= 0xDD) || (marker >= 0xE0 && marker <= 0xEF) ||
         marker == 0xFE;
}

// The segment's bytes after its length; false when the stream ends first.
bool ReadSegment(TStream& stream, std::string& bytes) {
  uint8_t length[2];
  if (!TryReadExact(stream, length, 2) || LoadBE16(length) < 2) return false;
  bytes.resize(LoadBE16(length) - 2u);
  return TryReadExact(stream, bytes.data(), bytes.size());
}

}  // namespace

Ref<TBitmap> MakeIdentityColorTable() {
  Ref<TBitmap> table = TBitmap::Create(kColorTableLevels, kTableRows, pf::R8G8B8);
  for (int i = 0; i < kColorTableLevels; ++i)
    for (int j = 0; j < kColorTableLevels; ++j) {
      uint8_t* row = table->Row(j + kColorTableLevels * i);
      for (int k = 0; k < kColorTableLevels; ++k) {
        row[3 * k] = IdentityValue(i);
        row[3 * k + 1] = IdentityValue(j);
        row[3 * k + 2] = IdentityValue(k);
      }
    }
  return table;
}

void TOrvColorProfile::Apply(TBitmap& table) {
  ORV_ASSERT(IsColorTable(table), "TOrvColorProfile.Apply - not a colour table");
  for (int y = 0; y < kTableRows; ++y) std::memcpy(table.Row(y), FTable->Row(y), kColorTableLevels * 3);
}

void TJpegColorSpace::Apply(TBitmap& table) {
  try {
    ORV_ASSERT(IsColorTable(table), "TJpegColorSpace.Apply - not a colour table");
    TransformTable(FIccProfile, table);
  } catch (...) {
    // A profile never stops a picture from showing.
  }
}

Ref<TColorProfile> LoadOrvColorProfile(TStream&, const WideString& name) {
  StreamPtr entry = OpenShowFile(u"ColorSpaceExe_" + name + u"].TSGFX");
  if (!entry) return nullptr;
  std::unique_ptr<TGfxImage> container = TGfxImage::Read(*entry);
  Ref<TBitmap> difference = container ? container->DecodePayload() : nullptr;
  if (!difference) return nullptr;
  Ref<TBitmap> table = difference->ConvertTo(pf::R8G8B8);
  if (!IsColorTable(*table)) return nullptr;
  const Ref<TBitmap> identity = MakeIdentityColorTable();
  for (int y = 0; y < kTableRows; ++y)
    for (int x = 0; x < kColorTableLevels * 3; ++x) table->Row(y)[x] = uint8_t(table->Row(y)[x] + identity->Row(y)[x]);
  return MakeRef<TOrvColorProfile>(std::move(table));
}

std::string ReadFirstApp2Profile(TStream& stream) {
  if (stream.Size() > kMaxScannedJpeg) return {};
  uint8_t start[2];
  if (!TryReadExact(stream, start, 2) || start[0] != 0xFF || start[1] != 0xD8) return {};
  std::string segment;
  for (;;) {
    const uint8_t marker = NextMarker(stream);
    if (marker == 0 || marker == kStartOfScan || marker == kEndOfImage) return {};
    if (!HasLength(marker)) continue;
    if (!ReadSegment(stream, segment)) return {};
    if (marker == kApp2) return segment.size() > kApp2HeaderSize ? segment.substr(kApp2HeaderSize) : std::string();
  }
}

Ref<TColorProfile> LoadJpegColorSpace(TStream& stream, const WideString&) {
  std::string profile = ReadFirstApp2Profile(stream);
  if (profile.empty()) return nullptr;
  return MakeRef<TJpegColorSpace>(std::move(profile));
}

}  // namespace orv
