#include "base/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace orv {
namespace {

class TempDir : public testing::Test {
protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() / ("orv_stream_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  std::string PathOf(const char* name) const { return (FDir / name).string(); }
  std::filesystem::path FDir;
};

using FileStreamTest = TempDir;

TEST_F(FileStreamTest, MixedSmallReadsWritesAndSeeksSeeOneFile) {
  const std::string path = PathOf("data.bin");
  {
    TFileStream out(path, TFileMode::Create);
    for (int i = 0; i < 200000; ++i) {
      const uint8_t byte = static_cast<uint8_t>(i * 7);
      out.WriteBuffer(&byte, 1);
    }
    EXPECT_EQ(out.Size(), 200000);  // pending bytes count before the flush
    out.SetPosition(100);
    const uint8_t patch[3] = {1, 2, 3};
    out.WriteBuffer(patch, 3);
  }
  TFileStream in(path, TFileMode::OpenRead);
  EXPECT_EQ(in.Size(), 200000);
  uint8_t byte = 0;
  for (int i : {0, 99, 100, 101, 102, 103, 65535, 65536, 199999}) {
    in.SetPosition(i);
    in.ReadBuffer(&byte, 1);
    const uint8_t expected = i >= 100 && i <= 102 ? uint8_t(i - 99) : uint8_t(i * 7);
    EXPECT_EQ(byte, expected) << "at " << i;
  }
  EXPECT_EQ(in.Read(&byte, 1), 0u);  // at the end
  EXPECT_THROW(in.ReadBuffer(&byte, 1), EStreamError);
  in.SetPosition(0);
  EXPECT_EQ(in.ReadAll().size(), 200000u);
}

TEST_F(FileStreamTest, ReadWriteModeKeepsBufferedBytesConsistent) {
  const std::string path = PathOf("rw.bin");
  TFileStream stream(path, TFileMode::Create);
  stream.WriteBuffer("hello world", 11);
  stream.SetPosition(6);
  char word[5];
  stream.ReadBuffer(word, 5);
  EXPECT_EQ(std::string(word, 5), "world");
  stream.SetPosition(0);
  stream.WriteBuffer("J", 1);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadAll(), "Jello world");
  stream.SetSize(5);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadAll(), "Jello");
}

TEST_F(FileStreamTest, OpeningMissingFilesOrFoldersFails) {
  EXPECT_THROW(TFileStream(PathOf("missing"), TFileMode::OpenRead), EFileError);
  EXPECT_THROW(TFileStream(FDir.string(), TFileMode::OpenRead), EFileError);
}

TEST(MemoryStream, GrowsSeeksAndCopies) {
  TMemoryStream source(std::string("0123456789"));
  TMemoryStream target;
  EXPECT_EQ(target.CopyFrom(source, 0), 10);  // 0: the whole source from its start
  source.SetPosition(2);
  EXPECT_EQ(target.CopyFrom(source, 3), 3);
  target.SetPosition(0);
  EXPECT_EQ(target.ReadAll(), "0123456789234");
  target.Seek(-3, TSeekOrigin::End);
  target.WriteBuffer("xyzw", 4);
  EXPECT_EQ(target.Size(), 14);
  EXPECT_THROW(target.Seek(-1, TSeekOrigin::Begin), EStreamError);
  source.SetPosition(8);
  char buffer[4];
  EXPECT_THROW(source.ReadBuffer(buffer, 4), EStreamError);
}

}  // namespace
}  // namespace orv
