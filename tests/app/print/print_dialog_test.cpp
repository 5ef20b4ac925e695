#include "app/print/print_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/print/print_dialog_view.h"
#include "app/print/printer.h"
#include "cairo_static_data.h"
#include "base/input_codes.h"
#include "image/bitmap_store.h"
#include "image/pixel_format.h"
#include "png_dump.h"

namespace orv {
namespace {

using TPage = TOrvPrintDialog::TPage;

// The printer and the disk as the dialog uses them, recorded.
struct TFakeWorld {
  std::vector<std::string> Printers = {"alpha", "beta", "gamma"};
  std::string Current = "alpha";
  std::vector<std::pair<int, int>> Printed;  // sizes of the pictures printed
  std::string PrintError;                    // thrown by Print when set
  std::vector<std::string> Existing;
  std::string WriteError;
  std::vector<std::string> Written;

  TPrintServices Services() {
    TPrintServices s;
    s.Printers = [this] { return Printers; };
    s.CurrentPrinter = [this] {
      if (Printers.empty()) throw EPrinterError(kNoDefaultPrinter);
      return Current;
    };
    s.SelectPrinter = [this](const std::string& name) { Current = name; };
    s.Print = [this](const TBitmap& picture) {
      if (!PrintError.empty()) throw EPrinterError(PrintError);
      Printed.emplace_back(picture.Width(), picture.Height());
    };
    s.FileExists = [this](const std::string& path) { return std::ranges::find(Existing, path) != Existing.end(); };
    s.WriteFile = [this](const std::string& path, const std::string&) {
      if (WriteError.empty()) Written.push_back(path);
      return WriteError;
    };
    return s;
  }
};

Ref<TImage> Frame(int width, int height) {
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(0xFF336699);
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"Captured frame", pixels));
}

class PrintDialog : public testing::Test {
protected:
  TOrvPrintDialog& Open(bool can_save = true, double scale = 1) {
    options_.CanRestore = can_save;
    dialog_.emplace(options_, supplier_, world_.Services(), "/shows/", scale);
    return *dialog_;
  }
  void Press(int key, std::uint8_t modifiers = 0) { dialog_->Key(key, modifiers); }
  void FocusOn(int id) {
    for (size_t i = 0; i < dialog_->Controls().size() && dialog_->FocusId() != id; ++i) Press(vk::kTab);
    ASSERT_EQ(dialog_->FocusId(), id);
  }
  void ClickOn(int id) {
    for (const auto& control : dialog_->Controls())
      if (control.Id == id) return dialog_->Click(control.Rect.Left + 2, control.Rect.Top + 2);
    FAIL() << "no control " << id;
  }

  TShowOptions options_;
  TCallBackClass supplier_{nullptr, Frame(64, 36), 2};
  TFakeWorld world_;
  std::optional<TOrvPrintDialog> dialog_;
};

TEST_F(PrintDialog, MainPageLayoutScalesAndRounds) {
  struct TCase {
    double Scale;
    bool CanSave;
    std::vector<std::pair<int, TRect>> Controls;
    int Width;
  };
  const TCase cases[] = {
      {1, true,
       {{TOrvPrintDialog::kPrint, {12, 36, 137, 61}},
        {TOrvPrintDialog::kSave, {145, 36, 270, 61}},
        {TOrvPrintDialog::kChangePrinter, {12, 73, 137, 98}},
        {TOrvPrintDialog::kOnlyMainImage, {145, 73, 270, 98}}},
       282},
      // 144 pixels per inch; halves round away from zero
      {1.5, false,
       {{TOrvPrintDialog::kPrint, {18, 54, 206, 92}},
        {TOrvPrintDialog::kChangePrinter, {18, 110, 206, 147}},
        {TOrvPrintDialog::kOnlyMainImage, {218, 110, 405, 147}}},
       423},
  };
  for (const TCase& c : cases) {
    TOrvPrintDialog& dialog = Open(c.CanSave, c.Scale);
    ASSERT_EQ(dialog.Controls().size(), c.Controls.size()) << c.Scale;
    for (size_t i = 0; i < c.Controls.size(); ++i) {
      EXPECT_EQ(dialog.Controls()[i].Id, c.Controls[i].first);
      EXPECT_EQ(dialog.Controls()[i].Rect, c.Controls[i].second) << c.Controls[i].first << " at " << c.Scale;
    }
    EXPECT_EQ(dialog.Width(), c.Width);
    EXPECT_EQ(dialog.Height(), int(std::lround(110 * c.Scale)));
  }
}

TEST_F(PrintDialog, TextsComeFromTheShow) {
  options_.PrintCaption = u"Drucken";
  options_.PrintButton = u"Jetzt drucken";
  TOrvPrintDialog& dialog = Open();
  EXPECT_EQ(dialog.Caption(), u"Drucken");
  EXPECT_EQ(dialog.Controls()[0].Label, u"Jetzt drucken");
}

// Enter on the focused button, a click, or the check box with no main picture to be had:
// the captured frame is printed and the dialog closes.
TEST_F(PrintDialog, PrintsTheFrameByKeyOrClick) {
  Open();
  ASSERT_EQ(dialog_->FocusId(), TOrvPrintDialog::kPrint);
  Press(vk::kReturn);
  EXPECT_TRUE(dialog_->Closed());

  Open();
  FocusOn(TOrvPrintDialog::kOnlyMainImage);
  Press(vk::kSpace);
  EXPECT_TRUE(dialog_->OnlyMainImage());
  ClickOn(TOrvPrintDialog::kPrint);
  EXPECT_TRUE(dialog_->Closed());
  EXPECT_EQ(world_.Printed, (std::vector<std::pair<int, int>>{{64, 36}, {64, 36}}));
}

TEST_F(PrintDialog, NothingToPrintCloses) {
  supplier_ = TCallBackClass(nullptr, nullptr, 0);
  Open();
  Press(vk::kReturn);
  EXPECT_TRUE(dialog_->Closed());
  EXPECT_TRUE(world_.Printed.empty());
}

TEST_F(PrintDialog, PrinterErrorIsShownInTheDialogThenCloses) {
  world_.PrintError = kNoDefaultPrinter;
  Open();
  Press(vk::kReturn);
  EXPECT_FALSE(dialog_->Closed());
  EXPECT_EQ(dialog_->Page(), TPage::Message);
  EXPECT_EQ(dialog_->Message(), kNoDefaultPrinter);
  Press(vk::kReturn);
  EXPECT_TRUE(dialog_->Closed());
}

TEST_F(PrintDialog, ChangePrinterChoosesFromTheList) {
  world_.Current = "beta";
  Open();
  FocusOn(TOrvPrintDialog::kChangePrinter);
  Press(vk::kReturn);
  ASSERT_EQ(dialog_->Page(), TPage::Printers);
  EXPECT_EQ(dialog_->SelectedPrinter(), 1);
  EXPECT_EQ(dialog_->FocusId(), TOrvPrintDialog::kFirstPrinter + 1);
  Press(vk::kDown);
  Press(vk::kDown);  // stays on the last
  Press(vk::kReturn);
  EXPECT_EQ(world_.Current, "gamma");
  EXPECT_EQ(dialog_->Page(), TPage::Main);

  // Escape leaves the choice as it was; a click picks, OK confirms.
  ClickOn(TOrvPrintDialog::kChangePrinter);
  ClickOn(TOrvPrintDialog::kFirstPrinter);
  Press(vk::kEscape);
  EXPECT_EQ(world_.Current, "gamma");
  ClickOn(TOrvPrintDialog::kChangePrinter);
  ClickOn(TOrvPrintDialog::kFirstPrinter);
  ClickOn(TOrvPrintDialog::kOk);
  EXPECT_EQ(world_.Current, "alpha");
  EXPECT_FALSE(dialog_->Closed());
}

TEST_F(PrintDialog, NoPrinterToChooseSaysSoAndStaysOpen) {
  world_.Printers.clear();
  Open();
  ClickOn(TOrvPrintDialog::kChangePrinter);
  EXPECT_EQ(dialog_->Page(), TPage::Message);
  EXPECT_EQ(dialog_->Message(), kNoDefaultPrinter);
  Press(vk::kEscape);
  EXPECT_EQ(dialog_->Page(), TPage::Main);
  EXPECT_FALSE(dialog_->Closed());
}

TEST_F(PrintDialog, SaveSuggestsTheSlideNameAndWritesIt) {
  Open();
  ClickOn(TOrvPrintDialog::kSave);
  ASSERT_EQ(dialog_->Page(), TPage::SaveAs);
  EXPECT_EQ(dialog_->FileName(), u"Slide3.bmp");
  EXPECT_EQ(dialog_->FocusId(), TOrvPrintDialog::kFileName);
  Press(vk::kReturn);
  EXPECT_EQ(world_.Written, std::vector<std::string>{"/shows/Slide3.bmp"});
  EXPECT_TRUE(dialog_->Closed());
}

TEST_F(PrintDialog, FileNameFieldEdits) {
  Open();
  ClickOn(TOrvPrintDialog::kSave);
  for (int i = 0; i < 4; ++i) Press(vk::kBack);  // "Slide3"
  dialog_->Text("-copy\x01");                    // control characters are not typed
  Press(vk::kHome);
  Press(vk::kDelete);
  dialog_->Text("s");
  Press(vk::kEnd);
  Press(vk::kLeft);
  dialog_->Text("é");
  EXPECT_EQ(dialog_->FileName(), u"slide3-copéy");
  Press(vk::kReturn);
  EXPECT_EQ(world_.Written, std::vector<std::string>{"/shows/slide3-copéy.bmp"});
}

TEST_F(PrintDialog, ReplacingAsksFirstAndWriteErrorsKeepTheDialog) {
  world_.Existing = {"/shows/Slide3.bmp"};
  world_.WriteError = "Cannot write /shows/Slide3.bmp: Permission denied";
  Open();
  ClickOn(TOrvPrintDialog::kSave);
  Press(vk::kReturn);
  EXPECT_EQ(dialog_->Message(), "/shows/Slide3.bmp exists. OK replaces it.");
  EXPECT_TRUE(world_.Written.empty());
  ClickOn(TOrvPrintDialog::kOk);
  EXPECT_EQ(dialog_->Message(), world_.WriteError);
  EXPECT_EQ(dialog_->Page(), TPage::SaveAs);
  EXPECT_FALSE(dialog_->Closed());

  world_.WriteError.clear();
  ASSERT_EQ(dialog_->FocusId(), TOrvPrintDialog::kFileName);
  dialog_->Text("x");  // another name: no question, written
  Press(vk::kReturn);
  EXPECT_EQ(world_.Written, std::vector<std::string>{"/shows/Slide3.bmpx"});
  EXPECT_TRUE(dialog_->Closed());
}

TEST_F(PrintDialog, CancellingTheFrameSaveCloses) {
  Open();
  ClickOn(TOrvPrintDialog::kSave);
  Press(vk::kEscape);
  EXPECT_TRUE(dialog_->Closed());
  EXPECT_TRUE(world_.Written.empty());
}

TEST_F(PrintDialog, EscapeOnTheMainPageCloses) {
  Open();
  Press(vk::kEscape);
  EXPECT_TRUE(dialog_->Closed());
}

// The picture is the dialog's size; the caption bar, the focused button's frame and the
// check mark are where the layout puts them.
TEST_F(PrintDialog, DrawsItsControls) {
  Open();
  FocusOn(TOrvPrintDialog::kOnlyMainImage);
  Press(vk::kSpace);
  const Ref<TBitmap> picture = RenderPrintDialog(*dialog_);
  test::DumpPng(*picture, "print_dialog");
  ASSERT_EQ(picture->Width(), dialog_->Width());
  ASSERT_EQ(picture->Height(), dialog_->Height());
  const uint32_t caption = picture->PixelArgb(140, 3) & 0xFFFFFF;
  EXPECT_EQ(caption, 0x285499u);
  const TRect box = dialog_->Controls().back().Rect;
  // focus frame on the box's left edge, the mark in its middle
  EXPECT_EQ(picture->PixelArgb(box.Left, box.Top + box.Height() / 2) & 0xFFFFFF, 0x2873D9u);
  EXPECT_EQ(picture->PixelArgb(box.Left + 7, box.Top + box.Height() / 2) & 0xFFFFFF, 0x191919u);
  // a button face is white, its text dark somewhere along its middle line
  const TRect print = dialog_->Controls()[0].Rect;
  EXPECT_EQ(picture->PixelArgb(print.Left + 3, print.Top + 3) & 0xFFFFFF, 0xFFFFFFu);
  int dark = 0;
  for (int x = print.Left; x < print.Right; ++x) dark += (picture->PixelArgb(x, print.Top + 12) & 0xFF) < 0x80;
  EXPECT_GT(dark, 3);
}

}  // namespace
}  // namespace orv
