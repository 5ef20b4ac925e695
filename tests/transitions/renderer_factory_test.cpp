#include "transitions/renderer_factory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transitions/mask_filters.h"
#include "transitions/motion_filters.h"
#include "transitions/roll_effect.h"
#include "transitions/sweep_filters.h"

namespace orv {
namespace {

const TRectF kFrame{0, 0, 160, 90};

Ref<TOrvEffect> Effect(TEffectKind kind, std::vector<int> on) {
  auto effect = MakeRef<TOrvEffect>(kind);
  effect->Flags.assign(std::size_t(FlagLayoutOf(kind).Total()), false);
  for (int flag : on) effect->Flags.at(std::size_t(flag)) = true;
  effect->Variants = effect->CountVariants();
  return effect;
}

TEST(RendererFactory, EveryVariantARandomPickCanMakeHasARenderer) {
  for (int k = int(TEffectKind::Dissolve); k < int(TEffectKind::Custom); ++k) {
    const auto kind = TEffectKind(k);
    std::vector<int> all(std::size_t(FlagLayoutOf(kind).Total()));
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = int(i);
    const Ref<TOrvEffect> full = Effect(kind, all);
    ASSERT_GT(full->Variants, 0) << KindName(kind);
    for (int variant = 0; variant < full->Variants; ++variant) {
      const Ref<TOrvEffect> picked = full->WithOnlyVariant(variant);
      const Ref<TDrawFilter> renderer = CreateRenderer(kFrame, picked.Get(), 0.1f, 1000);
      ASSERT_TRUE(renderer) << KindName(kind) << " variant " << variant;
      EXPECT_EQ(renderer->Frame(), kFrame);
      EXPECT_FLOAT_EQ(renderer->SoftWidth(), 16);
    }
  }
}

TEST(RendererFactory, FlagsChooseTheRendererAndItsDirection) {
  const auto make = [](TEffectKind kind, std::vector<int> on) {
    return CreateRenderer(kFrame, Effect(kind, std::move(on)).Get(), 0, 1000);
  };
  // The clock is the fifth direction of "hourhand"; the second action reverses it.
  EXPECT_TRUE(dynamic_cast<TClockEffect*>(make(TEffectKind::HourHand, {0, 6}).Get()));
  const Ref<TDrawFilter> backwards_broom = make(TEffectKind::HourHand, {1, 3});
  ASSERT_TRUE(dynamic_cast<TBroomEffect*>(backwards_broom.Get()));
  EXPECT_TRUE(backwards_broom->Reversed);
  // A shape's first action closes it over the outgoing slide.
  const Ref<TDrawFilter> closing = make(TEffectKind::Shapes, {0, 3});
  ASSERT_TRUE(dynamic_cast<TRhombFilter*>(closing.Get()));
  EXPECT_TRUE(closing->Reversed);
  // A page from the right edge and one from the bottom.
  const Ref<TDrawFilter> from_right = make(TEffectKind::Page, {3});
  ASSERT_TRUE(dynamic_cast<THLines*>(from_right.Get()));
  EXPECT_EQ(static_cast<THLines&>(*from_right).Centre().X, kFrame.Right);
  const Ref<TDrawFilter> from_bottom = make(TEffectKind::Page, {1});
  ASSERT_TRUE(dynamic_cast<TVLines*>(from_bottom.Get()));
  EXPECT_EQ(static_cast<TVLines&>(*from_bottom).Centre().Y, kFrame.Bottom);
  EXPECT_TRUE(make(TEffectKind::Gates, {0})->Reversed);
  EXPECT_FALSE(make(TEffectKind::Gates, {4})->Reversed);
  // Push's first direction character is flag 1: direction 4, B coming up from the bottom.
  const Ref<TDrawFilter> push = make(TEffectKind::Push, {1});
  ASSERT_TRUE(dynamic_cast<TPushFilter*>(push.Get()));
  push->SetTime(500);
  EXPECT_EQ(static_cast<TPushFilter&>(*push).IncomingOffset().Y, 45);
  // A corner roll for flag 2; the second action rolls the outgoing slide up.
  const Ref<TDrawFilter> roll = make(TEffectKind::Curling, {1, 2});
  ASSERT_TRUE(dynamic_cast<TRollEffect2*>(roll.Get()));
  EXPECT_EQ(static_cast<TRollEffect2&>(*roll).Roller(), 5);
  EXPECT_TRUE(roll->Reversed);
  EXPECT_TRUE(dynamic_cast<TOverturnEffect*>(make(TEffectKind::Flip, {2}).Get()));
  EXPECT_TRUE(dynamic_cast<TTwoSlidesEffect*>(make(TEffectKind::Swap, {3}).Get()));
  EXPECT_TRUE(dynamic_cast<TRandomFilter*>(make(TEffectKind::Mosaic, {0}).Get()));
  // A custom transition without its slide, and a kind whose directions are all off.
  EXPECT_TRUE(dynamic_cast<TAlphaFilter*>(make(TEffectKind::Custom, {0}).Get()));
  EXPECT_FALSE(make(TEffectKind::Push, {}));
  EXPECT_FALSE(CreateRenderer(kFrame, nullptr, 0, 1000));
}

}  // namespace
}  // namespace orv
