// Saving the printed picture as a file: what is offered (the bytes, the suggested name
// and extension), where a typed name leads, and the writing itself.
#pragma once

#include <optional>
#include <string>

#include "app/print/picture_supplier.h"

namespace orv {

struct TSaveOffer {
  WideString SuggestedName;     // a bare file name, without folders
  WideString DefaultExtension;  // without its dot; "*" when any will do
  std::string Bytes;
  // Cancelling the save of the main picture's own file leaves the print dialog open.
  bool MainPicture = false;
};

// With `only_main_image`, the main picture's file under its own name (a JPEG as it is,
// anything else as BMP), when there is one; otherwise the captured frame as
// "Slide<number>.bmp". Nothing when neither can be had or the frame is empty.
std::optional<TSaveOffer> SaveOfferFor(const TCallBackClass& supplier, bool only_main_image);

// The last component of a name with "\" or "/" between folders: a project cannot make us
// write outside the folder the viewer chose.
WideString LastNameComponent(WideView name);

// The file a typed name stands for: a relative name (or "~/...") from `folder` (ending in
// "/") or the home folder, with the default extension added when the name has none.
// Empty when nothing usable was typed.
std::string SavePath(const std::string& folder, WideView typed, WideView default_extension);

// Writes the bytes as a new file at `path` (replacing one that is there). Empty on
// success, else a message saying why; a half-written file is removed.
std::string WriteSavedFile(const std::string& path, const std::string& bytes);

}  // namespace orv
