// Macros in text lines ("<%SlideIndex%>", "<%MainImg.Exif.Date%>", ...), filled from the
// slide and from the slide's main picture and its metadata.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace orv {

class TOrvText;

// The value of a known macro (its name without "<%" "%>", as listed, any case), or none
// for a name that is not a macro.
using TMacroValue = std::function<std::optional<WideString>(std::string_view macro)>;

// One left-to-right pass: every "<%name%>" whose name is a macro is replaced by its value,
// and values are never expanded again. A line that ends up empty becomes one space.
WideString ExpandMacros(WideView line, const TMacroValue& value);

// The macros of a text object: the slide's number and count, and the main picture's size,
// path parts, EXIF and IPTC values (empty without a main picture or its data).
WideString ExpandMacros(WideView line, const TOrvText& text);

// The path macros of a picture's full name ("\" separated): "FileName", "PathName",
// "FileNameExt", "FolderPath", "FolderName"; none for other names.
std::optional<WideString> PathMacro(std::string_view macro, WideView path);
// "Date" and "Time" of an EXIF DateTime text.
std::optional<WideString> DateMacro(std::string_view macro, WideView date_time);

}  // namespace orv
