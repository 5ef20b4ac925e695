// Objects that other parts hang on a picture (colour profiles, textures, tile tags). The
// list holds a reference to each and is safe to use from several threads.
#pragma once

#include <mutex>
#include <vector>

#include "base/ref_object.h"

namespace orv {

class TAttachmentList {
public:
  void Add(Ref<TRefObject> object) {
    std::lock_guard lock(FLock);
    FItems.push_back(std::move(object));
  }

  // The first attachment of class T (or derived from it), or nothing.
  template <class T>
  Ref<T> Find() const {
    std::lock_guard lock(FLock);
    for (const Ref<TRefObject>& item : FItems)
      if (auto* found = dynamic_cast<T*>(item.Get())) return Ref<T>::Share(found);
    return nullptr;
  }

  std::vector<Ref<TRefObject>> Items() const {
    std::lock_guard lock(FLock);
    return FItems;
  }

private:
  mutable std::mutex FLock;
  std::vector<Ref<TRefObject>> FItems;
};

}  // namespace orv
