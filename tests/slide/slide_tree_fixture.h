// Slides built from project text for the object tree tests: a slide host whose viewer sits
// in front of an 800 × 600 screen, and a drawer that records what it is asked to draw.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "null_drawer.h"
#include "slide/orv_slide.h"
#include "slide_fixture.h"

namespace orv::test {

inline constexpr float kScreenWidth = 800;
inline constexpr float kScreenHeight = 600;
inline constexpr TPoint3F kCamera{400, 300, -1000};

inline TSlideHostCallbacks TestHostCallbacks() {
  TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return TIntPair{320, 240}; };
  callbacks.CameraPosition = [] { return kCamera; };
  return callbacks;
}

// An object block with a GUID made from its name.
inline std::string Object(std::string_view name_and_class, std::string_view lines) {
  const std::string name(name_and_class.substr(0, name_and_class.find(':')));
  return Block(name_and_class, "GUID={" + name + "}\n" + std::string(lines));
}

class TSlideTreeFixture {
public:
  // Parses a project of one slide whose "Container" holds `content`, the slide section with
  // `slide_keys`, and builds the slide: design size 800 × 600 on the 800 × 600 screen,
  // starting at `offset` ms and lasting `length` ms, slide `index` (from 0) of `count`.
  TOrvSlide& Build(std::string_view content, std::string_view slide_keys = "", double offset = 0,
                   double length = 10000, int index = -1, int count = 0) {
    const std::string text = "[Main]\n[Slide1]\n" + std::string(slide_keys) + "\n" + Block("Container:Root", content);
    EXPECT_TRUE(Project->LoadFromBytes(text));
    Slide = MakeRef<TOrvSlide>(Host);
    Slide->SetGeometry({kScreenWidth / 2, kScreenHeight / 2}, {kScreenWidth, kScreenHeight}, {kScreenWidth, kScreenHeight});
    Lists = {Ref<TIniSection>::Share(Project->FindSection("Main")), Ref<TIniSection>::Share(Project->FindSection("Slide1")),
             nullptr, nullptr};
    EXPECT_TRUE(Slide->LoadSlide(Lists, {offset, offset + length, 0, 0, index, count}, false));
    Slide->UpdateAt(true, offset);
    return *Slide;
  }

  // The object of that name (depth first).
  TOrvObject& Find(std::u16string_view name) const {
    TOrvObject* found = nullptr;
    ForEachObject(*Slide, [&](TOrvObject& object) {
      if (!found && object.Name() == name) found = &object;
    });
    EXPECT_NE(found, nullptr);
    return *found;
  }

  Ref<TIniFile> Project = MakeRef<TIniFile>();
  Ref<TOrvSlideHost> Host = MakeRef<TOrvSlideHost>(DefaultFileAccessor(), TestHostCallbacks());
  TSlideLists Lists;
  Ref<TOrvSlide> Slide;
};

// Records the masks it is asked to compose and draws their parts, as the draw manager does;
// draws nothing itself.
class TRecordingDrawer : public TNullDrawer {
public:
  struct TMask {
    TDrawItem* Stencil;
    TDrawItem* Content;
    float Opacity;
  };
  std::vector<TMask> Masks;

  TRecordingDrawer() : TNullDrawer({0, 0, int(kScreenWidth), int(kScreenHeight)}) {}
  void ComposeMask(TDrawItem& stencil, TDrawItem& content, float opacity) override {
    Masks.push_back({&stencil, &content, opacity});
    content.Draw(*this);
    stencil.Draw(*this);
  }
};

}  // namespace orv::test
