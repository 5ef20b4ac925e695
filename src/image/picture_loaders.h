// The loader registry: a picture stream goes to the loaders whose extensions match its
// name, in registration order, and the first store made wins. The built-in loaders are
// there from the start: the ".TSGFX" container, Windows bitmaps, JPEG and GIF.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/image.h"

namespace orv {

class TColorProfile;

// A loader makes a store, or gives nothing and leaves the stream where it found it.
using TPictureLoader = Ref<TSysBitmapStore> (*)(TStream& stream, const WideString& name, const THookFactory& hooks);
// A colour profile for a picture that was just loaded (stream at the picture's start).
using TColorProfileLoader = Ref<TColorProfile> (*)(TStream& stream, const WideString& name);

// Extensions are normalised: leading blanks and "*" go, a missing "." is added; they are
// matched without regard to case. Loaders are meant to be registered at start-up.
void RegisterPictureLoader(TPictureLoader loader, const std::vector<std::string>& extensions);
// An empty extension list matches every picture.
void RegisterColorProfileLoader(TColorProfileLoader loader, const std::vector<std::string>& extensions);

// The store of the picture at the stream's position, with its colour profile attached;
// nothing when no loader takes it (the stream is then back where it was), and nothing,
// unread, when the stream holds more than MaxPictureFileSize bytes.
Ref<TSysBitmapStore> LoadPicture(TStream& stream, const WideString& name, const THookFactory& hooks = {});
Ref<TImage> LoadImage(TStream& stream, const WideString& name);

// The file opener that show code installs (the current show's file access); names are
// the project's file names.
using TFileOpener = std::function<StreamPtr(const WideString& name)>;
void SetFileOpener(TFileOpener opener);
// The file through the installed opener; nothing without one or when it cannot be opened.
StreamPtr OpenShowFile(const WideString& name);
// A picture file through the installed opener; nothing, never an exception, on failure.
Ref<TImage> LoadImageFile(const WideString& name);

// The "noicc" switch: no colour profiles are attached while it is set.
void SetNoIcc(bool no_icc);
bool NoIcc();

// The extension of a name ("" when it has none), lower-case, with its dot.
std::string PictureExtension(WideView name);

}  // namespace orv
