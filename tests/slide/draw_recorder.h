// A drawer that records every picture, box and border it is asked to draw, with its frame
// and parameters, and the textures it is asked to prepare and release.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/bitmap_store.h"
#include "slide_tree_fixture.h"

namespace orv::test {

class TDrawRecorder : public TRecordingDrawer {
public:
  struct TImageCall {
    TImage* Picture;
    TQuadFrame Frame;
    TRectF Window;
    TImageDrawParams Params;
  };
  struct TBoxCall {
    TQuadFrame Frame;
    TBoxDrawParams Params;
  };
  struct TBorderCall {
    TQuadFrame Frame;
    float WidthU;
    float WidthV;
    TColor32 Color;
    float Opacity;
    bool Antialias;
  };

  std::vector<TImageCall> Images;
  std::vector<TBoxCall> Boxes;
  std::vector<TBorderCall> Borders;
  // One letter per draw call in order: I picture, B box, R border.
  std::string Sequence;
  std::vector<TImage*> Prepared;
  std::vector<TImage*> Released;

  void PrepareImage(TImage& picture, const TImageDrawParams&) override { Prepared.push_back(&picture); }
  void ReleaseImage(TImage& picture) override { Released.push_back(&picture); }
  void DrawImage(TImage& picture, const TQuadFrame& frame, const TRectF& window,
                 const TImageDrawParams& params) override {
    Images.push_back({&picture, frame, window, params});
    Sequence += 'I';
  }
  void DrawBox(const TQuadFrame& frame, const TBoxDrawParams& params) override {
    Boxes.push_back({frame, params});
    Sequence += 'B';
  }
  void DrawBorder(const TQuadFrame& frame, float width_u, float width_v, TColor32 color, float opacity,
                  bool antialias) override {
    Borders.push_back({frame, width_u, width_v, color, opacity, antialias});
    Sequence += 'R';
  }
};

inline void ExpectNear(TPoint3F actual, TPoint3F expected, const std::string& what) {
  EXPECT_NEAR(actual.X, expected.X, 1e-3) << what;
  EXPECT_NEAR(actual.Y, expected.Y, 1e-3) << what;
  EXPECT_NEAR(actual.Z, expected.Z, 1e-3) << what;
}

inline void ExpectQuad(const TQuadFrame& actual, const TQuadFrame& expected, const std::string& what = "") {
  ExpectNear(actual.Origin, expected.Origin, what + " origin");
  ExpectNear(actual.XAxis, expected.XAxis, what + " x axis");
  ExpectNear(actual.YAxis, expected.YAxis, what + " y axis");
}

inline void ExpectRect(const TRectF& actual, const TRectF& expected, const std::string& what = "") {
  EXPECT_NEAR(actual.Left, expected.Left, 1e-3) << what;
  EXPECT_NEAR(actual.Top, expected.Top, 1e-3) << what;
  EXPECT_NEAR(actual.Right, expected.Right, 1e-3) << what;
  EXPECT_NEAR(actual.Bottom, expected.Bottom, 1e-3) << what;
}

// A picture provider's answer for "<width>x<height>.bmp": an opaque grey picture of that
// size with an alpha channel; nothing for other names.
inline Ref<TBitmapStore> SizedGreyPicture(const WideString& name) {
  int width = 0;
  int height = 0;
  char tail = 0;
  if (std::sscanf(Utf16ToUtf8(name).c_str(), "%dx%d.bm%c", &width, &height, &tail) != 3) return nullptr;
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(0xFF808080u);
  return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
}

}  // namespace orv::test
