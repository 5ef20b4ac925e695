// Pictures no one here made: the photos and drawings of Debian's mate-backgrounds and
// sway-backgrounds. Every one loads and decodes, at the size libmagic (`file`) reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "image/picture_library.h"
#include "image/picture_loaders.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

const char* const kFolders[] = {"/usr/share/backgrounds/mate", "/usr/share/backgrounds/sway"};

std::vector<fs::path> RealPictures() {
  std::vector<fs::path> pictures;
  for (const char* folder : kFolders) {
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension == ".jpg" || extension == ".png") pictures.push_back(entry.path());
    }
  }
  return pictures;
}

// Width and height as `file -b` reports them: the last "W x H" of its line ("1920x1080"
// for JPEG, after the density; "1920 x 1080" for PNG).
std::pair<int, int> SizeByLibmagic(const fs::path& path) {
  const std::string command = "file -b '" + path.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  char chunk[512];
  while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, got);
  pclose(pipe);
  const std::regex size(R"((\d+) ?x ?(\d+))");
  std::pair<int, int> last{0, 0};
  for (auto it = std::sregex_iterator(text.begin(), text.end(), size); it != std::sregex_iterator(); ++it)
    last = {std::stoi((*it)[1]), std::stoi((*it)[2])};
  return last;
}

TEST(RealPictures, EveryBackgroundLoadsAtItsOwnSize) {
  ASSERT_TRUE(RegisterPictureLibrary(ORV_PICTURE_LIBRARY_PATH, {".png"}));
  const std::vector<fs::path> pictures = RealPictures();
  if (pictures.empty()) GTEST_SKIP() << "mate-backgrounds and sway-backgrounds are not installed";
  int jpegs = 0, pngs = 0;
  for (const fs::path& path : pictures) {
    SCOPED_TRACE(path.string());
    const auto [width, height] = SizeByLibmagic(path);
    ASSERT_GT(width, 0);
    TFileStream file(path.string(), TFileMode::OpenRead);
    Ref<TSysBitmapStore> store = LoadPicture(file, Utf8ToUtf16(path.string()));
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Width(), width);
    EXPECT_EQ(store->Height(), height);
    Ref<TBitmap> level0 = store->GetLevel(0, &pf::A8R8G8B8);
    ASSERT_EQ(level0->Width(), width);
    // Something was drawn: the middle row is not one flat colour (the dark stripes are
    // black with varying alpha).
    const uint32_t* middle = reinterpret_cast<const uint32_t*>(level0->Row(height / 2));
    EXPECT_TRUE(std::any_of(middle, middle + width, [&](uint32_t p) { return p != middle[0]; }));
    (path.extension() == ".jpg" ? jpegs : pngs) += 1;
  }
  EXPECT_GT(jpegs, 10);
  EXPECT_GT(pngs, 10);
}

}  // namespace
}  // namespace orv
