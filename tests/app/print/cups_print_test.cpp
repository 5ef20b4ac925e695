// Printing through a real CUPS scheduler: the job goes to a cups-pdf queue, whose PDF is
// rendered back with pdftoppm and looked at. The scheduler is started and the queue added
// when missing; without a way to run cupsd the tests say why and skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "app/print/printer.h"
#include "image/pixel_format.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kQueue = "OrvTestPDF";

struct TCommandResult {
  int Status = -1;
  std::string Output;
};

TCommandResult Run(const std::string& command) {
  TCommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.Output.append(buffer, n);
  result.Status = pclose(pipe);
  return result;
}

bool SchedulerRunning() { return Run("lpstat -r").Output.find("is running") != std::string::npos; }

// Empty when the scheduler runs with a cups-pdf queue; otherwise why it cannot.
std::string PrepareCupsPdf() {
  if (Run("command -v cupsd").Status != 0) return "cupsd is not installed (scripts/install-deps installs it)";
  if (!SchedulerRunning()) {
    if (geteuid() != 0) return "cupsd is not running and only root may start it";
    Run("cupsd");
    for (int i = 0; i < 50 && !SchedulerRunning(); ++i) std::this_thread::sleep_for(100ms);
    if (!SchedulerRunning()) return "cupsd did not start on this machine";
  }
  if (Run(std::string("lpstat -v ") + kQueue).Status == 0) return {};
  const TCommandResult added =
      Run(std::string("lpadmin -p ") + kQueue + " -v cups-pdf:/ -E -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd");
  return added.Status == 0 ? std::string{} : "the cups-pdf queue could not be added: " + added.Output;
}

// Where cups-pdf writes the jobs of this user: its "Out" folder with ${HOME} filled in.
fs::path CupsPdfOutput() {
  std::ifstream config("/etc/cups/cups-pdf.conf");
  std::string line, out = "${HOME}/PDF";
  while (std::getline(config, line)) {
    if (line.rfind("Out ", 0) == 0) out = line.substr(4);
  }
  const char* home = std::getenv("HOME");
  if (const size_t at = out.find("${HOME}"); at != std::string::npos) out.replace(at, 7, home ? home : "/root");
  return out;
}

std::set<fs::path> PdfFiles(const fs::path& folder) {
  std::set<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.path().extension() == ".pdf") files.insert(entry.path());
  return files;
}

std::optional<fs::path> WaitForNewPdf(const fs::path& folder, const std::set<fs::path>& before) {
  for (int i = 0; i < 300; ++i) {
    for (const fs::path& file : PdfFiles(folder)) {
      if (!before.contains(file) && fs::file_size(file) > 0 && Run("pdfinfo '" + file.string() + "'").Status == 0)
        return file;
    }
    std::this_thread::sleep_for(100ms);
  }
  return std::nullopt;
}

// The test pictures are blue with a red band along their top edge, on white paper.
enum class TInk { Paper, Blue, Red };

struct TRendered {
  int Width = 0, Height = 0;
  std::string Rgb;
  TInk InkAt(int x, int y) const {
    const auto* p = reinterpret_cast<const unsigned char*>(Rgb.data()) + 3 * (size_t(y) * Width + x);
    if (p[0] < 128 && p[2] > 128) return TInk::Blue;
    if (p[0] > 128 && p[1] < 128 && p[2] < 128) return TInk::Red;
    return TInk::Paper;
  }
};

TRendered RenderBack(const fs::path& pdf) {
  const fs::path base = fs::temp_directory_path() / ("orv-print-" + std::to_string(getpid()));
  Run("pdftoppm -r 30 -singlefile '" + pdf.string() + "' '" + base.string() + "'");
  std::ifstream in(base.string() + ".ppm", std::ios::binary);
  std::string magic;
  TRendered image;
  int max = 0;
  in >> magic >> image.Width >> image.Height >> max;
  in.get();
  image.Rgb.resize(size_t(image.Width) * image.Height * 3);
  in.read(image.Rgb.data(), std::streamsize(image.Rgb.size()));
  fs::remove(base.string() + ".ppm");
  return image;
}

// A landscape job comes out on upright paper with the picture turned a quarter
// counter-clockwise, as printers do: turning the sheet back shows it as it was meant.
TRendered TurnedClockwise(const TRendered& page) {
  TRendered turned{page.Height, page.Width, std::string(page.Rgb.size(), '\0')};
  for (int y = 0; y < turned.Height; ++y)
    for (int x = 0; x < turned.Width; ++x)
      std::copy_n(&page.Rgb[3 * (size_t(page.Height - 1 - x) * page.Width + y)], 3,
                  &turned.Rgb[3 * (size_t(y) * turned.Width + x)]);
  return turned;
}

TRect InkBounds(const TRendered& image, bool red_only = false) {
  TRect bounds{image.Width, image.Height, 0, 0};
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      if (const TInk ink = image.InkAt(x, y); ink == TInk::Red || (!red_only && ink == TInk::Blue))
        bounds = {std::min(bounds.Left, x), std::min(bounds.Top, y), std::max(bounds.Right, x + 1),
                  std::max(bounds.Bottom, y + 1)};
  return bounds;
}

class CupsPrint : public testing::Test {
protected:
  void SetUp() override {
    const std::string why = PrepareCupsPdf();
    if (!why.empty()) GTEST_SKIP() << why;
  }
};

TEST_F(CupsPrint, PageHoldsThePictureFittedCentredAndTurned) {
  struct TCase {
    int Width, Height;
    bool Landscape;
  };
  for (const TCase& c : {TCase{800, 400, true}, TCase{300, 600, false}}) {
    SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height));
    Ref<TBitmap> picture = TBitmap::Create(c.Width, c.Height, pf::A8R8G8B8);
    picture->Fill(0xFF0000FF);
    for (int y = 0; y < c.Height / 8; ++y)
      for (int x = 0; x < c.Width; ++x) reinterpret_cast<uint32_t*>(picture->Row(y))[x] = 0xFFFF0000;
    TPrinter& printer = TPrinter::Instance();
    printer.Select(kQueue);
    printer.SetOrientation(OrientationFor(c.Width, c.Height));
    const fs::path output = CupsPdfOutput();
    const std::set<fs::path> before = PdfFiles(output);
    printer.PrintPicture(*picture, "Slideshow");

    const std::optional<fs::path> pdf = WaitForNewPdf(output, before);
    ASSERT_TRUE(pdf) << "no PDF appeared in " << output;
    const TRendered sheet = RenderBack(*pdf);
    fs::remove(*pdf);
    ASSERT_GT(sheet.Width, 0);
    const bool turn = c.Landscape && sheet.Width < sheet.Height;
    const TRendered page = turn ? TurnedClockwise(sheet) : sheet;
    EXPECT_EQ(page.Width > page.Height, c.Landscape) << page.Width << "x" << page.Height;
    const TRect ink = InkBounds(page);
    ASSERT_FALSE(ink.IsEmpty());
    // Upright: the red band lies along the top of the picture.
    const TRect top_band = InkBounds(page, true);
    EXPECT_EQ(top_band.Top, ink.Top);
    EXPECT_EQ(top_band.Width(), ink.Width());
    EXPECT_NEAR(top_band.Height(), ink.Height() / 8.0, 2);
    // Fitted: the picture spans the page in one direction (cups-pdf keeps a small margin)
    // and keeps its proportions; centred in both.
    const double span = c.Landscape ? double(ink.Width()) / page.Width : double(ink.Height()) / page.Height;
    EXPECT_GT(span, 0.9);
    EXPECT_NEAR(double(ink.Width()) / ink.Height(), double(c.Width) / c.Height, 0.1);
    EXPECT_NEAR(ink.Left, page.Width - ink.Right, 2);
    EXPECT_NEAR(ink.Top, page.Height - ink.Bottom, 2);
  }
}

TEST_F(CupsPrint, UnknownPrinterSaysSo) {
  Ref<TBitmap> picture = TBitmap::Create(10, 10, pf::A8R8G8B8);
  TPrinter& printer = TPrinter::Instance();
  printer.Select("NoSuchPrinterHere");
  EXPECT_THROW(printer.PrintPicture(*picture, "Slideshow"), EPrinterError);
}

}  // namespace
}  // namespace orv
