// One print request of the main window: the show pauses, the print dialog is drawn over
// it and takes the keys and the mouse, and when the dialog closes the show goes back to
// the pause state it had.
#pragma once

#include <string>
#include <string_view>

#include "app/print/print_dialog.h"
#include "base/input_codes.h"
#include "show/orv_show_viewer.h"

namespace orv {

// Where a dialog of `width` × `height` lies centred in a client area (never above or left
// of it).
TRect CentredPlace(int client_width, int client_height, int width, int height);

class TPrintSession {
public:
  // The captured frame `picture` of slide `slide_index` of the locator's show; the dialog
  // is centred in a client area of the given size.
  TPrintSession(TOrvShowViewer& viewer, Ref<TOrvShowLocator> locator, Ref<TImage> picture, int slide_index,
                const TShowOptions& options, TPrintServices services, std::string save_folder, TRect client);
  ~TPrintSession();
  TPrintSession(const TPrintSession&) = delete;
  TPrintSession& operator=(const TPrintSession&) = delete;

  void Key(int key, std::uint8_t modifiers, int event);
  void Text(std::string_view utf8);
  void Mouse(int x, int y, TMouseEvent event, TMouseButton button);
  bool Closed() const noexcept { return FDialog.Closed(); }
  const TOrvPrintDialog& Dialog() const noexcept { return FDialog; }
  const TRect& Place() const noexcept { return FPlace; }

private:
  void Show();

  TOrvShowViewer& FViewer;
  bool FWasPaused;
  TCallBackClass FSupplier;
  TOrvPrintDialog FDialog;
  TRect FClient;
  TRect FPlace;
};

}  // namespace orv
