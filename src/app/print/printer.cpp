#include "app/print/printer.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "app/print/pdf_page.h"
#include "base/log.h"

namespace orv {
namespace {

// CUPS sizes are in hundredths of a millimetre.
constexpr int kHundredthsMmPerInch = 2540;
// When the printer does not say, its paper is A4.
constexpr cups_size_t kA4 = {"iso_a4_210x297mm", 21000, 29700, 0, 0, 0, 0};

struct TDestDeleter {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using DestPtr = std::unique_ptr<cups_dest_t, TDestDeleter>;
using DestInfoPtr = std::unique_ptr<cups_dinfo_t, TDestDeleter>;

std::string EnvironmentPrinter() {
  for (const char* variable : {"PRINTER", "LPDEST"}) {
    if (const char* value = std::getenv(variable); value && *value) return value;
  }
  return {};
}

bool Failed(ipp_status_t status) { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

std::string CupsError(const std::string& what) { return what + ": " + cupsLastErrorString(); }

int Dots(int hundredths_mm) { return int(int64_t(hundredths_mm) * TPrinter::kDotsPerInch / kHundredthsMmPerInch); }

// The paper in dots, turned for a landscape page.
std::pair<int, int> PageDots(cups_dest_t* dest, cups_dinfo_t* info, TPageOrientation orientation) {
  cups_size_t size = kA4;
  if (!info || !cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &size)) size = kA4;
  std::pair<int, int> page{Dots(size.width), Dots(size.length)};
  if ((orientation == TPageOrientation::Landscape) != (page.first > page.second)) std::swap(page.first, page.second);
  return page;
}

// Sends the document as one job; a job that fails after it was made is cancelled.
void SendJob(cups_dest_t* dest, cups_dinfo_t* info, const std::string& title, const std::string& pdf,
             TPageOrientation orientation) {
  cups_option_t* options = nullptr;
  const int option_count = cupsAddOption(
      CUPS_ORIENTATION, orientation == TPageOrientation::Landscape ? CUPS_ORIENTATION_LANDSCAPE : CUPS_ORIENTATION_PORTRAIT,
      0, &options);
  int job_id = 0;
  const ipp_status_t created =
      cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest, info, &job_id, title.c_str(), option_count, options);
  cupsFreeOptions(option_count, options);
  if (Failed(created))
    throw EPrinterError(CupsError("The print job could not be made"));
  const bool sent =
      cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest, info, job_id, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr, 1) ==
          HTTP_STATUS_CONTINUE &&
      cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
  const bool finished = !Failed(cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info));
  if (sent && finished) return;
  const std::string error = CupsError("The page could not be printed");
  cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job_id);
  throw EPrinterError(error);
}

}  // namespace

std::optional<std::string> ChooseDefaultPrinter(const std::vector<TPrinterEntry>& printers,
                                                const std::string& named_by_environment) {
  if (printers.empty()) return std::nullopt;
  const auto spooler_default = std::ranges::find_if(printers, &TPrinterEntry::IsDefault);
  if (spooler_default != printers.end()) return spooler_default->Name;
  const auto named = std::ranges::find(printers, named_by_environment, &TPrinterEntry::Name);
  if (named != printers.end()) return named->Name;
  return printers.back().Name;
}

TPrinter& TPrinter::Instance() {
  static TPrinter printer;
  return printer;
}

std::vector<TPrinterEntry> TPrinter::Printers() const {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  std::vector<TPrinterEntry> printers;
  for (int i = 0; i < count; ++i) {
    // Instances are saved option sets of a printer, not printers of their own.
    if (!dests[i].instance) printers.push_back({dests[i].name, dests[i].is_default != 0});
  }
  cupsFreeDests(count, dests);
  return printers;
}

std::string TPrinter::Current() {
  if (FSelected.empty()) {
    const std::optional<std::string> chosen = ChooseDefaultPrinter(Printers(), EnvironmentPrinter());
    if (!chosen) throw EPrinterError(kNoDefaultPrinter);
    FSelected = *chosen;
  }
  return FSelected;
}

void TPrinter::PrintPicture(const TBitmap& picture, const std::string& title) {
  const std::string name = Current();
  DestPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr));
  if (!dest) throw EPrinterError("The printer \"" + name + "\" is not available");
  DestInfoPtr info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
  const auto [page_width, page_height] = PageDots(dest.get(), info.get(), FOrientation);
  const TRect place = FitOnPage(picture.Width(), picture.Height(), page_width, page_height);
  const std::string pdf = PdfPageOfPicture(picture, page_width, page_height, kDotsPerInch, place);
  SendJob(dest.get(), info.get(), title, pdf, FOrientation);
  Log().Write("Printed on " + name + ": " + title);
}

}  // namespace orv
