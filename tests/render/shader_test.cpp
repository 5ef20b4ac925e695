// Every shader of the draw manager against a reference computed here on the CPU, on small
// synthetic textures drawn one output pixel per texel.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "render/drawing_lock.h"
#include "render_test_support.h"

namespace orv::test {
namespace {

constexpr int kSize = 16;
using TColor = std::array<float, 4>;  // r, g, b, a in 0..1

// A texture described on the CPU: BGRA texels or one byte per texel.
struct TTexels {
  int Width = kSize;
  int Height = kSize;
  int Channels = 4;
  std::vector<std::uint8_t> Bytes;

  // Clamped to the edge like the device's samplers.
  TColor At(int x, int y) const {
    x = std::clamp(x, 0, Width - 1);
    y = std::clamp(y, 0, Height - 1);
    const std::uint8_t* p = &Bytes[(std::size_t(y) * Width + x) * Channels];
    if (Channels == 1) return {p[0] / 255.f, p[0] / 255.f, p[0] / 255.f, 1};
    return {p[2] / 255.f, p[1] / 255.f, p[0] / 255.f, p[3] / 255.f};
  }
  // Linear filtering at texture coordinates (u, v).
  TColor Sample(float u, float v) const {
    const float fx = u * Width - 0.5f, fy = v * Height - 0.5f;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const float tx = fx - x0, ty = fy - y0;
    TColor out{};
    for (int c = 0; c < 4; ++c)
      out[c] = (At(x0, y0)[c] * (1 - tx) + At(x0 + 1, y0)[c] * tx) * (1 - ty) +
               (At(x0, y0 + 1)[c] * (1 - tx) + At(x0 + 1, y0 + 1)[c] * tx) * ty;
    return out;
  }
};

std::mt19937& Random() {
  static std::mt19937 random(20240611);
  return random;
}

TTexels RandomTexels(int width, int height, int channels, bool premultiplied = false) {
  TTexels t{width, height, channels, std::vector<std::uint8_t>(std::size_t(width) * height * channels)};
  std::uniform_int_distribution<int> byte(0, 255);
  for (std::size_t i = 0; i < t.Bytes.size(); i += channels) {
    for (int c = 0; c < channels; ++c) t.Bytes[i + c] = std::uint8_t(byte(Random()));
    if (premultiplied)
      for (int c = 0; c < 3; ++c) t.Bytes[i + c] = std::uint8_t(t.Bytes[i + c] * t.Bytes[i + 3] / 255);
  }
  return t;
}

// A 32³ colour cube (32 columns × 1024 rows of B, G, R) with random entries.
std::vector<std::uint8_t> RandomCube() {
  std::vector<std::uint8_t> bytes(32 * 32 * 32 * 3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (auto& b : bytes) b = std::uint8_t(byte(Random()));
  return bytes;
}

// A cube whose entries are linear in the three indices, each channel driven by a different
// mix of them: interpolation adds no error of its own, and a swapped axis shows.
std::vector<std::uint8_t> LinearCube(int seed) {
  std::vector<std::uint8_t> bytes(32 * 32 * 32 * 3);
  std::size_t at = 0;
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j)
      for (int k = 0; k < 32; ++k) {
        const int r = seed ? 255 - j * 8 : k * 8;
        const int g = seed ? k * 8 : j * 4 + i * 4;
        const int b = seed ? i * 4 + k * 4 : 255 - i * 8;
        bytes[at++] = std::uint8_t(std::clamp(b, 0, 255));
        bytes[at++] = std::uint8_t(std::clamp(g, 0, 255));
        bytes[at++] = std::uint8_t(std::clamp(r, 0, 255));
      }
  return bytes;
}

// Trilinear look-up of (r, g, b) in a cube laid out as the grading tables are.
TColor CubeLookup(const std::vector<std::uint8_t>& cube, float r, float g, float b) {
  const auto at = [&](int i, int j, int k, int channel) {
    return cube[((std::size_t(i) * 32 + j) * 32 + k) * 3 + std::size_t(2 - channel)] / 255.f;
  };
  const float pr = std::clamp(r, 0.f, 1.f) * 31, pg = std::clamp(g, 0.f, 1.f) * 31, pb = std::clamp(b, 0.f, 1.f) * 31;
  const int r0 = std::min(int(pr), 30), g0 = std::min(int(pg), 30), b0 = std::min(int(pb), 30);
  const float fr = pr - r0, fg = pg - g0, fb = pb - b0;
  TColor out{0, 0, 0, 1};
  for (int channel = 0; channel < 3; ++channel)
    for (int corner = 0; corner < 8; ++corner) {
      const float w = (corner & 1 ? fr : 1 - fr) * (corner & 2 ? fg : 1 - fg) * (corner & 4 ? fb : 1 - fb);
      out[channel] += w * at(b0 + (corner >> 2 & 1), g0 + (corner >> 1 & 1), r0 + (corner & 1), channel);
    }
  return out;
}

TColor Premultiply(TColor c) { return {c[0] * c[3], c[1] * c[3], c[2] * c[3], c[3]}; }

TColor Mix(TColor a, TColor b, float t) {
  TColor out;
  for (int i = 0; i < 4; ++i) out[i] = a[i] + (b[i] - a[i]) * t;
  return out;
}

class ShaderTest : public RenderTest {
protected:
  // Every test sees the same textures, whatever ran before it.
  ShaderTest() { Random().seed(20240611); }
  void SetUp() override { Open(kSize, kSize); }

  // Runs `shader` over a kSize × kSize render target cleared to transparent black, without
  // blending, and returns what it wrote (premultiplied).
  Ref<TBitmap> Run(const std::string& shader, const std::function<void(T3DDrawer&, TShaderDraw&)>& setup,
                   TColor32 vertex_color = 0xFFFFFFFFu) {
    Ref<TBitmap> result = TBitmap::Create(kSize, kSize, pf::A8R8G8B8);
    Capture([&](TDeviceDrawer& drawer) {
      auto& d = static_cast<T3DDrawer&>(drawer);
      TShaderDraw draw;
      draw.Shader = shader;
      draw.Blend = TBlendMode::Replace;
      setup(d, draw);
      Ref<T3DSurface> target = d.Screen().Renderer().CreateRenderTarget(kSize, kSize, true);
      TRenderTargetWrapper into(d.Screen(), target.Get(), RectOfSize(kSize, kSize));
      d.Screen().Renderer().Clear(0);
      const auto vertex = [&](float u, float v) {
        T3DVertex p;
        p.X = u * kSize;
        p.Y = v * kSize;
        p.Color = PremultipliedColor(vertex_color);
        p.U = p.U2 = u;
        p.V = p.V2 = v;
        return p;
      };
      const T3DVertex quad[6] = {vertex(0, 0), vertex(1, 0), vertex(1, 1), vertex(0, 0), vertex(1, 1), vertex(0, 1)};
      EXPECT_TRUE(d.DrawTriangles(quad, 6, draw)) << shader;
      d.Screen().Renderer().ReadPixels(target.Get(), RectOfSize(kSize, kSize), *result);
    });
    return result;
  }

  // Device textures made for one run; they live until the test ends.
  TBaseTexture* Flat(T3DDrawer& d, const TTexels& t) {
    Ref<T3DTexture> texture = d.Screen().CreateTexture(
        t.Width, t.Height, t.Channels == 1 ? TTextureFormat::Luminance8 : TTextureFormat::BGRA8);
    texture->Upload(RectOfSize(t.Width, t.Height), t.Bytes.data(), std::ptrdiff_t(t.Width) * t.Channels);
    FKeep.push_back(texture);
    return texture.Get();
  }
  TBaseTexture* Cube(T3DDrawer& d, const std::vector<std::uint8_t>& bytes) {
    Ref<TVolumeTexture> cube = d.Screen().Renderer().CreateVolumeTexture(32);
    cube->Upload(bytes.data());
    FKeep.push_back(cube);
    return cube.Get();
  }

  // The largest channel difference between the run's output and the premultiplied
  // expectation at the pixel centres `where` allows.
  static int Difference(const TBitmap& actual, const std::function<TColor(float u, float v, int x, int y)>& expected,
                        const std::function<bool(float u, float v)>& where = {}) {
    return MaxDifference(
        actual,
        [&](int x, int y) {
          const TColor c = expected((x + 0.5f) / kSize, (y + 0.5f) / kSize, x, y);
          const auto q = [](float v) { return std::uint32_t(std::lround(std::clamp(v, 0.f, 1.f) * 255)); };
          return (q(c[3]) << 24) | (q(c[0]) << 16) | (q(c[1]) << 8) | q(c[2]);
        },
        [&](int x, int y) { return !where || where((x + 0.5f) / kSize, (y + 0.5f) / kSize); });
  }

  std::vector<Ref<TBaseTexture>> FKeep;
};

constexpr int kTolerance = 3;

// Filters of a frame that fills only part of its render target read no texel outside it:
// here the frame is the top left kFrame × kFrame texels of the texture.
constexpr int kFrame = kSize * 3 / 4;
void ClampToFrame(TShaderDraw& s) {
  s.Set("texClamp", 0.5f / kSize, 0.5f / kSize, (kFrame - 0.5f) / kSize, (kFrame - 0.5f) / kSize);
}
TColor FrameTexel(const TTexels& texels, int x, int y) { return texels.At(std::min(x, kFrame - 1), std::min(y, kFrame - 1)); }
bool InFrame(float u, float v) { return u * kSize < kFrame && v * kSize < kFrame; }

TEST_F(ShaderTest, FixedStagesModulateByTheVertexColour) {
  const TTexels image = RandomTexels(kSize, kSize, 4);
  const TColor32 vc = MakeColor(200, 100, 50, 180);
  const TColor v = {PremultipliedColor(vc) >> 16 & 255, PremultipliedColor(vc) >> 8 & 255, PremultipliedColor(vc) & 255,
                    180};
  const auto times_vertex = [&](TColor c) {
    return TColor{c[0] * v[0] / 255, c[1] * v[1] / 255, c[2] * v[2] / 255, c[3] * v[3] / 255};
  };
  const auto with_image = [&](T3DDrawer& d, TShaderDraw& s) { s.Textures[kStageImage] = Flat(d, image); };
  EXPECT_LE(Difference(*Run("color", with_image, vc), [&](float, float, int, int) { return times_vertex({1, 1, 1, 1}); }),
            kTolerance);
  EXPECT_LE(Difference(*Run("texture", with_image, vc),
                       [&](float, float, int x, int y) { return times_vertex(Premultiply(image.At(x, y))); }),
            kTolerance);
  EXPECT_LE(Difference(*Run("texture_premul", with_image, vc),
                       [&](float, float, int x, int y) { return times_vertex(image.At(x, y)); }),
            kTolerance);
}

TEST_F(ShaderTest, UnsharpAddsTheDifferenceFromThe3x3Blur) {
  const TTexels image = RandomTexels(kSize, kSize, 4);
  const float threshold = 0.1f, amount = 1.5f;
  Ref<TBitmap> out = Run("unsharp", [&](T3DDrawer& d, TShaderDraw& s) {
    s.Textures[kStageImage] = Flat(d, image);
    s.Set("texelSize", 1.f / kSize, 1.f / kSize).Set("threshold", threshold).Set("amount", amount);
    ClampToFrame(s);
  });
  EXPECT_LE(Difference(*out,
                       [&](float, float, int x, int y) {
                         TColor blur{};
                         for (int j = -1; j <= 1; ++j)
                           for (int i = -1; i <= 1; ++i)
                             for (int c = 0; c < 3; ++c)
                               blur[c] += FrameTexel(image, x + i, y + j)[c] * float((2 - std::abs(i)) * (2 - std::abs(j))) / 16;
                         TColor centre = image.At(x, y);
                         for (int c = 0; c < 3; ++c) {
                           const float d = centre[c] - blur[c];
                           if (std::abs(d) >= threshold) centre[c] = std::clamp(centre[c] + d * amount, 0.f, 1.f);
                         }
                         return centre;
                       },
                       InFrame),
            kTolerance);
}

TEST_F(ShaderTest, VideoMaskTurnsLumaIntoGreyAlpha) {
  const TTexels luma = RandomTexels(kSize, kSize, 1);
  for (float invert : {0.f, 1.f}) {
    Ref<TBitmap> out = Run("videomask", [&](T3DDrawer& d, TShaderDraw& s) {
      s.Textures[kStageImage] = Flat(d, luma);
      s.Set("invert", invert);
    });
    EXPECT_LE(Difference(*out,
                         [&](float, float, int x, int y) {
                           const float m = std::clamp((luma.At(x, y)[0] - 16.f / 256) * 255 / 219, 0.f, 1.f);
                           const float v = invert > 0 ? 1 - m : m;
                           return Premultiply({v, v, v, v});
                         }),
              kTolerance)
        << invert;
  }
}

TEST_F(ShaderTest, ColourGradingBlendsTwoCubes) {
  const TTexels image = RandomTexels(kSize, kSize, 4);
  const std::vector<std::uint8_t> a = RandomCube(), b = RandomCube();
  const float t = 0.3f;
  const TColor32 tint = MakeColor(200, 230, 255, 255);
  Ref<TBitmap> out = Run(
      "color_grading",
      [&](T3DDrawer& d, TShaderDraw& s) {
        s.Textures[kStageImage] = Flat(d, image);
        s.Textures[kStageTableA] = Cube(d, a);
        s.Textures[kStageTableB] = Cube(d, b);
        s.Set("t", t);
      },
      tint);
  EXPECT_LE(Difference(*out,
                       [&](float, float, int x, int y) {
                         const TColor c = image.At(x, y);
                         const float r = c[0] * 200 / 255, g = c[1] * 230 / 255, bl = c[2];
                         TColor graded = Mix(CubeLookup(a, r, g, bl), CubeLookup(b, r, g, bl), t);
                         graded[3] = c[3];
                         return Premultiply(graded);
                       }),
            kTolerance);
}

TEST_F(ShaderTest, LinearGradingLooksUpEachChannel) {
  const TTexels image = RandomTexels(kSize, kSize, 4);
  TTexels a = RandomTexels(256, 16, 4), b = RandomTexels(256, 16, 4);
  for (TTexels* table : {&a, &b})  // every row the same, as the tables are built
    for (int row = 1; row < 16; ++row) std::copy_n(table->Bytes.begin(), 1024, table->Bytes.begin() + row * 1024);
  const float t = 0.6f;
  Ref<TBitmap> out = Run("color_grade_linear", [&](T3DDrawer& d, TShaderDraw& s) {
    s.Textures[kStageImage] = Flat(d, image);
    s.Textures[kStageTableA] = Flat(d, a);
    s.Textures[kStageTableB] = Flat(d, b);
    s.Set("t", t);
  });
  EXPECT_LE(Difference(*out,
                       [&](float, float, int x, int y) {
                         const TColor c = image.At(x, y);
                         TColor graded{0, 0, 0, c[3]};
                         for (int ch = 0; ch < 3; ++ch) {
                           const float at = c[ch] * 255.f / 256 + 1.f / 512;
                           graded[ch] = a.Sample(at, 0.5f)[ch] * (1 - t) + b.Sample(at, 0.5f)[ch] * t;
                         }
                         return Premultiply(graded);
                       }),
            kTolerance);
}

// The video shaders over one random frame: Y at full size, U and V at half size.
class VideoShaderTest : public ShaderTest {
protected:
  TTexels Y = RandomTexels(kSize, kSize, 1);
  TTexels U = RandomTexels(kSize / 2, kSize / 2, 1);
  TTexels V = RandomTexels(kSize / 2, kSize / 2, 1);
  // Interpolated planes feed the cubes: random cubes would magnify the filter's rounding.
  std::vector<std::uint8_t> A = LinearCube(0);
  std::vector<std::uint8_t> B = LinearCube(1);
  static constexpr float kT = 0.4f;
  static constexpr TColor32 kVertex = 0xC8FFFFFFu;  // alpha 200

  void Planes(T3DDrawer& d, TShaderDraw& s) {
    s.Textures[kStageImage] = Flat(d, Y);
    s.Textures[kStageSecond] = Flat(d, U);
    s.Textures[kStageThird] = Flat(d, V);
    s.Set("sourceHeight", float(kSize));
    const TYuvConstants k;
    s.Set("crv", k.Crv).Set("cgu", k.Cgu).Set("cgv", k.Cgv).Set("cbu", k.Cbu).Set("scy", k.Scy);
  }
  void Tables(T3DDrawer& d, TShaderDraw& s) {
    s.Textures[kStageTableA] = Cube(d, A);
    s.Textures[kStageTableB] = Cube(d, B);
    s.Set("t", kT);
  }
  float Luma(float u, int y, bool deinterlace, int offset) const {
    if (!deinterlace) return Y.Sample(u, (y + 0.5f) / kSize)[0];
    // Only lines of the field `offset` (0 even, 1 odd) are read.
    const float line = float(y);
    const float first = std::max(std::floor((line - float(offset)) / 2) * 2 + float(offset), float(offset));
    const float second = first + 2 < kSize ? first + 2 : first;
    const float f = std::clamp((line - first) / 2, 0.f, 1.f);
    const float y0 = Y.Sample(u, (first + 0.5f) / kSize)[0];
    const float y1 = Y.Sample(u, (second + 0.5f) / kSize)[0];
    return y0 + (y1 - y0) * f;
  }
  TColor Graded(float y, float u, float v) const { return Mix(CubeLookup(A, v, u, y), CubeLookup(B, v, u, y), kT); }
};

TEST_F(VideoShaderTest, YuvToRgbWithAndWithoutDeinterlacing) {
  for (bool deinterlace : {false, true}) {
    for (int offset : {0, 1}) {
      Ref<TBitmap> out = Run(
          deinterlace ? "yuv_deinter" : "yuv",
          [&](T3DDrawer& d, TShaderDraw& s) {
            Planes(d, s);
            s.Set("lineOffset", float(offset));
          },
          kVertex);
      EXPECT_LE(Difference(*out,
                           [&](float u, float v, int, int y) {
                             TColor rgb{0, 0, 0, 200 / 255.f};
                             YuvToRgb(TYuvConstants{}, Luma(u, y, deinterlace, offset), U.Sample(u, v)[0],
                                      V.Sample(u, v)[0], rgb.data());
                             return Premultiply(rgb);
                           }),
                kTolerance)
          << deinterlace << offset;
    }
  }
}

TEST_F(VideoShaderTest, GradedVideoWithDeinterlacingAndChromaKey) {
  const float key_u = 0.45f, key_v = 0.55f, tol_x = 0.2f, tol_y = 4.f;
  struct TCase {
    const char* Shader;
    bool Deinterlace;
    bool Keyed;
  };
  const auto key_distance = [&](float u, float v) {
    return std::abs((U.Sample(u, v)[0] - key_u) + (V.Sample(u, v)[0] - key_v)) / 2;
  };
  // Pixels right at the key's tolerance may fall either way.
  const auto clear_of_the_threshold = [&](float u, float v) { return std::abs(key_distance(u, v) - tol_x) > 0.01f; };
  for (const TCase& c : {TCase{"color_grade_video", false, false}, TCase{"color_grade_deinter", true, false},
                         TCase{"color_grade_chromakey", false, true}, TCase{"color_grade_chroma_deinter", true, true}}) {
    Ref<TBitmap> out = Run(
        c.Shader,
        [&](T3DDrawer& d, TShaderDraw& s) {
          Planes(d, s);
          Tables(d, s);
          s.Set("lineOffset", 1).Set("keyUV", key_u, key_v).Set("tolerance", tol_x, tol_y);
        },
        kVertex);
    EXPECT_LE(Difference(*out,
                         [&](float u, float v, int, int y) {
                           const float pu = U.Sample(u, v)[0], pv = V.Sample(u, v)[0];
                           TColor graded = Graded(Luma(u, y, c.Deinterlace, 1), pu, pv);
                           graded[3] = 200 / 255.f;
                           if (c.Keyed) {
                             const float k = key_distance(u, v);
                             if (k < tol_x) graded[3] *= (k * tol_y) * (k * tol_y);
                           }
                           return Premultiply(graded);
                         },
                         clear_of_the_threshold),
              kTolerance)
        << c.Shader;
  }
}

TEST_F(ShaderTest, MaskShadersCombineImageAndMask) {
  const TTexels premultiplied = RandomTexels(kSize, kSize, 4, true);
  const TTexels straight = RandomTexels(kSize, kSize, 4);
  const TTexels mask = RandomTexels(kSize, kSize, 4, true);
  const TColor32 vc = 0xB4FFFFFFu;  // alpha 180
  const float va = 180 / 255.f;
  const auto unpremultiply = [](TColor m) {
    TColor s = m;
    for (int c = 0; c < 3; ++c) s[c] = m[3] > 0 ? std::min(m[c] / m[3], 1.f) : 0;
    return s;
  };
  const auto masked_picture = [&](TColor image, TColor m) {
    return Premultiply({image[0] * m[0], image[1] * m[1], image[2] * m[2], image[3] * m[3] * va});
  };
  const auto run = [&](const char* shader, const TTexels& image) {
    return Run(
        shader,
        [&](T3DDrawer& d, TShaderDraw& s) {
          s.Textures[kStageImage] = Flat(d, image);
          s.Textures[kStageSecond] = Flat(d, mask);
        },
        vc);
  };
  EXPECT_LE(Difference(*run("premul", premultiplied),
                       [&](float, float, int x, int y) {
                         const TColor p = premultiplied.At(x, y), m = mask.At(x, y);
                         return TColor{p[0] * m[0] * va, p[1] * m[1] * va, p[2] * m[2] * va, p[3] * m[3] * va};
                       }),
            kTolerance);
  EXPECT_LE(Difference(*run("premul2", straight),
                       [&](float, float, int x, int y) {
                         return masked_picture(straight.At(x, y), unpremultiply(mask.At(x, y)));
                       }),
            kTolerance);
  EXPECT_LE(Difference(*run("premul3", straight),
                       [&](float, float, int x, int y) {
                         const TColor m = mask.At(x, y);
                         const float g = (1 - std::abs(m[0] - m[1])) * (1 - std::abs(m[1] - m[2])) *
                                         (1 - std::abs(m[2] - m[0]));
                         TColor white{0, 0, 0, std::max({m[0], m[1], m[2]})};
                         for (int c = 0; c < 3; ++c) white[c] = m[c] + (1 - m[c]) * g;
                         return masked_picture(straight.At(x, y), unpremultiply(white));
                       }),
            kTolerance);
}

TEST_F(ShaderTest, GaussianPassesAndMix) {
  const TTexels image = RandomTexels(kSize, kSize, 4, true);
  const std::array<float, 7> w = T3DDrawer::GaussWeights(1.3f, 1);
  for (int axis : {0, 1}) {
    Ref<TBitmap> out = Run(axis == 0 ? "gauss_blur_h7" : "gauss_blur_v7", [&](T3DDrawer& d, TShaderDraw& s) {
      s.Textures[kStageImage] = Flat(d, image);
      s.Set("texelStep", 1.f / kSize, 1.f / kSize)
          .Set("weightsLow", w[0], w[1], w[2], w[3])
          .Set("weightsHigh", w[4], w[5], w[6]);
      ClampToFrame(s);
    });
    EXPECT_LE(Difference(*out,
                         [&](float, float, int x, int y) {
                           TColor sum{};
                           for (int i = -3; i <= 3; ++i)
                             for (int c = 0; c < 4; ++c)
                               sum[c] += w[i + 3] * FrameTexel(image, x + (axis == 0 ? i : 0), y + (axis == 1 ? i : 0))[c];
                           return sum;
                         },
                         InFrame),
              kTolerance)
        << axis;
  }
  const TTexels blurred = RandomTexels(kSize, kSize, 4, true);
  Ref<TBitmap> mixed = Run("gauss_mix", [&](T3DDrawer& d, TShaderDraw& s) {
    s.Textures[kStageImage] = Flat(d, image);
    s.Textures[kStageSecond] = Flat(d, blurred);
    s.Set("alpha", 0.3f);
    ClampToFrame(s);
  });
  EXPECT_LE(Difference(
                *mixed, [&](float, float, int x, int y) { return Mix(image.At(x, y), FrameTexel(blurred, x, y), 0.3f); }),
            kTolerance);
}

}  // namespace
}  // namespace orv::test
