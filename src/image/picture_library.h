// The run-time loaded picture library (our PNG module). It is looked for beside the
// program's folder; pictures it decodes are used through its own row buffers, uncopied.
#pragma once

#include <string>
#include <vector>

#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/picture_limits.h"
#include "image/picture_library_api.h"

namespace orv {

// Where the library lies, relative to the program's folder.
inline constexpr const char* kPictureLibraryPath = "../Common/tsPngLib.so";

// Registers the library at `path` as the loader of `extensions`, after the built-in
// loaders; false (and nothing registered) when the file does not exist. The library
// itself is loaded on the first picture it is asked for.
bool RegisterPictureLibrary(const std::string& path, const std::vector<std::string>& extensions);

// The four functions of a loaded library.
struct TPictureLibFunctions {
  TOpenImageFunction OpenImage;
  TOpenImageFileFunction OpenImageFile;
  TReadImageFunction ReadImage;
  TCloseImageFunction CloseImage;
};

// One picture opened by the library; closing it releases the library's rows.
class TPictureLibPicture : public TRefObject {
public:
  const TPictureLibImage& Image() const { return FImage; }

protected:
  void Dispose() override;

private:
  friend class TImageLibStore;
  friend Ref<TSysBitmapStore> LoadWithPictureLibrary(TStream&, const WideString&, const THookFactory&);
  TPictureLibPicture() = default;

  const TPictureLibFunctions* FFunctions = nullptr;
  std::string FData;  // the file up to its end, which the library reads through FStream
  TPictureMemory FDataMemory;
  TPictureMemory FRowsMemory;  // the share of the rows the library makes
  TPictureLibStream FStream{};
  TPictureLibImage FImage{};
  bool FOpen = false;
};

class TImageLibStore : public TSysBitmapStore {
public:
  TImageLibStore(WideString name, Ref<TPictureLibPicture> picture, Ref<TLevelHook> hook);

protected:
  Ref<TBitmap> LoadLevel(int level) override;

private:
  Ref<TPictureLibPicture> FPicture;
};

Ref<TSysBitmapStore> LoadWithPictureLibrary(TStream& stream, const WideString& name, const THookFactory& hooks);

}  // namespace orv
