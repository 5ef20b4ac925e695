// The program side of bench/package_io.sh:
//   package_io_tool text OUT BYTES               compressible text-like data
//   package_io_tool far OUT PREFIX               a package behind PREFIX bytes of hole
//   package_io_tool open PACKAGE ROUNDS          best seconds to open it and read one entry
//   package_io_tool read PACKAGE NAME ROUNDS     best "seconds bytes" to read an entry
//                                                through the file accessor's OpenStream
//   package_io_tool gzip PACKAGE NAME OUT        the deflated entry's own bytes as a .gz
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/file_accessor.h"
#include "package/orv_unpack.h"
#include "package/package_writer.h"
#include "package/partial_stream.h"
#include "package/windows_names.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int WriteText(const std::string& path, int64_t bytes) {
  std::vector<std::string> words;
  uint32_t state = 12345;
  auto next = [&] { return state = state * 1103515245u + 12345u, state >> 8; };
  for (int i = 0; i < 2000; ++i) {
    std::string word;
    for (uint32_t length = 2 + next() % 9; length > 0; --length) word += char('a' + next() % 26);
    words.push_back(word);
  }
  TFileStream out(path, TFileMode::Create);
  std::string line;
  for (int64_t written = 0; written < bytes; written += int64_t(line.size())) {
    line.clear();
    for (int i = 0; i < 12; ++i) line += words[next() % words.size()] + (i % 5 == 4 ? ", " : " ");
    line += std::to_string(next() % 100000) + "\n";
    line.resize(std::min<size_t>(line.size(), size_t(bytes - written)));
    out.WriteBuffer(line.data(), line.size());
  }
  return 0;
}

int WriteFarPackage(const std::string& path, int64_t prefix) {
  TPackageWriter writer(path, {.LongTrailer = true, .PrefixBytes = prefix, .AllowModify = true});
  TMemoryStream project(std::string("[Main]\r\nOrvVersion=8\r\n"));
  writer.AddEntry(AsciiToWide(kProjectEntryName), project, TPackMethod::Deflated);
  writer.Finish();
  return 0;
}

int BestOpen(const std::string& path, int rounds) {
  double best = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    const auto package = MakeRef<TOrvUnpack>(path);
    const StreamPtr project = package->OpenEntry(AsciiToWide(kProjectEntryName));
    if (!project || project->ReadAll().empty()) return std::fprintf(stderr, "%s does not open\n", path.c_str()), 1;
    best = std::min(best, SecondsSince(start));
  }
  std::printf("%.9f\n", best);
  return 0;
}

int BestRead(const std::string& path, const std::string& name, int rounds) {
  const auto package = MakeRef<TOrvUnpack>(path);
  const auto accessor = MakeRef<TFileAccessor>(MakeRef<TPackedFileSource>(package), WideString());
  std::vector<uint8_t> buffer(1 << 20);
  double best = 1e9;
  int64_t total = 0;
  for (int round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    const StreamPtr stream = accessor->OpenStream(WideFromDiskPath(name));
    if (!stream) return std::fprintf(stderr, "no entry %s\n", name.c_str()), 1;
    total = 0;
    while (const size_t got = stream->Read(buffer.data(), buffer.size())) total += int64_t(got);
    best = std::min(best, SecondsSince(start));
  }
  std::printf("%.6f %lld\n", best, static_cast<long long>(total));
  return 0;
}

void WriteLe32(TStream& out, uint32_t value) {
  const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  out.WriteBuffer(bytes, 4);
}

// gzip is a header, the raw deflate bytes, and the CRC and length of the inflated data.
int WriteGzip(const std::string& path, const std::string& name, const std::string& out_path) {
  const auto package = MakeRef<TOrvUnpack>(path);
  const std::optional<TPackageEntry> entry = package->FindEntry(WideFromDiskPath(name));
  if (!entry || entry->Method != int(TPackMethod::Deflated)) return std::fprintf(stderr, "no deflated entry\n"), 1;
  const StreamPtr inflated = package->OpenEntry(*entry);
  std::vector<uint8_t> buffer(1 << 20);
  uLong crc = crc32(0, nullptr, 0);
  uint32_t length = 0;
  while (const size_t got = inflated->Read(buffer.data(), buffer.size())) {
    crc = crc32(crc, buffer.data(), uInt(got));
    length += uint32_t(got);
  }
  TFileStream out(out_path, TFileMode::Create);
  const uint8_t header[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};
  out.WriteBuffer(header, sizeof header);
  TFileStream file(path, TFileMode::OpenRead);
  TPartialStream deflated(file, entry->Size, entry->Position);
  out.CopyFrom(deflated, entry->Size);
  WriteLe32(out, uint32_t(crc));
  WriteLe32(out, length);
  return 0;
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? "" : args[0];
  if (command == "text" && args.size() == 3) return orv::WriteText(args[1], std::stoll(args[2]));
  if (command == "far" && args.size() == 3) return orv::WriteFarPackage(args[1], std::stoll(args[2]));
  if (command == "open" && args.size() == 3) return orv::BestOpen(args[1], std::stoi(args[2]));
  if (command == "read" && args.size() == 4) return orv::BestRead(args[1], args[2], std::stoi(args[3]));
  if (command == "gzip" && args.size() == 4) return orv::WriteGzip(args[1], args[2], args[3]);
  std::fprintf(stderr, "usage: see the top of package_io_tool.cpp\n");
  return 2;
}
