// The process-wide log. The command line picks one of the log kinds at start-up; until
// then (and in tests) the log drops every line.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace orv {

// Writes a line to the developer's console (stderr here), whatever log is selected.
void DebugOutput(std::string_view text);

// "DD.MM.YYYY" in local time.
std::string FormatDate(std::chrono::system_clock::time_point when);
// "DD.MM.YYYY HH:MM:SS.mmm" in local time.
std::string FormatDateTime(std::chrono::system_clock::time_point when);

// Discards every line. Base of the real logs, which override WriteLine.
class TLog {
public:
  virtual ~TLog() = default;

  // Writes one line with the prefixes that are switched on.
  void Write(std::string_view text);
  void WriteStartBlock(std::string_view program_path);
  void WriteEndBlock();

  // "#" + thread id as 4 hexadecimal digits + " ", and "[" + ms since start + "] ".
  void SetPrefixes(bool thread_id, bool milliseconds) {
    FThreadPrefix = thread_id;
    FTimePrefix = milliseconds;
  }

protected:
  // One finished line without its line end.
  virtual void WriteLine(std::string_view) {}

private:
  bool FThreadPrefix = false;
  bool FTimePrefix = false;
  std::chrono::steady_clock::time_point FStarted = std::chrono::steady_clock::now();
};

// Each line goes to the debugger output (stderr).
class TStdLog : public TLog {
protected:
  void WriteLine(std::string_view line) override;
};

// Lines go to a file, created anew: UTF-8 with a byte-order mark, CR LF after each line.
// A file that cannot be created leaves the log silent.
class TFileLog : public TLog {
public:
  explicit TFileLog(const std::string& path);
  ~TFileLog() override;
  bool IsOpen() const { return FHandle >= 0; }

protected:
  void WriteLine(std::string_view line) override;

private:
  int FHandle = -1;
};

// A file log that holds a lock around each line, for lines written from many threads
// that must never interleave with the start and end blocks.
class TExclLog : public TFileLog {
public:
  using TFileLog::TFileLog;

protected:
  void WriteLine(std::string_view line) override;

private:
  std::mutex FLock;
};

// The process log. Never null: a TLog until something else is installed.
TLog& Log();
// Installs a new process log and returns the previous one.
std::unique_ptr<TLog> SetLog(std::unique_ptr<TLog> log);

// The log file of a program: its path with the extension replaced by ".log".
std::string LogFileNameFor(std::string_view program_path);

}  // namespace orv
