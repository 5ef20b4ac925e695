// Shared helpers of the package tests: a private folder per test, and packages made in code.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "package/package_writer.h"
#include "package/path_variables.h"

namespace orv::testing_package {

// A folder of its own for each test, removed afterwards.
class PackageTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    FDir = std::filesystem::temp_directory_path() /
           ("orv_package_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::permissions(FDir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(FDir, error);
  }
  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }

  std::filesystem::path FDir;
};

struct TestEntry {
  std::u16string Name;
  std::string Content;
  TPackMethod Method = TPackMethod::Stored;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WritePackage(const std::string& path, const std::vector<TestEntry>& entries,
                         TPackageLayout layout = {}, const std::string& player = {}) {
  TPackageWriter writer(path, std::move(layout));
  if (!player.empty()) {
    TMemoryStream program(player);
    writer.AddPlayer(program);
  }
  for (const TestEntry& entry : entries) {
    TMemoryStream content(entry.Content);
    writer.AddEntry(entry.Name, content, entry.Method);
  }
  writer.Finish();
}

// Some bytes that differ from position to position, so misplaced reads show.
inline std::string Pattern(size_t count, unsigned seed = 1) {
  std::string bytes(count, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return bytes;
}

inline std::string RawDeflate(const std::string& text) {
  z_stream zstream{};
  deflateInit2(&zstream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zstream, text.size()), '\0');
  zstream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zstream.avail_in = static_cast<uInt>(text.size());
  zstream.next_out = reinterpret_cast<Bytef*>(out.data());
  zstream.avail_out = static_cast<uInt>(out.size());
  deflate(&zstream, Z_FINISH);
  out.resize(zstream.total_out);
  deflateEnd(&zstream);
  return out;
}

inline std::string Int64Bytes(int64_t value) {
  uint8_t bytes[8];
  EncodeInt64(value, bytes);
  return std::string(reinterpret_cast<char*>(bytes), 8);
}

// A package put together by hand: `body`, then the given directory bytes, D (by default
// the directory's real position) and the short or the long trailer.
struct RawPackage {
  std::string Body;
  std::string DirectoryBytes;
  std::optional<int64_t> D = {};
  std::optional<int64_t> X = {};  // the long trailer's region length

  std::string Bytes() const {
    std::string file = Body + DirectoryBytes + Int64Bytes(D.value_or(int64_t(Body.size()))) + std::string(kTrailerTag);
    if (X) file += Int64Bytes(*X);
    return file;
  }
};

// For tests that change the process-wide path variables: puts them back afterwards.
class PathModifiersTest : public PackageTest {
protected:
  void SetUp() override {
    PackageTest::SetUp();
    FSavedModifiers = CurrentPathModifiers();
  }
  void TearDown() override {
    ReplacePathModifiers(FSavedModifiers);
    PackageTest::TearDown();
  }

private:
  TPathModifiers FSavedModifiers;
};

}  // namespace orv::testing_package
