#include "project/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

Ref<TIniFile> Load(std::string_view text) {
  auto file = MakeRef<TIniFile>();
  EXPECT_TRUE(file->LoadFromBytes(text));
  return file;
}

// ---- Line recognition

struct TLineCase {
  std::string_view line;
  TIniItemKind kind;
  std::string_view name;
  std::string_view value;
};

class LineRecognition : public testing::TestWithParam<TLineCase> {};

TEST_P(LineRecognition, GivesOneItemOfTheExpectedKind) {
  const TLineCase& line = GetParam();
  auto file = Load(std::string(line.line) + "\r\n");
  ASSERT_EQ(file->Count(), 1u);
  const TIniItem* item = file->ItemAt(0);
  EXPECT_EQ(item->Kind(), line.kind);
  EXPECT_EQ(item->Name(), line.name);
  EXPECT_EQ(item->Value(), line.value);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRecognition,
    testing::Values(TLineCase{"key = some value = x  ", TIniItemKind::Key, "key", "some value = x"},
                    TLineCase{" \t key\t=\tv\t", TIniItemKind::Key, "key", "v"},
                    TLineCase{"empty=", TIniItemKind::Key, "empty", ""},
                    TLineCase{"a_name_of_more_than_sixteen_bytes = and a value of more than sixteen",
                              TIniItemKind::Key, "a_name_of_more_than_sixteen_bytes", "and a value of more than sixteen"},
                    TLineCase{"a b;c=\"q\" ;x", TIniItemKind::Key, "a b;c", "\"q\" ;x"},
                    TLineCase{"  ; a comment  ", TIniItemKind::Text, "", "; a comment"},
                    TLineCase{"=starts with equals", TIniItemKind::Text, "", "=starts with equals"},
                    TLineCase{"no equals here  ", TIniItemKind::Text, "", "no equals here"},
                    TLineCase{"   ", TIniItemKind::Text, "", ""},
                    TLineCase{"[open bracket", TIniItemKind::Text, "", "[open bracket"},
                    TLineCase{"[  ", TIniItemKind::Text, "", "["},
                    TLineCase{"[ Main ] ignored", TIniItemKind::Section, "Main", ""},
                    TLineCase{"[]", TIniItemKind::Section, "", ""},
                    TLineCase{"object=5", TIniItemKind::Key, "object", "5"},
                    TLineCase{"object = 5", TIniItemKind::Key, "object", "5"},
                    TLineCase{"objects=5", TIniItemKind::Key, "objects", "5"},
                    TLineCase{"end=1", TIniItemKind::Key, "end", "1"},
                    TLineCase{"endless", TIniItemKind::Text, "", "endless"},
                    TLineCase{"end", TIniItemKind::Text, "", "end"},
                    TLineCase{"object Slide1:TSlide", TIniItemKind::Object, "Slide1", "TSlide"},
                    TLineCase{"OBJECT  a:b:c", TIniItemKind::Object, "a:b", "c"},
                    TLineCase{"object n : c ", TIniItemKind::Object, "n", "c"},
                    TLineCase{"object name only", TIniItemKind::Object, "name only", ""},
                    TLineCase{"object :TClass", TIniItemKind::Object, "", "TClass"},
                    TLineCase{"object", TIniItemKind::Object, "", ""}));

// ---- Building the tree

TEST(IniTree, ObjectsNestAndEndInAnyCaseClosesThem) {
  auto file = Load(
      "[Slide]\n"
      "object Container:Root\n"
      "  object Pic:TImage\n"
      "    x=1\n"
      "  END\n"
      "  y=2\n"
      "end\n"
      "z=3\n");
  TIniSection* slide = file->FindSection("slide");
  ASSERT_TRUE(slide);
  ASSERT_EQ(slide->Count(), 2u);
  TIniObject* root = slide->FindObjectOfClass("container", "ROOT");
  ASSERT_TRUE(root);
  EXPECT_EQ(ReadInteger(root->FindItem("y"), 0), 2);
  EXPECT_EQ(ReadInteger(root->FindObject("pic")->FindItem("x"), 0), 1);
  EXPECT_EQ(ReadInteger(slide->FindItem("z"), 0), 3);
  EXPECT_EQ(slide->FindItem("x"), nullptr);
}

TEST(IniTree, HeaderInsideAnObjectClosesAllObjectsAndIsIgnored) {
  auto file = Load(
      "[A]\n"
      "object o1\n"
      "object o2\n"
      "[B]\n"
      "after=1\n");
  EXPECT_EQ(file->SectionCount(), 1u);
  TIniSection* a = file->FindSection("A");
  EXPECT_EQ(ReadInteger(a->FindItem("after"), 0), 1);
  EXPECT_EQ(file->FindSection("B"), nullptr);
}

TEST(IniTree, RepeatedHeadersContinueOneSection) {
  auto file = Load(
      "top=0\n"
      "[ Main ]\n"
      "opt_a=1\n"
      "[Other]\n"
      "[main]\n"
      "OPT_A=2\n"
      "[MAIN]\n"
      "opt_b=3\n"
      "[OTHER]\n"
      "x=4\n");
  ASSERT_EQ(file->SectionCount(), 2u);
  TIniSection* main = file->SectionAt(0);
  EXPECT_EQ(main->Name(), "Main");
  EXPECT_EQ(main->Count(), 3u);
  EXPECT_EQ(ReadInteger(*file, "main", "opt_a", 0), 2);
  EXPECT_EQ(ReadInteger(*file, "Main", "opt_b", 0), 3);
  EXPECT_EQ(ReadInteger(*file, "", "top", -1), 0);
  // A section left empty by its first header takes the lines of a later one.
  EXPECT_EQ(ReadInteger(*file, "other", "x", 0), 4);
  EXPECT_EQ(file->FindSection(""), file.Get());
}

TEST(IniTree, EndOfTextClosesOpenObjects) {
  auto file = Load("[S]\nobject a\nobject b\nk=1");
  TIniObject* b = file->FindSection("S")->FindObject("a")->FindObject("b");
  ASSERT_TRUE(b);
  EXPECT_EQ(ReadInteger(b->FindItem("k"), 0), 1);
}

struct TLineEndCase {
  std::string_view text;
  size_t items;
};

class LineEnds : public testing::TestWithParam<TLineEndCase> {};

TEST_P(LineEnds, CountOneLineEndPerPairOrLoneByte) {
  auto file = Load(GetParam().text);
  EXPECT_EQ(file->Count(), GetParam().items);
  EXPECT_EQ(ReadInteger(file->FindItem("a"), 0), 1);
  EXPECT_EQ(ReadInteger(file->FindItem("b"), 0), 2);
}

INSTANTIATE_TEST_SUITE_P(Texts, LineEnds,
                         testing::Values(TLineEndCase{"a=1\r\nb=2\r\n", 2}, TLineEndCase{"a=1\nb=2", 2},
                                         TLineEndCase{"a=1\rb=2\r", 2}, TLineEndCase{"a=1\n\rb=2", 2},
                                         TLineEndCase{"a=1\r\rb=2", 3}, TLineEndCase{"a=1\n\nb=2", 3},
                                         TLineEndCase{"a=1\r\n\r\nb=2", 3}, TLineEndCase{"a=1\n\r\nb=2", 3}));

TEST(IniTree, CrOnlyTextReadsLikeCrLf) {
  const std::string crlf = "[S]\r\nobject o:c\r\n k=v\r\nend\r\n;c\r\n";
  std::string cr = crlf;
  std::erase(cr, '\n');
  EXPECT_EQ(Load(cr)->SaveToString(), Load(crlf)->SaveToString());
}

// ---- Lookups

// With fillers the list is searched through its hash table, which keeps only the last key
// of a name but every object.
TEST(IniLookup, LastDuplicateWinsForEveryKindOfLookup) {
  for (const int fillers : {0, 40}) {
    std::string text = "[S]\nk=1\n";
    for (int i = 0; i < fillers; ++i) text += "filler" + std::to_string(i) + "=x\nk=" + std::to_string(i) + "\n";
    auto file = Load(text +
                     "object o:A\nv=1\nend\n"
                     "object O:B\nv=2\nend\n"
                     "o=key\n"
                     "object o:a\nv=3\nend\n"
                     "K=2\n");
    SCOPED_TRACE(fillers);
    TIniSection* s = file->FindSection("s");
    EXPECT_EQ(ReadInteger(s->FindItem("k"), 0), 2);
    EXPECT_EQ(ReadInteger(s->FindObject("o")->FindItem("v"), 0), 3);
    EXPECT_EQ(ReadInteger(s->FindObjectOfClass("o", "b")->FindItem("v"), 0), 2);
    EXPECT_EQ(ReadInteger(s->FindObjectOfClass("O", "A")->FindItem("v"), 0), 3);
    EXPECT_EQ(s->FindObjectOfClass("o", "C"), nullptr);
    EXPECT_EQ(ReadUtf8(s->FindKey("O")), "key");
    EXPECT_TRUE(s->FindItem("o")->IsObject());
    EXPECT_EQ(s->FindItem(""), nullptr);
  }
}

// Lines become items only when reached, and then once: every way to a line gives one item,
// which knows its place.
TEST(IniLookup, EveryWayToALineGivesTheSameItem) {
  auto file = Load("; note\n[S]\na=1\n; comment\nb=2\n[T]\n");
  TIniSection* s = file->FindSection("S");
  TIniItem* b = s->FindKey("b");
  ASSERT_TRUE(b);
  EXPECT_EQ(s->ItemAt(2), b);
  EXPECT_EQ(b->Index(), 2u);
  EXPECT_EQ(b->List(), s);
  std::vector<const TIniItem*> items;
  for (const TIniItem* item : s->Items()) items.push_back(item);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2], b);
  EXPECT_EQ(s->FindItem("A"), items[0]);
  EXPECT_EQ(file->SectionAt(1), file->FindSection("t"));
  EXPECT_EQ(file->SectionAt(1)->Index(), 2u);
  EXPECT_EQ(file->ItemAt(0)->Value(), "; note");
}

TEST(IniLookup, NamesFoldCaseBeyondAscii) {
  auto file = Load("\xEF\xBB\xBF[\xC3\x84pfel]\n\xC3\x9C" "ber=1\n");
  EXPECT_EQ(ReadInteger(*file, "\xC3\xA4PFEL", "\xC3\xBC" "BER", 0), 1);
}

// Short lists are scanned and long ones get a hash table: both must find the same items,
// including names of one length and the same first and last letters.
TEST(IniLookup, ScannedAndHashedListsFindTheSameKeys) {
  const std::string keys =
      "Key1=a\nKeyX1=b\nKay1=c\n\xC3\x84pfel=d\n"
      "long_name_of_more_than_sixteen_A=e\nlong_name_of_more_than_sixteen_B=f\n;Key2=comment\nkey1=g\n";
  const std::pair<std::string_view, std::string_view> lookups[] = {
      {"KEY1", "g"}, {"kay1", "c"}, {"keyx1", "b"}, {"\xC3\xA4PFEL", "d"}, {"LONG_NAME_OF_MORE_THAN_SIXTEEN_b", "f"},
      {"Kby1", "-"}, {"pfel", "-"}, {"key", "-"}, {"Key2", "-"}, {"long_name_of_more_than_sixteen_", "-"}};
  for (const int fillers : {0, 40}) {
    std::string text = "\xEF\xBB\xBF[S]\n";
    for (int i = 0; i < fillers; ++i) text += "filler" + std::to_string(i) + "=x\n";
    const auto file = Load(text + keys);
    const TIniSection* s = file->FindSection("S");
    for (const auto& [name, value] : lookups)
      EXPECT_EQ(ReadUtf8(s->FindKey(name), "-"), value) << name << " among " << fillers << " fillers";
  }
}

TEST(IniLookup, FindKeyIgnoresObjectsAndFindItemDoesNot) {
  auto file = Load("[S]\nx=1\nobject x:C\nend\n");
  TIniSection* s = file->FindSection("S");
  EXPECT_TRUE(s->FindItem("x")->IsObject());
  EXPECT_TRUE(s->FindKey("x")->IsKey());
  EXPECT_EQ(s->FindOrAddKey("x"), s->FindKey("x"));
}

TEST(IniLookup, ObjectsAndSectionsIterateInDocumentOrder) {
  auto file = Load("[A]\nobject a\nend\nk=1\nobject b\nend\n[B]\n[C]\n");
  TIniSection* a = file->FindSection("A");
  TIniObject* first = a->FirstObject();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Name(), "a");
  TIniObject* second = a->NextObject(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Name(), "b");
  EXPECT_EQ(second->ObjectIndex(), 1u);
  EXPECT_EQ(a->NextObject(second), nullptr);
  ASSERT_EQ(file->SectionCount(), 3u);
  EXPECT_EQ(file->SectionAt(2)->Name(), "C");
}

TEST(IniLookup, HashTableFollowsAppendsAcrossRebuilds) {
  auto file = MakeRef<TIniFile>();
  TIniSection* s = file->FindOrAddSection("S");
  // Lookups between appends build the table early; appends must keep it right as it
  // fills up, is dropped and is rebuilt larger.
  for (int i = 0; i < 100; ++i) {
    const std::string name = "Key" + std::to_string(i);
    s->AddKey(name, std::to_string(i));
    ASSERT_EQ(ReadInteger(s->FindItem("KEY" + std::to_string(i / 2)), -1), i / 2) << i;
  }
  s->AddKey("key7", "duplicate");
  EXPECT_EQ(ReadUtf8(s->FindItem("KEY7")), "duplicate");
  for (int i = 0; i < 100; ++i) {
    const int expected = i == 7 ? -1 : i;
    EXPECT_EQ(ReadInteger(s->FindItem("key" + std::to_string(i)), -1), expected);
  }
}

TEST(IniLookup, ThreadsMayLookUpTogetherWhileTablesAreBuilt) {
  std::string text = "[S]\n";
  for (int i = 0; i < 500; ++i) text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  for (int round = 0; round < 20; ++round) {
    auto file = Load(text);
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
      readers.emplace_back([&, t] {
        for (int i = t; i < 500; i += 3)
          if (ReadInteger(file->FindKey("S", "KEY" + std::to_string(i)), -1) != i) ++wrong;
      });
    for (auto& reader : readers) reader.join();
    ASSERT_EQ(wrong, 0);
  }
}

TEST(IniLookup, FindOrAddKeyPlacesTheKeyAfterTheLastNamedChild) {
  auto file = Load("[S]\na=1\n; trailing comment\n\n[T]\n");
  TIniSection* s = file->FindSection("S");
  TIniItem* added = s->FindOrAddKey("b");
  EXPECT_EQ(added->Index(), 1u);
  EXPECT_EQ(s->ItemAt(2)->Value(), "; trailing comment");
  EXPECT_EQ(s->FindOrAddKey(""), nullptr);
}

TEST(IniLookup, KeysAddedToTheFileStayBeforeItsSections) {
  auto file = Load(";top\n[S]\na=1\n");
  WriteInteger(*file, "", "root", 5);
  file->AddText("; note");
  file->AddObject("o", "C");
  auto reloaded = Load(file->SaveToString());
  EXPECT_EQ(ReadInteger(*reloaded, "", "root", 0), 5);
  EXPECT_EQ(reloaded->FindSection("S")->Count(), 1u);
  EXPECT_EQ(file->SaveToString(), ";top\r\nroot=5\r\n; note\r\nobject o:C\r\nend\r\n[S]\r\na=1\r\n");
}

struct TPathCase {
  std::string_view path;
  std::string_view expected_value;  // of the item found
  bool creates;
};

class FindPath : public testing::TestWithParam<TPathCase> {};

TEST_P(FindPath, FindsOrCreates) {
  auto file = Load(
      "[Main]\n"
      "opt=1\n"
      "object TheEffect:AnEffect\n"
      "  dur=500\n"
      "  object Inner\n"
      "    deep=7\n"
      "  end\n"
      "end\n");
  const std::string before = file->SaveToString();
  TIniItem* item = file->FindPath(GetParam().path);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->Value(), GetParam().expected_value);
  EXPECT_EQ(file->SaveToString() != before, GetParam().creates);
  EXPECT_EQ(file->FindPath(GetParam().path), item);
}

INSTANTIATE_TEST_SUITE_P(Paths, FindPath,
                         testing::Values(TPathCase{"main:OPT", "1", false},
                                         TPathCase{"Main:TheEffect:dur", "500", false},
                                         TPathCase{"Main::dur", "500", false},
                                         TPathCase{"Main:theeffect:inner:deep", "7", false},
                                         TPathCase{"Main:TheEffect", "AnEffect", false},
                                         TPathCase{"Main:missing", "", true},
                                         TPathCase{"New:Obj:key", "", true},
                                         TPathCase{"rootkey", "", true}));

TEST(IniLookup, FindPathFailsOnAnEmptyPartWithoutObjectsOrAnEmptyLastPart) {
  auto file = Load("[Main]\nk=1\n");
  EXPECT_EQ(file->FindPath("Main::k"), nullptr);
  EXPECT_EQ(file->FindPath("Main:"), nullptr);
  TIniItem* created = file->FindPath("Main:Obj:k");
  ASSERT_TRUE(created);
  EXPECT_TRUE(created->List()->IsObject());
  EXPECT_EQ(created->List()->Value(), "");
}

// ---- Values in the tree

TEST(IniValues, ReadStringDecodesAndReportsBadUtf8OnlyWhenRead) {
  auto file = MakeRef<TIniFile>();
  ASSERT_TRUE(file->LoadFromBytes("\xEF\xBB\xBF[S]\ngood=\xC3\xA9\xF0\x9F\x98\x80\nbad=a\xC3(\n"));
  EXPECT_EQ(ReadString(*file, "S", "good"), u"\u00E9\U0001F600");
  EXPECT_EQ(ReadString(*file, "S", "missing", u"dflt"), u"dflt");
  try {
    ReadString(*file, "S", "bad");
    FAIL() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Invalid UTF8 Char");
  }
}

TEST(IniValues, MissingItemsGiveTheDefaults) {
  const TIniItem* none = nullptr;
  EXPECT_EQ(ReadInteger(none, 4), 4);
  EXPECT_EQ(ReadInt64(none, -4), -4);
  EXPECT_EQ(ReadFloat(none, 1.5), 1.5);
  EXPECT_TRUE(ReadBool(none, true));
  EXPECT_EQ(ReadChoice(none, {"a"}, 3, true), 3);
  EXPECT_TRUE(ReadList(none).empty());
  EXPECT_EQ(ReadColor(none, {1, 2, 3, 4}), (TIniColor{1, 2, 3, 4}));
  EXPECT_EQ(ReadFontStyle(none), 0u);
}

TEST(IniValues, EmptyValueReadsEmptyAndAsDefaultForNumbers) {
  auto file = Load("[S]\nk=\n");
  const TIniItem* k = file->FindKey("S", "k");
  EXPECT_EQ(ReadString(k, u"x"), u"");
  EXPECT_EQ(ReadInteger(k, 9), 9);
  EXPECT_EQ(ReadFloat(k, 9.5), 9.5);
  EXPECT_FALSE(ReadBool(k, false));
}

TEST(IniValues, ReadChoiceComparesWithOrWithoutCase) {
  auto file = Load("[Main]\nopt_repeat=CLOSE\n");
  const TIniItem* item = file->FindKey("main", "opt_repeat");
  EXPECT_EQ(ReadChoice(item, {"repeat", "close", "stop"}, 0, true), 1);
  EXPECT_EQ(ReadChoice(item, {"repeat", "close", "stop"}, 0, false), 0);
}

TEST(IniValues, WritesCreateSectionAndKeyAndReadBack) {
  auto file = MakeRef<TIniFile>();
  WriteInteger(*file, "Main", "i", -42);
  WriteInt64(*file, "Main", "l", int64_t(1) << 40);
  WriteFloat(*file, "Main", "f", 2.0);
  WriteBool(*file, "Main", "b", true);
  WriteString(*file, "Main", "s", u"\u00E9t\u00E9");
  EXPECT_EQ(file->SaveToString(), "[Main]\r\ni=-42\r\nl=1099511627776\r\nf=2\r\nb=1\r\ns=\xC3\xA9t\xC3\xA9\r\n");
  WriteInteger(*file, "MAIN", "I", 7);
  EXPECT_EQ(ReadInteger(*file, "main", "i", 0), 7);
  EXPECT_EQ(file->FindSection("main")->Count(), 5u);
}

// ---- Writing documents

TEST(IniWriting, RoundTripKeepsEveryLineKind) {
  const std::string_view text =
      "; leading comment\r\n"
      "top=1\r\n"
      "\r\n"
      "[Main]\r\n"
      "opt_a=1\r\n"
      "=odd line\r\n"
      "just text\r\n"
      "[unclosed\r\n"
      "end\r\n"
      "object TheEffect:AnEffect\r\n"
      "  dur=500\r\n"
      "  ; inside\r\n"
      "\r\n"
      "  object\r\n"
      "    object a:b:\r\n"
      "    end\r\n"
      "    object:C\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n"
      "[]\r\n"
      "x=\r\n";
  auto file = Load(text);
  EXPECT_EQ(file->SaveToString(), text);
  EXPECT_EQ(file->SaveToString(true), "\xEF\xBB\xBF" + std::string(text));
}

TEST(IniWriting, NormalisesBlanksAndIndent) {
  auto file = Load("[ S ]\n key = v \n\tobject  n : c \n k=1\n   END  ignored\n");
  EXPECT_EQ(file->SaveToString(), "[S]\r\nkey=v\r\nobject n:c\r\n  k=1\r\nend\r\n");
}

TEST(IniWriting, ObjectWithoutNameOrClassIsTheBareKeyword) {
  auto file = MakeRef<TIniFile>();
  file->FindOrAddSection("S")->AddObject("", "");
  EXPECT_EQ(file->SaveToString(), "[S]\r\nobject\r\nend\r\n");
}

TEST(IniWriting, CopyHasTheSameTextAndLivesApart) {
  TIniFile original;
  original.LoadFromBytes("top=1\r\n[Main]\r\nname=Caf\xE9\r\nobject A:B\r\n  k=v\r\nend\r\n; note\r\n");
  const Ref<TIniFile> copy = CopyOf(original);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->SaveToString(), original.SaveToString());
  EXPECT_EQ(ReadString(copy->FindKey("Main", "name")), u"Caf\u00E9");
  WriteString(*copy, "Main", "name", u"changed");
  EXPECT_EQ(ReadString(original.FindKey("Main", "name")), u"Caf\u00E9");
}

TEST(IniWriting, SaveToStreamAndFile) {
  auto file = Load("[S]\na=1\n");
  TMemoryStream plain;
  file->SaveToStream(plain, false);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.Memory()), size_t(plain.Size())), "[S]\r\na=1\r\n");

  const std::string path = testing::TempDir() + "/ini_file_test_save.orv";
  file->SaveToFile(path);
  auto reloaded = MakeRef<TIniFile>();
  ASSERT_TRUE(reloaded->LoadFromFile(path));
  EXPECT_EQ(reloaded->SaveToString(), file->SaveToString());
  TFileStream raw(path, TFileMode::OpenRead);
  EXPECT_EQ(raw.ReadAll(), "\xEF\xBB\xBF[S]\r\na=1\r\n");
}

TEST(IniWriting, DeepNestingNeitherOverflowsTheStackNorGrowsTheIndentWithoutBound) {
  constexpr int kDepth = 200000;
  std::string text = "[S]\n";
  for (int i = 0; i < kDepth; ++i) text += "object\n";
  auto file = Load(text);
  const std::string written = file->SaveToString();
  EXPECT_LT(written.size(), size_t(kDepth) * 2 * (128 + 10));
  auto reloaded = Load(written);
  EXPECT_EQ(reloaded->SaveToString(), written);
  file = nullptr;
  reloaded = nullptr;
}

// ---- Decoding and loading

struct TDecodeCase {
  std::string_view name;
  std::string bytes;
  std::u16string value;
};

class Decoding : public testing::TestWithParam<TDecodeCase> {};

TEST_P(Decoding, ChoosesTheEncodingByTheMark) {
  auto file = Load(GetParam().bytes);
  EXPECT_EQ(ReadString(*file, "S", "k"), GetParam().value);
}

std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, Decoding,
    testing::Values(TDecodeCase{"Utf8", "\xEF\xBB\xBF[S]\r\nk=\xE2\x82\xAC\r\n", u"\u20AC"},
                    TDecodeCase{"Utf16", Utf16Le(u"[S]\r\nk=\u20AC\U0001F600\r\n"), u"\u20AC\U0001F600"},
                    TDecodeCase{"Utf16OddByte", Utf16Le(u"[S]\r\nk=ab") + "x", u"ab"},
                    TDecodeCase{"Windows1252", "[S]\r\nk=\x80\xE9\x81\r\n", u"\u20AC\u00E9\u0081"},
                    TDecodeCase{"Ascii", "[S]\r\nk=plain\r\n", u"plain"}),
    [](const auto& info) { return std::string(info.param.name); });

// A stream that claims a size and fails or ends early while being read.
class TBrokenStream : public TStream {
public:
  TBrokenStream(int64_t size, bool throws) : FSize(size), FThrows(throws) {}
  // Gives a UTF-8 mark, then nothing more (or an error).
  size_t Read(void* buffer, size_t count) override {
    if (FThrows && FPosition > 0) throw EStreamError("Stream read error");
    if (FPosition > 0 || count < 3) return 0;
    std::memcpy(buffer, "\xEF\xBB\xBF", 3);
    FPosition = 3;
    return 3;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    return origin == TSeekOrigin::End ? FSize + offset : FPosition;
  }

private:
  int64_t FSize;
  bool FThrows;
  int64_t FPosition = 0;
};

TEST(IniLoading, FailuresLeaveAnEmptyDocumentAndSayWhy) {
  struct TCase {
    int64_t size;
    bool throws;
    std::string_view reason;
  };
  for (const TCase& c : {TCase{TIniFile::kMaxTextSize, false, "128 MiB"}, TCase{100, false, "ends before"},
                         TCase{100, true, "cannot be read"}}) {
    auto file = Load("[Old]\na=1\n");
    TBrokenStream stream(c.size, c.throws);
    EXPECT_FALSE(file->LoadFromStream(stream));
    EXPECT_EQ(file->Count(), 0u);
    EXPECT_EQ(file->SectionCount(), 0u);
    EXPECT_NE(file->LoadError().find(c.reason), std::string::npos) << file->LoadError();
  }
}

TEST(IniLoading, JustUnderTheLimitLoads) {
  auto file = MakeRef<TIniFile>();
  EXPECT_TRUE(file->LoadFromBytes(std::string(size_t(TIniFile::kMaxTextSize) - 1, ' ')));
  EXPECT_FALSE(file->LoadFromBytes(std::string(size_t(TIniFile::kMaxTextSize), ' ')));
  EXPECT_TRUE(file->LoadFromBytes("a=1"));
  EXPECT_EQ(file->LoadError(), "");
}

TEST(IniLoading, MissingFileRaisesOpenError) {
  auto file = MakeRef<TIniFile>();
  EXPECT_THROW(file->LoadFromFile(testing::TempDir() + "/no/such/file.orv"), EFOpenError);
}

// ---- Embedded documents

TEST(IniEscaped, DocumentSurvivesAsOneValue) {
  auto inner = Load("[A]\npath=C:\\Pictures\\x.jpg\nobject o:c\nk=1\nend\n");
  const std::string escaped = inner->SaveToEscaped();
  EXPECT_EQ(escaped, "[A]\\npath=C:\\\\Pictures\\\\x.jpg\\nobject o:c\\n  k=1\\nend\\n");
  EXPECT_EQ(escaped.find('\n'), std::string::npos);

  auto outer = MakeRef<TIniFile>();
  outer->FindOrAddSection("Outer")->AddKey("doc", escaped);
  auto outer_again = Load(outer->SaveToString());
  auto inner_again = MakeRef<TIniFile>();
  ASSERT_TRUE(inner_again->LoadFromEscaped(ReadUtf8(outer_again->FindKey("Outer", "doc"))));
  EXPECT_EQ(inner_again->SaveToString(), inner->SaveToString());
}

TEST(IniEscaped, InvalidEscapesGiveAnEmptyDocument) {
  for (std::string_view bad : {"[A]\\nk=1\\x", "[A]\\nk=1\\"}) {
    auto file = Load("[Old]\n");
    EXPECT_FALSE(file->LoadFromEscaped(bad)) << bad;
    EXPECT_EQ(file->Count(), 0u);
  }
}

// ---- Items outliving their document

TEST(IniLifetime, ItemsKeepTheirTextWhenTheDocumentGoes) {
  auto file = Load("[S]\nk=value\nobject o:c\nx=1\nend\n");
  Ref<TIniItem> key = Ref<TIniItem>::Share(file->FindKey("S", "k"));
  Ref<TIniObject> object = Ref<TIniObject>::Share(file->FindSection("S")->FindObject("o"));
  file = nullptr;
  EXPECT_EQ(key->Value(), "value");
  EXPECT_EQ(key->List(), nullptr);
  EXPECT_EQ(ReadInteger(object->FindItem("x"), 0), 1);
  // A new value may come from the item's own text, which the change replaces.
  key->SetValue(key->Value().substr(1));
  EXPECT_EQ(key->Value(), "alue");
  key->SetValue(key->Name());
  EXPECT_EQ(key->Value(), "k");
  EXPECT_EQ(key->Name(), "k");
}

}  // namespace
}  // namespace orv
