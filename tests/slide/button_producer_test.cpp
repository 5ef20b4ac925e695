#include "slide/button_producer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "button_theme_fixture.h"
#include "image/placeholder.h"

namespace orv {
namespace {

using test::kPartColours;

class ButtonThemes : public testing::Test {
protected:
  // A theme folder "Buttons\<theme>" holding `ini` as "btn.ini" and the part sheet.
  void AddTheme(const std::string& theme, const std::string& ini) {
    const WideString folder = u"Buttons\\" + Utf8ToUtf16(theme) + u"\\";
    if (!ini.empty()) Source->Files[folder + u"btn.ini"] = ini;
    Source->Files[folder + u"parts.bmp"] = test::PartSheet();
  }
  static std::string FullTheme(const std::string& text_params = "") {
    return test::SheetState("NormalState", "parts.bmp") + text_params;
  }
  Ref<TBitmap> Picture(const std::string& name) {
    Ref<TSysBitmapStore> store = Host->MakePicture(Utf8ToUtf16(name));
    return store ? store->GetLevel(0, &pf::A8R8G8B8) : nullptr;
  }
  static bool IsPlaceholder(const TBitmap& picture) { return picture.PixelArgb(0, 0) == kPlaceholderBackgroundColour; }
  // The model rounds hue, saturation and lightness to bytes: a channel may be a little off.
  static bool NearColour(uint32_t argb, uint32_t expected) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(int(argb >> shift & 255) - int(expected >> shift & 255)) > 5) return false;
    return true;
  }

  Ref<test::TMemoryFileSource> Source = MakeRef<test::TMemoryFileSource>();
  // Written without the final separator, as authors do.
  Ref<TButtonProducerHost> Host = MakeRef<TButtonProducerHost>(MakeRef<TFileAccessor>(Source, u""), u"Buttons");
};

TEST(BtnIniString, ReadsNameAndRectangle) {
  struct TCase {
    std::string_view value;
    std::optional<TBtnIniString> expected;
  } cases[] = {
      {"btn.bmp 0,0,4,5", TBtnIniString{u"btn.bmp", {0, 0, 4, 5}}},
      {"btn.bmp,1,2,3,4", TBtnIniString{u"btn.bmp", {1, 2, 3, 4}}},
      {"my btn.bmp  1, 2, 3, 4", TBtnIniString{u"my btn.bmp", {1, 2, 3, 4}}},
      {"btn.bmp 4,0,0,4", std::nullopt},  // inverted
      {"btn.bmp 0,0,0,4", std::nullopt},  // empty
      {"btn.bmp 0,0,4", std::nullopt},
      {"0,0,4,4", std::nullopt},  // no file
      {"btn.bmp x,0,4,4", std::nullopt},
      {"", std::nullopt},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseBtnIniString(c.value), c.expected) << c.value;
}

TEST(ButtonPictureName, ReadsBackWhatIsWrittenAndRefusesMalformedNames) {
  const TButtonPictureName name{u"my:theme", TButtonState::Click, 120, {-30, 20, -5}};
  EXPECT_EQ(FormatButtonPictureName(name), u"Button: my:theme:2:120:-30:20:-5");
  EXPECT_EQ(ParseButtonPictureName(FormatButtonPictureName(name)), name);
  for (std::u16string_view bad : {u"Button: aqua:3:120:0:0:0", u"Button: aqua:0:120:0:0", u"Button: aqua:0:x:0:0:0",
                                  u"Button: aqua:0:99999999999999:0:0:0", u"Shadow: aqua:0:120:0:0:0"})
    EXPECT_FALSE(ParseButtonPictureName(bad)) << Utf16ToUtf8(bad);
}

TEST_F(ButtonThemes, NinePartsFillTheCanvas) {
  AddTheme("sheet", FullTheme());
  Ref<TButtonProducer> producer = Host->Producer(u"sheet");
  ASSERT_TRUE(producer);
  EXPECT_EQ(producer->DesignHeight(), 5);
  Ref<TBitmap> picture = Picture("Button: sheet:0:12:0:0:0");
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->Width(), 12);
  ASSERT_EQ(picture->Height(), 5);
  struct TProbe {
    int x, y;
    TButtonPart part;
  } probes[] = {
      {0, 0, kPartLeftTop},     {1, 1, kPartLeftTop},   {11, 0, kPartRightTop},   {10, 1, kPartRightTop},
      {2, 0, kPartTop},         {9, 1, kPartTop},       {0, 2, kPartLeft},        {11, 2, kPartRight},
      {2, 2, kPartCenter},      {9, 2, kPartCenter},    {0, 4, kPartLeftBottom},  {11, 4, kPartRightBottom},
      {2, 3, kPartBottom},      {9, 4, kPartBottom},
  };
  for (const TProbe& p : probes)
    EXPECT_EQ(picture->PixelArgb(p.x, p.y), 0xFF000000u | kPartColours[p.part]) << p.x << "," << p.y;
}

TEST_F(ButtonThemes, WidthIsKeptBetweenTheCornersAndTheLargestPicture) {
  AddTheme("sheet", FullTheme());
  Ref<TButtonProducer> producer = Host->Producer(u"sheet");
  ASSERT_TRUE(producer);
  EXPECT_EQ(producer->ClampWidth(-50), 4);
  EXPECT_EQ(producer->ClampWidth(0), 4);
  EXPECT_EQ(producer->ClampWidth(1 << 30), TButtonProducer::kMaxWidth);
  Ref<TBitmap> narrow = Picture("Button: sheet:0:-7:0:0:0");
  ASSERT_TRUE(narrow);
  EXPECT_EQ(narrow->Width(), 4);
  EXPECT_EQ(narrow->PixelArgb(3, 4), 0xFF000000u | kPartColours[kPartRightBottom]);
}

TEST_F(ButtonThemes, TextParamsAndMissingStatesTakeTheirDefaults) {
  AddTheme("styled", FullTheme("[TextParams]\nColor=10,20,30\nBtnOffset=12.5\nBtnMinWidth=250\nFiltering=nearest\n"));
  AddTheme("plain", FullTheme());
  Ref<TButtonProducer> styled = Host->Producer(u"styled");
  ASSERT_TRUE(styled);
  EXPECT_EQ(styled->Theme(), u"styled");
  EXPECT_EQ(styled->CaptionColor(), (TIniColor{10, 20, 30, 255}));
  EXPECT_EQ(styled->BtnOffset(), 12.5f);
  EXPECT_EQ(styled->BtnMinWidth(), 250.0f);
  EXPECT_EQ(styled->Filtering(), TImageFiltering::Nearest);
  Ref<TButtonProducer> plain = Host->Producer(u"plain");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->CaptionColor(), (TIniColor{0, 0, 0, 255}));
  EXPECT_EQ(plain->Filtering(), TImageFiltering::Default);
  // Hover and click look like the normal state when the theme leaves them out.
  EXPECT_EQ(plain->Parts(TButtonState::Hover), plain->Parts(TButtonState::Normal));
  EXPECT_EQ(plain->Parts(TButtonState::Click), plain->Parts(TButtonState::Normal));
}

TEST_F(ButtonThemes, AThemeThatCannotBeReadFallsBackToAqua) {
  AddTheme("aqua", FullTheme());
  AddTheme("noini", "");
  AddTheme("nonormal", test::SheetState("HoverState", "parts.bmp"));
  for (std::u16string_view theme : {u"noini", u"nonormal", u"nosuchfolder", u""}) {
    Ref<TButtonProducer> producer = Host->Producer(theme);
    ASSERT_TRUE(producer) << Utf16ToUtf8(theme);
    EXPECT_EQ(producer->Theme(), u"aqua");
  }
  Ref<TBitmap> picture = Picture("Button: noini:1:12:0:0:0");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Width(), 12);
  EXPECT_EQ(picture->PixelArgb(0, 0), 0xFF000000u | kPartColours[kPartLeftTop]);
}

TEST_F(ButtonThemes, WithoutAquaThereIsNoProducerAndThePictureSaysSo) {
  AddTheme("noini", "");
  EXPECT_FALSE(Host->Producer(u"noini"));
  Ref<TBitmap> picture = Picture("Button: noini:0:40:0:0:0");
  ASSERT_TRUE(picture);
  EXPECT_TRUE(IsPlaceholder(*picture));
  EXPECT_FALSE(Host->MakePicture(u"Button: noini:0:40"));
}

TEST_F(ButtonThemes, PartsThatCannotBeReadGiveTheIncorrectImagePicture) {
  const std::string good = FullTheme();
  struct TCase {
    const char* why;
    std::string from, to;
  } cases[] = {
      {"missing file", "Center=parts.bmp", "Center=nothing.bmp"},
      {"rectangle outside the picture", "RightBottom=parts.bmp 3,3,5,5", "RightBottom=parts.bmp 3,3,6,5"},
      {"inverted rectangle", "Top=parts.bmp 2,0,3,2", "Top=parts.bmp 3,0,2,2"},
      {"key missing", "Left=parts.bmp 0,2,2,3\n", ""},
      {"not a picture", "Center=parts.bmp", "Center=btn.ini"},
  };
  int n = 0;
  for (const TCase& c : cases) {
    std::string ini = good;
    ini.replace(ini.find(c.from), c.from.size(), c.to);
    const std::string theme = "broken" + std::to_string(n++);
    AddTheme(theme, ini);
    Ref<TBitmap> picture = Picture("Button: " + theme + ":0:30:0:0:0");
    ASSERT_TRUE(picture) << c.why;
    EXPECT_TRUE(IsPlaceholder(*picture)) << c.why;
  }
}

TEST_F(ButtonThemes, ColourShiftMovesHueSaturationAndLightness) {
  // Every part red.
  std::string ini = "[NormalState]\n";
  for (const char* key : {"LeftTop", "Top", "RightTop", "Right", "RightBottom", "Bottom", "LeftBottom", "Left", "Center"})
    ini += std::string(key) + "=red.bmp 0,0,2,2\n";
  AddTheme("red", ini);
  Source->Files[u"Buttons\\red\\red.bmp"] = test::Bmp24(2, 2, {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000});
  struct TCase {
    const char* shift;
    uint32_t expected;
  } cases[] = {
      {"0:0:0", 0xFFFF0000},    {"180:0:0", 0xFF00FFFF}, {"540:0:0", 0xFF00FFFF}, {"-180:0:0", 0xFF00FFFF},
      {"0:-100:0", 0xFF808080}, {"0:0:100", 0xFFFFFFFF}, {"0:0:-100", 0xFF000000}, {"0:0:-5000", 0xFF000000},
  };
  for (const TCase& c : cases) {
    Ref<TBitmap> picture = Picture(std::string("Button: red:0:8:") + c.shift);
    ASSERT_TRUE(picture) << c.shift;
    EXPECT_PRED2(NearColour, picture->PixelArgb(4, 3), c.expected) << c.shift;
  }
}

TEST_F(ButtonThemes, ThreadsAskingForOneThemeShareOneProducerAndOnePicture) {
  AddTheme("sheet", FullTheme());
  std::vector<Ref<TButtonProducer>> producers(8);
  std::vector<Ref<TSysBitmapStore>> pictures(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < producers.size(); ++i)
    threads.emplace_back([&, i] {
      producers[i] = Host->Producer(u"sheet");
      pictures[i] = Host->MakePicture(u"Button: sheet:0:20:0:0:0");
    });
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < producers.size(); ++i) {
    EXPECT_EQ(producers[i].Get(), producers[0].Get());
    EXPECT_EQ(pictures[i].Get(), pictures[0].Get());
  }
  ASSERT_TRUE(pictures[0]);
}

}  // namespace
}  // namespace orv
