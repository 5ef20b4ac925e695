#include "app/print/save_picture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "image/bmp_writer.h"

namespace orv {
namespace {

WideString ExtensionWithoutDot(WideView name) {
  const size_t dot = name.rfind(u'.');
  if (dot == WideView::npos || dot + 1 == name.size()) return u"*";
  return WideString(name.substr(dot + 1));
}

std::optional<TSaveOffer> MainPictureOffer(const TCallBackClass& supplier) {
  TSuppliedPicture file;
  if (!supplier.GetPicture(TPictureMode::MainPictureFile, file)) return std::nullopt;
  const WideString name = LastNameComponent(file.Name);
  if (name.empty()) return std::nullopt;
  return TSaveOffer{name, ExtensionWithoutDot(name), std::move(file.Bytes), true};
}

std::optional<TSaveOffer> FrameOffer(const TCallBackClass& supplier) {
  TSuppliedPicture frame;
  if (!supplier.GetPicture(TPictureMode::CapturedFrame, frame) || !frame.Bitmap || frame.Bitmap->Width() <= 0 ||
      frame.Bitmap->Height() <= 0)
    return std::nullopt;
  const WideString name = u"Slide" + Utf8ToUtf16(std::to_string(supplier.SlideIndex() + 1)) + u".bmp";
  return TSaveOffer{name, u"bmp", BmpFileOf(*frame.Bitmap), false};
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/" : std::string("/");
}

bool HasExtension(std::string_view path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash + 1);
}

std::string CannotWrite(const std::string& path, const std::string& reason) {
  return "Cannot write " + path + ": " + reason;
}

std::string WithoutPartialFile(const std::string& path, const std::string& reason) {
  ::unlink(path.c_str());
  return CannotWrite(path, reason);
}

}  // namespace

std::optional<TSaveOffer> SaveOfferFor(const TCallBackClass& supplier, bool only_main_image) {
  if (only_main_image) {
    if (std::optional<TSaveOffer> offer = MainPictureOffer(supplier)) return offer;
  }
  return FrameOffer(supplier);
}

WideString LastNameComponent(WideView name) {
  const size_t folder = name.find_last_of(u"\\/:");
  WideString last(folder == WideView::npos ? name : name.substr(folder + 1));
  // "." and ".." are folders, not file names.
  if (last == u"." || last == u"..") return {};
  return last;
}

std::string SavePath(const std::string& folder, WideView typed, WideView default_extension) {
  std::string path = Utf16ToUtf8(typed);
  while (!path.empty() && (path.back() == ' ' || path.back() == '/')) path.pop_back();
  while (!path.empty() && path.front() == ' ') path.erase(0, 1);
  if (path.empty() || path == "~") return {};
  if (path.rfind("~/", 0) == 0) {
    path = HomeFolder() + path.substr(2);
  } else if (path.front() != '/') {
    path = folder + path;
  }
  if (!HasExtension(path) && !default_extension.empty() && default_extension != u"*")
    path += "." + Utf16ToUtf8(default_extension);
  return path;
}

std::string WriteSavedFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return CannotWrite(path, std::strerror(errno));
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string reason = n < 0 ? std::strerror(errno) : "the disk took nothing";
      ::close(fd);
      return WithoutPartialFile(path, reason);
    }
    written += size_t(n);
  }
  if (::close(fd) != 0) return WithoutPartialFile(path, std::strerror(errno));
  return {};
}

}  // namespace orv
