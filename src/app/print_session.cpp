#include "app/print_session.h"

#include <algorithm>

#include "app/print/print_dialog_view.h"
#include "image/bitmap_store.h"

namespace orv {

TRect CentredPlace(int client_width, int client_height, int width, int height) {
  const int left = std::max(0, (client_width - width) / 2);
  const int top = std::max(0, (client_height - height) / 2);
  return TRect{left, top, left + width, top + height};
}

TPrintSession::TPrintSession(TOrvShowViewer& viewer, Ref<TOrvShowLocator> locator, Ref<TImage> picture,
                             int slide_index, const TShowOptions& options, TPrintServices services,
                             std::string save_folder, TRect client)
    : FViewer(viewer),
      FWasPaused(viewer.Paused()),
      FSupplier(std::move(locator), std::move(picture), slide_index),
      FDialog(options, FSupplier, std::move(services), std::move(save_folder)),
      FClient(client) {
  FViewer.SetPaused(true);
  Show();
}

TPrintSession::~TPrintSession() {
  FViewer.ShowWindowDialog(nullptr, {});
  FViewer.SetPaused(FWasPaused);
}

void TPrintSession::Key(int key, std::uint8_t modifiers, int event) {
  if (event != kKeyDown) return;
  FDialog.Key(key, modifiers);
  Show();
}

void TPrintSession::Text(std::string_view utf8) {
  FDialog.Text(utf8);
  Show();
}

void TPrintSession::Mouse(int x, int y, TMouseEvent event, TMouseButton button) {
  if (event != TMouseEvent::Down || button != TMouseButton::Left) return;
  FDialog.Click(x - FPlace.Left, y - FPlace.Top);
  Show();
}

// The dialog changes size with its pages: it is placed anew every time.
void TPrintSession::Show() {
  if (FDialog.Closed()) return;
  FPlace = CentredPlace(FClient.Width(), FClient.Height(), FDialog.Width(), FDialog.Height());
  Ref<TBitmap> pixels = RenderPrintDialog(FDialog);
  FViewer.ShowWindowDialog(MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"Print dialog", std::move(pixels))), FPlace);
}

}  // namespace orv
