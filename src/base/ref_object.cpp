#include "base/ref_object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/assertions.h"
#include "base/log.h"

namespace orv {

std::string TRefObject::ClassName() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && demangled ? demangled.get() : mangled;
  // Messages use the bare class name, as written in the source.
  const auto colons = name.rfind("::");
  return colons == std::string::npos ? name : name.substr(colons + 2);
}

void TRefObject::Release() const {
  const int previous = FRefCount.fetch_sub(1, std::memory_order_acq_rel);
  if (previous > 1) return;
  if (previous < 1) {
    const std::string message = "Dupliacte free or _release at " + ClassName();
    DebugOutput(message);
    AssertionFailed(message, "ref_object.cpp", __LINE__);
  }
  auto* self = const_cast<TRefObject*>(this);
  self->Dispose();
  if (!self->FDisposeReached) DebugOutput("Error: inherited " + ClassName() + ".Dispose not called!");
  delete self;
}

}  // namespace orv
