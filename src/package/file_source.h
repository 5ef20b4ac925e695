// File sources turn a project's file names into streams: from the disk, from the disk
// through the project's file map, or from the show package.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/ref_object.h"
#include "base/stream.h"
#include "base/text.h"
#include "package/orv_unpack.h"
#include "project/ini_file.h"

namespace orv {

class TBitmapStore;  // a decoded picture, made by the picture layer

// A picture provider makes the picture of a name itself (a generated or converted
// picture), or gives nothing so that the next provider, then the file, is tried.
using TPictureProviderProc = Ref<TBitmapStore> (*)(void* context, const WideString& name);

struct TPictureProvider {
  TPictureProviderProc Function;
  void* Context;
};

class TFileSource;

// Keeps one provider registered: freeing the handle unregisters it.
class TCallbackHandle : public TRefObject {
public:
  TCallbackHandle(Ref<TFileSource> source, TPictureProvider provider);

protected:
  void Dispose() override;

private:
  Ref<TFileSource> FSource;
};

// EXIF orientation codes that turn a picture; every other name is shown as decoded.
enum TOrientation : int {
  orNormal = 1,
  orTurned180 = 3,
  orTurnedClockwise = 6,         // width and height exchange
  orTurnedCounterClockwise = 8,  // width and height exchange
};

class TFileSource : public TRefObject {
public:
  TFileSource();

  // A process-unique number that tells the picture cache sources apart.
  uint64_t Number() const noexcept { return FNumber; }

  // OpenFile under the source's lock: opening is serialised per source.
  StreamPtr OpenLocked(WideView name);

  // How a picture of that name must be turned.
  virtual TOrientation OrientationOf(WideView name) const;
  // Whether names are files on disk (not entries of a package).
  virtual bool ReadsDisk() const { return false; }

  // Providers are asked in registration order (see TPictureProvider).
  Ref<TCallbackHandle> AddPictureProvider(TPictureProvider provider);
  std::vector<TPictureProvider> PictureProviders() const;

protected:
  // The file's bytes, or nothing when it cannot be opened. The stream calls PaceLoading
  // after every piece of 256 bytes it reads.
  virtual StreamPtr OpenFile(WideView name) = 0;

private:
  friend class TCallbackHandle;
  void RemovePictureProvider(const TCallbackHandle* handle);

  const uint64_t FNumber;
  std::mutex FOpenLock;
  mutable std::mutex FProvidersLock;
  std::vector<std::pair<const TCallbackHandle*, TPictureProvider>> FProviders;
};

// Files on disk, after path variables. Reads that fail report 0 bytes.
class TRealFileSource : public TFileSource {
public:
  bool ReadsDisk() const override { return true; }

protected:
  StreamPtr OpenFile(WideView name) override;
};

// The project's file map ("FileMap") and orientation table ("RotationState") over the disk.
class TMappedFileSource : public TFileSource {
public:
  // Lines ";source=target", with "=" inside double quotes not splitting; a source may
  // have several targets, of which the first is opened.
  void LoadFileMap(const TIniList& section);
  // Lines ";"name"=code"; only the turning codes 1, 3, 6 and 8 are kept.
  void LoadOrientations(const TIniList& section);

  TOrientation OrientationOf(WideView name) const override;
  bool ReadsDisk() const override { return true; }
  // The targets a name is mapped to, in order.
  const std::vector<WideString>* MapTargets(WideView name) const;

protected:
  // Follows the file map, then opens the name where this source keeps its files.
  StreamPtr OpenFile(WideView name) final;
  // The disk, after path variables.
  virtual StreamPtr OpenUnmapped(WideView name);

private:
  // Names are keyed case-folded, so they match without regard to case.
  std::unordered_map<WideString, std::vector<WideString>> FFileMap;
  std::unordered_map<WideString, TOrientation> FOrientations;
};

// The entries of a show package, after the file map.
class TPackedFileSource : public TMappedFileSource {
public:
  explicit TPackedFileSource(Ref<TOrvUnpack> package) : FPackage(std::move(package)) {}
  const Ref<TOrvUnpack>& Package() const noexcept { return FPackage; }
  bool ReadsDisk() const override { return false; }

protected:
  StreamPtr OpenUnmapped(WideView name) override;

private:
  Ref<TOrvUnpack> FPackage;
};

// One line of a file map: the source and the target with blanks and one pair of double
// quotes removed, split at the first "=" outside quotes. Nothing when a side is empty.
std::optional<std::pair<WideString, WideString>> ParseFileMapLine(std::string_view line);
// One line of an orientation table; nothing unless it is well formed.
std::optional<std::pair<WideString, int>> ParseOrientationLine(std::string_view line);

}  // namespace orv
