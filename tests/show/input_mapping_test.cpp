#include "show/input_mapping.h"

#include <gtest/gtest.h>

#include "show/action_text.h"

namespace orv {
namespace {

using A = TOrvActionInfo;

TEST(ParseAction, TextsAndTheirArguments) {
  struct {
    const char16_t* text;
    TOrvActionInfo expected;
  } const cases[] = {
      {u"exit", {A::kExit, 0, {}}},
      {u"NextSlide", {A::kNextSlide, 0, {}}},
      {u"nEXTsLIDE", {A::kNextSlide, 0, {}}},
      {u"prevslide", {A::kPrevSlide, 0, {}}},
      {u"help", {A::kHelp, 0, {}}},
      {u"gotofirstslide", {A::kGoToSlide, 0, {}}},
      {u"pause", {A::kPause, 0, {}}},
      {u"print", {A::kPrint, 0, {}}},
      {u"stop", {A::kStop, 0, {}}},
      {u"CloseDialog", {A::kCloseDialog, 0, {}}},
      {u"saveslide", {A::kSaveSlide, 0, {}}},
      {u"changeprinter", {A::kChangePrinter, 0, {}}},
      // gotoslide: an index from 0, else a slide identifier as written
      {u"gotoslide(3)", {A::kGoToSlide, 3, {}}},
      {u"GoToSlide( 12)", {A::kGoToSlide, 12, {}}},
      {u"gotoslide(Intro)", {A::kGoToSlide, -1, u"Intro"}},
      {u"gotoslide(3x)", {A::kGoToSlide, -1, u"3x"}},
      // quoted arguments keep their case; the brackets and quotes go whatever they are
      {u"runapp(\"notepad.exe readme.txt\")", {A::kRunApp, 0, u"notepad.exe readme.txt"}},
      {u"RunAppAndExit(\"Setup.exe\")", {A::kRunAppAndExit, 0, u"Setup.exe"}},
      {u"openwebsite(\"www.example.com\")", {A::kOpenWebSite, 0, u"www.example.com"}},
      {u"writeemail('me@example.com')", {A::kWriteEmail, 0, u"me@example.com"}},
      {u"runpresentation(\"b.exe -slide 2\")", {A::kRunPresentation, 0, u"b.exe -slide 2"}},
      {u"runpresentationandreturn(\"b.exe\")", {A::kRunPresentationAndReturn, 0, u"b.exe"}},
      {u"opendialog(\"About\")", {A::kOpenDialog, 0, u"About"}},
      // nothing, or too short to hold what the action needs
      {u"", {}},
      {u"Next slide", {}},
      {u"nextslide ", {}},
      {u"jump", {}},
      {u"gotoslide(", {}},
      {u"gotoslide()", {}},
      {u"runapp(", {}},
      {u"runapp(\"", {}},
      {u"runapp(\"\")", {}},
      {u"runapp", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(ParseAction(c.text), c.expected);
  }
}

TEST(ParseAction, MouseOptionsMatchExactly) {
  EXPECT_EQ(MouseOptionAction(u"Exit"), (A{A::kExit, 0, {}}));
  EXPECT_EQ(MouseOptionAction(u"Next slide"), (A{A::kNextSlide, 0, {}}));
  EXPECT_EQ(MouseOptionAction(u"Prev. slide"), (A{A::kPrevSlide, 0, {}}));
  EXPECT_EQ(MouseOptionAction(u"Help"), (A{A::kHelp, 0, {}}));
  EXPECT_EQ(MouseOptionAction(u"Pause"), (A{A::kPause, 0, {}}));
  EXPECT_EQ(MouseOptionAction(u"Go to first"), (A{A::kGoToSlide, 0, {}}));
  for (const char16_t* text : {u"next slide", u"nextslide", u"Next  slide", u"exit", u""})
    EXPECT_EQ(MouseOptionAction(text), A{}) << Utf16ToUtf8(text);
}

class Clock {
 public:
  int64_t Now = 1000;
  TTickSource Source() {
    return [this] { return Now; };
  }
};

std::uint8_t KindOf(const TKeyMap* map) { return map ? map->Action.Kind : A::kNone; }

TEST(InputMapping, KeysNavigateOnlyWithExactlyTheirModifiers) {
  TShowOptions options;
  options.SlideCount = 7;
  const auto mapping = MakeRef<TInputMappingClass>(options);
  constexpr std::uint8_t none = 0;
  const std::uint8_t win = modifier::kWindows, shift = modifier::kShift, ctrl = modifier::kCtrl,
                     alt = modifier::kAlt;
  struct {
    int key;
    std::uint8_t modifiers;
    std::uint8_t kind;
  } const cases[] = {
      {vk::kEscape, none, A::kExit},
      {vk::kSpace, none, A::kPause},           {vk::kPause, none, A::kPause},
      {vk::kMediaPlayPause, none, A::kPause},  {'P', ctrl, A::kPause},
      {'P', none, A::kNone},                   {'P', ctrl | shift, A::kNone},
      {'P', ctrl | win, A::kPause},            {vk::kMediaStop, none, A::kStop},
      {vk::kLeft, none, A::kPrevSlide},        {vk::kPageUp, none, A::kPrevSlide},
      {vk::kBrowserBack, none, A::kPrevSlide}, {vk::kMediaPrevTrack, none, A::kPrevSlide},
      {vk::kUp, none, A::kPrevSlide},          {vk::kRight, none, A::kNextSlide},
      {vk::kPageDown, none, A::kNextSlide},    {vk::kBrowserForward, none, A::kNextSlide},
      {vk::kMediaNextTrack, none, A::kNextSlide}, {vk::kDown, none, A::kNextSlide},
      {vk::kRight, shift, A::kNone},           {vk::kRight, alt, A::kNone},
      {vk::kRight, ctrl, A::kNone},            {vk::kRight, win, A::kNextSlide},
      {vk::kHome, none, A::kGoToSlide},        {vk::kEnd, none, A::kGoToSlide},
      {vk::kF1, none, A::kHelp},               {vk::kReturn, none, A::kNone},
      {'A', none, A::kNone},                   {255, none, A::kNone},
      {256, none, A::kNone},                   {-1, none, A::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << int(c.modifiers));
    EXPECT_EQ(KindOf(mapping->KeyAction(c.modifiers, c.key, kKeyDown)), c.kind);
  }
  EXPECT_EQ(mapping->KeyAction(none, vk::kHome, kKeyDown)->Action.Number, 0);
  EXPECT_EQ(mapping->KeyAction(none, vk::kEnd, kKeyDown)->Action.Number, 7);
  // Bindings are for key presses only.
  EXPECT_EQ(mapping->KeyAction(none, vk::kRight, kKeyUp), nullptr);
}

TEST(InputMapping, WithoutControlOnlyEscapeAndHelpRemain) {
  TShowOptions options;
  options.PermitControl = false;
  const auto mapping = MakeRef<TInputMappingClass>(options);
  EXPECT_FALSE(mapping->PermitControl());
  EXPECT_EQ(KindOf(mapping->KeyAction(0, vk::kEscape, kKeyDown)), A::kExit);
  EXPECT_EQ(KindOf(mapping->KeyAction(0, vk::kF1, kKeyDown)), A::kHelp);
  for (const int key : {vk::kRight, vk::kLeft, vk::kSpace, vk::kHome, vk::kEnd, int('P')})
    EXPECT_EQ(mapping->KeyAction(0, key, kKeyDown), nullptr) << key;
  options.LockF1 = true;
  EXPECT_EQ(MakeRef<TInputMappingClass>(options)->KeyAction(0, vk::kF1, kKeyDown), nullptr);
}

TEST(InputMapping, MouseButtonsGiveTheirOptionsOnRelease) {
  TShowOptions options;
  options.LeftMouse = u"Next slide";
  options.RightMouse = u"Prev. slide";
  options.DoubleClick = u"Exit";
  const auto mapping = MakeRef<TInputMappingClass>(options);
  EXPECT_EQ(mapping->MoveDetector(), nullptr);
  const auto action = [&](TMouseEvent event, TMouseButton button) {
    return mapping->MouseAction(0, 10, 10, event, button).Kind;
  };
  EXPECT_EQ(action(TMouseEvent::Down, TMouseButton::Left), A::kNone);
  EXPECT_EQ(action(TMouseEvent::Up, TMouseButton::Left), A::kNextSlide);
  EXPECT_EQ(action(TMouseEvent::Up, TMouseButton::Right), A::kPrevSlide);
  EXPECT_EQ(action(TMouseEvent::DoubleClick, TMouseButton::Left), A::kExit);
  EXPECT_EQ(action(TMouseEvent::DoubleClick, TMouseButton::Right), A::kNone);
  EXPECT_EQ(action(TMouseEvent::Up, TMouseButton::Middle), A::kNone);
  EXPECT_EQ(action(TMouseEvent::Move, TMouseButton::None), A::kNone);
  // Moving far does nothing in a show that does not exit on movement.
  EXPECT_EQ(mapping->MouseAction(0, 900, 900, TMouseEvent::Move, TMouseButton::None).Kind, A::kNone);
}

TEST(InputMapping, AScreenSaverEndsWithAnyKeyButtonOrMovement) {
  TShowOptions options;
  options.ScreenSaver = true;
  Clock clock;
  const auto mapping = MakeRef<TInputMappingClass>(options, clock.Source());
  for (const int key : {int('A'), vk::kF1, vk::kRight, 300})
    EXPECT_EQ(KindOf(mapping->KeyAction(modifier::kShift, key, kKeyUp)), A::kExit) << key;
  const auto mouse = [&](std::uint8_t modifiers, int x, int y, TMouseEvent event, TMouseButton button) {
    return mapping->MouseAction(modifiers, x, y, event, button).Kind;
  };
  EXPECT_EQ(mouse(modifier::kLeftButton, 0, 0, TMouseEvent::Down, TMouseButton::Left), A::kExit);
  EXPECT_EQ(mouse(modifier::kCtrl, 0, 0, TMouseEvent::Move, TMouseButton::None), A::kExit);
  // The first position only counts as a reference; a hand resting on the mouse (less than
  // 6 pixels in all) does not end the show.
  EXPECT_EQ(mouse(0, 100, 100, TMouseEvent::Move, TMouseButton::None), A::kNone);
  EXPECT_EQ(mouse(0, 103, 102, TMouseEvent::Move, TMouseButton::None), A::kNone);
  EXPECT_EQ(mouse(0, 97, 98, TMouseEvent::Move, TMouseButton::None), A::kNone);
  EXPECT_EQ(mouse(0, 103, 103, TMouseEvent::Move, TMouseButton::None), A::kExit);
}

TEST(InputMapping, TheMovementDetectorRecordsWhenTheMouseLastMoved) {
  Clock clock;
  TMouseMoveDetector detector(clock.Source(), 2000);
  EXPECT_FALSE(detector.Sample(0, 0));
  clock.Now = 5000;
  EXPECT_TRUE(detector.Idle());
  EXPECT_TRUE(detector.Sample(6, 0));
  clock.Now = 6000;
  EXPECT_FALSE(detector.Sample(8, 3));  // 5 from the recorded point
  clock.Now = 7000;
  EXPECT_FALSE(detector.Idle());
  clock.Now = 7001;
  EXPECT_TRUE(detector.Idle());
  // Movements are measured from the last movement's point, not from the last sample.
  EXPECT_TRUE(detector.Sample(10, 2));
  EXPECT_FALSE(detector.Idle());
}

TEST(InputMapping, ExitOnMoveWithoutAScreenSaverKeepsTheKeys) {
  TShowOptions options;
  options.ExitOnMove = true;
  const auto mapping = MakeRef<TInputMappingClass>(options);
  ASSERT_NE(mapping->MoveDetector(), nullptr);
  EXPECT_EQ(KindOf(mapping->KeyAction(0, vk::kRight, kKeyDown)), A::kNextSlide);
  EXPECT_EQ(mapping->MouseAction(0, 5, 5, TMouseEvent::Move, TMouseButton::None).Kind, A::kNone);
  EXPECT_EQ(mapping->MouseAction(0, 50, 5, TMouseEvent::Move, TMouseButton::None).Kind, A::kExit);
}

}  // namespace
}  // namespace orv
