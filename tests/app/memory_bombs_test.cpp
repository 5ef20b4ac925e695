// Small hostile files run through the real programs: pictures that claim 16384 × 16384
// pixels in a few bytes, a sparse file of 3 GiB that starts like a JPEG, a picture name of
// 200,000 characters, package entries that inflate to 256 MiB of zeros each, and projects
// of millions of empty sections, keys or objects. Each run must end as the README says, and
// the child's peak resident memory (from wait4) must stay within the figure the README states.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "image/picture_limits.h"
#include "offscreen_run_support.h"
#include "package/package_writer.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

using namespace orv::test;

constexpr int kClaimedSide = 16384;
// The README's figures: decoded pictures hold at most 1 GiB together, and a run of the
// player stays within that and 256 MiB for everything else.
constexpr int64_t kPictureRunLimit = (int64_t(1) << 30) + (int64_t(256) << 20);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

void PutBE32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (24 - 8 * i));
}
void PutBE16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = char(value >> 8);
  bytes[at + 1] = char(value);
}
void PutLE16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = char(value);
  bytes[at + 1] = char(value >> 8);
}

std::string HugeGif() {
  std::string gif = EncodeGif(2, 2, {0, 1, 1, 0}, std::vector<uint32_t>(256, 0x808080));
  PutLE16(gif, 6, kClaimedSide);
  PutLE16(gif, 8, kClaimedSide);
  const size_t image = gif.find(',', 13);
  PutLE16(gif, image + 5, kClaimedSide);
  PutLE16(gif, image + 7, kClaimedSide);
  return gif;
}

// A run-length picture whose data ends the bitmap at once.
std::string HugeRleBmp() {
  TBmpSpec spec;
  spec.width = spec.height = kClaimedSide;
  spec.bits = 8;
  spec.compression = 1;
  spec.palette = {0x000000, 0xFFFFFF};
  spec.pixel_data = std::string("\x00\x01", 2);
  return WriteBmp(spec);
}

// With alpha: 4 bytes a pixel, 1 GiB of rows.
std::string HugePng() {
  TPngOptions options;
  options.color_type = 6;
  std::string png = EncodePng(*GradientPicture(2, 2, true), options);
  // The header chunk: length, "IHDR", width, height, ..., check sum of type and data.
  PutBE32(png, 16, kClaimedSide);
  PutBE32(png, 20, kClaimedSide);
  PutBE32(png, 29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
  return png;
}

// Progressive, with every component at full resolution: what libjpeg keeps of its
// coefficients alone (1.5 GiB) passes the budget.
std::string HugeProgressiveJpeg() {
  TJpegOptions options;
  options.progressive = true;
  std::string jpeg = EncodeJpeg(*GradientPicture(16, 16), options);
  const size_t frame = jpeg.find("\xFF\xC2");
  PutBE16(jpeg, frame + 5, kClaimedSide);
  PutBE16(jpeg, frame + 7, kClaimedSide);
  for (int component = 0; component < 3; ++component) jpeg[frame + 11 + 3 * component] = 0x11;
  return jpeg;
}

// A small picture followed by zeros, read piece by piece so that nothing holds them.
class TZeroTailStream : public TStream {
public:
  TZeroTailStream(std::string head, int64_t zeros) : FHead(std::move(head)), FSize(int64_t(FHead.size()) + zeros) {}
  size_t Read(void* buffer, size_t count) override {
    const size_t n = size_t(std::min<int64_t>(int64_t(count), FSize - FPosition));
    auto* out = static_cast<char*>(buffer);
    for (size_t i = 0; i < n; ++i) {
      const int64_t at = FPosition + int64_t(i);
      out[i] = at < int64_t(FHead.size()) ? FHead[size_t(at)] : 0;
    }
    FPosition += int64_t(n);
    return n;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    FPosition = origin == TSeekOrigin::Begin ? offset : origin == TSeekOrigin::Current ? FPosition + offset : FSize + offset;
    return FPosition;
  }

private:
  std::string FHead;
  int64_t FSize;
  int64_t FPosition = 0;
};

std::string PictureObjects(const std::vector<std::string>& names) {
  std::string objects;
  for (size_t i = 0; i < names.size(); ++i)
    objects += Block("P" + std::to_string(i) + ":Image", "GUID={P" + std::to_string(i) + "}\nImageName=" + names[i] + "\n");
  return objects;
}

class MemoryBombTest : public OffscreenRunTest {
protected:
  void SetUp() override {
    if (kSanitized) GTEST_SKIP() << "memory figures of a sanitizer build mean nothing";
    OffscreenRunTest::SetUp();
  }

  void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(FFolder / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }

  // Runs a program and reads back its exit code and peak resident memory.
  int RunMeasured(const std::string& program, const std::vector<std::string>& arguments) {
    const int status = RunProgram(program, arguments);
    std::cout << "  " << fs::path(program).filename().string() << ": exit " << status << ", peak "
              << (FPeakKilobytes >> 10) << " MiB\n";
    return status;
  }

  // The frame at 1.5 s of the show, after checking the run's exit and memory.
  TFrame SnapshotWithin(const std::string& show_argument, int64_t limit) {
    const fs::path picture = FFolder / "frame.png";
    EXPECT_EQ(RunMeasured(ORVVIEWER_PATH, {show_argument, "-snapshot", "1500", picture.string()}), 0) << FErrors;
    EXPECT_LT(FPeakKilobytes << 10, limit);
    TFrame frame;
    EXPECT_TRUE(ReadPng(picture, frame)) << FErrors;
    return frame;
  }
};

// The placeholder, wider than the frame, fills its width: its dark grey margin reaches both
// sides on the middle row.
void ExpectPlaceholder(const TFrame& frame, const std::string& what) {
  ASSERT_EQ(frame.Width, kWidth) << what;
  const TRgb grey{100, 100, 100};
  for (const auto& [x, y] : {std::pair{2, kHeight / 2}, std::pair{kWidth - 3, kHeight / 2}}) {
    const TRgb got = frame.At(x, y);
    EXPECT_TRUE(std::abs(got.R - grey.R) <= kTolerance && std::abs(got.G - grey.G) <= kTolerance)
        << what << " at " << x << "," << y << ": " << Text(got);
  }
}

struct TPictureBomb {
  const char* extension;
  std::string (*bytes)();
};

TEST_F(MemoryBombTest, PicturesClaimingHugeSizesShowThePlaceholderWithinTheBudget) {
  const TPictureBomb bombs[] = {
      {".gif", HugeGif}, {".bmp", HugeRleBmp}, {".png", HugePng}, {".jpg", HugeProgressiveJpeg}};
  for (const TPictureBomb& bomb : bombs) {
    SCOPED_TRACE(bomb.extension);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
      names.push_back("huge" + std::to_string(i) + bomb.extension);
      WriteBytes(names.back(), bomb.bytes());
    }
    const fs::path project = WriteProject(Show({Holding(PictureObjects(names))}, 3000));
    ExpectPlaceholder(SnapshotWithin(project.string(), kPictureRunLimit), bomb.extension);
  }
}

TEST_F(MemoryBombTest, SparseFileStartingLikeAJpegIsRefusedUnread) {
  const std::string head = EncodeJpeg(*GradientPicture(16, 16));
  WriteBytes("sparse.jpg", head);
  fs::resize_file(FFolder / "sparse.jpg", uintmax_t(3) << 30);
  const fs::path project = WriteProject(Show({Holding(PictureObjects({"sparse.jpg"}))}, 3000));
  ExpectPlaceholder(SnapshotWithin(project.string(), kPictureRunLimit), "sparse file");
}

TEST_F(MemoryBombTest, LongPictureNameMakesAPlaceholderOfBoundedWidth) {
  const fs::path project = WriteProject(Show({Holding(PictureObjects({std::string(200000, 'x') + ".jpg"}))}, 3000));
  SnapshotWithin(project.string(), kPictureRunLimit);
}

TEST_F(MemoryBombTest, DeflatedEntriesAreInflatedOnlyAsFarAsTheyAreRead) {
  const std::string picture = EncodeJpeg(*GradientPicture(64, 64));
  std::vector<std::string> names;
  std::vector<TSlide> slides;
  for (int i = 0; i < 4; ++i) {
    names.push_back("padded" + std::to_string(i) + ".jpg");
    slides.push_back(Holding(PictureObjects({names.back()})));
  }
  const fs::path package = FFolder / "show.pkg";
  TPackageWriter writer(package.string(), {});
  TMemoryStream project(Show(slides, 1000));
  writer.AddEntry(u"Project.orv", project, TPackMethod::Deflated);
  for (const std::string& name : names) {
    TZeroTailStream padded(picture, int64_t(256) << 20);
    writer.AddEntry(Utf8ToUtf16(name), padded, TPackMethod::Deflated);
  }
  writer.Finish();
  const TFrame frame = SnapshotWithin(package.string(), kPictureRunLimit);
  // The picture itself shows: its gradient is not the placeholder's flat grey.
  EXPECT_NE(Text(frame.At(kWidth / 2 - 20, kHeight / 2)), Text(frame.At(kWidth / 2 + 20, kHeight / 2)));
}

// Lines of one shape after a first section header: a line's text is given by `format`
// with its number. A run stays within `factor` times the size of the text.
struct TProjectBomb {
  const char* shape;
  const char* format;
  int count;
  int64_t factor;
};

TEST_F(MemoryBombTest, TenMillionLinesStayWithinASmallMultipleOfTheirText) {
  const TProjectBomb bombs[] = {
      {"empty sections", "[S%08d]\r\n", 10'000'000, 4},
      {"one-letter keys", "a=\r\n", 10'000'000, 5},
      // As many as stay below the largest document read. Objects are made as they are
      // read: they cost far more than lines.
      {"empty objects", "object a:b\r\nend\r\n", 7'500'000, 10}};
  for (const TProjectBomb& bomb : bombs) {
    SCOPED_TRACE(bomb.shape);
    const fs::path project = FFolder / "lines.orv";
    {
      std::ofstream out(project, std::ios::binary);
      out << "[Main]\r\n";
      char line[32];
      for (int i = 0; i < bomb.count; ++i) out.write(line, std::snprintf(line, sizeof line, bomb.format, i));
    }
    const int64_t limit = bomb.factor * int64_t(fs::file_size(project));
    // A show without slides has nothing to render.
    EXPECT_EQ(RunMeasured(ORVVIEWER_PATH, {project.string(), "-snapshot", "0", (FFolder / "f.png").string()}), 2);
    EXPECT_LT(FPeakKilobytes << 10, limit);
    EXPECT_EQ(RunMeasured(ORVPACK_PATH, {"timeline", project.string()}), 0) << FErrors;
    EXPECT_LT(FPeakKilobytes << 10, limit);
  }
}

}  // namespace
}  // namespace orv
