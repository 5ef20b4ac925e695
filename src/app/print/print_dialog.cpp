#include "app/print/print_dialog.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/print/printer.h"
#include "base/input_codes.h"
#include "base/log.h"

namespace orv {
namespace {

constexpr int kButtonWidth = 125;
constexpr int kButtonHeight = 25;
constexpr int kMargin = 12;
constexpr int kRowHeight = 22;
constexpr size_t kVisiblePrinters = 8;
constexpr int kMainClientHeight = 86;
constexpr int kMessageHeight = 20;
constexpr const char* kPrintTitle = "Slideshow";

bool IsControlCharacter(char16_t c) { return c < 0x20 || c == 0x7F; }

}  // namespace

TPrintServices SystemPrintServices() {
  TPrintServices services;
  services.Printers = [] {
    std::vector<std::string> names;
    for (const TPrinterEntry& printer : TPrinter::Instance().Printers()) names.push_back(printer.Name);
    return names;
  };
  services.CurrentPrinter = [] { return TPrinter::Instance().Current(); };
  services.SelectPrinter = [](const std::string& name) { TPrinter::Instance().Select(name); };
  services.Print = [](const TBitmap& picture) {
    TPrinter& printer = TPrinter::Instance();
    printer.SetOrientation(OrientationFor(picture.Width(), picture.Height()));
    printer.PrintPicture(picture, kPrintTitle);
  };
  services.FileExists = [](const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
  };
  services.WriteFile = WriteSavedFile;
  return services;
}

TOrvPrintDialog::TOrvPrintDialog(const TShowOptions& options, const TCallBackClass& supplier, TPrintServices services,
                                 std::string save_folder, double scale)
    : FSupplier(supplier),
      FServices(std::move(services)),
      FSaveFolder(std::move(save_folder)),
      FScale(scale > 0 ? scale : 1),
      FCanSave(options.CanRestore),
      FCaption(options.PrintCaption),
      FPrintLabel(options.PrintButton),
      FSaveLabel(options.PrintSaveButton),
      FOnlyMainLabel(options.PrintOnlyMainImage),
      FChangePrinterLabel(options.PrintChangePrinter) {
  ShowPage(TPage::Main);
}

// ---- layout

TRect TOrvPrintDialog::Scaled(int left, int top, int width, int height) const {
  const auto scale = [&](int v) { return int(std::lround(v * FScale)); };
  return TRect{scale(left), scale(top), scale(left + width), scale(top + height)};
}

int TOrvPrintDialog::Width() const { return int(std::lround(kWidth * FScale)); }

int TOrvPrintDialog::Height() const {
  int bottom = 0;
  for (const TControl& control : FControls) bottom = std::max(bottom, control.Rect.Bottom);
  return std::max(bottom + int(std::lround(kMargin * FScale)), int(std::lround((kCaptionHeight + kMainClientHeight) * FScale)));
}

void TOrvPrintDialog::ShowPage(TPage page) {
  FPage = page;
  FControls.clear();
  FFocus = 0;
  switch (page) {
    case TPage::Main:
      BuildMain();
      break;
    case TPage::Printers:
      BuildPrinters();
      break;
    case TPage::SaveAs:
      BuildSaveAs();
      break;
    case TPage::Message:
      BuildMessage();
      break;
  }
}

void TOrvPrintDialog::BuildMain() {
  const int top = kCaptionHeight;
  FControls.push_back({TControlKind::Button, kPrint, FPrintLabel, Scaled(12, top + 12, kButtonWidth, kButtonHeight)});
  if (FCanSave)
    FControls.push_back({TControlKind::Button, kSave, FSaveLabel, Scaled(145, top + 12, kButtonWidth, kButtonHeight)});
  FControls.push_back(
      {TControlKind::Button, kChangePrinter, FChangePrinterLabel, Scaled(12, top + 49, kButtonWidth, kButtonHeight)});
  FControls.push_back(
      {TControlKind::CheckBox, kOnlyMainImage, FOnlyMainLabel, Scaled(145, top + 49, kButtonWidth, kButtonHeight)});
}

// The list shows up to eight printers around the selected one.
void TOrvPrintDialog::BuildPrinters() {
  const size_t first = size_t(std::max(0, FSelectedPrinter - int(kVisiblePrinters) + 1));
  const size_t last = std::min(FPrinters.size(), first + kVisiblePrinters);
  int top = kCaptionHeight + kMargin;
  for (size_t i = first; i < last; ++i, top += kRowHeight)
    FControls.push_back({TControlKind::ListItem, kFirstPrinter + int(i), Utf8ToUtf16(FPrinters[i]),
                         Scaled(kMargin, top, kWidth - 2 * kMargin, kRowHeight)});
  AddOkCancel(top + kMessageHeight + kMargin, true);
  FFocus = size_t(FSelectedPrinter) - first;
}

void TOrvPrintDialog::BuildSaveAs() {
  const int top = kCaptionHeight + kMargin;
  FControls.push_back({TControlKind::Field, kFileName, {}, Scaled(kMargin, top, kWidth - 2 * kMargin, 24)});
  AddOkCancel(top + 24 + kMessageHeight + kMargin, true);
}

void TOrvPrintDialog::BuildMessage() { AddOkCancel(kCaptionHeight + kMargin + 2 * kMessageHeight + kMargin, false); }

void TOrvPrintDialog::AddOkCancel(int top, bool with_cancel) {
  FControls.push_back({TControlKind::Button, kOk, u"OK", Scaled(12, top, kButtonWidth, kButtonHeight)});
  if (with_cancel)
    FControls.push_back({TControlKind::Button, kCancel, u"Cancel", Scaled(145, top, kButtonWidth, kButtonHeight)});
}

int TOrvPrintDialog::FocusId() const { return FFocus < FControls.size() ? FControls[FFocus].Id : -1; }

// ---- input

void TOrvPrintDialog::Key(int key, std::uint8_t modifiers) {
  if (FClosed) return;
  const bool on_field = FocusId() == kFileName;
  const bool on_list = FocusId() >= kFirstPrinter;
  if (key == vk::kTab) return MoveFocus(modifiers & modifier::kShift ? -1 : 1);
  if (key == vk::kEscape) return Press(FPage == TPage::Message ? kOk : kCancel);
  if (key == vk::kReturn) return Press(on_field || on_list ? kOk : FocusId());
  if (on_field) return EditField(key);
  if (key == vk::kSpace) return Press(FocusId());
  if (on_list && (key == vk::kUp || key == vk::kDown)) {
    FSelectedPrinter = std::clamp(FSelectedPrinter + (key == vk::kUp ? -1 : 1), 0, int(FPrinters.size()) - 1);
    return ShowPage(TPage::Printers);
  }
  if (key == vk::kUp || key == vk::kLeft) return MoveFocus(-1);
  if (key == vk::kDown || key == vk::kRight) MoveFocus(1);
}

void TOrvPrintDialog::MoveFocus(int step) {
  if (FControls.empty()) return;
  const int count = int(FControls.size());
  FFocus = size_t(((int(FFocus) + step) % count + count) % count);
}

void TOrvPrintDialog::EditField(int key) {
  switch (key) {
    case vk::kLeft:
      if (FCursor > 0) --FCursor;
      break;
    case vk::kRight:
      FCursor = std::min(FCursor + 1, FFileName.size());
      break;
    case vk::kHome:
      FCursor = 0;
      break;
    case vk::kEnd:
      FCursor = FFileName.size();
      break;
    case vk::kBack:
      if (FCursor > 0) FFileName.erase(--FCursor, 1);
      break;
    case vk::kDelete:
      if (FCursor < FFileName.size()) FFileName.erase(FCursor, 1);
      break;
    default:
      return;
  }
  FConfirmedPath.clear();
}

void TOrvPrintDialog::Text(std::string_view utf8) {
  if (FClosed || FocusId() != kFileName) return;
  WideString typed = Utf8ToUtf16(utf8);
  std::erase_if(typed, IsControlCharacter);
  FFileName.insert(FCursor, typed);
  FCursor += typed.size();
  FConfirmedPath.clear();
}

void TOrvPrintDialog::Click(int x, int y) {
  if (FClosed) return;
  for (size_t i = 0; i < FControls.size(); ++i) {
    const TRect& r = FControls[i].Rect;
    if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) continue;
    FFocus = i;
    if (FControls[i].Kind == TControlKind::Field) {
      FCursor = FFileName.size();
    } else if (FControls[i].Kind == TControlKind::ListItem) {
      FSelectedPrinter = FControls[i].Id - kFirstPrinter;
    } else {
      Press(FControls[i].Id);
    }
    return;
  }
}

// ---- what the controls do

void TOrvPrintDialog::Press(int id) {
  switch (FPage) {
    case TPage::Main:
      return PressOnMain(id);
    case TPage::Printers:
      return PressOnPrinters(id);
    case TPage::SaveAs:
      return PressOnSaveAs(id);
    case TPage::Message:
      FMessage.clear();
      if (FCloseAfterMessage) {
        FClosed = true;
      } else {
        ShowPage(FPageAfterMessage);
      }
      return;
  }
}

void TOrvPrintDialog::PressOnMain(int id) {
  switch (id) {
    case kPrint:
      return PrintPicture();
    case kSave:
      return OpenSave();
    case kChangePrinter:
      return OpenPrinters();
    case kOnlyMainImage:
      FOnlyMainImage = !FOnlyMainImage;
      return;
    case kCancel:
      FClosed = true;
      return;
  }
}

void TOrvPrintDialog::PressOnPrinters(int id) {
  if (id == kOk && FSelectedPrinter < int(FPrinters.size())) FServices.SelectPrinter(FPrinters[size_t(FSelectedPrinter)]);
  if (id == kOk || id == kCancel) {
    FMessage.clear();
    ShowPage(TPage::Main);
  }
}

void TOrvPrintDialog::PressOnSaveAs(int id) {
  if (id == kOk) return ConfirmSave();
  if (id == kCancel) CancelSave();
}

// The main picture when asked for and available, else the captured frame; nothing to
// print closes the dialog.
void TOrvPrintDialog::PrintPicture() {
  TSuppliedPicture picture;
  const bool found = (FOnlyMainImage && FSupplier.GetPicture(TPictureMode::MainPictureBitmap, picture)) ||
                     FSupplier.GetPicture(TPictureMode::CapturedFrame, picture);
  if (!found || !picture.Bitmap || picture.Bitmap->Width() <= 0 || picture.Bitmap->Height() <= 0) {
    FClosed = true;
    return;
  }
  try {
    FServices.Print(*picture.Bitmap);
    FClosed = true;
  } catch (const std::exception& e) {
    Log().Write(std::string("Printing failed: ") + e.what());
    Fail(e.what(), true);
  }
}

void TOrvPrintDialog::OpenPrinters() {
  try {
    FPrinters = FServices.Printers();
    if (FPrinters.empty()) throw EPrinterError(kNoDefaultPrinter);
    const std::string current = FServices.CurrentPrinter();
    const auto at = std::ranges::find(FPrinters, current);
    FSelectedPrinter = at == FPrinters.end() ? 0 : int(at - FPrinters.begin());
    FMessage = "Printing on " + current;
    ShowPage(TPage::Printers);
  } catch (const std::exception& e) {
    Fail(e.what(), false);
  }
}

void TOrvPrintDialog::OpenSave() {
  FOffer = SaveOfferFor(FSupplier, FOnlyMainImage);
  if (!FOffer) {
    FClosed = true;
    return;
  }
  FFileName = FOffer->SuggestedName;
  FCursor = FFileName.size();
  FConfirmedPath.clear();
  FMessage = "Save in " + FSaveFolder;
  ShowPage(TPage::SaveAs);
}

// A file that is there is replaced only after a second OK; a file that cannot be written
// keeps the dialog open with the reason. Whatever is said, the name can be changed at once.
void TOrvPrintDialog::ConfirmSave() {
  FFocus = 0;
  const std::string path = SavePath(FSaveFolder, FFileName, FOffer->DefaultExtension);
  if (path.empty()) {
    FMessage = "Type a file name";
    return;
  }
  if (path != FConfirmedPath && FServices.FileExists(path)) {
    FConfirmedPath = path;
    FMessage = path + " exists. OK replaces it.";
    return;
  }
  const std::string error = FServices.WriteFile(path, FOffer->Bytes);
  if (!error.empty()) {
    Log().Write(error);
    FMessage = error;
    FConfirmedPath.clear();
    return;
  }
  Log().Write("Saved the picture as " + path);
  FClosed = true;
}

// Cancelling the main picture's save leaves the print dialog open; the frame's closes it.
void TOrvPrintDialog::CancelSave() {
  FMessage.clear();
  if (FOffer && FOffer->MainPicture) {
    ShowPage(TPage::Main);
  } else {
    FClosed = true;
  }
}

void TOrvPrintDialog::Fail(const std::string& message, bool close_after) {
  FMessage = message;
  FCloseAfterMessage = close_after;
  FPageAfterMessage = TPage::Main;
  ShowPage(TPage::Message);
}

}  // namespace orv
