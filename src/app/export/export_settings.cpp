#include "app/export/export_settings.h"

#include <charconv>
#include <cmath>

namespace orv {
namespace {

// What the encoders and the frame schedule take: slower than one frame in 100 s, the MP4
// writer's time base no longer holds a frame's duration.
constexpr double kMinFps = 0.01;
constexpr double kMaxFps = 240;

std::string Arg(const TCommandLine& command_line, WideView name, size_t index) {
  const std::optional<WideString> word = command_line.GetSwitchArg(name, index);
  if (!word || word->empty())
    throw EExportSettingsError("-" + Utf16ToUtf8(name) + " needs " + (index == 0 ? "a value" : "two values"));
  return Utf16ToUtf8(*word);
}

// A whole decimal or fractional number, all of the word.
std::optional<double> NumberOf(const std::string& word) {
  double value = 0;
  const char* last = word.data() + word.size();
  const auto [end, error] = std::from_chars(word.data(), last, value);
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

double TimeArg(const TCommandLine& command_line, WideView name, size_t index = 0) {
  const std::string word = Arg(command_line, name, index);
  const std::optional<double> ms = NumberOf(word);
  if (!ms || *ms < 0)
    throw EExportSettingsError("-" + Utf16ToUtf8(name) + ": \"" + word + "\" is not a time in ms (0 or more)");
  return *ms;
}

std::optional<int> SideOf(std::string_view digits) {
  int side = 0;
  const char* last = digits.data() + digits.size();
  const auto [end, error] = std::from_chars(digits.data(), last, side);
  if (error != std::errc() || end != last || digits.empty() || !IsRenderedSide(side)) return std::nullopt;
  return side;
}

void ReadSize(const TCommandLine& command_line, TExportSettings& settings) {
  if (!command_line.HasSwitch(u"size")) return;
  const std::string word = Arg(command_line, u"size", 0);
  const size_t x = word.find_first_of("xX");
  const std::optional<int> width = x == std::string::npos ? std::nullopt : SideOf(std::string_view(word).substr(0, x));
  const std::optional<int> height =
      x == std::string::npos ? std::nullopt : SideOf(std::string_view(word).substr(x + 1));
  if (!width || !height)
    throw EExportSettingsError("-size: \"" + word + "\" is not WIDTHxHEIGHT with sides from " +
                               std::to_string(kMinRenderedSide) + " to " + std::to_string(kMaxRenderedSide));
  settings.Width = *width;
  settings.Height = *height;
}

void ReadFps(const TCommandLine& command_line, TExportSettings& settings) {
  if (!command_line.HasSwitch(u"fps")) return;
  const std::string word = Arg(command_line, u"fps", 0);
  const std::optional<double> fps = NumberOf(word);
  if (!fps || *fps < kMinFps || *fps > kMaxFps)
    throw EExportSettingsError("-fps: \"" + word + "\" is not a frame rate from 0.01 to " + std::to_string(int(kMaxFps)));
  settings.Fps = *fps;
}

bool EndsWithNoCase(const std::string& text, std::string_view ending) {
  return text.size() >= ending.size() && SameTextAscii(std::string_view(text).substr(text.size() - ending.size()), ending);
}

TOutputKind ExportKindOf(const TCommandLine& command_line, const std::string& output) {
  if (command_line.HasSwitch(u"raw")) return TOutputKind::Raw;
  if (output.back() == '/') return TOutputKind::PngSequence;
  if (EndsWithNoCase(output, ".mp4")) return TOutputKind::Video;
  throw EExportSettingsError("-export: cannot tell what to write to \"" + output +
                             "\": name an .mp4 file, a folder ending in \"/\", or add -raw");
}

TExportSettings ReadExport(const TCommandLine& command_line) {
  TExportSettings settings;
  settings.Output = Arg(command_line, u"export", 0);
  settings.Kind = ExportKindOf(command_line, settings.Output);
  ReadFps(command_line, settings);
  ReadSize(command_line, settings);
  if (command_line.HasSwitch(u"from")) settings.From = TimeArg(command_line, u"from");
  if (command_line.HasSwitch(u"to")) {
    settings.To = TimeArg(command_line, u"to");
    if (*settings.To <= settings.From) throw EExportSettingsError("-to must be later than -from");
  }
  return settings;
}

TExportSettings ReadSnapshot(const TCommandLine& command_line) {
  TExportSettings settings;
  settings.Kind = TOutputKind::Snapshot;
  settings.From = TimeArg(command_line, u"snapshot");
  settings.Output = Arg(command_line, u"snapshot", 1);
  ReadSize(command_line, settings);
  return settings;
}

}  // namespace

std::optional<TExportSettings> ReadExportSettings(const TCommandLine& command_line) {
  const bool snapshot = command_line.HasSwitch(u"snapshot");
  const bool export_frames = command_line.HasSwitch(u"export");
  if (snapshot && export_frames) throw EExportSettingsError("-snapshot and -export cannot be used together");
  if (snapshot) return ReadSnapshot(command_line);
  if (export_frames) return ReadExport(command_line);
  return std::nullopt;
}

}  // namespace orv
