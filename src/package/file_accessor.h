// The file accessor: how every other part of the player reads the files a project names.
#pragma once

#include <optional>
#include <string>

#include "base/ref_object.h"
#include "base/stream.h"
#include "base/text.h"
#include "package/file_source.h"

namespace orv {

class TFileAccessor : public TRefObject {
public:
  // `base_folder` (ending in a separator, or empty) is where FindFile looks last.
  TFileAccessor(Ref<TFileSource> source, WideString base_folder);

  // The file's bytes, or nothing. The stream calls PaceLoading after every piece it reads.
  // Files of sources on disk are also looked for in the base folder (see FindFile).
  StreamPtr OpenStream(WideView name);
  // The disk path of a file that must be opened by path: the name itself, else the name
  // after path variables, else its last component in the base folder. Nothing when none
  // of them exists.
  std::optional<std::string> FindFile(WideView name) const;
  // FindFile, then the file read-only.
  StreamPtr OpenDiskFile(WideView name) const;

  Ref<TCallbackHandle> AddPictureProvider(TPictureProvider provider);
  // A new accessor on the same source with the same base folder.
  Ref<TFileAccessor> Clone() const;

  const Ref<TFileSource>& Source() const noexcept { return FSource; }
  const WideString& BaseFolder() const noexcept { return FBaseFolder; }
  void SetBaseFolder(WideString folder) { FBaseFolder = std::move(folder); }

private:
  Ref<TFileSource> FSource;
  WideString FBaseFolder;
};

// The accessor of code that has no show: the disk, with no base folder.
const Ref<TFileAccessor>& DefaultFileAccessor();

}  // namespace orv
