#include "image/bmp_writer.h"

#include <gtest/gtest.h>

#include "base/stream.h"
#include "image/picture_loaders.h"
#include "image/pixel_format.h"

namespace orv {
namespace {

// Odd widths need row padding; one row and one column are the smallest pictures.
TEST(BmpWriter, ReadsBackWithEqualPixels) {
  for (const auto& [width, height] : {std::pair{7, 3}, {1, 1}, {4, 2}, {1, 5}, {13, 1}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    Ref<TBitmap> picture = TBitmap::Create(width, height, pf::A8R8G8B8);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        reinterpret_cast<uint32_t*>(picture->Row(y))[x] = 0xFF000000u | uint32_t(x * 37) << 16 | uint32_t(y * 91) << 8 | uint32_t(x ^ y);
    const std::string file = BmpFileOf(*picture);
    const uint32_t row = (uint32_t(width) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + row * uint32_t(height));

    TMemoryStream stream(file);
    Ref<TImage> back = LoadImage(stream, u"back.bmp");
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Width(), width);
    ASSERT_EQ(back->Height(), height);
    Ref<TBitmap> pixels = back->GetLevel(0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) EXPECT_EQ(pixels->PixelArgb(x, y) | 0xFF000000u, picture->PixelArgb(x, y)) << x << "," << y;
  }
}

}  // namespace
}  // namespace orv
