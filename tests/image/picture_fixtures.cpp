#include "picture_fixtures.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace orv::test {
namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint8_t Red(uint32_t c) { return uint8_t(c >> 16); }
uint8_t Green(uint32_t c) { return uint8_t(c >> 8); }
uint8_t Blue(uint32_t c) { return uint8_t(c); }
uint8_t Alpha(uint32_t c) { return uint8_t(c >> 24); }

}  // namespace

Ref<TBitmap> GradientPicture(int width, int height, bool with_alpha) {
  Ref<TBitmap> picture = TBitmap::Create(width, height, pf::A8R8G8B8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t r = uint32_t(x * 255 / std::max(width - 1, 1));
      const uint32_t g = uint32_t(y * 255 / std::max(height - 1, 1));
      const uint32_t b = uint32_t((x + y) * 255 / std::max(width + height - 2, 1));
      const uint32_t a = with_alpha ? uint32_t((x * 37 + y * 11) & 255) : 255;
      const uint32_t argb = a << 24 | r << 16 | g << 8 | b;
      std::memcpy(picture->Row(y) + 4 * x, &argb, 4);
    }
  return picture;
}

// ---- Windows bitmaps

std::string WriteBmp(const TBmpSpec& spec) {
  const bool masks_after_header = spec.compression == 3 && spec.info_size == 40;
  const uint32_t data_offset =
      uint32_t(14 + spec.info_size + (masks_after_header ? 12 : 0) + 4 * spec.palette.size());
  std::string out = "BM";
  Put32(out, data_offset + uint32_t(spec.pixel_data.size()));
  Put32(out, 0);
  Put32(out, data_offset);
  std::string info;
  Put32(info, uint32_t(spec.info_size));
  Put32(info, uint32_t(spec.width));
  Put32(info, uint32_t(spec.top_down ? -spec.height : spec.height));
  Put16(info, 1);
  Put16(info, uint32_t(spec.bits));
  Put32(info, uint32_t(spec.compression));
  Put32(info, uint32_t(spec.pixel_data.size()));
  Put32(info, 2835);
  Put32(info, 2835);
  Put32(info, uint32_t(spec.palette.size()));
  Put32(info, 0);
  std::string masks;
  for (uint32_t mask : spec.masks) Put32(masks, mask);
  if (!masks_after_header) info += masks;
  info.resize(size_t(spec.info_size), '\0');
  out += info;
  if (masks_after_header) out += masks;
  for (uint32_t colour : spec.palette) Put32(out, colour & 0xFFFFFF);
  return out + spec.pixel_data;
}

std::string PackIndexRows(const std::vector<std::vector<uint8_t>>& rows, int bits, bool bottom_up) {
  std::string out;
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::vector<uint8_t>& row = rows[bottom_up ? rows.size() - 1 - r : r];
    std::string packed((row.size() * size_t(bits) + 7) / 8, '\0');
    for (size_t x = 0; x < row.size(); ++x) {
      const size_t bit = x * size_t(bits);
      packed[bit / 8] = char(uint8_t(packed[bit / 8]) | row[x] << (8 - bits - bit % 8));
    }
    packed.resize((packed.size() + 3) / 4 * 4, '\0');
    out += packed;
  }
  return out;
}

std::string EncodeRle(const std::vector<std::vector<uint8_t>>& rows, int bits) {
  std::string out;
  auto put = [&out](int a, int b) {
    out.push_back(char(a));
    out.push_back(char(b));
  };
  auto literal = [&](const uint8_t* p, int n) {
    if (n < 3) {
      for (int i = 0; i < n; ++i) put(1, bits == 8 ? p[i] : p[i] << 4);
      return;
    }
    put(0, n);
    std::string bytes;
    for (int i = 0; i < n; ++i) {
      if (bits == 8) bytes.push_back(char(p[i]));
      else if (i % 2 == 0) bytes.push_back(char(p[i] << 4));
      else bytes.back() = char(uint8_t(bytes.back()) | p[i]);
    }
    if (bytes.size() % 2) bytes.push_back('\0');
    out += bytes;
  };
  for (size_t r = rows.size(); r-- > 0;) {
    const std::vector<uint8_t>& row = rows[r];
    const int width = int(row.size());
    int x = 0;
    int literal_start = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && row[size_t(x + run)] == row[size_t(x)] && run < 255) ++run;
      if (run >= 3 || x + run == width) {
        literal(row.data() + literal_start, x - literal_start);
        put(run, bits == 8 ? row[size_t(x)] : row[size_t(x)] * 17);
        x += run;
        literal_start = x;
      } else {
        x += run;
        if (x - literal_start >= 250) {
          literal(row.data() + literal_start, x - literal_start);
          literal_start = x;
        }
      }
    }
    literal(row.data() + literal_start, x - literal_start);
    if (r > 0) put(0, 0);
  }
  put(0, 1);
  return out;
}

// ---- JPEG

std::string EncodeJpeg(const TBitmap& picture, const TJpegOptions& options) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(picture.Width());
  info.image_height = JDIMENSION(picture.Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  if (options.grayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (!options.raw_app2.empty())
    jpeg_write_marker(&info, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(options.raw_app2.data()),
                      unsigned(options.raw_app2.size()));
  if (!options.icc_profile.empty())
    jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(options.icc_profile.data()),
                           unsigned(options.icc_profile.size()));
  std::vector<uint8_t> row(size_t(picture.Width()) * 3);
  while (info.next_scanline < info.image_height) {
    ConvertPixels(picture.Format(), picture.Row(int(info.next_scanline)), pf::B8G8R8, row.data(), picture.Width());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return out;
}

// ---- PNG

namespace {
void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}
void NoFlush(png_structp) {}
}  // namespace

std::string EncodePng(const TBitmap& picture, const TPngOptions& options) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng could not write the fixture");
  png_set_write_fn(png, &out, AppendToString, NoFlush);
  const int w = picture.Width();
  const int h = picture.Height();
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), options.bit_depth, options.color_type,
               options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::map<uint32_t, int> palette_index;
  if (options.color_type == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> palette;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t c = picture.PixelArgb(x, y) & 0xFFFFFF;
        if (palette_index.emplace(c, int(palette.size())).second) palette.push_back({Red(c), Green(c), Blue(c)});
      }
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (options.transparent_index) {
      png_byte alpha = 0;
      png_set_tRNS(png, info, &alpha, 1, nullptr);
    }
  }
  png_write_info(png, info);
  const int channels = options.color_type == 0 || options.color_type == 3 ? 1 : options.color_type == 4 ? 2
                       : options.color_type == 2                        ? 3
                                                                        : 4;
  const int sample_bytes = options.bit_depth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(size_t(h), std::vector<png_byte>(size_t(w * channels * sample_bytes)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = picture.PixelArgb(x, y);
      uint8_t samples[4];
      switch (options.color_type) {
        case PNG_COLOR_TYPE_GRAY: samples[0] = Green(c); break;
        case PNG_COLOR_TYPE_PALETTE: samples[0] = uint8_t(palette_index[c & 0xFFFFFF]); break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: samples[0] = Green(c), samples[1] = Alpha(c); break;
        default: samples[0] = Red(c), samples[1] = Green(c), samples[2] = Blue(c), samples[3] = Alpha(c);
      }
      for (int s = 0; s < channels; ++s)
        for (int b = 0; b < sample_bytes; ++b) rows[size_t(y)][size_t((x * channels + s) * sample_bytes + b)] = samples[s];
    }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// ---- GIF

namespace {
int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
  return length;
}
}  // namespace

std::string EncodeGif(int width, int height, const std::vector<uint8_t>& indexes, const std::vector<uint32_t>& palette,
                      const TGifOptions& options) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
  EGifSetGifVersion(gif, true);
  std::vector<GifColorType> colours;
  for (uint32_t c : palette) colours.push_back({Red(c), Green(c), Blue(c)});
  ColorMapObject* map = GifMakeMapObject(int(colours.size()), colours.data());
  EGifPutScreenDesc(gif, options.screen_width ? options.screen_width : width,
                    options.screen_height ? options.screen_height : height, 8, 0, map);
  if (options.transparent_index >= 0) {
    GraphicsControlBlock control{0, false, 0, options.transparent_index};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
  }
  EGifPutImageDesc(gif, options.left, options.top, width, height, options.interlaced, nullptr);
  std::vector<int> order;
  if (options.interlaced) {
    for (int start : {0, 4, 2, 1}) {
      const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
      for (int y = start; y < height; y += step) order.push_back(y);
    }
  } else {
    for (int y = 0; y < height; ++y) order.push_back(y);
  }
  for (int y : order) EGifPutLine(gif, const_cast<GifPixelType*>(&indexes[size_t(y) * width]), width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// ---- ".TSGFX"

std::string RawDeflate(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(bytes.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = uInt(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string GfxContainer(const std::vector<std::pair<std::string, std::string>>& keys, const std::string& payload) {
  std::string out = "TSGF";
  Put16(out, uint32_t(keys.size()));
  for (const auto& [key, value] : keys) {
    Put16(out, uint32_t(key.size()));
    out += key;
    Put16(out, uint32_t(value.size()));
    out += value;
  }
  return out + payload;
}

}  // namespace orv::test
