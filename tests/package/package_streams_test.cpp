#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "package/crypt_stream.h"
#include "package/inflate_stream.h"
#include "package/package_format.h"
#include "package/partial_stream.h"

namespace orv {
namespace {

std::string Bytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
  return bytes;
}

std::string RawDeflate(const std::string& text) {
  z_stream zstream{};
  deflateInit2(&zstream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zstream, text.size()), '\0');
  zstream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zstream.avail_in = static_cast<uInt>(text.size());
  zstream.next_out = reinterpret_cast<Bytef*>(out.data());
  zstream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zstream, Z_FINISH), Z_STREAM_END);
  out.resize(zstream.total_out);
  deflateEnd(&zstream);
  return out;
}

std::string ErrorOf(auto&& action) {
  try {
    action();
  } catch (const EStreamError& error) {
    return error.what();
  }
  return "no error";
}

void CountPiece(void* context) { ++*static_cast<int*>(context); }

TEST(PartialStream, WindowsMustFitTheirSource) {
  TMemoryStream source(Bytes(100));
  for (auto [size, offset] : std::vector<std::pair<int64_t, int64_t>>{
           {101, 0}, {1, 100}, {-1, 0}, {1, -1}, {INT64_MAX, 2}, {2, INT64_MAX}})
    EXPECT_EQ(ErrorOf([&] { TPartialStream(source, size, offset); }), "Insufficient Source Size")
        << size << " at " << offset;
  EXPECT_NO_THROW(TPartialStream(source, 0, 100));
  EXPECT_NO_THROW(TPartialStream(source, 100, 0));
}

TEST(PartialStream, ReadsStayInsideTheWindow) {
  TMemoryStream source(Bytes(2000));
  TPartialStream window(source, 1500, 300);
  EXPECT_EQ(window.Size(), 1500);
  EXPECT_EQ(window.Position(), 0);
  window.SetPosition(1490);
  std::string buffer(1000, '\0');
  EXPECT_EQ(window.Read(buffer.data(), 1000), 10u);
  EXPECT_EQ(buffer.substr(0, 10), Bytes(2000).substr(1790, 10));
  EXPECT_EQ(window.Read(buffer.data(), 1000), 0u);
  EXPECT_EQ(window.Position(), 1500);
  EXPECT_EQ(source.Position(), 1800);
}

TEST(PartialStream, PositionsOutsideAndResizingAreRefused) {
  TMemoryStream source(Bytes(100));
  TPartialStream window(source, 50, 10);
  EXPECT_EQ(ErrorOf([&] { window.SetPosition(51); }), "Incorrect Position");
  EXPECT_EQ(ErrorOf([&] { window.SetPosition(-1); }), "Incorrect Position");
  EXPECT_EQ(ErrorOf([&] { window.Seek(1, TSeekOrigin::End); }), "Incorrect Position");
  EXPECT_EQ(ErrorOf([&] { window.Seek(INT64_MAX, TSeekOrigin::End); }), "Incorrect Position");
  EXPECT_EQ(window.Seek(-5, TSeekOrigin::End), 45);
  EXPECT_EQ(ErrorOf([&] { window.SetSize(10); }), "Stream Cannot be resized");
}

TEST(PartialStream, WritesAreBoundedByTheWindow) {
  TMemoryStream target(std::string(20, '.'));
  TPartialStream window(target, 5, 10);
  EXPECT_EQ(window.Write("abcdefgh", 8), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(target.Memory()), 20), "..........abcde.....");
}

TEST(PartialStream, ProgressRunsAfterEvery256BytePiece) {
  TMemoryStream source(Bytes(10000));
  TPartialStream window(source, 10000, 0);
  int pieces = 0;
  window.SetProgress(32768, CountPiece, &pieces);
  std::string buffer(10000, '\0');
  EXPECT_EQ(window.Read(buffer.data(), buffer.size()), 10000u);
  EXPECT_EQ(pieces, 40);  // 10000 / 256, rounded up
  EXPECT_EQ(buffer, Bytes(10000));

  window.SetProgress(32768, nullptr, nullptr);
  window.SetPosition(0);
  EXPECT_EQ(window.Read(buffer.data(), buffer.size()), 10000u);
  EXPECT_EQ(pieces, 40);
}

TEST(PartialStream, OwnedSourceGoesWithTheWindow) {
  auto window = std::make_unique<TPartialStream>(std::make_unique<TMemoryStream>(Bytes(10)), 4, 6);
  EXPECT_EQ(window->ReadAll(), Bytes(10).substr(6));
}

TEST(CryptStream, ScramblingDependsOnlyOnThePosition) {
  const std::string plain = Bytes(1000);
  std::string scrambled = plain;
  TScrambler(kPackageKey).Apply(reinterpret_cast<uint8_t*>(scrambled.data()), scrambled.size(), 0);
  for (size_t i : {0, 1, 31, 32, 40, 999})
    EXPECT_EQ(uint8_t(scrambled[i]), uint8_t(plain[i] ^ kPackageKey[i % 32])) << i;

  TMemoryStream inner(scrambled);
  TCryptStream crypt(inner, std::string(kPackageKey));
  EXPECT_EQ(crypt.Size(), 1000);
  // Reading from 40 onwards starts with key byte 8, in reads of every length.
  crypt.SetPosition(40);
  std::string part;
  for (size_t length = 1; part.size() < 960; ++length) {
    std::string piece(length, '\0');
    piece.resize(crypt.Read(piece.data(), length));
    part += piece;
  }
  EXPECT_EQ(part, plain.substr(40));
}

TEST(CryptStream, AnyKeyLengthPositionAndCountXorsByteForByte) {
  const std::string plain = Bytes(300);
  for (std::string_view key : {std::string_view("k"), std::string_view("abc"), kPackageKey,
                               std::string_view("0123456789abcdefghijklmnopqrstuvwxyz!")}) {
    const TScrambler scrambler(key);
    for (int64_t position : {0, 1, 7, 31, 32, 33, 1000001}) {
      for (size_t count : {0, 1, 8, 9, 255, 300}) {
        std::string data = plain.substr(0, count);
        scrambler.Apply(reinterpret_cast<uint8_t*>(data.data()), count, position);
        for (size_t i = 0; i < count; ++i)
          ASSERT_EQ(uint8_t(data[i]), uint8_t(plain[i] ^ key[(position + i) % key.size()]))
              << key << " at " << position << " + " << i;
      }
    }
  }
}

TEST(CryptStream, WritesScrambleAtTheirPosition) {
  TMemoryStream inner;
  TCryptStream crypt(inner, "ab");
  crypt.WriteBuffer("xyz", 3);
  crypt.SetPosition(1);
  crypt.WriteBuffer("Y", 1);
  const std::string stored(reinterpret_cast<char*>(inner.Memory()), 3);
  EXPECT_EQ(stored, std::string({char('x' ^ 'a'), char('Y' ^ 'b'), char('z' ^ 'a')}));
  crypt.SetPosition(0);
  EXPECT_EQ(crypt.ReadAll(), "xYz");
}

TEST(InflateStream, InflatesAndLeavesTheSourceAfterTheDeflateData) {
  const std::string text = Bytes(300000);
  TMemoryStream source("head" + RawDeflate(text) + "tail");
  source.SetPosition(4);
  TInflateStream inflater(source, -1);
  std::string out;
  char chunk[4096];
  while (size_t got = inflater.Read(chunk, sizeof chunk)) out.append(chunk, got);
  EXPECT_EQ(out, text);
  EXPECT_EQ(inflater.Position(), 300000);
  EXPECT_EQ(source.ReadAll(), "tail");
}

TEST(InflateStream, DeclaredSizeEndsTheStream) {
  TMemoryStream source(RawDeflate(Bytes(1000)));
  TInflateStream inflater(source, 600);
  EXPECT_EQ(inflater.Size(), 600);
  std::string out(1000, '\0');
  EXPECT_EQ(inflater.Read(out.data(), 1000), 600u);
  EXPECT_EQ(inflater.Read(out.data(), 1000), 0u);
}

TEST(InflateStream, DamagedDataRaisesZlibsMessage) {
  std::string deflated = RawDeflate(Bytes(5000));
  const std::string truncated = deflated.substr(0, deflated.size() / 2);
  const std::string garbage = "\xff\xff\xff\xff garbage";
  for (const auto& [input, message] : std::vector<std::pair<std::string, std::string>>{
           {truncated, "buffer error"}, {garbage, "data error"}, {"", "buffer error"}}) {
    TMemoryStream source(input);
    TInflateStream inflater(source, -1);
    std::string out(10000, '\0');
    EXPECT_EQ(ErrorOf([&] { inflater.Read(out.data(), out.size()); }), message);
  }
}

TEST(InflateStream, OnlyReadsForwards) {
  TMemoryStream source(RawDeflate("abc"));
  TInflateStream inflater(source, -1);
  EXPECT_EQ(ErrorOf([&] { inflater.Write("x", 1); }), "Invalid ZStream operation!");
  EXPECT_EQ(ErrorOf([&] { inflater.SetSize(1); }), "Invalid ZStream operation!");
  EXPECT_EQ(ErrorOf([&] { inflater.Size(); }), "Invalid ZStream operation!");
  EXPECT_EQ(ErrorOf([&] { inflater.SetPosition(2); }), "Invalid ZStream operation!");
  EXPECT_THROW(inflater.Write("x", 1), EZDecompressionError);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Reads in any order, forwards and backwards, give the inflated bytes at those places;
// the size is learnt without moving the position.
TEST(InflatingStream, ReadsAnywhereAndKnowsItsSize) {
  const std::string text = Bytes(300000);
  TInflatingStream stream(std::make_unique<TMemoryStream>(RawDeflate(text)), int64_t(1) << 30);
  const int64_t positions[] = {0, 200000, 70000, 299990, 5, 131072};
  for (const int64_t position : positions) {
    stream.SetPosition(position);
    std::string got(100, '\0');
    got.resize(stream.Read(got.data(), got.size()));
    EXPECT_EQ(got, text.substr(size_t(position), 100)) << position;
    if (position == 70000) {
      EXPECT_EQ(stream.Size(), 300000);
      EXPECT_EQ(stream.Position(), 70100);
    }
  }
  EXPECT_THROW(stream.SetPosition(300001), EStreamError);
}

// An entry that inflates past its limit fails where the reader gets there, not before.
TEST(InflatingStream, RefusesToInflatePastItsLimit) {
  TInflatingStream stream(std::make_unique<TMemoryStream>(RawDeflate(std::string(1 << 20, '\0'))), 200000);
  char chunk[1000];
  EXPECT_EQ(stream.Read(chunk, sizeof chunk), sizeof chunk);
  EXPECT_THROW(stream.Size(), EZDecompressionError);
}

}  // namespace
}  // namespace orv
