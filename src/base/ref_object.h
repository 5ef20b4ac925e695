// Intrusive reference counting. An object is born with one reference (its creator's);
// the last Release runs Dispose and then destroys it.
#pragma once

#include <atomic>
#include <string>
#include <utility>

namespace orv {

class TRefObject {
public:
  TRefObject() = default;
  TRefObject(const TRefObject&) = delete;
  TRefObject& operator=(const TRefObject&) = delete;

  void AddRef() const noexcept { FRefCount.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; frees the object when it was the last one.
  void Release() const;
  int RefCount() const noexcept { return FRefCount.load(std::memory_order_relaxed); }

  // The demangled name of the object's dynamic class, for the consistency messages.
  std::string ClassName() const;

protected:
  virtual ~TRefObject() = default;
  // Runs before destruction while the object is still whole; an override must call
  // the inherited Dispose, which is checked.
  virtual void Dispose() { FDisposeReached = true; }

private:
  mutable std::atomic<int> FRefCount{1};
  bool FDisposeReached = false;
};

// Owning handle: holds one reference and releases it when it goes away.
template <class T>
class Ref {
public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(const Ref& other) noexcept : FObject(other.FObject) { AddRefIfAny(); }
  Ref(Ref&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) noexcept : FObject(other.Get()) { AddRefIfAny(); }
  template <class U>
  Ref(Ref<U>&& other) noexcept : FObject(other.Detach()) {}
  ~Ref() { Reset(); }

  Ref& operator=(Ref other) noexcept {
    std::swap(FObject, other.FObject);
    return *this;
  }

  // Takes over the creator's reference of a new object.
  static Ref Adopt(T* object) noexcept {
    Ref result;
    result.FObject = object;
    return result;
  }
  // Adds a reference to an object someone else holds.
  static Ref Share(T* object) noexcept {
    Ref result;
    result.FObject = object;
    result.AddRefIfAny();
    return result;
  }

  T* Get() const noexcept { return FObject; }
  T* operator->() const noexcept { return FObject; }
  T& operator*() const noexcept { return *FObject; }
  explicit operator bool() const noexcept { return FObject != nullptr; }

  void Reset() noexcept {
    if (FObject) std::exchange(FObject, nullptr)->Release();
  }
  // Gives up the reference without releasing it.
  T* Detach() noexcept { return std::exchange(FObject, nullptr); }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.FObject == b.FObject; }

private:
  void AddRefIfAny() const noexcept {
    if (FObject) FObject->AddRef();
  }
  T* FObject = nullptr;
};

// Creates a reference-counted object and hands back its first reference.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace orv
