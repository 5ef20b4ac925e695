#include "base/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include "base/os_thread.h"

namespace orv {

namespace {

const std::string kRuleEquals(64, '=');
const std::string kRuleDashes(64, '-');

std::unique_ptr<TLog>& LogSlot() {
  static std::unique_ptr<TLog> log = std::make_unique<TLog>();
  return log;
}

}  // namespace

void DebugOutput(std::string_view text) {
  std::string line(text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

namespace {

std::tm LocalTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

}  // namespace

std::string FormatDate(std::chrono::system_clock::time_point when) {
  const std::tm local = LocalTime(when);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  return text;
}

std::string FormatDateTime(std::chrono::system_clock::time_point when) {
  const std::tm local = LocalTime(when);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  char text[64];
  std::snprintf(text, sizeof text, "%s %02d:%02d:%02d.%03d", FormatDate(when).c_str(), local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(ms));
  return text;
}

void TLog::Write(std::string_view text) {
  std::string line;
  if (FThreadPrefix) {
    char id[16];
    std::snprintf(id, sizeof id, "#%04X ", static_cast<unsigned>(CurrentThreadId() & 0xFFFF));
    line += id;
  }
  if (FTimePrefix) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - FStarted);
    line += '[' + std::to_string(ms.count()) + "] ";
  }
  line += text;
  WriteLine(line);
}

void TLog::WriteStartBlock(std::string_view program_path) {
  WriteLine("");
  WriteLine(kRuleEquals);
  WriteLine("Program : " + std::string(program_path));
  WriteLine("started : " + FormatDateTime(std::chrono::system_clock::now()));
  WriteLine(kRuleEquals);
}

void TLog::WriteEndBlock() {
  const auto work = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - FStarted);
  WriteLine("");
  WriteLine(kRuleDashes);
  WriteLine("Program stoped : " + FormatDateTime(std::chrono::system_clock::now()) +
            " (work time : " + std::to_string(work.count()) + " ms)");
  WriteLine(kRuleDashes);
}

void TStdLog::WriteLine(std::string_view line) { DebugOutput(line); }

TFileLog::TFileLog(const std::string& path) {
  FHandle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
}

TFileLog::~TFileLog() {
  if (FHandle >= 0) ::close(FHandle);
}

void TFileLog::WriteLine(std::string_view text) {
  if (FHandle < 0) return;
  std::string line;
  struct stat info {};
  if (::fstat(FHandle, &info) == 0 && info.st_size == 0) line = "\xEF\xBB\xBF";
  line += text;
  line += "\r\n";
  // One write per line, so lines from several threads do not mix.
  [[maybe_unused]] const ssize_t written = ::write(FHandle, line.data(), line.size());
}

void TExclLog::WriteLine(std::string_view line) {
  std::lock_guard lock(FLock);
  TFileLog::WriteLine(line);
}

TLog& Log() { return *LogSlot(); }

std::unique_ptr<TLog> SetLog(std::unique_ptr<TLog> log) {
  if (!log) log = std::make_unique<TLog>();
  std::swap(LogSlot(), log);
  return log;
}

std::string LogFileNameFor(std::string_view program_path) {
  const auto slash = program_path.find_last_of('/');
  const auto dot = program_path.find_last_of('.');
  const bool has_extension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
  return std::string(has_extension ? program_path.substr(0, dot) : program_path) + ".log";
}

}  // namespace orv
