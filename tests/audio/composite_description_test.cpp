#include "audio/composite_description.h"

#include <gtest/gtest.h>

#include "audio/media_probe.h"

namespace orv {
namespace {

TCompositeParams TwoItems() {
  TCompositeParams params;
  params.Duration = 5000;
  TCompositeItem first{"a.wav", 0, 250, 3000, {}};
  TVolumeParams& fade = first.Volumes.Add();
  fade.Add(0, 0);
  fade.Add(1000, 700);
  params.Items.push_back(std::move(first));
  params.Items.push_back({"LoadFromDisk:/tmp/für elise.wav", 2500.5, 0, 2500, {}});
  params.MainVolume.emplace(false);
  params.MainVolume->Add().Add(100, 900);
  return params;
}

std::string Description(std::string_view body) { return std::string(kCompositeMarker) + std::string(body); }

TEST(CompositeDescription, ReadsBackWhatItWrote) {
  const std::optional<TCompositeParams> read = ParseCompositeDescription(WriteCompositeDescription(TwoItems()));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Duration, 5000);
  ASSERT_EQ(read->Items.size(), 2u);
  EXPECT_EQ(read->Items[0].BeginTime, 250);
  EXPECT_EQ(read->Items[1].FileName, "LoadFromDisk:/tmp/für elise.wav");
  EXPECT_EQ(read->Items[1].TimeLine, 2500.5);
  ASSERT_EQ(read->Items[0].Volumes.Envelopes().size(), 1u);
  EXPECT_EQ(read->Items[0].Volumes.Envelopes()[0].Items().size(), 2u);
  EXPECT_EQ(read->Items[0].Volumes.Envelopes()[0].Items()[1].Volume, 700);
  EXPECT_TRUE(read->Items[1].Volumes.Envelopes().empty());
  ASSERT_TRUE(read->MainVolume);
  EXPECT_EQ(read->MainVolume->Envelopes()[0].Items()[0].Time, 100);
}

TEST(CompositeDescription, JoinedDescriptionsPlayOneAfterTheOther) {
  TCompositeParams second;
  second.Duration = 1000;
  second.Items.push_back({"c.wav", 200, 0, 800, {}});
  const std::string joined =
      JoinCompositeDescriptions({WriteCompositeDescription(TwoItems()), WriteCompositeDescription(second)});
  const std::optional<TCompositeParams> read = ParseCompositeDescription(joined);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Duration, 6000);
  ASSERT_EQ(read->Items.size(), 3u);
  EXPECT_EQ(read->Items[2].FileName, "c.wav");
  EXPECT_EQ(read->Items[2].TimeLine, 5200);
}

TEST(CompositeDescription, ItemsAndPointsAreReadWhileTheTextHasThem) {
  const std::optional<TCompositeParams> read = ParseCompositeDescription(Description(
      "[Main]\nDuration=100\n[0]\nFileName=a\nFadeCount=3\n[Vol_0_0_0]\n0=0\n1=0\n[Vol_0_0_1]\n0=50\n"
      "[Vol_0_0_2]\n0=60\n1=1000\n[2]\nFileName=skipped after the gap\n"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Items.size(), 1u);
  // Point 1 has no volume: the envelope ends there; envelopes 1 and 2 are not in the text.
  ASSERT_EQ(read->Items[0].Volumes.Envelopes().size(), 1u);
  EXPECT_EQ(read->Items[0].Volumes.Envelopes()[0].Items().size(), 1u);
}

TEST(CompositeDescription, InvalidDescriptionsAreRefused) {
  const std::string item = "[0]\nFileName=a\nDuration=10\n";
  for (const std::string& text : {
           std::string("[Main]\nDuration=100\n") + item,          // no marker
           Description("[Main]\nDuration=0\n" + item),             // no length
           Description("[Main]\nDuration=100\n"),                  // no item
           Description("[Main]\nDuration=100\n" + item + "FadeCount=-1\n"),
           Description("[Main]\nDuration=100\n" + item + "FadeCount=1000001\n"),
           Description("[Main]\nDuration=100\n" + item) + Description("[Main]\nDuration=5\n"),  // bad second part
       })
    EXPECT_FALSE(ParseCompositeDescription(text)) << text;
}

TEST(CompositeDescription, LargeCountsClaimNothingTheTextDoesNotHold) {
  std::string body = "[Main]\nDuration=100\n[MainVolume]\nFadeCount=1000000\n";
  for (int i = 0; i < 1000; ++i)
    body += "[" + std::to_string(i) + "]\nFileName=a\nDuration=10\nFadeCount=1000000\n";
  const std::optional<TCompositeParams> read = ParseCompositeDescription(Description(body));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Items.size(), 1000u);
  EXPECT_TRUE(read->Items[999].Volumes.Envelopes().empty());
  EXPECT_FALSE(read->MainVolume);
}

TEST(CompositeDescription, TimesAreHeldToARangeTheMixerCanPlace) {
  const std::string huge = "[Main]\nDuration=1e300\n[0]\nFileName=a\nTimeLine=-1e300\nBeginTime=1e300\nDuration=1e300\n";
  const std::optional<TCompositeParams> read = ParseCompositeDescription(Description(huge) + Description(huge));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Duration, TVolumeParams::kMaxTimeMs);
  EXPECT_EQ(read->Items[0].TimeLine, -TVolumeParams::kMaxTimeMs);
  EXPECT_EQ(read->Items[1].TimeLine, 0);
  EXPECT_EQ(read->Items[1].BeginTime, TVolumeParams::kMaxTimeMs);
  // Tiny and fractional times survive being written.
  TCompositeParams exact;
  exact.Duration = 1e-20;
  exact.Items.push_back({"a", 1.0 / 3, 0, 0.1, {}});
  const std::optional<TCompositeParams> again = ParseCompositeDescription(WriteCompositeDescription(exact));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Duration, 1e-20);
  EXPECT_EQ(again->Items[0].TimeLine, 1.0 / 3);
}

TEST(CompositeDescription, NegativeDurationsAreLeftOut) {
  const std::optional<TCompositeParams> read = ParseCompositeDescription(
      Description("[Main]\nDuration=100\n[0]\nFileName=a\nDuration=-10\n[1]\nFileName=b\nDuration=10\n"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Items.size(), 1u);
  EXPECT_EQ(read->Items[0].FileName, "b");
}

}  // namespace
}  // namespace orv
