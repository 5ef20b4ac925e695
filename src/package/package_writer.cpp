#include "package/package_writer.h"

#include <zlib.h>

#include <vector>

#include "package/crypt_stream.h"

namespace orv {
namespace {

constexpr size_t kChunkSize = 1 << 20;

void Deflate(z_stream& zstream, TStream& out, int flush) {
  std::vector<Bytef> buffer(kChunkSize);
  do {
    zstream.next_out = buffer.data();
    zstream.avail_out = static_cast<uInt>(buffer.size());
    const int code = deflate(&zstream, flush);
    if (code == Z_STREAM_ERROR) throw EStreamError(std::string("Deflate failed: ") + zError(code));
    out.WriteBuffer(buffer.data(), buffer.size() - zstream.avail_out);
  } while (zstream.avail_out == 0);
}

// Raw deflate (no header) of the source from its position to its end.
void DeflateRaw(TStream& source, TStream& out) {
  z_stream zstream{};
  if (deflateInit2(&zstream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw EStreamError("Deflate cannot start");
  try {
    std::vector<Bytef> chunk(kChunkSize);
    while (const size_t got = source.Read(chunk.data(), chunk.size())) {
      zstream.next_in = chunk.data();
      zstream.avail_in = static_cast<uInt>(got);
      Deflate(zstream, out, Z_NO_FLUSH);
    }
    Deflate(zstream, out, Z_FINISH);
  } catch (...) {
    deflateEnd(&zstream);
    throw;
  }
  deflateEnd(&zstream);
}

// Copies the source from its position to its end, scrambled when asked.
void CopyBytes(TStream& source, TStream& out, bool scramble) {
  const TScrambler scrambler(kPackageKey);
  std::vector<uint8_t> chunk(kChunkSize);
  int64_t position = 0;
  while (const size_t got = source.Read(chunk.data(), chunk.size())) {
    if (scramble) scrambler.Apply(chunk.data(), got, position);
    out.WriteBuffer(chunk.data(), got);
    position += static_cast<int64_t>(got);
  }
}

}  // namespace

TPackageWriter::TPackageWriter(const std::string& path, TPackageLayout layout)
    : FLayout(std::move(layout)), FFile(std::make_unique<TFileStream>(path, TFileMode::Create)) {
  if (FLayout.PrefixBytes < 0) throw Exception("A negative prefix");
  // The control section goes first, as the authoring tool writes it.
  FDirectory->FindOrAddSection(kProtectionSection);
  FFile->SetSize(FLayout.PrefixBytes);
  FFile->SetPosition(FLayout.PrefixBytes);
}

void TPackageWriter::AddPlayer(TStream& program) {
  if (FHasEntries) throw Exception("The player program must come before the entries");
  CopyBytes(program, *FFile, false);
}

void TPackageWriter::AddEntry(WideView name, TStream& content, TPackMethod method) {
  const std::string section_name = NormalizeEntryName(name);
  if (section_name.empty() || FDirectory->FindSection(section_name) ||
      SameTextAscii(section_name, kProtectionSection))
    throw Exception("Entry name \"" + section_name + "\" is empty or already taken");
  FHasEntries = true;
  const int64_t position = RecordedPosition();
  CopyEntryBytes(content, method);
  TIniSection& section = *FDirectory->FindOrAddSection(section_name);
  WriteInt64(*section.FindOrAddKey(kPositionKey), position);
  WriteInt64(*section.FindOrAddKey(kSizeKey), RecordedPosition() - position);
  WriteInteger(*section.FindOrAddKey(kMethodKey), static_cast<int>(method));
}

void TPackageWriter::CopyEntryBytes(TStream& content, TPackMethod method) {
  if (method == TPackMethod::Deflated) {
    DeflateRaw(content, *FFile);
  } else {
    CopyBytes(content, *FFile, method == TPackMethod::Scrambled);
  }
}

void TPackageWriter::Finish() {
  const int64_t directory_position = RecordedPosition();
  TIniSection& protection = *FDirectory->FindSection(kProtectionSection);
  protection.FindOrAddKey(kVersionKey)->SetValue(FLayout.Version);
  WriteInt64(*protection.FindOrAddKey(kStructurePositionKey), directory_position);
  WriteBool(*protection.FindOrAddKey(kAllowModifyKey), FLayout.AllowModify);
  TMemoryStream text(FDirectory->SaveToString(true));
  DeflateRaw(text, *FFile);

  // D is relative to the region start the trailer implies: the prefix with the long
  // trailer, the file start with the short one.
  const int64_t base = FLayout.LongTrailer ? FLayout.PrefixBytes : 0;
  uint8_t number[8];
  EncodeInt64(directory_position + FLayout.PrefixBytes - base, number);
  FFile->WriteBuffer(number, sizeof number);
  FFile->WriteBuffer(kTrailerTag.data(), kTrailerTag.size());
  if (FLayout.LongTrailer) {
    EncodeInt64(FFile->Position() - FLayout.PrefixBytes, number);
    FFile->WriteBuffer(number, sizeof number);
  }
  FFile->Flush();
  FFile.reset();
}

}  // namespace orv
