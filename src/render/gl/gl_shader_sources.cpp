#include "render/gl/gl_shader_sources.h"

#include <array>

#include "render/device.h"

namespace orv::gl {

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTex;
layout(location = 3) in vec2 aTex2;
uniform mat4 uProjection;
out vec4 vColor;
out vec2 vTex;
out vec2 vTex2;
void main() {
  gl_Position = uProjection * vec4(aPosition, 1.0);
  vColor = aColor;
  vTex = aTex;
  vTex2 = aTex2;
}
)";

const TSamplerBinding kSamplerBindings[] = {
    {"image", kStageImage},  {"sharp", kStageImage},    {"planeY", kStageImage},
    {"mask", kStageSecond},  {"blurred", kStageSecond}, {"planeU", kStageSecond},
    {"planeV", kStageThird}, {"tableA", kStageTableA},  {"tableB", kStageTableB},
};
const int kSamplerBindingCount = int(std::size(kSamplerBindings));

namespace {

// Every fragment shader gets the vertex outputs and writes premultiplied colour, which the
// device blends as source + destination × (1 − source alpha). The formulas below work on
// straight colours as the names describe them and premultiply only at the end.
constexpr const char* kPrelude = R"(#version 330 core
in vec4 vColor;
in vec2 vTex;
in vec2 vTex2;
out vec4 fragColor;
vec4 Premultiply(vec3 color, float alpha) { return vec4(color * alpha, alpha); }
vec3 Unpremultiply(vec4 c) { return c.a > 0.0 ? c.rgb / c.a : vec3(0.0); }
vec3 VertexTint() { return Unpremultiply(vColor); }
)";

// Video: the three planes, video-range luma and the deinterlacing line pairs.
constexpr const char* kVideoPart = R"(
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform float sourceHeight;
uniform float lineOffset;
float LumaAt(vec2 tex) { return texture(planeY, tex).r; }
// Y of one field only (lineOffset 0: the even lines, 1: the odd ones), between the two
// lines of that field around the output line: the other field was filmed at another
// moment and would comb moving edges.
float DeinterlacedLuma(vec2 tex) {
  float line = tex.y * sourceHeight - 0.5;
  float first = max(floor((line - lineOffset) * 0.5) * 2.0 + lineOffset, lineOffset);
  float second = first + 2.0 < sourceHeight ? first + 2.0 : first;
  float f = clamp((line - first) * 0.5, 0.0, 1.0);
  float y0 = texture(planeY, vec2(tex.x, (first + 0.5) / sourceHeight)).r;
  float y1 = texture(planeY, vec2(tex.x, (second + 0.5) / sourceHeight)).r;
  return mix(y0, y1, f);
}
)";

constexpr const char* kGradingTables = R"(
uniform sampler3D tableA;
uniform sampler3D tableB;
uniform float t;
vec3 Grade(vec3 c) {
  vec3 at = c * (31.0 / 32.0) + 1.0 / 64.0;
  return mix(texture(tableA, at).rgb, texture(tableB, at).rgb, t);
}
)";

constexpr const char* kChromaKey = R"(
uniform vec2 keyUV;
uniform vec2 tolerance;
float KeyedAlpha(float u, float v) {
  float k = abs((u - keyUV.x) + (v - keyUV.y)) * 0.5;
  return k >= tolerance.x ? vColor.a : (k * tolerance.y) * (k * tolerance.y) * vColor.a;
}
)";

constexpr const char* kYuvConstants = R"(
uniform float crv;
uniform float cgu;
uniform float cgv;
uniform float cbu;
uniform float scy;
vec3 YuvToRgb(float y, float u, float v) {
  float l = (y - 0.0625) * scy;
  return clamp(vec3(l + crv * (v - 0.5), l - cgu * (u - 0.5) - cgv * (v - 0.5), l + cbu * (u - 0.5)), 0.0, 1.0);
}
)";

// "premul" mixes two render targets (both premultiplied); "premul2" and "premul3" draw a
// picture (straight colour) through a render-target mask.
constexpr const char* kMaskMix = R"(
uniform sampler2D image;
uniform sampler2D mask;
vec4 MaskedImage(vec4 maskColor) {
  vec4 p = texture(image, vTex) * maskColor;
  return Premultiply(Unpremultiply(p), p.a * vColor.a);
}
// The mask with its colour divided out of its alpha.
vec4 StraightMask(vec4 m) { return vec4(min(Unpremultiply(m), vec3(1.0)), m.a); }
vec4 MaskedPicture(vec4 straightMask) {
  vec4 i = texture(image, vTex);
  return Premultiply(i.rgb * straightMask.rgb, i.a * straightMask.a * vColor.a);
}
)";

// Filters that read neighbours of a frame in a larger render target keep their reads
// inside the frame (left, top, right, bottom texel centres), so its edges repeat instead
// of taking in the unused part of the target.
constexpr const char* kClampedTaps = R"(
uniform sampler2D image;
uniform vec4 texClamp;
vec4 Tap(vec2 tex) { return texture(image, clamp(tex, texClamp.xy, texClamp.zw)); }
)";

constexpr const char* kGauss = R"(
uniform vec2 texelStep;
uniform vec4 weightsLow;
uniform vec4 weightsHigh;
vec4 Blur7(vec2 axis) {
  vec2 d = axis * texelStep;
  return Tap(vTex - 3.0 * d) * weightsLow.x + Tap(vTex - 2.0 * d) * weightsLow.y + Tap(vTex - d) * weightsLow.z +
         Tap(vTex) * weightsLow.w + Tap(vTex + d) * weightsHigh.x + Tap(vTex + 2.0 * d) * weightsHigh.y +
         Tap(vTex + 3.0 * d) * weightsHigh.z;
}
)";

struct TFragmentSource {
  std::string_view Name;
  std::array<const char*, 3> Parts;
  const char* Main;
};

const TFragmentSource kFragmentSources[] = {
    {"color", {}, "void main() { fragColor = vColor; }"},
    {"texture",
     {},
     R"(uniform sampler2D image;
void main() { vec4 c = texture(image, vTex); fragColor = Premultiply(c.rgb, c.a) * vColor; })"},
    {"texture_premul",
     {},
     R"(uniform sampler2D image;
void main() { fragColor = texture(image, vTex) * vColor; })"},
    {"unsharp",
     {kClampedTaps},
     R"(uniform vec2 texelSize;
uniform float threshold;
uniform float amount;
void main() {
  vec4 centre = texture(image, vTex);
  vec3 blur = vec3(0.0);
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i)
      blur += Tap(vTex + vec2(i, j) * texelSize).rgb * float((2 - abs(i)) * (2 - abs(j)));
  vec3 d = centre.rgb - blur / 16.0;
  vec3 sharpened = centre.rgb + d * amount;
  vec3 c = mix(centre.rgb, sharpened, step(vec3(threshold), abs(d)));
  fragColor = vec4(clamp(c, 0.0, 1.0), centre.a) * vColor.a;
})"},
    {"videomask",
     {},
     R"(uniform sampler2D planeY;
uniform float invert;
void main() {
  float m = clamp((texture(planeY, vTex).r - 16.0 / 256.0) * (255.0 / 219.0), 0.0, 1.0);
  float v = invert > 0.5 ? 1.0 - m : m;
  fragColor = Premultiply(vec3(v), v * vColor.a);
})"},
    {"color_grading",
     {kGradingTables},
     R"(uniform sampler2D image;
void main() {
  vec4 texel = texture(image, vTex);
  vec3 c = texel.rgb * VertexTint();
  fragColor = Premultiply(Grade(c), texel.a * vColor.a);
})"},
    {"color_grade_linear",
     {},
     R"(uniform sampler2D image;
uniform sampler2D tableA;
uniform sampler2D tableB;
uniform float t;
vec3 Lookup(sampler2D table, vec3 at) {
  return vec3(texture(table, vec2(at.r, 0.5)).r, texture(table, vec2(at.g, 0.5)).g, texture(table, vec2(at.b, 0.5)).b);
}
void main() {
  vec4 texel = texture(image, vTex);
  vec3 at = texel.rgb * VertexTint() * (255.0 / 256.0) + 1.0 / 512.0;
  fragColor = Premultiply(mix(Lookup(tableA, at), Lookup(tableB, at), t), texel.a * vColor.a);
})"},
    {"color_grade_video",
     {kVideoPart, kGradingTables},
     R"(void main() {
  vec3 yuv = vec3(LumaAt(vTex), texture(planeU, vTex).r, texture(planeV, vTex).r);
  fragColor = Premultiply(Grade(yuv.zyx), vColor.a);
})"},
    {"color_grade_deinter",
     {kVideoPart, kGradingTables},
     R"(void main() {
  vec3 yuv = vec3(DeinterlacedLuma(vTex), texture(planeU, vTex).r, texture(planeV, vTex).r);
  fragColor = Premultiply(Grade(yuv.zyx), vColor.a);
})"},
    {"color_grade_chromakey",
     {kVideoPart, kGradingTables, kChromaKey},
     R"(void main() {
  vec3 yuv = vec3(LumaAt(vTex), texture(planeU, vTex).r, texture(planeV, vTex).r);
  fragColor = Premultiply(Grade(yuv.zyx), KeyedAlpha(yuv.y, yuv.z));
})"},
    {"color_grade_chroma_deinter",
     {kVideoPart, kGradingTables, kChromaKey},
     R"(void main() {
  vec3 yuv = vec3(DeinterlacedLuma(vTex), texture(planeU, vTex).r, texture(planeV, vTex).r);
  fragColor = Premultiply(Grade(yuv.zyx), KeyedAlpha(yuv.y, yuv.z));
})"},
    {"premul", {kMaskMix}, "void main() { fragColor = MaskedImage(texture(mask, vTex2)); }"},
    {"premul2", {kMaskMix}, "void main() { fragColor = MaskedPicture(StraightMask(texture(mask, vTex2))); }"},
    {"premul3",
     {kMaskMix},
     R"(void main() {
  vec4 m = texture(mask, vTex2);
  float g = (1.0 - abs(m.r - m.g)) * (1.0 - abs(m.g - m.b)) * (1.0 - abs(m.b - m.r));
  vec3 whitened = mix(m.rgb, vec3(1.0), g);
  fragColor = MaskedPicture(StraightMask(vec4(whitened, max(m.r, max(m.g, m.b)))));
})"},
    {"gauss_blur_h7", {kClampedTaps, kGauss}, "void main() { fragColor = Blur7(vec2(1.0, 0.0)) * vColor.a; }"},
    {"gauss_blur_v7", {kClampedTaps, kGauss}, "void main() { fragColor = Blur7(vec2(0.0, 1.0)) * vColor.a; }"},
    {"gauss_mix",
     {},
     R"(uniform sampler2D sharp;
uniform sampler2D blurred;
uniform vec4 texClamp;
uniform float alpha;
void main() {
  vec4 soft = texture(blurred, clamp(vTex2, texClamp.xy, texClamp.zw));
  fragColor = mix(texture(sharp, vTex), soft, alpha) * vColor.a;
})"},
    {"yuv",
     {kVideoPart, kYuvConstants},
     R"(void main() {
  fragColor = Premultiply(YuvToRgb(LumaAt(vTex), texture(planeU, vTex).r, texture(planeV, vTex).r), vColor.a);
})"},
    {"yuv_deinter",
     {kVideoPart, kYuvConstants},
     R"(void main() {
  float y = DeinterlacedLuma(vTex);
  fragColor = Premultiply(YuvToRgb(y, texture(planeU, vTex).r, texture(planeV, vTex).r), vColor.a);
})"},
};

}  // namespace

std::string FragmentShaderSource(std::string_view name) {
  for (const TFragmentSource& source : kFragmentSources) {
    if (source.Name != name) continue;
    std::string text = kPrelude;
    for (const char* part : source.Parts)
      if (part) text += part;
    return text + source.Main + "\n";
  }
  return {};
}

}  // namespace orv::gl
