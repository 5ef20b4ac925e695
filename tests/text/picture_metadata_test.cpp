#include "text/picture_metadata.h"

#include <gtest/gtest.h>

#include "tagged_jpeg.h"

namespace orv {
namespace {

using test::TaggedJpeg;

const std::string kExifTags =
    "-ImageDescription='  A winter walk ' -ModifyDate='2016:12:24 18:30:00' -UserComment='Merry Christmas'";

TEST(PictureMetadata, ExifInEitherByteOrder) {
  for (const char* order : {"II", "MM"}) {
    TExif exif;
    ASSERT_TRUE(exif.ReadBytes(TaggedJpeg(order, kExifTags + " -ExifByteOrder=" + order))) << order;
    EXPECT_EQ(exif.ImageDescription(), "A winter walk") << order;
    EXPECT_EQ(exif.DateTime(), "2016:12:24 18:30:00") << order;
    EXPECT_EQ(exif.UserComment(), "Merry Christmas") << order;
  }
}

TEST(PictureMetadata, IptcFromThePhotoshopBlockWithRepeatedDatasets) {
  TIPTCData iptc;
  ASSERT_TRUE(iptc.ReadBytes(TaggedJpeg(
      "iptc", "-IPTC:City='Holiday Town' -IPTC:By-line=Ann -IPTC:By-line+=Bob -IPTC:Headline='Snow' "
              "-IPTC:ObjectName='Été' -IPTC:CopyrightNotice=' (c) Ann '")));
  EXPECT_EQ(iptc.Value(90), "Holiday Town");
  EXPECT_EQ(iptc.Values(80), (std::vector<std::string>{"Ann", "Bob"}));
  EXPECT_EQ(iptc.Value(80), "Ann");
  EXPECT_EQ(iptc.Value(105), "Snow");
  EXPECT_EQ(iptc.Value(5), "Été");
  EXPECT_EQ(iptc.Value(116), "(c) Ann");
  EXPECT_EQ(iptc.Value(101), "");
}

TEST(PictureMetadata, APictureWithoutMetadataHasNoValues) {
  const std::string plain = TaggedJpeg("plain", "");
  TExif exif;
  TIPTCData iptc;
  EXPECT_FALSE(exif.ReadBytes(plain));
  EXPECT_FALSE(iptc.ReadBytes(plain));
  EXPECT_EQ(exif.DateTime(), "");
  EXPECT_EQ(iptc.Value(90), "");
  EXPECT_FALSE(exif.ReadBytes("not a picture"));
}

// A JPEG whose EXIF block holds `tiff`.
std::string WithExif(const std::string& tiff) {
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  const size_t length = payload.size() + 2;
  return std::string("\xFF\xD8\xFF\xE1", 4) + char(length >> 8) + char(length & 255) + payload + "\xFF\xD9";
}

TEST(PictureMetadata, DamagedExifStaysInsideItsBlock) {
  // IFD0 at 8 with no entries counted (read as 100, but only what the block holds), an EXIF
  // pointer back to itself, and a description whose offset lies far outside.
  std::string tiff("II*\0\x08\0\0\0", 8);
  tiff += std::string("\0\0", 2);
  tiff += std::string("\x69\x87\x04\0\x01\0\0\0\x08\0\0\0", 12);               // 34665 → IFD0 again
  tiff += std::string("\x0E\x01\x02\0\x20\0\0\0\xF0\xFF\xFF\x7F", 12);          // 270 at 0x7FFFFFF0
  tiff += std::string("\x32\x01\x02\0\x04\0\0\0" "ab c", 12);                   // 306 inside the entry
  TExif exif;
  EXPECT_TRUE(exif.ReadBytes(WithExif(tiff)));
  EXPECT_EQ(exif.ImageDescription(), "");
  EXPECT_EQ(exif.DateTime(), "ab c");
  for (size_t cut = 0; cut < tiff.size(); ++cut) TExif().ReadBytes(WithExif(tiff.substr(0, cut)));
}

}  // namespace
}  // namespace orv
