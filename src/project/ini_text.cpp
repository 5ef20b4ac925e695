// Where the items of documents live: parsed items in their text block, the others on the
// heap. Kept apart from the tree's code so that the compiler sees each item's allocation and
// release only through these functions.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "project/ini_file.h"

namespace orv {

// Every item carries one pointer in front of it: the text block it lives in, or null for
// the heap. Items need no stronger alignment than that pointer's.
constexpr size_t kItemHeader = sizeof(TIniText*);
static_assert(alignof(TIniFile) <= kItemHeader);

void* TIniItem::operator new(size_t size) {
  auto* block = static_cast<std::byte*>(std::malloc(size + kItemHeader));
  if (!block) throw std::bad_alloc();
  new (block) TIniText*(nullptr);
  return block + kItemHeader;
}

void* TIniItem::operator new(size_t size, TIniText& text) {
  auto* block = static_cast<std::byte*>(text.AllocateItem(size + kItemHeader));
  new (block) TIniText*(&text);
  return block + kItemHeader;
}

void TIniItem::operator delete(void* item) noexcept {
  auto* block = static_cast<std::byte*>(item) - kItemHeader;
  if (TIniText* text = *std::launder(reinterpret_cast<TIniText**>(block)))
    text->ReleaseItemShares(1);
  else
    std::free(block);
}

void TIniItem::operator delete(void* item, TIniText&) noexcept { operator delete(item); }

TIniText* TIniItem::HomeOf(const TIniItem& item) noexcept {
  const auto* block = reinterpret_cast<const std::byte*>(&item) - kItemHeader;
  return *std::launder(reinterpret_cast<TIniText* const*>(block));
}

void TIniText::AddItemShares(size_t count) {
  if (FItemShares.fetch_add(count, std::memory_order_relaxed) == 0) AddRef();
}

void TIniText::ReleaseItemShares(size_t count) noexcept {
  if (FItemShares.fetch_sub(count, std::memory_order_acq_rel) == count) Release();
}

void TIniText::ReturnUnusedShares() noexcept {
  if (FUnusedShares > 0) ReleaseItemShares(std::exchange(FUnusedShares, 0));
}

void* TIniText::AllocateItem(size_t size) {
  // Chunks grow from small, for the many tiny documents kept in values, to a size that
  // makes their count irrelevant for large ones.
  constexpr size_t kFirstChunk = 1024;
  constexpr size_t kLargestChunk = 64 * 1024;
  constexpr size_t kShareBatch = 4096;
  size = (size + kItemHeader - 1) & ~(kItemHeader - 1);
  if (size_t(FChunkEnd - FChunkNext) < size) {
    const size_t last = FChunks.empty() ? 0 : size_t(FChunkEnd - FChunks.back().get());
    const size_t chunk = std::max(size, std::clamp(2 * last, kFirstChunk, kLargestChunk));
    FChunks.push_back(std::make_unique_for_overwrite<std::byte[]>(chunk));
    FChunkNext = FChunks.back().get();
    FChunkEnd = FChunkNext + chunk;
  }
  if (FUnusedShares == 0) {
    AddItemShares(kShareBatch);
    FUnusedShares = kShareBatch;
  }
  --FUnusedShares;
  return std::exchange(FChunkNext, FChunkNext + size);
}

}  // namespace orv
