#include "audio/library_converter.h"

#include <algorithm>
#include <cmath>

namespace orv {

void TLibraryConverter::Seek(double ms) {
  ms = std::isnan(ms) ? 0 : std::max(ms, 0.0);
  const int64_t library_position = Stream().Position();
  Restart(0, ms);
  Stream().SetPosition(library_position);
  SeekLibrary(ms);
}

bool TLibraryConverter::Convert() {
  const TWaveFormat& format = DecodedFormat();
  if (format.AvgBytesPerSec > 0) SetPosition(Position() + double(Raw().Size()) * 1000 / format.AvgBytesPerSec);
  AppendPcm(Raw().Data(), Raw().Size());
  Raw().Clear();
  return true;
}

}  // namespace orv
