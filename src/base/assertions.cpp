#include "base/assertions.h"

#include "base/exceptions.h"
#include "base/log.h"

namespace orv {

std::string AssertionMessage(std::string_view text, std::string_view unit, int line) {
  std::string message = "Asseertion with message: '";
  message += text;
  message += "' (";
  message += unit;
  message += ", line: ";
  message += std::to_string(line);
  message += ')';
  return message;
}

void AssertionFailed(std::string_view text, std::string_view unit, int line) {
  std::string message = AssertionMessage(text, unit, line);
  DebugOutput(message);
  throw EAssertionFailed(message);
}

}  // namespace orv
