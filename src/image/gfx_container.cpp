#include "image/gfx_container.h"

#include <zlib.h>

#include <limits>

#include "image/bmp_reader.h"
#include "image/picture_limits.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

constexpr uint32_t kOpaqueGreen = 0xFF00FF00;
// A bitmap file of the declared size needs at most 4 bytes a pixel plus its headers and a
// colour table; this much room above that is plenty.
constexpr size_t kPayloadSlack = 64 * 1024;

enum class TTextRead { Ok, Empty, Failed };

// A 16-bit length and that many bytes of UTF-8. Bytes that run past the end read as an
// empty text; a missing length or malformed UTF-8 fails.
TTextRead ReadText(TStream& stream, WideString& text) {
  uint8_t length_bytes[2];
  if (!TryReadExact(stream, length_bytes, 2)) return TTextRead::Failed;
  std::string utf8(LoadLE16(length_bytes), '\0');
  text.clear();
  if (!TryReadExact(stream, utf8.data(), utf8.size())) return TTextRead::Empty;
  return TryUtf8ToUtf16(utf8, text) ? TTextRead::Ok : TTextRead::Failed;
}

bool ParseDecimal(const WideString* text, int64_t& value) {
  if (!text || text->empty()) return false;
  size_t i = (*text)[0] == u'-' ? 1 : 0;
  if (i == text->size()) return false;
  int64_t magnitude = 0;
  for (; i < text->size(); ++i) {
    const char16_t c = (*text)[i];
    if (c < u'0' || c > u'9' || magnitude > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
    magnitude = magnitude * 10 + (c - u'0');
  }
  value = (*text)[0] == u'-' ? -magnitude : magnitude;
  return true;
}

// Inflates a raw deflate stream; false when it is broken, incomplete or longer than `limit`.
bool InflateRaw(const std::string& compressed, std::string& out, size_t limit) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = uInt(compressed.size());
  int status = Z_OK;
  char chunk[64 * 1024];
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    const size_t produced = sizeof chunk - z.avail_out;
    if (out.size() + produced > limit) status = Z_MEM_ERROR;
    else out.append(chunk, produced);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

}  // namespace

std::unique_ptr<TGfxImage> TGfxImage::Read(TStream& stream) {
  TStreamPositionGuard guard(stream);
  try {
    std::unique_ptr<TGfxImage> image(new TGfxImage);
    if (!image->ReadKeys(stream) ||
        !ReadRestOfPicture(stream, image->FPayload, image->FPayloadMemory, image->MaxPayloadSize()))
      return nullptr;
    guard.Keep();
    return image;
  } catch (const Exception&) {
    return nullptr;
  }
}

bool TGfxImage::ReadKeys(TStream& stream) {
  uint8_t header[6];
  if (!TryReadExact(stream, header, sizeof header) || std::string_view(reinterpret_cast<char*>(header), 4) != "TSGF")
    return false;
  for (int pairs = LoadLE16(header + 4); pairs > 0; --pairs) {
    WideString key, value;
    if (ReadText(stream, key) == TTextRead::Failed || ReadText(stream, value) == TTextRead::Failed) return false;
    FValues.FindOrAdd(key) = value;
  }
  const WideString* file = Value(u"File");
  int64_t width, height;
  if (!file || !ParseDecimal(Value(u"Width"), width) || !ParseDecimal(Value(u"Height"), height) ||
      !ParseDecimal(Value(u"OriginalSize"), FOriginalSize))
    return false;
  if (!PictureSizeAllowed(width, height)) return false;
  FSourceFile = *file;
  FWidth = int(width);
  FHeight = int(height);
  return true;
}

Ref<TBitmap> TGfxImage::DecodePicture() {
  Ref<TBitmap> picture = DecodePayload();
  std::string().swap(FPayload);
  FPayloadMemory.Resize(0);
  if (picture) return picture;
  Ref<TBitmap> green = TBitmap::Create(FWidth, FHeight, pf::A8R8G8B8);
  green->Fill(kOpaqueGreen);
  return green;
}

int64_t TGfxImage::MaxFileSize() const { return int64_t(FWidth) * FHeight * 4 + kPayloadSlack; }

// Deflate never makes data more than a few bytes per 64 KiB larger than it was.
int64_t TGfxImage::MaxPayloadSize() const { return MaxFileSize() + MaxFileSize() / 1024 + 1024; }

Ref<TBitmap> TGfxImage::DecodePayload() const {
  std::string file;
  const TPictureMemory file_memory(MaxFileSize());
  if (!InflateRaw(FPayload, file, size_t(MaxFileSize()))) return nullptr;
  TMemoryStream stream(std::move(file));
  Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
  // A payload of another size than the keys promise would break the store's promise.
  if (!bitmap || bitmap->Width() != FWidth || bitmap->Height() != FHeight) return nullptr;
  return &bitmap->Format() == &pf::A8R8G8B8 ? bitmap : bitmap->ConvertTo(pf::A8R8G8B8);
}

TGfxBitmapStore::TGfxBitmapStore(WideString name, std::unique_ptr<TGfxImage> image, Ref<TLevelHook> hook)
    : TSysBitmapStore(std::move(name), image->Width(), image->Height(), pf::A8R8G8B8, std::move(hook)),
      FImage(std::move(image)) {}

Ref<TBitmap> TGfxBitmapStore::LoadLevel(int level) {
  if (level != 0) return nullptr;
  Ref<TBitmap> picture = FImage->DecodePicture();
  ReportProgress(1.0);
  return picture;
}

Ref<TSysBitmapStore> LoadGfxContainer(TStream& stream, const WideString& name, const THookFactory& hooks) {
  std::unique_ptr<TGfxImage> image = TGfxImage::Read(stream);
  if (!image) return nullptr;
  return MakeRef<TGfxBitmapStore>(name, std::move(image), MakeHook(hooks, name));
}

}  // namespace orv
