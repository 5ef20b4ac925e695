// The print action of the main window: the frame is captured, the print dialog opens over
// the paused show and takes every input until it closes, and the show goes on as it was.
#include <gtest/gtest.h>

#include <fstream>

#include "app/print/printer.h"
#include "cairo_static_data.h"
#include "image/bitmap_store.h"
#include "image/picture_loaders.h"
#include "image/pixel_format.h"
#include "main_form_fixture.h"
#include "show/action_text.h"

namespace orv {
namespace {

using test::MainForm;

const std::string kShow =
    "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\Shows\\demo.exe\r\nCanRestore=1\r\n"
    "[Times]\r\nopt_slidescount=3\r\nopt_synchpos1=3000\r\nopt_synchpos2=6000\r\nopt_synchpos3=9000\r\n";

Ref<TImage> Frame() {
  Ref<TBitmap> pixels = TBitmap::Create(48, 27, pf::A8R8G8B8);
  pixels->Fill(0xFF204060);
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"Captured frame", pixels));
}

class PrintAction : public MainForm {
public:
  TMainForm& Play(bool paused) {
    WriteShow("bin/player", kShow);
    TMainForm& form = Start(u"player");
    Now += 2000;  // past the click guard
    FViewer->SetPaused(paused);
    FViewer->Positions = {4000};  // on the second slide
    return form;
  }
  // Clicks the dialog's control `id` where the window shows it.
  void Click(TMainForm& form, int id) {
    const TPrintSession& session = *form.PrintSession();
    for (const auto& control : session.Dialog().Controls()) {
      if (control.Id != id) continue;
      const int x = session.Place().Left + control.Rect.Left + 3;
      const int y = session.Place().Top + control.Rect.Top + 3;
      form.OnMouse(modifier::kLeftButton, x, y, TMouseEvent::Down, TMouseButton::Left);
      form.OnMouse(0, x, y, TMouseEvent::Up, TMouseButton::Left);
      return;
    }
    FAIL() << "no control " << id;
  }
};

TEST_F(PrintAction, DialogOpensOverThePausedShowTakesTheInputAndGivesItBack) {
  TMainForm& form = Play(false);
  form.OnAction(ParseAction(u"print"));
  EXPECT_EQ(FViewer->Captures, 1);
  EXPECT_EQ(form.PrintSession(), nullptr);  // not before the picture is there

  form.OnImage(Frame());
  ASSERT_NE(form.PrintSession(), nullptr);
  EXPECT_TRUE(FViewer->Paused());
  ASSERT_FALSE(FViewer->WindowDialogs.empty());
  const auto& [picture, place] = FViewer->WindowDialogs.back();
  ASSERT_TRUE(picture);
  EXPECT_EQ(place.Width(), picture->Width());
  EXPECT_EQ(place.Height(), picture->Height());
  const TRect client = form.Window().ClientRect();
  EXPECT_NEAR(place.Left, client.Width() - place.Right, 1);
  EXPECT_NEAR(place.Top, client.Height() - place.Bottom, 1);

  // Modal: the show's keys, wheel, actions and a second print do nothing.
  const size_t moves = FViewer->Positions.size();
  form.OnKey(0, vk::kRight, kKeyDown);
  form.OnWheel(0, -120);
  form.OnAction(ParseAction(u"nextslide"));
  form.OnAction(ParseAction(u"print"));
  EXPECT_EQ(FViewer->Positions.size(), moves);
  EXPECT_EQ(FViewer->Captures, 1);
  form.OnMouse(0, 1, 1, TMouseEvent::Up, TMouseButton::Left);
  EXPECT_TRUE(FViewer->MouseEvents.empty());
  EXPECT_FALSE(form.Closed());

  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_EQ(form.PrintSession(), nullptr);
  EXPECT_FALSE(form.Closed());
  EXPECT_FALSE(FViewer->WindowDialogs.back().first);
  EXPECT_FALSE(FViewer->Paused());
}

// A frame that could not be captured still opens the dialog; printing then has nothing
// to print and closes it, the show staying paused as it was.
TEST_F(PrintAction, NoCapturedFrameClosesOnPrint) {
  TMainForm& form = Play(true);
  form.OnImage(nullptr);
  ASSERT_NE(form.PrintSession(), nullptr);
  form.OnKey(0, vk::kReturn, kKeyDown);
  EXPECT_EQ(form.PrintSession(), nullptr);
  EXPECT_TRUE(FViewer->Paused());
}

// The real printer over a print server that is not there: no printer at all.
TEST_F(PrintAction, NoPrinterIsSaidInTheDialog) {
  setenv("CUPS_SERVER", (PathOf("no-cups") + "/cups.sock").c_str(), 1);
  unsetenv("PRINTER");
  TMainForm& form = Play(true);
  form.OnImage(Frame());
  Click(form, TOrvPrintDialog::kPrint);
  ASSERT_NE(form.PrintSession(), nullptr);
  EXPECT_EQ(form.PrintSession()->Dialog().Page(), TOrvPrintDialog::TPage::Message);
  EXPECT_EQ(form.PrintSession()->Dialog().Message(), kNoDefaultPrinter);
  form.OnKey(0, vk::kReturn, kKeyDown);
  EXPECT_EQ(form.PrintSession(), nullptr);
  EXPECT_TRUE(FViewer->Paused());
  unsetenv("CUPS_SERVER");
}

// Saving with the keyboard: the frame is offered as "Slide2.bmp" beside the show; a name
// typed without an extension gets ".bmp".
TEST_F(PrintAction, SavesTheFrameBesideTheShow) {
  TMainForm& form = Play(true);
  form.OnImage(Frame());
  form.OnKey(0, vk::kTab, kKeyDown);  // to Save
  form.OnKey(0, vk::kReturn, kKeyDown);
  ASSERT_NE(form.PrintSession(), nullptr);
  EXPECT_EQ(form.PrintSession()->Dialog().FileName(), u"Slide2.bmp");
  for (int i = 0; i < 4; ++i) form.OnKey(0, vk::kBack, kKeyDown);
  form.OnText("-copy");
  form.OnKey(0, vk::kReturn, kKeyDown);
  EXPECT_EQ(form.PrintSession(), nullptr);

  std::ifstream file(PathOf("bin/Slide2-copy.bmp"), std::ios::binary);
  TMemoryStream saved(std::string{std::istreambuf_iterator<char>(file), {}});
  Ref<TImage> back = LoadImage(saved, u"Slide2-copy.bmp");
  ASSERT_TRUE(back);
  const Ref<TBitmap> pixels = back->GetLevel(0, &pf::A8R8G8B8);
  ASSERT_EQ(pixels->Width(), 48);
  ASSERT_EQ(pixels->Height(), 27);
  EXPECT_EQ(pixels->PixelArgb(0, 0) | 0xFF000000u, 0xFF204060u);
  EXPECT_EQ(pixels->PixelArgb(47, 26) | 0xFF000000u, 0xFF204060u);
}

}  // namespace
}  // namespace orv
