#include "show/command_text.h"

#include <algorithm>
#include <iterator>

namespace orv {
namespace {

constexpr char16_t kQuote = u'"';

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

WideView Trimmed(WideView text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// Programs that delete, move or overwrite files, format disks, change the system or its
// users, start commands for someone else, or copy files over the network.
constexpr std::u16string_view kWindowsCommands[] = {
    u">",       u"at",      u"attrib",  u"call",    u"cmd",      u"command", u"copy",     u"del",
    u"deltree", u"erase",   u"for",     u"format",  u"fdisk",    u"runonce", u"move",     u"net",
    u"runas",   u"net1",    u"ren",     u"rename",  u"replace",  u"rmdir",   u"rd",       u"recover",
    u"regedit", u"rundll",  u"qstart",  u"start",   u"sys",      u"type",    u"xcopy",    u"regsrv",
    u"regedt32", u"regsvr32", u"rcp",   u"ftp",     u"tftp"};

// The same roles on this system.
constexpr std::u16string_view kLinuxCommands[] = {
    // command interpreters
    u"sh", u"bash", u"dash", u"zsh", u"ksh", u"mksh", u"csh", u"tcsh", u"fish", u"ash", u"rbash", u"busybox",
    u"toybox", u"pwsh",
    // whatever starts another command: wrappers, privileges, terminals, the service manager
    u"env", u"xargs", u"setsid", u"nohup", u"nice", u"ionice", u"timeout", u"stdbuf", u"chroot", u"unshare",
    u"nsenter", u"flock", u"watch", u"script", u"taskset", u"chrt", u"strace", u"exec", u"eval", u"sudo", u"su",
    u"pkexec", u"doas", u"runuser", u"systemd-run", u"x-terminal-emulator", u"xterm", u"uxterm",
    u"gnome-terminal", u"konsole", u"xfce4-terminal", u"lxterminal", u"mate-terminal", u"terminator", u"tilix",
    u"kitty", u"alacritty", u"urxvt", u"rxvt", u"st", u"find",
    // files and disks
    u"rm", u"mv", u"cp", u"dd", u"mkfs", u"shred", u"truncate", u"ln", u"install", u"rsync", u"wipefs", u"parted",
    u"mkswap", u"mount", u"umount", u"chmod", u"chown", u"chgrp", u"chattr", u"setfacl", u"tee",
    // the system, its users and its schedule
    u"crontab", u"batch", u"systemctl", u"service", u"shutdown", u"reboot", u"poweroff", u"halt", u"init",
    u"kill", u"killall", u"pkill", u"useradd", u"userdel", u"usermod", u"passwd",
    // files over the network
    u"scp", u"sftp", u"ssh", u"curl", u"wget", u"nc", u"ncat", u"socat", u"telnet",
    // programs whose program text is their command line
    u"awk", u"gawk", u"mawk", u"nawk", u"sed", u"tclsh", u"wish"};

// Interpreters and the short options that hand them code to run; a cluster of short
// options holding one of the letters counts ("-ic"), and so do the long forms.
struct TInlineCode {
  std::u16string_view Program;
  std::u16string_view Letters;
};
constexpr TInlineCode kInterpreters[] = {
    {u"python", u"c"}, {u"python2", u"c"}, {u"python3", u"c"}, {u"perl", u"eE"}, {u"ruby", u"e"},
    {u"node", u"ep"},  {u"nodejs", u"ep"}, {u"php", u"r"},     {u"lua", u"e"}};

bool IsInlineCodeSwitch(const std::string& word, std::u16string_view letters) {
  if (word == "--command" || word == "--eval" || word == "--print" || word == "--run") return true;
  if (word.size() < 2 || word[0] != '-' || word[1] == '-') return false;
  return std::any_of(word.begin() + 1, word.end(),
                     [letters](char c) { return letters.find(char16_t(c)) != std::u16string_view::npos; });
}

bool HasInlineCode(WideView command, std::u16string_view letters) {
  const std::vector<std::string> words = SplitArguments(Utf16ToUtf8(Unquoted(SplitFileAndParameters(command).Parameters)));
  return std::any_of(words.begin(), words.end(),
                     [letters](const std::string& word) { return IsInlineCodeSwitch(word, letters); });
}

template <size_t N>
bool Listed(const std::u16string_view (&list)[N], WideView word) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

}  // namespace

std::vector<WideString> SplitCommands(WideView text) {
  if (text.find(u',') == WideView::npos) return {WideString(text)};
  std::vector<WideString> commands;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == kQuote) quoted = !quoted;
    if (i == text.size() || (text[i] == u',' && !quoted)) {
      commands.emplace_back(Trimmed(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return commands;
}

WideString ProgramWord(WideView command) {
  if (command.find(u'>') != WideView::npos) return u">";
  WideString cleaned;
  bool quoted = false;
  for (const char16_t c : command) {
    if (c == kQuote) quoted = !quoted;
    if (c == kQuote || c == u'@' || c == u'|') continue;
    cleaned += quoted && IsBlank(c) ? u'_' : c;
  }
  WideView word = cleaned;
  while (!word.empty() && IsBlank(word.front())) word.remove_prefix(1);
  word = word.substr(0, std::find_if(word.begin(), word.end(), IsBlank) - word.begin());
  for (const char16_t separator : {u'\\', u'/'})
    if (const size_t last = word.rfind(separator); last != WideView::npos) word.remove_prefix(last + 1);
  word = word.substr(0, word.find(u'.'));
  WideString lower(word);
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return lower;
}

bool IsForbiddenCommand(WideView command) {
  const WideString word = ProgramWord(command);
  if (Listed(kWindowsCommands, word) || Listed(kLinuxCommands, word)) return true;
  for (const TInlineCode& interpreter : kInterpreters)
    if (word == interpreter.Program) return HasInlineCode(command, interpreter.Letters);
  return false;
}

TFileAndParameters SplitFileAndParameters(WideView command) {
  const bool begins_quoted = !command.empty() && command.front() == kQuote;
  WideString file;
  size_t i = 0;
  for (; i < command.size(); ++i) {
    const char16_t c = command[i];
    if (i > 0 && c == kQuote) break;
    if (!begins_quoted && c == u' ') break;
    if (c != kQuote) file += c;
  }
  // The quote that closes a quoted program name belongs to it.
  if (begins_quoted && i < command.size()) ++i;
  WideString parameters;
  bool had_quote = false;
  for (; i < command.size(); ++i) {
    if (command[i] == kQuote) {
      had_quote = true;
    } else {
      parameters += command[i];
    }
  }
  TFileAndParameters result{WideString(Trimmed(file)), WideString(Trimmed(parameters))};
  if (begins_quoted) result.File = u"\"" + result.File + u"\"";
  if (had_quote) result.Parameters = u"\"" + result.Parameters + u"\"";
  return result;
}

std::vector<std::string> SplitArguments(std::string_view parameters) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const char c = parameters[i];
    if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\\') {
      size_t count = 0;
      while (i < parameters.size() && parameters[i] == '\\') ++count, ++i;
      const bool before_quote = i < parameters.size() && parameters[i] == '"';
      word.append(before_quote ? count / 2 : count, '\\');
      if (before_quote && count % 2 == 1) {
        word += '"';
      } else {
        --i;  // the quote, or whatever follows, is looked at next
      }
    } else if (c == '"') {
      if (quoted && i + 1 < parameters.size() && parameters[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

WideString Unquoted(WideView text) {
  if (text.size() >= 2 && text.front() == kQuote && text.back() == kQuote) return WideString(text.substr(1, text.size() - 2));
  return WideString(text);
}

}  // namespace orv
