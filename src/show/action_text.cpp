#include "show/action_text.h"

#include <array>
#include <optional>

#include "project/ini_values.h"

namespace orv {
namespace {

struct TWordAction {
  std::u16string_view Word;
  std::uint8_t Kind;
  std::int32_t Number = 0;
};

constexpr std::array kWords{
    TWordAction{u"exit", TOrvActionInfo::kExit},
    TWordAction{u"nextslide", TOrvActionInfo::kNextSlide},
    TWordAction{u"prevslide", TOrvActionInfo::kPrevSlide},
    TWordAction{u"help", TOrvActionInfo::kHelp},
    TWordAction{u"gotofirstslide", TOrvActionInfo::kGoToSlide, 0},
    TWordAction{u"pause", TOrvActionInfo::kPause},
    TWordAction{u"print", TOrvActionInfo::kPrint},
    TWordAction{u"stop", TOrvActionInfo::kStop},
    TWordAction{u"closedialog", TOrvActionInfo::kCloseDialog},
    TWordAction{u"saveslide", TOrvActionInfo::kSaveSlide},
    TWordAction{u"changeprinter", TOrvActionInfo::kChangePrinter},
};

// Every prefix ends with "(", so "runapp(" never matches a "runappandexit(" text.
constexpr std::array kQuotedPrefixes{
    TWordAction{u"openwebsite(", TOrvActionInfo::kOpenWebSite},
    TWordAction{u"writeemail(", TOrvActionInfo::kWriteEmail},
    TWordAction{u"runapp(", TOrvActionInfo::kRunApp},
    TWordAction{u"runappandexit(", TOrvActionInfo::kRunAppAndExit},
    TWordAction{u"runpresentation(", TOrvActionInfo::kRunPresentation},
    TWordAction{u"runpresentationandreturn(", TOrvActionInfo::kRunPresentationAndReturn},
    TWordAction{u"opendialog(", TOrvActionInfo::kOpenDialog},
};

constexpr std::u16string_view kGoToSlidePrefix = u"gotoslide(";

constexpr std::array kMouseOptions{
    TWordAction{u"Exit", TOrvActionInfo::kExit},
    TWordAction{u"Next slide", TOrvActionInfo::kNextSlide},
    TWordAction{u"Prev. slide", TOrvActionInfo::kPrevSlide},
    TWordAction{u"Help", TOrvActionInfo::kHelp},
    TWordAction{u"Pause", TOrvActionInfo::kPause},
    TWordAction{u"Go to first", TOrvActionInfo::kGoToSlide, 0},
};

// The text between `first` and the `dropped` last characters; nothing when the text is too
// short to hold them or nothing lies between.
std::optional<WideString> Inner(WideView text, size_t first, size_t dropped) {
  if (text.size() <= first + dropped) return std::nullopt;
  return WideString(text.substr(first, text.size() - first - dropped));
}

// "gotoslide(" then the argument and one last character (the ")", whatever it is).
TOrvActionInfo GoToSlide(WideView text) {
  const std::optional<WideString> argument = Inner(text, kGoToSlidePrefix.size(), 1);
  if (!argument) return {};
  if (const std::optional<int32_t> index = ParseInteger(Utf16ToUtf8(*argument)))
    return TOrvActionInfo{TOrvActionInfo::kGoToSlide, *index, {}};
  return TOrvActionInfo{TOrvActionInfo::kGoToSlide, -1, *argument};
}

// name("argument"): the "(" and the character after it, and the last two characters, are
// dropped whatever they are.
TOrvActionInfo Quoted(WideView text, const TWordAction& prefix) {
  const std::optional<WideString> argument = Inner(text, prefix.Word.size() + 1, 2);
  if (!argument) return {};
  return TOrvActionInfo{prefix.Kind, 0, *argument};
}

}  // namespace

TOrvActionInfo ParseAction(WideView text) {
  const WideString lower = LowerWide(text);
  for (const TWordAction& word : kWords)
    if (lower == word.Word) return TOrvActionInfo{word.Kind, word.Number, {}};
  if (lower.starts_with(kGoToSlidePrefix)) return GoToSlide(text);
  for (const TWordAction& prefix : kQuotedPrefixes)
    if (lower.starts_with(prefix.Word)) return Quoted(text, prefix);
  return {};
}

TOrvActionInfo MouseOptionAction(WideView text) {
  for (const TWordAction& option : kMouseOptions)
    if (text == option.Word) return TOrvActionInfo{option.Kind, option.Number, {}};
  return {};
}

}  // namespace orv
