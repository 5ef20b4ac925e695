// The log lines written while a test runs: the process's log is replaced for the life of
// a TCapturedLog and put back afterwards.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/log.h"

namespace orv::test {

class TCapturedLog {
public:
  TCapturedLog() : FLines(new TLinesLog), FPrevious(SetLog(std::unique_ptr<TLog>(FLines))) {}
  ~TCapturedLog() { SetLog(std::move(FPrevious)); }
  TCapturedLog(const TCapturedLog&) = delete;
  TCapturedLog& operator=(const TCapturedLog&) = delete;

  const std::vector<std::string>& Lines() const { return FLines->Lines; }
  long Count(const std::string& line) const { return std::count(Lines().begin(), Lines().end(), line); }
  bool Has(const std::string& line) const { return Count(line) > 0; }

private:
  class TLinesLog : public TLog {
  public:
    std::vector<std::string> Lines;

  protected:
    void WriteLine(std::string_view line) override { Lines.emplace_back(line); }
  };

  TLinesLog* FLines;  // owned by the process's log while this lives
  std::unique_ptr<TLog> FPrevious;
};

}  // namespace orv::test
