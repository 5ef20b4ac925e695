#include "transitions/effect_manager.h"

#include <gtest/gtest.h>

#include "base/exceptions.h"

namespace orv {
namespace {

Ref<TIniFile> Project(std::string_view text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  return project;
}

Ref<TORVEffectManager> Manager(std::string_view text) { return MakeRef<TORVEffectManager>(Project(text), 1920, 1080); }

constexpr std::string_view kCatalogue = R"([Main]
object TheEffect:AnEffect
  time=1500
  caption=show-wide caption
  cols=7
  object Push:push
    caption=Push it
    checked=1
    direction=1000
    time=99
  end
  object quick:dissolve
    checked=0
  end
end
[Slide1]
object TheEffect:AnEffect
  ref=PUSH
  direction=0100
  caption=ignored
end
[Slide2]
object TheEffect:AnEffect
  ref=nosuchentry
end
[Slide3]
)";

TEST(EffectManager, ListsRealEntriesThenTheMissingSpecialOnes) {
  auto manager = Manager(kCatalogue);
  ASSERT_EQ(manager->Count(), 4);
  const char* names[] = {"push", "quick", "default", "defowntime"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(manager->EntryAt(i)->Name(), names[i]);
  EXPECT_EQ(manager->FindEntry("QUICK"), manager->EntryAt(1));  // the real child wins
  EXPECT_EQ(manager->FindEntry("DefOwnTime"), manager->EntryAt(3));
  EXPECT_EQ(manager->FindEntry("nothing"), nullptr);

  const TEffectProp& synthesized = *manager->EntryAt(2);
  EXPECT_EQ(synthesized.ValueText("caption"), "default");
  EXPECT_EQ(synthesized.ValueText("group"), "GroupFromProjectOptions");
  EXPECT_EQ(synthesized.ValueText("islocal"), "1");
  EXPECT_EQ(synthesized.EnabledState(), TEffectProp::esNone);
  // Special entries are the player's own: they never enter the project.
  EXPECT_EQ(manager->ShowWideObject().FindObject("default"), nullptr);
}

TEST(EffectManager, CreatesTheShowWideObjectWhenMissing) {
  auto manager = Manager("[Main]\nopt_repeat=stop\n");
  EXPECT_EQ(manager->GlobalTime(), 2000);
  EXPECT_EQ(manager->GlobalTimeText(), "2000");
  EXPECT_EQ(manager->Count(), 3);
  EXPECT_NE(manager->Project().FindSection("Main")->FindObjectOfClass("TheEffect", "AnEffect"), nullptr);
}

TEST(EffectManager, RefusesToWorkWithoutAProject) {
  try {
    MakeRef<TORVEffectManager>(nullptr, 1920, 1080);
    ADD_FAILURE() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("There is no IniFile for EffectRuller"), std::string::npos);
  }
}

TEST(EffectReference, ReadsItsOwnKeysThenTheEntrysThenTheShowWideObjects) {
  auto manager = Manager(kCatalogue);
  const TEffectProp& reference = *manager->SlideReference(0);
  ASSERT_TRUE(reference.IsReference());
  EXPECT_EQ(reference.Name(), "push");
  EXPECT_EQ(reference.KindName(), "push");
  EXPECT_EQ(reference.ValueText("direction"), "0100");  // its own override
  EXPECT_EQ(reference.ValueText("checked"), "1");       // from the entry
  EXPECT_EQ(reference.ValueText("caption"), "Push it"); // always the entry's
  EXPECT_EQ(reference.ValueText("time"), "1500");       // entries share the show-wide time
  EXPECT_EQ(reference.ValueText("cols"), "");           // the entry has none and answers alone

  const TEffectProp& unknown = *manager->SlideReference(1);
  EXPECT_EQ(unknown.KindName(), "nosuchentry");
  EXPECT_EQ(unknown.ValueText("cols"), "7");  // no entry: the show-wide object answers
  EXPECT_EQ(unknown.ValueText("caption"), "show-wide caption");
}

TEST(EffectReference, IsCreatedAsDefaultWhenTheSlideHasNone) {
  auto manager = Manager(kCatalogue);
  const TEffectProp& added = *manager->SlideReference(2);
  EXPECT_EQ(added.Name(), "default");
  const TIniObject* object = manager->Project().FindSection("Slide3")->FindObjectOfClass("TheEffect", "AnEffect");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(ReadUtf8(object->FindKey("ref")), "default");
  EXPECT_EQ(manager->SlideReference(2), &added);

  // A slide without a section is not added to the project.
  EXPECT_EQ(manager->SlideReference(41)->Name(), "default");
  EXPECT_EQ(manager->Project().FindSection("Slide42"), nullptr);
}

TEST(EffectReference, CircularReferencesStillAnswer) {
  auto manager = Manager(R"([Main]
object TheEffect:AnEffect
  speed=9
  object a:AnEffect
    ref=b
  end
  object b:AnEffect
    ref=a
  end
end
)");
  const TEffectProp& a = *manager->FindEntry("a");
  EXPECT_EQ(a.ResolvedEntry(), nullptr);
  EXPECT_EQ(a.KindName(), "b");
  EXPECT_EQ(a.ValueText("speed"), "9");
  EXPECT_EQ(a.EnabledState(), TEffectProp::esNone);
}

TEST(EffectProp, EnabledStateCombinesTheListedDigitStrings) {
  struct Case {
    const char* keys;
    TEffectProp::TEnabledState expected;
  } cases[] = {
      {"key=action,direction\naction=11\ndirection=111\n", TEffectProp::esAll},
      {"key=action, direction\naction=11\ndirection=101\n", TEffectProp::esSome},
      {"key=action,direction\naction=00\ndirection=111\n", TEffectProp::esNone},
      {"key=action,direction\naction=11\n", TEffectProp::esNone},  // a listed key that is missing
      {"checked=1\n", TEffectProp::esAll},
      {"checked=0\n", TEffectProp::esNone},
      {"checked=yes\n", TEffectProp::esNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    auto manager = Manager(std::string("[Main]\nobject TheEffect:AnEffect\nobject x:shapes\n") + c.keys + "end\nend\n");
    EXPECT_EQ(manager->EntryAt(0)->EnabledState(), c.expected);
    EXPECT_EQ(manager->AnyEnabled(), c.expected != TEffectProp::esNone);
  }
}

TEST(EffectProp, DurationsOfTheSpecialNames) {
  struct Case {
    const char* ref;
    const char* own_time;  // null: no "time" key
    bool any_enabled;
    int expected;
  } cases[] = {
      {"default", "700", true, 1500}, {"default", nullptr, false, 0},  {"quick", "700", true, 0},
      {"defowntime", "700", true, 700}, {"defowntime", nullptr, true, 1500}, {"defowntime", "700", false, 0},
      {"push", "700", true, 700},     {"push", nullptr, true, 0},      {"push", "-50", true, -50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ref) + " " + (c.own_time ? c.own_time : "none") + (c.any_enabled ? " on" : " off"));
    std::string text = "[Main]\nobject TheEffect:AnEffect\ntime=1500\nobject push:push\nchecked=";
    text += c.any_enabled ? "1" : "0";
    text += "\nend\nend\n[Slide1]\nobject TheEffect:AnEffect\nref=" + std::string(c.ref) + "\n";
    if (c.own_time) text += "time=" + std::string(c.own_time) + "\n";
    text += "end\n";
    auto manager = Manager(text);
    EXPECT_EQ(manager->EffectTime(0), c.expected);
  }
}

TEST(EffectProp, DefOwnTimeKeepsTheShowWideTimeItWasGiven) {
  auto manager = Manager("[Main]\nobject TheEffect:AnEffect\ntime=1500\nobject d:dissolve\nchecked=1\nend\nend\n"
                         "[Slide1]\nobject TheEffect:AnEffect\nref=defowntime\nend\n");
  EXPECT_EQ(manager->EffectTime(0), 1500);
  EXPECT_EQ(ReadUtf8(manager->SlideReference(0)->Object().FindKey("time")), "1500");
}

constexpr std::string_view kCustomCatalogue = R"([Main]
object TheEffect:AnEffect
  object Spin:custom
    checked=1
    sectionfield=way,speed
    way=101
    speed=11
    slide_100_10=spinleft
    slide_100_01=spinleftfast
    slide_001_10=spinright
    userprops=3
    prop1=type;color;id;tint;min;0
    prop2=id;way
    prop3=noid
    tint=#FF0000
    bstyle=3
    bcolor1=255
  end
  object Plain:custom
    checked=1
  end
end
[effect_spinleft]
object Container:Root
  old=1
end
[effect_Plain]
line=1
object Box:Rect
  object Inner:Rect
    w=5
  end
end
)";

TEST(CustomTransition, EnumeratesVariantsAsAMixedRadixNumber) {
  auto manager = Manager(kCustomCatalogue);
  const TEffectProp& spin = *manager->FindEntry("spin");
  ASSERT_EQ(spin.VariantCount(), 6);
  // speed is the last key: its digit moves fastest.
  const bool enabled[] = {true, true, false, false, true, true};
  const char* sections[] = {"effect_spinleft", "effect_spinleftfast", "", "", "effect_spinright", ""};
  for (int v = 0; v < 6; ++v) {
    SCOPED_TRACE(v);
    EXPECT_EQ(spin.VariantEnabled(v), enabled[v]);
    EXPECT_EQ(spin.VariantSection(v), sections[v]);
  }
  const TEffectProp& plain = *manager->FindEntry("plain");
  EXPECT_EQ(plain.VariantCount(), 1);
  EXPECT_TRUE(plain.VariantEnabled(0));
  EXPECT_EQ(plain.VariantSection(0), "effect_Plain");  // slide_1 defaults to the entry's name
}

TEST(CustomTransition, VariantCountIsBoundedForHugeDigitStrings) {
  std::string text = "[Main]\nobject TheEffect:AnEffect\nobject x:custom\nsectionfield=a,b,c\n";
  for (const char* key : {"a=", "b=", "c="}) text += key + std::string(5000, '1') + "\n";
  auto manager = Manager(text + "end\nend\n");
  EXPECT_EQ(manager->FindEntry("x")->VariantCount(), 1024);
}

}  // namespace
}  // namespace orv
