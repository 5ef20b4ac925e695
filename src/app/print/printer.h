// The printer of the process: the printers CUPS knows, the one chosen for printing, the
// page orientation, and print jobs of one picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/print/page_fit.h"
#include "base/exceptions.h"
#include "image/bitmap.h"

namespace orv {

inline constexpr const char* kNoDefaultPrinter = "There is no default printer currently selected";

class EPrinterError : public Exception {
public:
  using Exception::Exception;
};

struct TPrinterEntry {
  std::string Name;
  bool IsDefault = false;  // the spooler reports it as the default
};

// The printer used until the user picks another: the first the spooler calls its default,
// else the one the environment names (PRINTER, then LPDEST; empty when neither is set),
// else the last installed one. Nothing without printers.
std::optional<std::string> ChooseDefaultPrinter(const std::vector<TPrinterEntry>& printers,
                                                const std::string& named_by_environment);

class TPrinter {
public:
  // Pages are laid out in dots of this size.
  static constexpr int kDotsPerInch = 300;

  // The one printer object, made on first use.
  static TPrinter& Instance();

  // The installed printers, asked of the spooler every time (printers come and go).
  std::vector<TPrinterEntry> Printers() const;
  // The printer jobs go to; EPrinterError(kNoDefaultPrinter) when there is none.
  std::string Current();
  void Select(std::string name) { FSelected = std::move(name); }
  void SetOrientation(TPageOrientation orientation) { FOrientation = orientation; }

  // Prints `picture` fitted and centred on one page of the current printer, as a job
  // titled `title`. A job that fails on the way is cancelled; EPrinterError says why.
  void PrintPicture(const TBitmap& picture, const std::string& title);

private:
  TPrinter() = default;

  std::string FSelected;
  TPageOrientation FOrientation = TPageOrientation::Portrait;
};

}  // namespace orv
