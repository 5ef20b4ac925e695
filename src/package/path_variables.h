// Path variables: names such as "%styles%\Frame.png" start with a token that a list of
// path modifiers turns into folders. Several modifiers may serve one token; the first
// whose folder holds the file wins, else the last "default" one.
#pragma once

#include <optional>
#include <vector>

#include "base/text.h"

namespace orv {

struct TPathModifier {
  WideString Token;   // with its percent signs, as given
  WideString Folder;  // absolute, without a trailing separator
  bool IsDefault = false;
};

class TPathModifiers {
public:
  // The built-in list: %styles% and %effects% under the program folder's "All", then under
  // the user's local "Tessaro" data folder (the default).
  static TPathModifiers Initial();

  // A folder that starts with a special token ("%LOCALAPPDATA%\...") gets that folder;
  // a relative folder is taken under the program's folder.
  void Add(WideView token, WideView folder, bool is_default);
  const std::vector<TPathModifier>& Items() const noexcept { return FItems; }

  // The name with each token replaced by the first modifier folder that holds the file,
  // else by the last default one; names without a matching token stay as they are.
  WideString Apply(WideView name) const;

private:
  // The replacement for the token at [start, end) of `name`, or nothing.
  std::optional<WideString> Resolve(WideView name, size_t start, size_t end) const;

  std::vector<TPathModifier> FItems;
};

// The process-wide list, built on first use; a project may replace it whole.
WideString ApplyPathVariables(WideView name);
TPathModifiers CurrentPathModifiers();
void ReplacePathModifiers(TPathModifiers modifiers);

}  // namespace orv
