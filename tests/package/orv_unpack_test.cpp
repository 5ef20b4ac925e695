#include "package/orv_unpack.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "package/inflate_stream.h"
#include "package_fixture.h"

namespace orv {
namespace {

using testing_package::PackageTest;
using testing_package::Pattern;
using testing_package::RawDeflate;
using testing_package::RawPackage;
using testing_package::ReadFile;
using testing_package::TestEntry;
using testing_package::WriteFile;
using testing_package::WritePackage;

using UnpackTest = PackageTest;

const std::vector<TestEntry> kEntries = {
    {u"C:\\Show\\Stored.jpg", Pattern(5000, 1), TPackMethod::Stored},
    {u"C:\\Show\\Deflated.txt", std::string(70000, 'a') + Pattern(3000, 2), TPackMethod::Deflated},
    {u"C:\\Show\\Scrambled.bin", Pattern(4000, 3), TPackMethod::Scrambled},
    {u"Project.orv", "[Main]\r\nOrvVersion=8.0\r\n", TPackMethod::Deflated},
};

std::string ReadEntry(const TOrvUnpack& package, std::u16string_view name) {
  const StreamPtr stream = package.OpenEntry(name);
  return stream ? stream->ReadAll() : "<missing>";
}

void ExpectEveryEntryReads(const TOrvUnpack& package) {
  ASSERT_TRUE(package.IsOpen()) << package.ErrorText() << package.DamageText();
  for (const TestEntry& entry : kEntries) EXPECT_EQ(ReadEntry(package, entry.Name), entry.Content);
}

struct LayoutCase {
  const char* what;
  TPackageLayout layout;
  std::string player;
  int64_t correction;
};

TEST_F(UnpackTest, EveryLayoutOfTheWriterOpens) {
  const std::vector<LayoutCase> cases = {
      {"short trailer", {}, "", 0},
      {"long trailer with X = E", {.LongTrailer = true}, "", 0},
      {"behind a player", {}, Pattern(777, 9), 0},
      {"long trailer behind a player", {.LongTrailer = true}, Pattern(777, 9), 0},
      {"moved, long trailer", {.LongTrailer = true, .PrefixBytes = 1234, .AllowModify = true}, "", 1234},
      {"moved, short trailer", {.PrefixBytes = 99, .AllowModify = true}, Pattern(10, 4), 99},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("show.exe");
    WritePackage(path, kEntries, c.layout, c.player);
    const auto package = MakeRef<TOrvUnpack>(path);
    ExpectEveryEntryReads(*package);
    EXPECT_EQ(package->Version(), u"orvpack 1");
    EXPECT_EQ(package->ErrorText(), "");
    // Entries lie where the unmoved package recorded them, plus the move.
    const auto first = package->FindEntry(kEntries[0].Name);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Position, int64_t(c.player.size()) + c.correction);
    EXPECT_EQ(ReadFile(path).substr(first->Position, 5000), kEntries[0].Content);
  }
}

TEST_F(UnpackTest, AMovedPackageNeedsAllowModify) {
  for (const bool long_trailer : {false, true}) {
    const std::string path = PathOf("moved.exe");
    WritePackage(path, kEntries, {.LongTrailer = long_trailer, .PrefixBytes = 64});
    const auto package = MakeRef<TOrvUnpack>(path);
    EXPECT_FALSE(package->IsOpen());
    EXPECT_EQ(package->ErrorText(), "Slide-show File Modified");
    EXPECT_FALSE(package->OpenEntry(kEntries[0].Name));
  }
}

TEST_F(UnpackTest, DamagedStructurePositions) {
  const std::string body = Pattern(100);
  for (const auto& [strucpos, allow, error] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"abc", "1", "Slide-show File Damaged"},
           {"101", "1", "Slide-show File Damaged"},  // beyond the directory
           {"-5", "1", "Slide-show File Damaged"},
           {"100", "0", ""},                          // the real position: no allowmodify needed
           {"", "0", ""},                             // no test at all
           {"40", "0", "Slide-show File Modified"},
           {"40", "1", ""}}) {
    SCOPED_TRACE("strucpos " + strucpos + ", allowmodify " + allow);
    const std::string directory = "[$protection$]\r\nstrucpos=" + strucpos + "\r\nallowmodify=" + allow +
                                  "\r\n[a.bin]\r\n_ps=0\r\n_sz=10\r\n";
    const std::string path = PathOf("show.exe");
    WriteFile(path, RawPackage{body, RawDeflate(directory)}.Bytes());
    const auto package = MakeRef<TOrvUnpack>(path);
    EXPECT_EQ(package->ErrorText(), error);
    EXPECT_EQ(package->IsOpen(), error.empty());
    if (strucpos == "40" && package->IsOpen()) {
      EXPECT_EQ(package->FindEntry(u"a.bin")->Position, 60);
    }
  }
}

TEST_F(UnpackTest, TrailerForms) {
  const std::string directory = RawDeflate("[a]\r\n_ps=0\r\n_sz=3\r\n");
  const std::string body = "abc";
  const std::string short_form = RawPackage{body, directory}.Bytes();
  struct Case {
    const char* what;
    std::string bytes;
    bool opens;
  };
  const std::vector<Case> cases = {
      {"short", short_form, true},
      {"long with X = E", RawPackage{body, directory, {}, int64_t(short_form.size())}.Bytes(), true},
      // Only D is relative to the region; entry positions count from the file start.
      {"long behind 5 bytes",
       "12345" + RawPackage{body, RawDeflate("[a]\r\n_ps=5\r\n_sz=3\r\n"), {}, int64_t(short_form.size())}.Bytes(),
       true},
      {"tag elsewhere only", short_form + "tail of something else", false},
      {"tag then 7 bytes", short_form + "1234567", false},
      {"only the tag", ".dne", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("file.bin");
    WriteFile(path, c.bytes);
    const auto package = MakeRef<TOrvUnpack>(path);
    EXPECT_EQ(package->IsOpen(), c.opens);
    EXPECT_EQ(package->ErrorText(), "");
    if (c.opens) {
      EXPECT_EQ(ReadEntry(*package, u"A"), "abc");
    }
  }
}

TEST_F(UnpackTest, DamagedPackagesAreNotPackages) {
  const std::string body = Pattern(200);
  const std::string good_directory = RawDeflate("[a]\r\n_ps=10\r\n_sz=100\r\n");
  const std::string whole = RawPackage{body, good_directory}.Bytes();
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"D beyond the directory end", RawPackage{body, good_directory, 1 << 30}.Bytes()},
      {"D negative", RawPackage{body, good_directory, -1}.Bytes()},
      {"D at the lowest number", RawPackage{body, good_directory, INT64_MIN}.Bytes()},
      {"D misses the directory", RawPackage{body, good_directory, 3}.Bytes()},
      {"corrupt deflate", RawPackage{body, std::string(40, '\xff')}.Bytes()},
      {"directory cut short", RawPackage{body, good_directory.substr(0, good_directory.size() - 4)}.Bytes()},
      {"entry beyond the file", RawPackage{body, RawDeflate("[a]\r\n_ps=150\r\n_sz=100\r\n")}.Bytes()},
      {"entry size absurd", RawPackage{body, RawDeflate("[a]\r\n_ps=1\r\n_sz=9223372036854775807\r\n")}.Bytes()},
      {"entry position negative", RawPackage{body, RawDeflate("[a]\r\n_ps=-1\r\n_sz=1\r\n")}.Bytes()},
      {"X larger than the file", RawPackage{body, good_directory, {}, 1 << 30}.Bytes()},
      {"X negative", RawPackage{body, good_directory, {}, -8}.Bytes()},
      {"X at the lowest number", RawPackage{body, good_directory, {}, INT64_MIN}.Bytes()},
      {"truncated in the middle", whole.substr(0, 150) + whole.substr(whole.size() - 12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("damaged.exe");
    WriteFile(path, c.bytes);
    const auto package = MakeRef<TOrvUnpack>(path);
    EXPECT_FALSE(package->IsOpen());
    EXPECT_EQ(package->ErrorText(), "");
    EXPECT_NE(package->DamageText(), "");
    EXPECT_FALSE(PackageVersion(path));
  }
}

TEST_F(UnpackTest, MissingFiles) {
  // A pipe would block the opening until someone writes to it.
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  for (const std::string& path : {PathOf("nothing.exe"), FDir.string(), PathOf("pipe")}) {
    const auto package = MakeRef<TOrvUnpack>(path);
    EXPECT_FALSE(package->IsOpen());
    EXPECT_EQ(package->ErrorText(), "Slideshow File not Found");
  }
}

TEST_F(UnpackTest, NamesAreNormalisedAndCaseBlind) {
  const std::string path = PathOf("names.exe");
  WritePackage(path, {{u"Pics\\[Old]\tPhoto.JPG", "photo"}, {u"Straße.png", "street"}});
  const auto package = MakeRef<TOrvUnpack>(path);
  ASSERT_TRUE(package->IsOpen());
  for (std::u16string_view name : {u"Pics\\[Old]\tPhoto.JPG", u"pics\\<old>#09photo.jpg", u"PICS\\[OLD>\tPHOTO.jpg"})
    EXPECT_EQ(ReadEntry(*package, name), "photo");
  EXPECT_EQ(ReadEntry(*package, u"STRASSE.png"), "<missing>");
  EXPECT_EQ(ReadEntry(*package, u"straße.PNG"), "street");
  EXPECT_EQ(ReadEntry(*package, u""), "<missing>");
  EXPECT_EQ(ReadEntry(*package, u"$protection$"), "<missing>");

  const std::vector<TPackageEntry> entries = package->Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Name, "Pics\\<Old>#09Photo.JPG");
  EXPECT_EQ(entries[1].Name, "Straße.png");
}

TEST_F(UnpackTest, EntriesWithoutNumbersAreMissing) {
  const std::string path = PathOf("show.exe");
  WriteFile(path, RawPackage{"abcdef", RawDeflate("[a]\r\n_ps=1\r\n[b]\r\n_ps=x\r\n_sz=1\r\n[c]\r\n_ps=2\r\n_sz=3\r\n"
                                                  "_pm=7\r\n")}
                      .Bytes());
  const auto package = MakeRef<TOrvUnpack>(path);
  ASSERT_TRUE(package->IsOpen());
  EXPECT_FALSE(package->FindEntry(u"a"));
  EXPECT_FALSE(package->FindEntry(u"b"));
  EXPECT_EQ(ReadEntry(*package, u"c"), "cde");  // an unknown method reads as stored
  EXPECT_EQ(package->Entries().size(), 1u);
}

TEST_F(UnpackTest, CorruptDeflatedEntryRaisesOnOpen) {
  const std::string path = PathOf("show.exe");
  WriteFile(path, RawPackage{std::string(30, '\xff'), RawDeflate("[a]\r\n_ps=0\r\n_sz=30\r\n_pm=1\r\n")}.Bytes());
  const auto package = MakeRef<TOrvUnpack>(path);
  ASSERT_TRUE(package->IsOpen());
  EXPECT_THROW(package->OpenEntry(u"a"), EZDecompressionError);
}

TEST_F(UnpackTest, ScrambledEntryReadsFromAnywhere) {
  const std::string path = PathOf("show.exe");
  const std::string content = Pattern(100000);
  WritePackage(path, {{u"a.bin", content, TPackMethod::Scrambled}});
  const StreamPtr stream = MakeRef<TOrvUnpack>(path)->OpenEntry(u"a.bin");
  ASSERT_TRUE(stream);
  for (int64_t position : {int64_t(40), int64_t(99990), int64_t(33)}) {
    stream->SetPosition(position);
    EXPECT_EQ(stream->ReadAll(), content.substr(position));
  }
  // The bytes on disk really are scrambled: the first byte of the entry differs.
  EXPECT_EQ(uint8_t(ReadFile(path)[40]), uint8_t(content[40] ^ kPackageKey[8]));
}

TEST_F(UnpackTest, EntriesReadOnSeveralThreadsAtOnce) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 8; ++i)
    entries.push_back({u"file" + std::u16string(1, char16_t(u'0' + i)), Pattern(200000 + i, i),
                       static_cast<TPackMethod>(i % 3)});
  const std::string path = PathOf("show.exe");
  WritePackage(path, entries);
  const auto package = MakeRef<TOrvUnpack>(path);
  std::vector<int> matches(entries.size());
  std::vector<std::jthread> threads;
  for (size_t t = 0; t < entries.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) matches[t] += ReadEntry(*package, entries[t].Name) == entries[t].Content;
    });
  }
  threads.clear();
  for (int count : matches) EXPECT_EQ(count, 5);
}

void CountPiece(void* context) { ++*static_cast<int64_t*>(context); }

TEST_F(UnpackTest, EveryMethodReportsProgressPerPiece) {
  const std::string content = Pattern(100000);
  for (const TPackMethod method : {TPackMethod::Stored, TPackMethod::Deflated, TPackMethod::Scrambled}) {
    const std::string path = PathOf("show.exe");
    WritePackage(path, {{u"a.bin", content, method}});
    const auto package = MakeRef<TOrvUnpack>(path);
    int64_t pieces = 0;
    const StreamPtr stream = package->OpenEntry(u"a.bin", CountPiece, &pieces);
    ASSERT_TRUE(stream);
    const int64_t while_opening = pieces;
    std::string read(content.size(), '\0');
    EXPECT_EQ(stream->Read(read.data(), read.size()), content.size());
    EXPECT_EQ(read, content);
    // 100000 bytes are 391 pieces of 256; a deflated entry adds the pieces of the file it
    // reads while inflating the rest (its first piece is inflated when it opens).
    if (method == TPackMethod::Deflated)
      EXPECT_GE(pieces - while_opening, 391);
    else
      EXPECT_EQ(pieces - while_opening, 391) << int(method);
    EXPECT_EQ(while_opening > 0, method == TPackMethod::Deflated) << int(method);
  }
}

TEST_F(UnpackTest, PackageVersionTellsPackagesApart) {
  const std::string path = PathOf("show.exe");
  WritePackage(path, kEntries, {.Version = "Tessaro 8.1"});
  EXPECT_EQ(PackageVersion(path), u"Tessaro 8.1");
  WriteFile(PathOf("plain.txt"), "not a package");
  EXPECT_FALSE(PackageVersion(PathOf("plain.txt")));
  EXPECT_FALSE(PackageVersion(PathOf("missing")));
}

TEST_F(UnpackTest, WriterRefusesDuplicateNames) {
  TPackageWriter writer(PathOf("dup.exe"), {});
  TMemoryStream content(std::string("x"));
  writer.AddEntry(u"a]b", content, TPackMethod::Stored);
  content.SetPosition(0);
  EXPECT_THROW(writer.AddEntry(u"A>B", content, TPackMethod::Stored), Exception);
  EXPECT_THROW(writer.AddEntry(u"", content, TPackMethod::Stored), Exception);
  EXPECT_THROW(writer.AddEntry(u"$Protection$", content, TPackMethod::Stored), Exception);
}

}  // namespace
}  // namespace orv
