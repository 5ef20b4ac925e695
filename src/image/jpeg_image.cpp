#include "image/jpeg_image.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/assertions.h"
#include "base/log.h"
#include "image/picture_limits.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

constexpr int kNativeLevels = 4;  // 1/1, 1/2, 1/4, 1/8
// libjpeg's own buffers besides the coefficients: a few rows of the widest picture.
constexpr int64_t kJpegWorkingMemory = int64_t(64) << 20;

// libjpeg reports a fatal error by calling error_exit, which must not return. We jump back
// to the guarded call and raise EJPEG from there, outside libjpeg's C frames.
struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegErrorManager*>(cinfo->err)->jump, 1);
}
void DiscardMessage(j_common_ptr) {}
void DiscardWarning(j_common_ptr, int) {}

// Reports decoding progress; an exception from the handler stops the decode.
struct TJpegProgress {
  jpeg_progress_mgr pub;
  const TProgressHandler* handler = nullptr;
  int last_percent = -1;
  bool aborted = false;
};

void MonitorProgress(j_common_ptr cinfo) {
  auto* progress = reinterpret_cast<TJpegProgress*>(cinfo->progress);
  const jpeg_progress_mgr& p = progress->pub;
  if (p.pass_limit <= 0 || p.total_passes <= 0) return;
  const int percent =
      int(std::lround((double(p.pass_counter) / double(p.pass_limit) + p.completed_passes) * 100.0 / p.total_passes));
  if (percent == progress->last_percent) return;
  progress->last_percent = percent;
  try {
    (*progress->handler)(percent * 0.01);
  } catch (...) {
    progress->aborted = true;
  }
  if (progress->aborted) JumpOnError(cinfo);
}

// One decompression of a JPEG held in memory.
class TJpegDecompressor {
public:
  explicit TJpegDecompressor(const std::string& data) {
    FInfo.err = jpeg_std_error(&FErrors.pub);
    FErrors.pub.error_exit = JumpOnError;
    FErrors.pub.output_message = DiscardMessage;
    FErrors.pub.emit_message = DiscardWarning;
    jpeg_create_decompress(&FInfo);
    LimitMemory(0);
    jpeg_mem_src(&FInfo, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
  }
  ~TJpegDecompressor() { jpeg_destroy_decompress(&FInfo); }
  TJpegDecompressor(const TJpegDecompressor&) = delete;
  TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

  jpeg_decompress_struct& Info() { return FInfo; }

  // libjpeg fails a decode that needs more than this beyond its working rows (it has no
  // backing store to spill to), which keeps it within what was reserved for it.
  void LimitMemory(int64_t coefficient_bytes) {
    FInfo.mem->max_memory_to_use = long(std::min<int64_t>(coefficient_bytes + kJpegWorkingMemory, LONG_MAX));
  }

  // Runs one libjpeg step; a fatal error in it raises EJPEG. The step must not own
  // anything that needs destroying, since an error jumps straight out of it.
  template <class Step>
  void Run(Step step) {
    if (!Guarded(step)) throw EJPEG(FErrors.pub.msg_code);
  }

  void WatchProgress(const TProgressHandler& handler) {
    FProgress.handler = &handler;
    FProgress.pub.progress_monitor = MonitorProgress;
    FInfo.progress = &FProgress.pub;
  }
  bool Aborted() const { return FProgress.aborted; }

private:
  template <class Step>
  bool Guarded(Step& step) {
    if (setjmp(FErrors.jump)) return false;
    step(FInfo);
    return true;
  }

  jpeg_decompress_struct FInfo{};
  TJpegErrorManager FErrors{};
  TJpegProgress FProgress{};
};

bool IsCmyk(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }

// Adobe writes CMYK inverted (255 = no ink), which is what nearly every CMYK JPEG is.
void CmykToRgb(const uint8_t* cmyk, uint8_t* rgb, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const int k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) rgb[c] = uint8_t((inverted ? cmyk[c] : 255 - cmyk[c]) * k / 255);
  }
}

// Finds where a JPEG file ends (just after its end-of-image marker) as its bytes arrive,
// walking the marker segments by their lengths and the entropy-coded data of each scan up
// to the next marker, so that markers inside other segments (a thumbnail's) do not count.
class TJpegEndFinder {
public:
  // The file's length once `data` (all bytes so far, growing between calls) reaches its
  // end; 0 before.
  size_t operator()(std::string_view data) {
    const auto byte = [&](size_t at) { return uint8_t(data[at]); };
    for (;;) {
      if (FInScan) {
        const void* mark = FAt < data.size() ? std::memchr(data.data() + FAt, 0xFF, data.size() - FAt) : nullptr;
        if (!mark) {
          FAt = data.size();
          return 0;
        }
        const size_t at = size_t(static_cast<const char*>(mark) - data.data());
        if (at + 1 >= data.size()) {
          FAt = at;
          return 0;
        }
        const uint8_t next = byte(at + 1);
        // A stuffed zero or a restart marker belongs to the scan.
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
          FAt = at + 2;
          continue;
        }
        FInScan = false;
        FAt = at;
      }
      // Anything up to the next 0xFF is garbage that libjpeg skips too.
      while (FAt < data.size() && byte(FAt) != 0xFF) ++FAt;
      while (FAt + 1 < data.size() && byte(FAt + 1) == 0xFF) ++FAt;  // fill bytes
      if (FAt + 1 >= data.size()) return 0;
      const uint8_t marker = byte(FAt + 1);
      if (marker == 0xD9) return FAt + 2;
      if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
        FAt += 2;
        continue;
      }
      if (FAt + 4 > data.size()) return 0;
      const size_t length = LoadBE16(reinterpret_cast<const uint8_t*>(data.data()) + FAt + 2);
      if (FAt + 2 + length > data.size()) return 0;
      FAt += 2 + std::max<size_t>(length, 2);
      FInScan = marker == 0xDA;
    }
  }

private:
  size_t FAt = 0;
  bool FInScan = false;
};

// What libjpeg keeps of the whole picture while it decodes a file of several scans
// (progressive ones): every coefficient of every component, at whatever output scale.
int64_t CoefficientBytes(const jpeg_decompress_struct& info) {
  if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&info))) return 0;
  int64_t bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    const auto round_up = [](int64_t value, int64_t multiple) { return (value + multiple - 1) / multiple * multiple; };
    bytes += round_up(component.width_in_blocks, component.h_samp_factor) *
             round_up(component.height_in_blocks, component.v_samp_factor) * int64_t(DCTSIZE2 * sizeof(JCOEF));
  }
  return bytes;
}

// Reads the scanlines into the bitmap; returns when the picture is done.
void ReadScanlines(TJpegDecompressor& jpeg, TBitmap& bitmap) {
  jpeg_decompress_struct& info = jpeg.Info();
  const bool cmyk = info.out_color_space == JCS_CMYK;
  const bool inverted = info.saw_Adobe_marker;
  std::vector<uint8_t> cmyk_row(cmyk ? size_t(info.output_width) * 4 : 0);
  while (info.output_scanline < info.output_height) {
    const int y = int(info.output_scanline);
    JSAMPROW row = cmyk ? cmyk_row.data() : bitmap.Row(y);
    jpeg.Run([&row](jpeg_decompress_struct& i) { jpeg_read_scanlines(&i, &row, 1); });
    if (cmyk) CmykToRgb(cmyk_row.data(), bitmap.Row(y), bitmap.Width(), inverted);
  }
}

}  // namespace

// ---- TJpegImage

std::unique_ptr<TJpegImage> TJpegImage::Read(TStream& stream) {
  TStreamPositionGuard guard(stream);
  try {
    uint8_t marker[2];
    if (!TryReadExact(stream, marker, 2) || marker[0] != 0xFF || marker[1] != 0xD8) return nullptr;
    stream.SetPosition(guard.Start());
    std::unique_ptr<TJpegImage> image(new TJpegImage);
    if (!ReadPictureBytes(stream, image->FData, image->FDataMemory, MaxPictureFileSize(), TJpegEndFinder()) ||
        !image->ReadHeader())
      return nullptr;
    guard.Keep();
    return image;
  } catch (const Exception&) {
    return nullptr;
  }
}

bool TJpegImage::ReadHeader() {
  TJpegDecompressor jpeg(FData);
  jpeg.Run([](jpeg_decompress_struct& i) { jpeg_read_header(&i, TRUE); });
  const jpeg_decompress_struct& info = jpeg.Info();
  FWidth = int(info.image_width);
  FHeight = int(info.image_height);
  FGrayscale = info.jpeg_color_space == JCS_GRAYSCALE;
  FProgressive = info.progressive_mode != 0;
  return PictureSizeAllowed(FWidth, FHeight);
}

Ref<TBitmap> TJpegImage::Decode(int level, const TProgressHandler& progress) const {
  const int scale = 1 << level;
  TJpegDecompressor jpeg(FData);
  // ReadHeader read this header before: it does not fail now.
  jpeg.Run([](jpeg_decompress_struct& i) { jpeg_read_header(&i, TRUE); });
  // Both are taken before anything is decoded: a picture the budget cannot hold fails here.
  const TPictureMemory coefficients(CoefficientBytes(jpeg.Info()));
  jpeg.LimitMemory(coefficients.Bytes());
  Ref<TBitmap> bitmap = TBitmap::Create((FWidth + scale - 1) / scale, (FHeight + scale - 1) / scale, pf::B8G8R8);
  if (progress) jpeg.WatchProgress(progress);
  try {
    jpeg_decompress_struct& info = jpeg.Info();
    info.scale_num = 1;
    info.scale_denom = unsigned(scale);
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.out_color_space = IsCmyk(info.jpeg_color_space) ? JCS_CMYK : JCS_RGB;
    jpeg.Run([](jpeg_decompress_struct& i) { jpeg_start_decompress(&i); });
    ORV_ASSERT(int(info.output_width) == bitmap->Width() && int(info.output_height) == bitmap->Height(),
               "TJpegImage.Decode - scaled size differs from the level's size");
    ReadScanlines(jpeg, *bitmap);
    jpeg.Run([](jpeg_decompress_struct& i) { jpeg_finish_decompress(&i); });
  } catch (const EJPEG& error) {
    if (!jpeg.Aborted()) Log().Write(error.what());
  }
  if (progress) progress(1.0);
  return bitmap;
}

// ---- TJpegBitmapStore

TJpegBitmapStore::TJpegBitmapStore(WideString name, std::unique_ptr<TJpegImage> image, Ref<TLevelHook> hook)
    : TSysBitmapStore(std::move(name), image->Width(), image->Height(), pf::B8G8R8, std::move(hook)),
      FImage(std::move(image)) {}

Ref<TBitmap> TJpegBitmapStore::LoadLevel(int level) {
  if (level >= kNativeLevels) return nullptr;
  return FImage->Decode(level, [this](double fraction) { ReportProgress(fraction); });
}

Ref<TSysBitmapStore> LoadJpeg(TStream& stream, const WideString& name, const THookFactory& hooks) {
  std::unique_ptr<TJpegImage> image = TJpegImage::Read(stream);
  if (!image) return nullptr;
  return MakeRef<TJpegBitmapStore>(name, std::move(image), MakeHook(hooks, name));
}

}  // namespace orv
