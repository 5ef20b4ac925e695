// The print dialog: print the captured frame (or the slide's main picture), save it when
// the show allows, change the printer. It is drawn by the player in its own window over
// the paused show (print_dialog_view.h) and works with the keyboard and the mouse:
// Tab and Shift+Tab move between the controls, Enter or Space press the one with the
// focus, Escape steps back; a click presses what it hits.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/print/picture_supplier.h"
#include "app/print/save_picture.h"
#include "base/rect.h"
#include "project/show_options.h"

namespace orv {

// What the dialog uses of the printer and the disk, replaceable for tests.
struct TPrintServices {
  std::function<std::vector<std::string>()> Printers;
  // The printer jobs go to now; throws EPrinterError when there is none.
  std::function<std::string()> CurrentPrinter;
  std::function<void(const std::string& name)> SelectPrinter;
  // Prints the picture on one page of the current printer; throws with the reason.
  std::function<void(const TBitmap& picture)> Print;
  std::function<bool(const std::string& path)> FileExists;
  std::function<std::string(const std::string& path, const std::string& bytes)> WriteFile;
};

// The real printer and disk.
TPrintServices SystemPrintServices();

class TOrvPrintDialog {
public:
  // Control identifiers; 1000 … 1002 are the dialog's own buttons.
  static constexpr int kChangePrinter = 1000;
  static constexpr int kPrint = 1001;
  static constexpr int kSave = 1002;
  static constexpr int kOnlyMainImage = 1003;
  static constexpr int kFileName = 1004;
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kFirstPrinter = 2000;  // the printer list: 2000 + its index

  // Heights at 96 pixels per inch.
  static constexpr int kCaptionHeight = 24;
  static constexpr int kWidth = 282;

  enum class TPage { Main, Printers, SaveAs, Message };
  enum class TControlKind { Button, CheckBox, Field, ListItem };

  struct TControl {
    TControlKind Kind;
    int Id;
    WideString Label;
    TRect Rect;  // in dialog pixels
  };

  // `save_folder` (ending in "/") is where a typed file name without a folder goes;
  // `scale` is the screen's pixels per inch / 96.
  TOrvPrintDialog(const TShowOptions& options, const TCallBackClass& supplier, TPrintServices services,
                  std::string save_folder, double scale = 1);

  void Key(int key, std::uint8_t modifiers);
  // Typed text (UTF-8), for the file name field.
  void Text(std::string_view utf8);
  // A left click at a point of the dialog.
  void Click(int x, int y);

  bool Closed() const noexcept { return FClosed; }
  TPage Page() const noexcept { return FPage; }
  int Width() const;
  int Height() const;
  const WideString& Caption() const noexcept { return FCaption; }
  const std::vector<TControl>& Controls() const noexcept { return FControls; }
  // The control with the keyboard focus; −1 for none.
  int FocusId() const;
  bool OnlyMainImage() const noexcept { return FOnlyMainImage; }
  const WideString& FileName() const noexcept { return FFileName; }
  size_t Cursor() const noexcept { return FCursor; }
  // The line shown above the buttons: an error, a question, the chosen printer.
  const std::string& Message() const noexcept { return FMessage; }
  int SelectedPrinter() const noexcept { return FSelectedPrinter; }

private:
  void ShowPage(TPage page);
  void BuildMain();
  void BuildPrinters();
  void BuildSaveAs();
  void BuildMessage();
  void AddOkCancel(int top, bool with_cancel);
  TRect Scaled(int left, int top, int width, int height) const;

  void Press(int id);
  void PressOnMain(int id);
  void PressOnPrinters(int id);
  void PressOnSaveAs(int id);
  void MoveFocus(int step);
  void EditField(int key);

  void PrintPicture();
  void OpenPrinters();
  void OpenSave();
  void ConfirmSave();
  void CancelSave();
  void Fail(const std::string& message, bool close_after);

  const TCallBackClass& FSupplier;
  TPrintServices FServices;
  std::string FSaveFolder;
  double FScale;
  bool FCanSave;
  WideString FCaption;
  WideString FPrintLabel, FSaveLabel, FOnlyMainLabel, FChangePrinterLabel;

  TPage FPage = TPage::Main;
  std::vector<TControl> FControls;
  size_t FFocus = 0;
  bool FClosed = false;
  bool FOnlyMainImage = false;
  std::string FMessage;
  // Where the message page's OK leads: the dialog closes, or this page comes back.
  bool FCloseAfterMessage = false;
  TPage FPageAfterMessage = TPage::Main;

  std::vector<std::string> FPrinters;
  int FSelectedPrinter = 0;

  std::optional<TSaveOffer> FOffer;
  WideString FFileName;
  size_t FCursor = 0;
  std::string FConfirmedPath;  // a file the viewer agreed to replace
};

}  // namespace orv
