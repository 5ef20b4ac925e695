// text_render_tool TEXTFILE ROUNDS: lays out and rasterises the lines of TEXTFILE in Arial
// at 48 pixels a em through our text pictures, ROUNDS times cold (the glyph cache emptied
// before each, so every glyph is outlined anew) and ROUNDS times warm (the glyphs cached),
// and prints the median milliseconds of each: "cold MS warm MS". The font files are opened
// by a first render that is not timed, as the peer opens its face before timing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "text/glyph_cache.h"
#include "text/text_params.h"
#include "text/text_store.h"

namespace orv {
namespace {

// Layout at 72 points and 96 dpi puts 96 pixels in an em; half of that is 48.
constexpr double kScaleFor48Pixels = 0.5;

WideString TextName(const std::string& path) {
  std::ifstream file(path);
  std::vector<WideString> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(Utf8ToUtf16(line));
  TTextParams params;
  params.Alignment = uint8_t(TTextAlign::Left);
  params.Scale = kScaleFor48Pixels;
  return EncodeTextName(lines, params);
}

double RenderMs(const WideString& name) {
  const auto start = std::chrono::steady_clock::now();
  const Ref<TTextBitmapStore> store = TTextBitmapStore::Create(name, nullptr);
  if (!store || !store->GetLevel(0)) {
    std::fprintf(stderr, "text_render_tool: the text was not rendered\n");
    std::exit(1);
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  using namespace orv;
  const int rounds = argc == 3 ? std::atoi(argv[2]) : 0;
  if (rounds < 1) {
    std::fprintf(stderr, "usage: text_render_tool TEXTFILE ROUNDS\n");
    return 2;
  }
  const WideString name = TextName(argv[1]);
  RenderMs(name);
  std::vector<double> cold, warm;
  for (int i = 0; i < rounds; ++i) {
    FontCache().Clear();
    cold.push_back(RenderMs(name));
  }
  for (int i = 0; i < rounds; ++i) warm.push_back(RenderMs(name));
  std::printf("cold %.4f warm %.4f\n", Median(cold), Median(warm));
  return 0;
}
