#include "transitions/effect_readers.h"

#include <gtest/gtest.h>

#include "transitions/effect_manager.h"

namespace orv {
namespace {

Ref<TORVEffectManager> Manager(std::string_view text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  return MakeRef<TORVEffectManager>(project, 1280, 720);
}

std::string FlagText(const TOrvEffect& effect) {
  std::string text;
  for (bool flag : effect.Flags) text += flag ? '1' : '0';
  return text;
}

// Decodes one catalogue entry of class `kind` holding `keys`.
Ref<TOrvEffect> Decode(std::string_view kind, std::string_view keys) {
  auto manager = Manager("[Main]\nobject TheEffect:AnEffect\nobject e:" + std::string(kind) + "\n" +
                         std::string(keys) + "end\nend\n");
  return ReadBuiltInEffect(*BuiltInKindOf(kind), *manager->EntryAt(0));
}

TEST(KindReaders, DecodeFlagsParametersSoftnessAndVariants) {
  struct Case {
    const char* kind;
    const char* keys;
    const char* flags;
    std::vector<int> ints;
    std::vector<float> floats;
    double softness;
    int variants;
  } cases[] = {
      {"dissolve", "", "1", {}, {}, 0.001, 1},
      {"hourhand", "action=11\ndirection=000010001\noffset=0.25\n", "11000010001", {}, {0.25f}, 0.35, 4},
      {"hourhand", "action=1\ndirection=1\nsmoothline=0.5\n", "10100000000", {}, {0}, 0.5, 1},
      {"shapes", "action=01\ndirection=111\ncenterx=10\ncentery=x\n", "01111", {10, 50}, {}, 0.001, 3},
      {"gates", "direction=10000001\nsmoothline=0.2\n", "10000001", {}, {}, 0.2, 2},
      {"page", "direction=11111111\n", "11111111", {}, {}, 0.001, 8},
      {"mosaic", "cols=4\nrows=3\nappearence=50\n", "1", {4, 3, 50}, {}, 0.001, 1},
      {"mosaic", "cols=0\nrows=100000\nappearence=-5\n", "1", {1, 256, 0}, {}, 0.001, 1},
      {"push", "direction=1000\n", "0100", {}, {}, 0.001, 1},
      {"push", "direction=0100\n", "1000", {}, {}, 0.001, 1},
      {"slide", "direction=0011\nsmoothline=0.9\n", "0011", {}, {}, 0.001, 2},
      {"curling",
       "action=10\ndirection=10000001\nusecolor=1\nusevolume=1.0\npipe=0\ncolor=#FF8000\nradius=0.1\n",
       "101000000110",
       {0, 255, 128, 0},
       {0.1f, 0.125f},
       0.001,
       2},
      {"flip", "direction=0001\nfrucenter=1\nnonlinearspeed=1\n3dvolume=2\n", "000111", {}, {2}, 0.001, 1},
      {"swap", "direction=1111\ndepth=2\nangle=1e999\n", "1111", {}, {2, 1, 60}, 0.001, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + ": " + c.keys);
    Ref<TOrvEffect> effect = Decode(c.kind, c.keys);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->Kind, *BuiltInKindOf(c.kind));
    EXPECT_EQ(FlagText(*effect), c.flags);
    EXPECT_EQ(effect->Ints, c.ints);
    EXPECT_EQ(effect->Floats, c.floats);
    EXPECT_DOUBLE_EQ(effect->Softness, c.softness);
    EXPECT_EQ(effect->Variants, c.variants);
  }
}

TEST(KindReaders, YieldNothingWithoutAnEnabledVariant) {
  const std::pair<const char*, const char*> cases[] = {
      {"dissolve", "checked=0\n"},           {"hourhand", "action=00\ndirection=111111111\n"},
      {"hourhand", "action=11\n"},           {"push", "direction=x0\n"},
      {"curling", "action=11\nusecolor=1\n"}, {"mosaic", "checked=0\n"},
  };
  for (const auto& [kind, keys] : cases) {
    SCOPED_TRACE(std::string(kind) + ": " + keys);
    EXPECT_FALSE(Decode(kind, keys));
  }
}

TEST(KindReaders, SmallSoftnessBecomesTheMinimum) {
  EXPECT_DOUBLE_EQ(Decode("shapes", "action=1\ndirection=1\nsmoothline=0.05\n")->Softness, 0.001);
  EXPECT_DOUBLE_EQ(Decode("shapes", "action=1\ndirection=1\nsmoothline=-3\n")->Softness, 0.001);
  EXPECT_DOUBLE_EQ(Decode("shapes", "action=1\ndirection=1\nsmoothline=0.1\n")->Softness, 0.1);
}

TEST(KindReaders, ASlideReferenceOverridesTheEntry) {
  auto manager = Manager(R"([Main]
object TheEffect:AnEffect
  object push:push
    direction=1111
  end
  object mosaic:mosaic
    cols=5
    rows=5
  end
end
[Slide1]
object TheEffect:AnEffect
  ref=push
  direction=0010
end
[Slide2]
object TheEffect:AnEffect
  ref=mosaic
  rows=2
end
)");
  EXPECT_EQ(FlagText(*ReadBuiltInEffect(TEffectKind::Push, *manager->SlideReference(0))), "0010");
  EXPECT_EQ(ReadBuiltInEffect(TEffectKind::Mosaic, *manager->SlideReference(1))->Ints, (std::vector<int>{5, 2, 0}));
}

TEST(OrvEffect, OnlyVariantKeepsOnePairActionMajorAndTheOptions) {
  Ref<TOrvEffect> hourhand = Decode("hourhand", "action=11\ndirection=010010000\n");
  ASSERT_EQ(hourhand->Variants, 4);
  const char* expected[] = {"10010000000", "10000010000", "01010000000", "01000010000"};
  for (int v = 0; v < 4; ++v) {
    Ref<TOrvEffect> one = hourhand->WithOnlyVariant(v);
    EXPECT_EQ(FlagText(*one), expected[v]);
    EXPECT_EQ(one->Variants, 1);
    EXPECT_EQ(one->Floats, hourhand->Floats);
  }
  Ref<TOrvEffect> curl = Decode("curling", "action=01\ndirection=11\nusecolor=1\n");
  EXPECT_EQ(FlagText(*curl->WithOnlyVariant(1)), "010000000110");  // directions run 8 … 1
  // The options of a flip are not variants: a random flip keeps them.
  Ref<TOrvEffect> flip = Decode("flip", "direction=1111\nnonlinearspeed=1\n");
  EXPECT_EQ(FlagText(*flip->WithOnlyVariant(2)), "001001");
}

TEST(OrvEffect, CopySharesTheSection) {
  auto effect = MakeRef<TOrvEffect>(TEffectKind::Custom);
  effect->Section = MakeRef<TIniSection>("effect_x");
  effect->Ints = {1, 2};
  Ref<TOrvEffect> copy = effect->Copy();
  copy->Ints[0] = 9;
  EXPECT_EQ(copy->Section, effect->Section);
  EXPECT_EQ(effect->Ints[0], 1);
}

constexpr std::string_view kCustom = R"([Main]
object TheEffect:AnEffect
  object Spin:custom
    checked=1
    sectionfield=way
    way=11
    slide_10=spinleft
    slide_01=gone
    userprops=4
    prop1=type;color;id;tint;min;0
    prop2=id;way
    prop3=noid
    prop4=id;size
    tint=#FF0000
    bstyle=3
    bcolor1=255
    TransparentBg=1
  end
end
[effect_spinleft]
CustomEffTime=900
object Box:Rect
  object Inner:Rect
    w=5
  end
end
)";

TEST(CustomTransition, PlaysACompletedCopyOfTheVariantsSection) {
  auto manager = Manager(kCustom);
  const TEffectProp& spin = *manager->FindEntry("spin");
  Ref<TOrvEffect> effect = MakeCustomEffect(spin, 0);
  EXPECT_EQ(effect->Kind, TEffectKind::Custom);
  EXPECT_EQ(effect->Variants, 1);
  ASSERT_TRUE(effect->Section);
  TIniSection& section = *effect->Section;
  EXPECT_EQ(ReadUtf8(section.FindKey("CustomEffTime")), "900");
  ASSERT_NE(section.FindObject("Box"), nullptr);
  EXPECT_EQ(ReadUtf8(section.FindObject("Box")->FindObject("Inner")->FindKey("w")), "5");

  const TIniObject* container = section.FindObjectOfClass("Container", "Root");
  ASSERT_NE(container, nullptr);
  EXPECT_EQ(ReadUtf8(container->FindKey("tint")), "#FF0000");
  EXPECT_EQ(container->FindKey("way"), nullptr);   // chooses the variant, not a property
  EXPECT_EQ(container->FindKey("size"), nullptr);  // the entry has no value for it

  const std::pair<const char*, const char*> background[] = {
      {"CustomEffBg", "0"}, {"bstyle", "3"},        {"bcolor1", "255"},     {"bcolor2", "0"},
      {"bcolorStyle", "1"}, {"TransparentBg", "1"}, {"CoverMode", "1"},     {"opt_scr_width", "1280"},
      {"opt_scr_height", "720"},
  };
  for (const auto& [key, value] : background) EXPECT_EQ(ReadUtf8(section.FindKey(key)), value) << key;

  // The project's own section is left as it was.
  EXPECT_EQ(manager->Project().FindSection("effect_spinleft")->FindObject("Container"), nullptr);
}

TEST(CustomTransition, AVariantWithoutItsSectionPlaysWithoutOne) {
  auto manager = Manager(kCustom);
  EXPECT_FALSE(MakeCustomEffect(*manager->FindEntry("spin"), 1)->Section);
  Ref<TOrvEffect> first = MakeFirstCustomEffect(*manager->FindEntry("spin"));
  ASSERT_TRUE(first->Section);
  EXPECT_NE(first->Section->FindKey("CustomEffTime"), nullptr);
}

TEST(CustomTransition, BackgroundStyles) {
  struct Case {
    const char* keys;
    std::vector<std::pair<const char*, const char*>> expected;
    std::vector<const char*> absent;
  } cases[] = {
      {"bstyle=1\n", {{"bstyle", "1"}, {"bcolor", "0"}, {"CustomEffBg", "0"}}, {"bsize"}},
      {"bstyle=2\nbfn=a.jpg\n", {{"bstyle", "2"}, {"bfn", "a.jpg"}, {"bsize", "100"}}, {"bcolor"}},
      {"bstyle=2\n", {{"bstyle", "2"}}, {"bfn"}},
      {"bstyle=4\n", {{"bstyle", "4"}, {"CustomEffBg", "3"}}, {}},
      {"bstyle=4\nCustomEffBg=2\n", {{"CustomEffBg", "2"}}, {}},
      {"bstyle=zz\n", {{"CustomEffBg", "0"}, {"TransparentBg", "0"}}, {"bstyle"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    auto manager = Manager("[Main]\nobject TheEffect:AnEffect\nobject x:custom\n" + std::string(c.keys) + "end\nend\n");
    TIniSection section("effect_x");
    manager->EntryAt(0)->AddBackground(section);
    for (const auto& [key, value] : c.expected) EXPECT_EQ(ReadUtf8(section.FindKey(key)), value) << key;
    for (const char* key : c.absent) EXPECT_EQ(section.FindKey(key), nullptr) << key;
  }
}

}  // namespace
}  // namespace orv
