// Writing show packages: the player program (optional), the entries, the directory and
// the trailer, in every form the reader accepts. Used by orvpack, tests and benchmarks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "base/text.h"
#include "package/package_format.h"
#include "project/ini_file.h"

namespace orv {

struct TPackageLayout {
  // The long trailer adds the region length X after ".dne".
  bool LongTrailer = false;
  // Bytes (a hole of zeros) before the package, as if the package had been moved behind
  // them after it was built: its recorded positions stay those of the unmoved package, so
  // only "allowmodify" lets it open.
  int64_t PrefixBytes = 0;
  bool AllowModify = false;
  std::string Version = "orvpack 1";
};

class TPackageWriter {
public:
  // Creates (or truncates) the package file.
  TPackageWriter(const std::string& path, TPackageLayout layout);

  // The player program; only before the first entry.
  void AddPlayer(TStream& program);
  // Adds the content from its position to its end. Raises Exception on an empty name,
  // or one that names the same section as an earlier entry.
  void AddEntry(WideView name, TStream& content, TPackMethod method);
  // Writes the directory and the trailer and closes the file.
  void Finish();

private:
  // Positions as the unmoved package records them.
  int64_t RecordedPosition() { return FFile->Position() - FLayout.PrefixBytes; }
  void CopyEntryBytes(TStream& content, TPackMethod method);

  TPackageLayout FLayout;
  std::unique_ptr<TFileStream> FFile;
  Ref<TIniFile> FDirectory = MakeRef<TIniFile>();
  bool FHasEntries = false;
};

}  // namespace orv
