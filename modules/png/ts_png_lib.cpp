// The picture library: decodes PNG files with libpng into 24-bit (blue, green, red) or
// 32-bit (blue, green, red, alpha) rows, whatever the file's own colour type and depth.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "image/picture_library_api.h"

#define TS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// A picture whose header claims more than this is refused before anything is allocated.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
constexpr size_t kSignatureSize = 8;

struct TPngState {
  TPictureLibStream stream{};
  int64_t position = 0;
  FILE* file = nullptr;  // only for pictures opened by path
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t*> rows;

  ~TPngState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (file) std::fclose(file);
  }
};

void ReadFromStream(png_structp png, png_bytep buffer, png_size_t count) {
  auto* state = static_cast<TPngState*>(png_get_io_ptr(png));
  const int64_t got = state->stream.ReadAt(state->stream.Stream, buffer, int64_t(count), state->position);
  if (got > 0) state->position += got;
  if (got != int64_t(count)) png_error(png, "PNG data ended early");
}

void IgnoreWarning(png_structp, png_const_charp) {}

bool HasSignature(TPngState& state) {
  png_byte signature[kSignatureSize];
  if (state.stream.ReadAt(state.stream.Stream, signature, kSignatureSize, 0) != int64_t(kSignatureSize)) return false;
  state.position = kSignatureSize;
  return png_sig_cmp(signature, 0, kSignatureSize) == 0;
}

// Every colour type and depth becomes 8-bit blue, green, red, with alpha when the file
// has any transparency.
void RequestBgrRows(png_structp png, png_infop info) {
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

// Reads the header; false (libpng having jumped here) for anything that is not a PNG we
// can hold.
bool ReadHeader(TPngState& state, TPictureLibImage& image) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_set_read_fn(state.png, &state, ReadFromStream);
  png_set_sig_bytes(state.png, kSignatureSize);
  png_read_info(state.png, state.info);
  const uint64_t width = png_get_image_width(state.png, state.info);
  const uint64_t height = png_get_image_height(state.png, state.info);
  if (width == 0 || height == 0 || width * height > kMaxPixels) return false;
  RequestBgrRows(state.png, state.info);
  image.BitsPerPixel = int32_t(png_get_channels(state.png, state.info)) * 8;
  image.Width = int32_t(width);
  image.Height = int32_t(height);
  return true;
}

bool ReadRows(TPngState& state) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_read_image(state.png, state.rows.data());
  return true;
}

TPngState* StateOf(const TPictureLibImage* image) { return reinterpret_cast<TPngState*>(image->Handle); }

int64_t FileSize(void* file) {
  auto* f = static_cast<FILE*>(file);
  if (fseeko(f, 0, SEEK_END) != 0) return 0;
  return ftello(f);
}
void FileSetSize(void*, int64_t) {}
int64_t FileReadAt(void* file, void* buffer, int64_t count, int64_t position) {
  auto* f = static_cast<FILE*>(file);
  if (fseeko(f, position, SEEK_SET) != 0) return 0;
  return int64_t(std::fread(buffer, 1, size_t(count), f));
}
int64_t FileWriteAt(void*, const void*, int64_t, int64_t) { return 0; }

}  // namespace

TS_EXPORT int OpenImage(TPictureLibImage* image, const TPictureLibStream* stream) {
  auto* state = new (std::nothrow) TPngState;
  if (!state) return 0;
  state->stream = *stream;
  if (HasSignature(*state)) {
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
    state->info = state->png ? png_create_info_struct(state->png) : nullptr;
    if (state->info && ReadHeader(*state, *image)) {
      image->Handle = reinterpret_cast<uintptr_t>(state);
      image->Rows = nullptr;
      return 1;
    }
  }
  delete state;
  return 0;
}

TS_EXPORT int OpenImageFile(TPictureLibImage* image, const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  const TPictureLibStream stream{file, FileSize, FileSetSize, FileReadAt, FileWriteAt};
  if (!OpenImage(image, &stream)) {
    std::fclose(file);
    return 0;
  }
  StateOf(image)->file = file;
  return 1;
}

TS_EXPORT int ReadImage(TPictureLibImage* image) {
  TPngState* state = StateOf(image);
  if (!state) return 0;
  if (state->rows.empty()) {
    const size_t row_bytes = png_get_rowbytes(state->png, state->info);
    const size_t height = size_t(image->Height);
    try {
      state->pixels.assign(row_bytes * height, 0);
      state->rows.resize(height);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    for (size_t y = 0; y < height; ++y) state->rows[y] = state->pixels.data() + y * row_bytes;
  }
  image->Rows = state->rows.data();
  // A picture that breaks off keeps the rows decoded so far; the rest stays transparent.
  return ReadRows(*state) ? 1 : 0;
}

TS_EXPORT void CloseImage(TPictureLibImage* image) {
  delete StateOf(image);
  image->Handle = 0;
  image->Rows = nullptr;
}
