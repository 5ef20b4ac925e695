// Names of project documents compared and hashed without regard to case, tuned for the
// short ASCII names that make up nearly every document.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

// Equal for any two names that SameTextUtf8 finds equal.
uint32_t FoldedNameHash(std::string_view name);

// SameTextUtf8, with the common case of an identical spelling first.
bool SameName(std::string_view a, std::string_view b) noexcept;

}  // namespace orv
