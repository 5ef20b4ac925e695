#include "package/path_variables.h"

#include <optional>
#include <mutex>
#include <shared_mutex>

#include "base/program_path.h"
#include "package/special_folders.h"
#include "package/windows_names.h"

namespace orv {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

WideView WithoutTrailingSeparators(WideView folder) {
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.remove_suffix(1);
  return folder;
}

// "%TOKEN%\rest" with a special token becomes the special folder, "/" and rest.
WideString ExpandSpecialToken(WideView folder) {
  const size_t close = folder.size() > 1 ? folder.find(u'%', 1) : WideView::npos;
  if (!folder.starts_with(u'%') || close == WideView::npos) return WideString(folder);
  const std::optional<TSpecialFolder> special = SpecialFolderOfToken(folder.substr(0, close + 1));
  if (!special) return WideString(folder);
  WideView rest = folder.substr(close + 1);
  if (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
  WideString expanded = WideFromDiskPath(SpecialFolderPath(*special));
  if (!expanded.ends_with(u'/')) expanded += u'/';
  return expanded + WideString(rest);
}

bool IsAbsoluteName(WideView name) {
  return IsForeignAbsoluteName(name) || (!name.empty() && IsSeparator(name.front()));
}

std::shared_mutex& ModifiersLock() {
  static std::shared_mutex lock;
  return lock;
}

TPathModifiers& ProcessModifiers() {
  static TPathModifiers modifiers = TPathModifiers::Initial();
  return modifiers;
}

}  // namespace

TPathModifiers TPathModifiers::Initial() {
  TPathModifiers modifiers;
  modifiers.Add(u"%styles%", u"All\\Themes", false);
  modifiers.Add(u"%styles%", u"%LOCALAPPDATA%\\Tessaro\\Styles", true);
  modifiers.Add(u"%effects%", u"All\\Effects", false);
  modifiers.Add(u"%effects%", u"%LOCALAPPDATA%\\Tessaro\\Effects", true);
  return modifiers;
}

void TPathModifiers::Add(WideView token, WideView folder, bool is_default) {
  WideString expanded(WithoutTrailingSeparators(ExpandSpecialToken(WithoutTrailingSeparators(folder))));
  if (!IsAbsoluteName(expanded)) expanded = WideFromDiskPath(ProgramFolder()) + expanded;
  FItems.push_back({WideString(token), std::move(expanded), is_default});
}

std::optional<WideString> TPathModifiers::Resolve(WideView name, size_t start, size_t end) const {
  const WideView token = name.substr(start, end - start);
  std::optional<WideString> chosen;
  for (const TPathModifier& modifier : FItems) {
    if (!SameText(token, modifier.Token)) continue;
    WideString candidate = WideString(name.substr(0, start)) + modifier.Folder + WideString(name.substr(end));
    if (NamedFileExists(candidate)) return candidate;
    if (modifier.IsDefault) chosen = std::move(candidate);
  }
  return chosen;
}

WideString TPathModifiers::Apply(WideView name) const {
  WideString result(name);
  size_t start = result.find(u'%');
  while (start != WideString::npos) {
    const size_t close = result.find(u'%', start + 1);
    if (close == WideString::npos) break;
    const size_t end = close + 1;
    size_t next = end;
    if (std::optional<WideString> resolved = Resolve(result, start, end)) {
      // Scanning goes on after the inserted folder.
      next = resolved->size() - (result.size() - end);
      result = std::move(*resolved);
    }
    start = result.find(u'%', next);
  }
  return result;
}

WideString ApplyPathVariables(WideView name) {
  std::shared_lock lock(ModifiersLock());
  return ProcessModifiers().Apply(name);
}

TPathModifiers CurrentPathModifiers() {
  std::shared_lock lock(ModifiersLock());
  return ProcessModifiers();
}

void ReplacePathModifiers(TPathModifiers modifiers) {
  std::unique_lock lock(ModifiersLock());
  ProcessModifiers() = std::move(modifiers);
}

}  // namespace orv
