#include "project/text_saver.h"

#include "project/ini_values.h"

namespace orv {

TTextSaver::TTextSaver(TForm form, TStream* sink) : FForm(form), FSink(sink) {}

void TTextSaver::BeginLine(int indent) { FText.append(static_cast<size_t>(indent), ' '); }

void TTextSaver::Write(std::string_view utf8) {
  if (FForm == TForm::Escaped)
    AppendEscaped(FText, utf8);
  else
    FText += utf8;
}

void TTextSaver::EndLine() {
  FText += FForm == TForm::Escaped ? "\\n" : "\r\n";
  if (FSink && FText.size() >= kFlushSize) Flush();
}

void TTextSaver::Flush() {
  if (!FSink || FText.empty()) return;
  FSink->WriteBuffer(FText.data(), FText.size());
  FText.clear();
}

}  // namespace orv
