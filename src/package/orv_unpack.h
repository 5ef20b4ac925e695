// Opening a show package: finding its trailer, reading and checking its directory, and
// handing out its entries as streams.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ref_object.h"
#include "base/stream.h"
#include "base/text.h"
#include "package/package_format.h"
#include "package/partial_stream.h"
#include "project/ini_file.h"

namespace orv {

// One file of a package, as its directory describes it.
struct TPackageEntry {
  std::string Name;    // the directory's section name (normalised, UTF-8)
  int64_t Position;    // in the package file, corrected for a moved package
  int64_t Size;        // stored bytes
  int Method;          // "_pm": 1 deflated, 2 scrambled, anything else stored
};

class TOrvUnpack : public TRefObject {
public:
  // Opens and checks the package. Never raises: IsOpen tells the outcome.
  explicit TOrvUnpack(std::string path);

  bool IsOpen() const noexcept { return FFile != nullptr; }
  // "Slideshow File not Found", "Slide-show File Modified" or "Slide-show File Damaged";
  // empty when the file is simply not a package, which the caller words itself.
  const std::string& ErrorText() const noexcept { return FErrorText; }
  // Why a file that ends like a package still did not open (a directory that does not
  // inflate or points outside the file...); for diagnostics only.
  const std::string& DamageText() const noexcept { return FDamageText; }
  const WideString& Version() const noexcept { return FVersion; }
  const std::string& Path() const noexcept { return FPath; }

  // The entry a project file name refers to (names are normalised, case does not count).
  std::optional<TPackageEntry> FindEntry(WideView name) const;
  // Every entry, in directory order.
  std::vector<TPackageEntry> Entries() const;

  // The entry's bytes as the project knows them: a window over the stored bytes, a
  // descrambling stream over it, or an inflating stream over it (inflated as it is read). Each stream has its
  // own file handle, so entries can be read on several threads at once. Nothing when the
  // entry is missing; stream errors when its bytes are unreadable.
  // With a progress callback, every read of the file (inflating included) and of the
  // inflated bytes reports progress after each piece of 256 bytes.
  StreamPtr OpenEntry(WideView name, TProgressProc progress = nullptr, void* context = nullptr) const;
  StreamPtr OpenEntry(const TPackageEntry& entry, TProgressProc progress = nullptr, void* context = nullptr) const;

  // A deflated entry is refused once it inflates past this.
  static constexpr int64_t kMaxInflatedSize = int64_t(1) << 30;

protected:
  void Dispose() override;

private:
  struct TTrailer {
    int64_t End;   // E: just after ".dne"
    int64_t Base;  // start of the package region
  };

  void Open();
  std::optional<TTrailer> FindTrailer();
  // Reads D and inflates and parses the directory; returns dirStart.
  int64_t ReadDirectory(const TTrailer& trailer);
  // The "strucpos" test; false (with the error text set) when the package must not open.
  bool CheckStructurePosition(int64_t directory_start);
  void CheckEntriesInsideFile() const;
  std::optional<TPackageEntry> EntryOf(const TIniSection& section) const;
  void Close();

  std::string FPath;
  std::unique_ptr<TFileStream> FFile;
  Ref<TIniFile> FDirectory;
  int64_t FEnd = 0;
  int64_t FCorrection = 0;
  WideString FVersion;
  std::string FErrorText;
  std::string FDamageText;
};

// Whether `path` is a package, and its version text; nothing when it is not one.
std::optional<WideString> PackageVersion(const std::string& path);

}  // namespace orv
