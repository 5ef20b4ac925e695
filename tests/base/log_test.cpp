#include "base/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace orv {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(TFileLog, WritesBlocksAndLinesByteForByte) {
  const std::string program = (std::filesystem::temp_directory_path() / ("orvviewer_" + std::to_string(::getpid()))).string();
  const std::string path = LogFileNameFor(program + ".bin");
  EXPECT_EQ(path, program + ".log");
  {
    std::ofstream stale(path);
    stale << "old content";
  }
  {
    TFileLog log(path);
    ASSERT_TRUE(log.IsOpen());
    log.WriteStartBlock("/opt/show/orvviewer");
    log.Write("plain line");
    log.SetPrefixes(true, true);
    log.Write("prefixed");
    log.WriteEndBlock();
  }
  const std::string text = ReadFile(path);
  std::filesystem::remove(path);
  const std::string eq(64, '='), dash(64, '-');
  const std::string stamp = R"(\d{2}\.\d{2}\.\d{4} \d{2}:\d{2}:\d{2}\.\d{3})";
  const std::regex expected("\xEF\xBB\xBF\r\n" + eq + "\r\nProgram : /opt/show/orvviewer\r\nstarted : " + stamp + "\r\n" +
                            eq + "\r\nplain line\r\n#[0-9A-F]{4} \\[\\d+\\] prefixed\r\n\r\n" + dash +
                            "\r\nProgram stoped : " + stamp + R"( \(work time : \d+ ms\))" + "\r\n" + dash + "\r\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(TFileLog, AFileThatCannotBeCreatedLeavesTheLogSilent) {
  TFileLog log("/nonexistent-folder/x.log");
  EXPECT_FALSE(log.IsOpen());
  log.Write("dropped");  // must not fail
}

TEST(LogFileName, ReplacesOnlyTheLastExtension) {
  EXPECT_EQ(LogFileNameFor("/a.b/show"), "/a.b/show.log");
  EXPECT_EQ(LogFileNameFor("/a/show.tar.exe"), "/a/show.tar.log");
}

TEST(FormatDateTime, UsesDayMonthYearAndMilliseconds) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 1;
  local.tm_mday = 9;
  local.tm_hour = 7;
  local.tm_min = 5;
  local.tm_sec = 3;
  local.tm_isdst = -1;
  const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(42);
  EXPECT_EQ(FormatDateTime(when), "09.02.2024 07:05:03.042");
}

}  // namespace
}  // namespace orv
