// Writing documents as text: UTF-8 lines ending in CR LF, either plain or in the escaped
// form that fits a whole document into one value of another document.
#pragma once

#include <string>
#include <string_view>

#include "base/ref_object.h"
#include "base/stream.h"

namespace orv {

class TTextSaver {
public:
  enum class TForm { Plain, Escaped };

  // With a sink the text goes to the stream in large pieces as it grows, so saving a big
  // document never holds all of it twice; without one it collects in Text().
  explicit TTextSaver(TForm form = TForm::Plain, TStream* sink = nullptr);

  // Starts a line with `indent` blanks.
  void BeginLine(int indent);
  void Write(std::string_view utf8);
  void EndLine();
  // Sends what is collected to the sink (a no-op without one).
  void Flush();

  const std::string& Text() const noexcept { return FText; }
  std::string TakeText() noexcept { return std::move(FText); }

private:
  static constexpr size_t kFlushSize = 1 << 20;

  TForm FForm;
  TStream* FSink;
  std::string FText;
};

// Anything that can write itself as lines of text.
class TTextWriter : public TRefObject {
public:
  virtual void WriteText(TTextSaver& saver, int indent) const = 0;
};

}  // namespace orv
