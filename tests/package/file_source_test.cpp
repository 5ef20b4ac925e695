#include "package/file_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/program_path.h"
#include "package/file_accessor.h"
#include "package/path_variables.h"
#include "package/windows_names.h"
#include "package_fixture.h"

namespace orv {
namespace {

using testing_package::PackageTest;
using testing_package::RawDeflate;
using testing_package::RawPackage;
using testing_package::WriteFile;
using testing_package::WritePackage;

class FileSourceTest : public testing_package::PathModifiersTest {
protected:
  std::u16string WideOf(const std::string& name) const { return WideFromDiskPath(PathOf(name)); }
};

Ref<TIniFile> ProjectOf(const std::string& text) {
  auto project = MakeRef<TIniFile>();
  project->LoadFromBytes(text);
  return project;
}

std::string Read(StreamPtr stream) { return stream ? stream->ReadAll() : "<nothing>"; }

TEST(WindowsNames, ForeignAbsoluteNamesHaveNoDiskPath) {
  struct Case {
    std::u16string_view name;
    std::optional<std::string> disk;
    std::u16string_view last;
    std::u16string_view folder;
  };
  const Case cases[] = {
      {u"C:\\Show\\a.jpg", std::nullopt, u"a.jpg", u"C:\\Show\\"},
      {u"d:relative.jpg", std::nullopt, u"d:relative.jpg", u""},
      {u"\\\\server\\share\\b.png", std::nullopt, u"b.png", u"\\\\server\\share\\"},
      {u"\\Show\\a.jpg", "/Show/a.jpg", u"a.jpg", u"\\Show\\"},
      {u"Pics\\Sub/c.gif", "Pics/Sub/c.gif", u"c.gif", u"Pics\\Sub/"},
      {u"/home/me/d.jpg", "/home/me/d.jpg", u"d.jpg", u"/home/me/"},
      {u"plain", "plain", u"plain", u""},
      {u"1:x", "1:x", u"1:x", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DiskPathOf(c.name), c.disk) << Utf16ToUtf8(c.name);
    EXPECT_EQ(LastNameComponent(c.name), c.last);
    EXPECT_EQ(FolderOfName(c.name), c.folder);
  }
}

TEST(FileMapLines, QuotesBlanksAndEmptySides) {
  using Pair = std::pair<std::u16string, std::u16string>;
  const std::vector<std::pair<std::string_view, std::optional<Pair>>> cases = {
      {";\"C:\\a=b.jpg\"=\"D:\\x.jpg\"", Pair{u"C:\\a=b.jpg", u"D:\\x.jpg"}},
      {";  a.jpg =  b.jpg  ", Pair{u"a.jpg", u"b.jpg"}},
      {"a.jpg=\"b=c.jpg\"", Pair{u"a.jpg", u"b=c.jpg"}},
      {"; \" spaced \" = x", Pair{u" spaced ", u"x"}},
      {";a.jpg=", std::nullopt},
      {";a.jpg=\"\"", std::nullopt},
      {";=b.jpg", std::nullopt},
      {";\"a=b.jpg\"", std::nullopt},
      {"; no equals", std::nullopt},
      {";a\xff=b", std::nullopt},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(ParseFileMapLine(line), expected) << line;
}

TEST(OrientationLines, OnlyTheQuotedFormReads) {
  using Pair = std::pair<std::u16string, int>;
  const std::vector<std::pair<std::string_view, std::optional<Pair>>> cases = {
      {";\"C:\\Pics\\p.jpg\"=6", Pair{u"C:\\Pics\\p.jpg", 6}},
      {";\"a\"b.jpg\"= 8", Pair{u"a\"b.jpg", 8}},
      {";\"x.jpg\"=2", Pair{u"x.jpg", 2}},
      {";\"x.jpg\"=six", std::nullopt},
      {"\"x.jpg\"=6", std::nullopt},
      {";x.jpg=6", std::nullopt},
      {";\"\"=6", std::nullopt},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(ParseOrientationLine(line), expected) << line;
}

TEST_F(FileSourceTest, FileMapLeadsToItsFirstTarget) {
  WriteFile(PathOf("real.jpg"), "real");
  WriteFile(PathOf("other.jpg"), "other");
  const std::string real = PathOf("real.jpg");
  const auto project = ProjectOf("[FileMap]\r\n"
                                 ";\"C:\\Old\\A=1.jpg\"=\"" + real + "\"\r\n"
                                 ";\"C:\\Old\\A=1.jpg\"=" + PathOf("other.jpg") + "\r\n"
                                 ";C:\\Old\\A=1.jpg\r\n"  // splits at its first "="
                                 ";chain.jpg=C:\\Old\\a=1.JPG\r\n"
                                 "keyform.jpg=" + real + "\r\n"
                                 ";loop1=loop2\r\n;loop2=LOOP1\r\n"
                                 ";empty.jpg=\r\n");
  auto source = MakeRef<TMappedFileSource>();
  source->LoadFileMap(*project->FindSection("FileMap"));
  EXPECT_EQ(Read(source->OpenLocked(u"c:\\old\\a=1.jpg")), "real");
  EXPECT_EQ(Read(source->OpenLocked(u"CHAIN.jpg")), "real");
  EXPECT_EQ(Read(source->OpenLocked(u"keyform.jpg")), "real");
  EXPECT_EQ(Read(source->OpenLocked(u"loop1")), "<nothing>");
  EXPECT_EQ(source->MapTargets(u"empty.jpg"), nullptr);
  EXPECT_EQ(source->MapTargets(u"C:\\OLD\\A=1.JPG")->size(), 2u);
  EXPECT_EQ(source->MapTargets(u"C:\\Old\\A")->front(), u"1.jpg");
  EXPECT_EQ(Read(source->OpenLocked(WideOf("other.jpg"))), "other");  // unmapped names go to the disk
}

TEST_F(FileSourceTest, OrientationTableKeepsTurningCodes) {
  const auto project = ProjectOf("[RotationState]\r\n"
                                 ";\"C:\\P\\upside.jpg\"=3\r\n;\"right.jpg\"=6\r\n;\"left.jpg\"=8\r\n"
                                 ";\"mirror.jpg\"=2\r\n;\"plain.jpg\"=1\r\n");
  auto source = MakeRef<TMappedFileSource>();
  source->LoadOrientations(*project->FindSection("RotationState"));
  EXPECT_EQ(source->OrientationOf(u"c:\\p\\UPSIDE.jpg"), orTurned180);
  EXPECT_EQ(source->OrientationOf(u"right.jpg"), orTurnedClockwise);
  EXPECT_EQ(source->OrientationOf(u"left.jpg"), orTurnedCounterClockwise);
  EXPECT_EQ(source->OrientationOf(u"mirror.jpg"), orNormal);
  EXPECT_EQ(source->OrientationOf(u"plain.jpg"), orNormal);
  EXPECT_EQ(source->OrientationOf(u"unknown.jpg"), orNormal);
  EXPECT_EQ(MakeRef<TRealFileSource>()->OrientationOf(u"right.jpg"), orNormal);
}

TEST_F(FileSourceTest, PackedSourceMapsInsideThePackage) {
  const std::string path = PathOf("show.exe");
  WritePackage(path, {{u"C:\\Pics\\a.jpg", "picture a"}, {u"C:\\Pics\\b.jpg", "picture b", TPackMethod::Deflated}});
  auto source = MakeRef<TPackedFileSource>(MakeRef<TOrvUnpack>(path));
  source->LoadFileMap(*ProjectOf("[FileMap]\r\n;C:\\Old\\x.jpg=C:\\Pics\\b.jpg\r\n")->FindSection("FileMap"));
  EXPECT_EQ(Read(source->OpenLocked(u"c:\\pics\\A.JPG")), "picture a");
  EXPECT_EQ(Read(source->OpenLocked(u"C:\\Old\\x.jpg")), "picture b");
  EXPECT_EQ(Read(source->OpenLocked(u"C:\\Pics\\c.jpg")), "<nothing>");
}

TEST_F(FileSourceTest, UnreadablePackageEntryOpensNothing) {
  const std::string path = PathOf("show.exe");
  WriteFile(path, RawPackage{std::string(30, '\xff'), RawDeflate("[a]\r\n_ps=0\r\n_sz=30\r\n_pm=1\r\n")}.Bytes());
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TPackedFileSource>(MakeRef<TOrvUnpack>(path)), u"");
  EXPECT_EQ(accessor->OpenStream(u"a"), nullptr);
}

TEST_F(FileSourceTest, RealSourceAppliesPathVariables) {
  WriteFile(PathOf("styles/frame.png"), "frame");
  TPathModifiers modifiers;
  modifiers.Add(u"%styles%", WideOf("styles"), false);
  ReplacePathModifiers(modifiers);
  auto source = MakeRef<TRealFileSource>();
  EXPECT_EQ(Read(source->OpenLocked(u"%STYLES%\\frame.png")), "frame");
  EXPECT_EQ(Read(source->OpenLocked(u"%styles%\\none.png")), "<nothing>");
  EXPECT_EQ(Read(source->OpenLocked(WideOf("styles"))), "<nothing>");  // a folder is no file
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  EXPECT_EQ(Read(source->OpenLocked(WideOf("pipe"))), "<nothing>");   // nor is a pipe
}

TEST_F(FileSourceTest, PathVariablesTakeTheFirstExistingElseTheLastDefault) {
  for (const char* folder : {"one", "two", "three", "four"}) std::filesystem::create_directories(FDir / folder);
  TPathModifiers modifiers;
  modifiers.Add(u"%v%", WideOf("one"), false);
  modifiers.Add(u"%v%", WideOf("two") + u"\\", true);  // the trailing separator goes
  modifiers.Add(u"%v%", WideOf("three"), false);
  modifiers.Add(u"%v%", WideOf("four"), true);
  modifiers.Add(u"%other%", WideOf("one"), true);
  EXPECT_EQ(modifiers.Items()[1].Folder, WideOf("two"));

  EXPECT_EQ(modifiers.Apply(u"%v%\\x.png"), WideOf("four") + u"\\x.png");
  WriteFile(PathOf("three/x.png"), "3");
  EXPECT_EQ(modifiers.Apply(u"%V%\\x.png"), WideOf("three") + u"\\x.png");
  WriteFile(PathOf("one/x.png"), "1");
  EXPECT_EQ(modifiers.Apply(u"%v%\\x.png"), WideOf("one") + u"\\x.png");
  // Unknown tokens stay; the scan goes on after each folder put in.
  EXPECT_EQ(modifiers.Apply(u"%unknown%\\x.png"), u"%unknown%\\x.png");
  EXPECT_EQ(modifiers.Apply(u"50%"), u"50%");
  EXPECT_EQ(modifiers.Apply(u"%other%%v%"), WideOf("one") + WideOf("four"));
}

TEST_F(FileSourceTest, ModifierFoldersBecomeAbsolute) {
  ::setenv("XDG_DATA_HOME", PathOf("data").c_str(), 1);
  TPathModifiers modifiers;
  modifiers.Add(u"%a%", u"All\\Themes\\", false);
  modifiers.Add(u"%b%", u"%LocalAppData%\\Tessaro\\Styles", true);
  modifiers.Add(u"%c%", u"%SYSTEMROOT%", false);
  modifiers.Add(u"%d%", u"C:\\Program Files\\Show", false);
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(modifiers.Items()[0].Folder, WideFromDiskPath(ProgramFolder()) + u"All\\Themes");
  EXPECT_EQ(modifiers.Items()[1].Folder, WideOf("data") + u"/Tessaro\\Styles");
  EXPECT_EQ(modifiers.Items()[2].Folder, u"/");
  EXPECT_EQ(modifiers.Items()[3].Folder, u"C:\\Program Files\\Show");
}

TEST_F(FileSourceTest, StylesLiveBesideTheProgramElseInTheUsersData) {
  ::setenv("XDG_DATA_HOME", PathOf("data").c_str(), 1);
  const TPathModifiers modifiers = TPathModifiers::Initial();
  ::unsetenv("XDG_DATA_HOME");
  const std::u16string local = WideOf("data") + u"/Tessaro\\Styles\\x.png";
  EXPECT_EQ(modifiers.Apply(u"%styles%\\x.png"), local);
  WriteFile(PathOf("data/Tessaro/Styles/x.png"), "local");
  EXPECT_EQ(modifiers.Apply(u"%styles%\\x.png"), local);
  EXPECT_EQ(modifiers.Apply(u"%effects%\\x.png"), WideOf("data") + u"/Tessaro\\Effects\\x.png");

  const std::string beside_program = ProgramFolder() + "All/Themes/" + std::to_string(::getpid()) + ".png";
  WriteFile(beside_program, "beside");
  const std::u16string name = u"%styles%\\" + WideFromDiskPath(std::to_string(::getpid())) + u".png";
  const std::u16string resolved = modifiers.Apply(name);
  std::filesystem::remove(beside_program);
  EXPECT_EQ(resolved, WideFromDiskPath(ProgramFolder()) + u"All\\Themes\\" + name.substr(9));
}

TEST_F(FileSourceTest, FindFileTriesTheNameThenVariablesThenTheBaseFolder) {
  WriteFile(PathOf("direct.txt"), "d");
  WriteFile(PathOf("vars/v.txt"), "v");
  WriteFile(PathOf("show/beside.txt"), "b");
  TPathModifiers modifiers;
  modifiers.Add(u"%vars%", WideOf("vars"), false);
  ReplacePathModifiers(modifiers);
  const auto accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), WideOf("show") + u"/");
  EXPECT_EQ(accessor->FindFile(WideOf("direct.txt")), PathOf("direct.txt"));
  EXPECT_EQ(accessor->FindFile(u"%vars%\\v.txt"), PathOf("vars") + "/v.txt");
  EXPECT_EQ(accessor->FindFile(u"C:\\Users\\Author\\Show\\beside.txt"), PathOf("show/beside.txt"));
  EXPECT_EQ(accessor->FindFile(u"\\\\server\\share\\beside.txt"), PathOf("show/beside.txt"));
  EXPECT_EQ(accessor->FindFile(u"C:\\Users\\Author\\Show\\missing.txt"), std::nullopt);
  EXPECT_EQ(Read(accessor->OpenDiskFile(u"D:\\beside.txt")), "b");
  EXPECT_EQ(accessor->OpenDiskFile(u"D:\\missing.txt"), nullptr);
  EXPECT_EQ(accessor->Clone()->FindFile(u"D:\\beside.txt"), PathOf("show/beside.txt"));
}

TEST_F(FileSourceTest, OpenStreamGivesAWindowOverTheWholeFile) {
  const std::string content = testing_package::Pattern(100000);
  WriteFile(PathOf("big.bin"), content);
  const StreamPtr stream = DefaultFileAccessor()->OpenStream(WideOf("big.bin"));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Size(), 100000);
  stream->SetPosition(99000);
  EXPECT_EQ(stream->ReadAll(), content.substr(99000));
  EXPECT_THROW(stream->SetSize(5), EStreamError);
  EXPECT_EQ(DefaultFileAccessor()->OpenStream(WideOf("none.bin")), nullptr);
}

// Pictures are the picture layer's business; these tests only register providers.
Ref<TBitmapStore> NoPicture(void*, const WideString&) { throw std::logic_error("not asked here"); }

std::vector<void*> ContextsOf(const TFileSource& source) {
  std::vector<void*> contexts;
  for (const TPictureProvider& provider : source.PictureProviders()) contexts.push_back(provider.Context);
  return contexts;
}

TEST_F(FileSourceTest, PictureProvidersStayRegisteredWhileTheirHandleLives) {
  const auto accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  int a = 0, b = 0, c = 0;
  Ref<TCallbackHandle> first = accessor->AddPictureProvider({NoPicture, &a});
  Ref<TCallbackHandle> second = accessor->Clone()->AddPictureProvider({NoPicture, &b});
  Ref<TCallbackHandle> third = accessor->AddPictureProvider({NoPicture, &c});
  EXPECT_EQ(ContextsOf(*accessor->Source()), (std::vector<void*>{&a, &b, &c}));
  second.Reset();
  EXPECT_EQ(ContextsOf(*accessor->Source()), (std::vector<void*>{&a, &c}));
  // A handle keeps its source alive after the accessor has gone.
  const TFileSource* source = accessor->Source().Get();
  const uint64_t number = source->Number();
  first.Reset();
  EXPECT_EQ(ContextsOf(*source), (std::vector<void*>{&c}));
  EXPECT_NE(MakeRef<TRealFileSource>()->Number(), number);
}

}  // namespace
}  // namespace orv
