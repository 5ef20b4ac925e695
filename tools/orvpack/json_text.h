// Values written into the JSON lines the inspecting commands print.
#pragma once

#include <string>
#include <string_view>

namespace orv::orvpack {

// The shortest text that reads back as the same number.
std::string Number(double value);
// A JSON string; text that is not UTF-8 is shown as the legacy code page would show it.
std::string JsonString(std::string_view utf8);

}  // namespace orv::orvpack
