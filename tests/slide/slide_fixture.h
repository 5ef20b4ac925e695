// Small project texts for the slide tests: a slide section whose "Container" block holds
// the objects under test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "project/ini_file.h"
#include "slide/key_frames.h"

namespace orv::test {

// "object Name:Class", its lines and "end", each line indented by two blanks.
inline std::string Block(std::string_view name_and_class, std::string_view lines) {
  std::string text = "object " + std::string(name_and_class) + "\n";
  size_t start = 0;
  while (start < lines.size()) {
    const size_t end = std::min(lines.find('\n', start), lines.size());
    text += "  " + std::string(lines.substr(start, end - start)) + "\n";
    start = end + 1;
  }
  return text + "end\n";
}

inline std::string KeyPoint(std::string_view lines) { return Block("Key:KeyPoint", lines); }

// An image object with a GUID and the given content (key points, further objects).
inline std::string Image(std::string_view guid, std::string_view content) {
  return Block("Pic:Image", "GUID=" + std::string(guid) + "\n" + std::string(content));
}

class TSlideFixture {
public:
  // Parses a slide whose "Container" block holds `content`.
  TIniObject& Container(std::string_view content) {
    const std::string text = "[Slide1]\n" + Block("Container:Root", content);
    EXPECT_TRUE(FFile->LoadFromBytes(text));
    TIniObject* container = FFile->FindSection("Slide1")->FindObjectOfClass("Container", "Root");
    EXPECT_NE(container, nullptr);
    return *container;
  }

  // Loads (or reloads) the props tree of a slide and gives the root node.
  TOrvObjectProps& Load(std::string_view content, TKeyTimes times = {10000, 0, 0}) {
    FRoot->LoadProps(Container(content), times);
    return *FRoot;
  }

  // The first object node under the root.
  TOrvObjectProps& Object() { return *FRoot->Children()[0]; }

  // Evaluates the tree at `time` and gives the first object's field.
  float ValueAt(double time, int field) {
    FRoot->Evaluate(time, true);
    return Object().Value(field);
  }

  Ref<TIniFile> FFile = MakeRef<TIniFile>();
  Ref<TOrvObjectProps> FRoot = MakeRef<TOrvObjectProps>();
};

}  // namespace orv::test
