#include "package/orv_unpack.h"

#include "base/log.h"
#include "package/crypt_stream.h"
#include "package/inflate_stream.h"
#include "package/partial_stream.h"
#include "package/windows_names.h"

namespace orv {
namespace {

constexpr const char* kFileNotFound = "Slideshow File not Found";
constexpr const char* kFileModified = "Slide-show File Modified";
constexpr const char* kFileDamaged = "Slide-show File Damaged";

// A damaged package is not a package; the reason goes to DamageText and the log.
class EPackageDamaged : public EStreamError {
public:
  using EStreamError::EStreamError;
};

int64_t CheckedAdd(int64_t a, int64_t b, const char* what) {
  int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) throw EPackageDamaged(std::string(what) + " out of range");
  return sum;
}

bool TagAt(TStream& file, int64_t position) {
  char tag[4];
  file.SetPosition(position);
  file.ReadBuffer(tag, sizeof tag);
  return std::string_view(tag, sizeof tag) == kTrailerTag;
}

int64_t Int64At(TStream& file, int64_t position) {
  uint8_t bytes[8];
  file.SetPosition(position);
  file.ReadBuffer(bytes, sizeof bytes);
  return DecodeInt64(bytes);
}

// Inflates a whole stream into memory, refusing more than `limit` bytes.
std::unique_ptr<TMemoryStream> InflateWhole(TStream& source, int64_t limit) {
  TInflateStream inflater(source, -1);
  auto memory = std::make_unique<TMemoryStream>();
  int64_t filled = 0;
  for (int64_t capacity = 1 << 16;; capacity *= 2) {
    memory->SetSize(capacity);
    filled += static_cast<int64_t>(inflater.Read(memory->Memory() + filled, static_cast<size_t>(capacity - filled)));
    if (filled < capacity) break;
    if (capacity >= limit) throw EZDecompressionError("Inflated data of " + std::to_string(limit) + " bytes or more");
  }
  memory->SetSize(filled);
  memory->SetPosition(0);
  return memory;
}

std::optional<int64_t> KeyNumber(const TIniSection& section, std::string_view key) {
  const TIniItem* item = section.FindKey(key);
  return item ? ParseInt64(item->Value()) : std::nullopt;
}

}  // namespace

TOrvUnpack::TOrvUnpack(std::string path) : FPath(std::move(path)) { Open(); }

void TOrvUnpack::Dispose() {
  Close();
  TRefObject::Dispose();
}

void TOrvUnpack::Open() {
  if (!DiskFileExists(FPath)) {
    FErrorText = kFileNotFound;
    return;
  }
  try {
    FFile = std::make_unique<TFileStream>(FPath, TFileMode::OpenRead);
  } catch (const Exception&) {
    FErrorText = kFileNotFound;
    return;
  }
  try {
    const std::optional<TTrailer> trailer = FindTrailer();
    if (!trailer) return Close();
    const int64_t directory_start = ReadDirectory(*trailer);
    if (!CheckStructurePosition(directory_start)) return Close();
    CheckEntriesInsideFile();
    if (!TryUtf8ToUtf16(ReadUtf8(FDirectory->FindKey(kProtectionSection, kVersionKey)), FVersion)) FVersion.clear();
  } catch (const Exception& error) {
    FDamageText = error.what();
    Log().Write("Package \"" + FPath + "\" does not open: " + FDamageText);
    Close();
  }
}

void TOrvUnpack::Close() {
  FFile.reset();
  FDirectory.Reset();
}

std::optional<TOrvUnpack::TTrailer> TOrvUnpack::FindTrailer() {
  const int64_t size = FFile->Size();
  if (size >= kShortTrailerSize && TagAt(*FFile, size - 4)) return TTrailer{size, 0};
  if (size < kLongTrailerSize || !TagAt(*FFile, size - 12)) return std::nullopt;
  const int64_t end = size - 8;
  const int64_t region = Int64At(*FFile, size - 8);
  if (region < 0 || region > end) throw EPackageDamaged("Package region of " + std::to_string(region) + " bytes");
  return TTrailer{end, end - region};
}

int64_t TOrvUnpack::ReadDirectory(const TTrailer& trailer) {
  FEnd = trailer.End;
  const int64_t directory_end = trailer.End - kShortTrailerSize;
  const int64_t directory_start = CheckedAdd(trailer.Base, Int64At(*FFile, directory_end), "Directory position");
  if (directory_start < trailer.Base || directory_start > directory_end)
    throw EPackageDamaged("Directory position " + std::to_string(directory_start) + " outside the package");
  TPartialStream window(*FFile, directory_end - directory_start, directory_start);
  const std::unique_ptr<TMemoryStream> text = InflateWhole(window, TIniFile::kMaxTextSize);
  FDirectory = MakeRef<TIniFile>();
  const std::string_view bytes(reinterpret_cast<const char*>(text->Memory()), static_cast<size_t>(text->Size()));
  if (!FDirectory->LoadFromBytes(bytes)) throw EPackageDamaged("Directory: " + FDirectory->LoadError());
  return directory_start;
}

bool TOrvUnpack::CheckStructurePosition(int64_t directory_start) {
  const std::string_view recorded = ReadUtf8(FDirectory->FindKey(kProtectionSection, kStructurePositionKey));
  if (recorded.empty() || recorded == std::to_string(directory_start)) return true;
  if (ReadInteger(FDirectory->FindKey(kProtectionSection, kAllowModifyKey), 0) != 1) {
    FErrorText = kFileModified;
    return false;
  }
  // A position below 0 is as impossible as one beyond the directory.
  const std::optional<int64_t> old_start = ParseInt64(recorded);
  if (!old_start || *old_start > directory_start || *old_start < 0) {
    FErrorText = kFileDamaged;
    return false;
  }
  FCorrection = directory_start - *old_start;
  return true;
}

void TOrvUnpack::CheckEntriesInsideFile() const {
  for (const TPackageEntry& entry : Entries()) {
    if (entry.Position < 0 || entry.Size < 0 || entry.Position > FEnd - entry.Size)
      throw EPackageDamaged("Entry \"" + entry.Name + "\" lies outside the package");
  }
}

std::optional<TPackageEntry> TOrvUnpack::EntryOf(const TIniSection& section) const {
  const std::optional<int64_t> position = KeyNumber(section, kPositionKey);
  const std::optional<int64_t> size = KeyNumber(section, kSizeKey);
  int64_t corrected = 0;
  if (!position || !size || __builtin_add_overflow(*position, FCorrection, &corrected)) return std::nullopt;
  const int method = ReadInteger(section.FindKey(kMethodKey), 0);
  return TPackageEntry{std::string(section.Name()), corrected, *size, method};
}

std::optional<TPackageEntry> TOrvUnpack::FindEntry(WideView name) const {
  if (!IsOpen() || name.empty()) return std::nullopt;
  const TIniSection* section = FDirectory->FindSection(NormalizeEntryName(name));
  if (!section) return std::nullopt;
  return EntryOf(*section);
}

std::vector<TPackageEntry> TOrvUnpack::Entries() const {
  std::vector<TPackageEntry> entries;
  if (!FDirectory) return entries;
  for (size_t i = 0; i < FDirectory->SectionCount(); ++i) {
    const TIniSection& section = *FDirectory->SectionAt(i);
    if (SameTextAscii(section.Name(), kProtectionSection)) continue;
    if (std::optional<TPackageEntry> entry = EntryOf(section)) entries.push_back(std::move(*entry));
  }
  return entries;
}

StreamPtr TOrvUnpack::OpenEntry(WideView name, TProgressProc progress, void* context) const {
  const std::optional<TPackageEntry> entry = FindEntry(name);
  return entry ? OpenEntry(*entry, progress, context) : nullptr;
}

StreamPtr TOrvUnpack::OpenEntry(const TPackageEntry& entry, TProgressProc progress, void* context) const {
  auto window =
      std::make_unique<TPartialStream>(std::make_unique<TFileStream>(FPath, TFileMode::OpenRead), entry.Size, entry.Position);
  window->SetProgress(kProgressPieceSize, progress, context);
  switch (static_cast<TPackMethod>(entry.Method)) {
    case TPackMethod::Deflated: return std::make_unique<TInflatingStream>(std::move(window), kMaxInflatedSize, progress, context);
    case TPackMethod::Scrambled: return std::make_unique<TCryptStream>(std::move(window), kPackageKey);
    default: return window;
  }
}

std::optional<WideString> PackageVersion(const std::string& path) {
  const Ref<TOrvUnpack> package = MakeRef<TOrvUnpack>(path);
  if (!package->IsOpen()) return std::nullopt;
  return package->Version();
}

}  // namespace orv
