#include "project/ini_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "base/assertions.h"
#include "project/folded_name.h"
#include "project/ini_lines.h"

namespace orv {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

// Nesting deeper than this is written without further indent: the indent only helps the
// eye, and growing it without bound would make the text of a deep document grow with the
// square of its depth.
constexpr int kMaxIndent = 128;

// Lists with no more named children than this are searched without a hash table: a
// lookup then mostly compares name lengths, cheaper than hashing the names.
constexpr size_t kMaxScanned = 32;

constexpr size_t npos = std::string_view::npos;

// Lookups, which may run on several threads at once, build hash tables and make lines
// into items under this lock.
std::mutex& TreeLock() {
  static std::mutex lock;
  return lock;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  WideString wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return Utf16ToUtf8(wide);
}

// The text's own encoding to UTF-8, by its byte-order mark; without one the text is in
// the legacy 8-bit code page. A UTF-8 text is kept as it is, its mark skipped by `start`.
std::string DecodeDocument(std::string raw, size_t& start) {
  const std::string_view bytes = raw;
  start = 0;
  if (bytes.starts_with(kUtf8Mark)) {
    start = kUtf8Mark.size();
    return raw;
  }
  if (bytes.starts_with(kUtf16LeMark)) return Utf16LeToUtf8(bytes.substr(kUtf16LeMark.size()));
  if (IsAsciiText(bytes)) return raw;
  return Windows1252ToUtf8(bytes);
}

}  // namespace

// ---- TIniItem

TIniItem::TIniItem(std::string_view name, std::string_view value)
    : TIniItem(name.empty() ? TIniItemKind::Text : TIniItemKind::Key, name, value) {}

TIniItem::TIniItem(TIniItemKind kind, std::string_view name, std::string_view value) : FKind(kind) {
  UseOwnText(name, value);
}

TIniItem::TIniItem(TIniItemKind kind, const TIniText&, std::string_view name, std::string_view value) : FKind(kind) {
  UseText(name, value);
}

void TIniItem::UseOwnText(std::string_view name, std::string_view value) {
  constexpr size_t kMaxSize = std::numeric_limits<uint32_t>::max();
  ORV_ASSERT(name.size() + value.size() <= kMaxSize, "name and value of 4 GiB or more");
  std::string bytes;
  bytes.reserve(name.size() + value.size());
  bytes.append(name).append(value);
  auto text = MakeRef<TIniText>(std::move(bytes));
  const std::string_view own = text->Bytes();
  UseText(own.substr(0, name.size()), own.substr(name.size()));
  // Only now may the old text go: `name` and `value` may have viewed into it.
  FText = std::move(text);
}

void TIniItem::UseText(std::string_view name, std::string_view value) noexcept {
  // Both lie in one text, the value after the name; a name without bytes still marks
  // where its value starts.
  FName = name.empty() ? value.data() : name.data();
  FNameSize = static_cast<uint32_t>(name.size());
  FValueSize = static_cast<uint32_t>(value.size());
  FValueOffset = value.empty() ? 0 : static_cast<uint32_t>(value.data() - FName);
  // Names are hashed only by the lists that build a table: most lists are short enough
  // to be searched without one.
  FNameEnds = NameEnds(name);
}

void TIniItem::SetValue(std::string_view utf8) {
  // The name is copied along, since both must lie in one text.
  UseOwnText(Name(), utf8);
}

void TIniItem::WriteText(TTextSaver& saver, int indent) const { WriteLine(saver, indent, {Kind(), Name(), Value()}); }

void TIniItem::WriteLine(TTextSaver& saver, int indent, const TIniLineView& line) {
  if (line.Name.empty() && line.Value.empty()) {
    saver.EndLine();
    return;
  }
  saver.BeginLine(indent);
  if (line.Kind == TIniItemKind::Key) {
    saver.Write(line.Name);
    saver.Write("=");
  }
  saver.Write(line.Value);
  saver.EndLine();
}

// ---- TIniChildren

TIniChildren::TIniChildren(TIniChildren&& other) noexcept
    : FWords(std::exchange(other.FWords, nullptr)),
      FSize(std::exchange(other.FSize, 0)),
      FCapacity(std::exchange(other.FCapacity, 0)) {}

TIniChildren& TIniChildren::operator=(TIniChildren&& other) noexcept {
  TIniChildren old(std::move(*this));
  std::swap(FWords, other.FWords);
  std::swap(FSize, other.FSize);
  std::swap(FCapacity, other.FCapacity);
  return *this;
}

TIniChildren::~TIniChildren() {
  for (size_t i = 0; i < FSize; ++i)
    if (!IsLine(FWords[i])) ItemOf(FWords[i])->Release();
  std::free(FWords);
}

uintptr_t TIniChildren::Load(size_t index) const noexcept {
  return std::atomic_ref<uintptr_t>(FWords[index]).load(std::memory_order_acquire);
}

void TIniChildren::Store(size_t index, uintptr_t word) noexcept {
  std::atomic_ref<uintptr_t>(FWords[index]).store(word, std::memory_order_release);
}

void TIniChildren::Grow(size_t count) {
  ORV_ASSERT(count <= std::numeric_limits<uint32_t>::max(), "too many items in one list");
  auto* words = static_cast<uintptr_t*>(std::realloc(FWords, count * sizeof(uintptr_t)));
  if (!words) throw std::bad_alloc();
  FWords = words;
  FCapacity = static_cast<uint32_t>(count);
}

void TIniChildren::Reserve(size_t count) {
  // Most lists hold a handful of lines; a section continued by repeated headers grows
  // again with each, geometrically, so that many short pieces cost linear time.
  if (count > FCapacity) Grow(std::max({count, size_t(2) * FCapacity, size_t(8)}));
}

void TIniChildren::PushBack(uintptr_t word) {
  Reserve(size_t(FSize) + 1);
  FWords[FSize++] = word;
}

void TIniChildren::Insert(size_t position, uintptr_t word) {
  Reserve(size_t(FSize) + 1);
  std::memmove(FWords + position + 1, FWords + position, (FSize - position) * sizeof(uintptr_t));
  FWords[position] = word;
  ++FSize;
}

void TIniChildren::ShrinkToFit() noexcept {
  if (FSize == FCapacity) return;
  if (FSize == 0) {
    std::free(std::exchange(FWords, nullptr));
    FCapacity = 0;
  } else if (auto* words = static_cast<uintptr_t*>(std::realloc(FWords, FSize * sizeof(uintptr_t)))) {
    FWords = words;
    FCapacity = FSize;
  }
}

void TIniChildren::ReleaseInto(std::vector<Ref<TIniItem>>& items) {
  for (size_t i = 0; i < FSize; ++i)
    if (!IsLine(FWords[i])) items.push_back(Ref<TIniItem>::Adopt(ItemOf(FWords[i])));
  FSize = 0;
}

// ---- TIniList: children

void TIniList::Append(Ref<TIniItem> item) {
  const size_t position = AppendPosition(item->Kind());
  Insert(std::move(item), position);
}

void TIniList::Insert(Ref<TIniItem> item, size_t position) {
  ORV_ASSERT(item->FList == nullptr, "the item already belongs to a list");
  const uintptr_t word = WordOf(item.Get());
  if (position == FChildren.size()) {
    FChildren.PushBack(word);
  } else {
    FChildren.Insert(position, word);
    for (size_t i = position + 1; i < FChildren.size(); ++i)
      if (const uintptr_t moved = FChildren.Load(i); !IsLine(moved)) ItemOf(moved)->FIndex = static_cast<uint32_t>(i);
    DropHashTable();  // its indexes have moved
  }
  item.Detach();  // the word holds the reference now
  Register(word, position);
}

void TIniList::AppendParsed(TIniChildren& pending, size_t first) {
  const size_t start = FChildren.size();
  if (start == 0 && first == 0) {
    // The list takes the parser's array over: a large list is not copied at its peak.
    FChildren = std::move(pending);
  } else {
    FChildren.Reserve(start + pending.size() - first);
    for (size_t i = first; i < pending.size(); ++i) FChildren.PushBack(pending.Load(i));
    pending.Truncate(first);
  }
  FChildren.ShrinkToFit();
  for (size_t i = start; i < FChildren.size(); ++i) Register(FChildren.Load(i), i);
}

void TIniList::Register(uintptr_t word, size_t position) {
  const TNameKey key = NameKeyOf(word);
  if (!IsLine(word)) {
    TIniItem& added = *ItemOf(word);
    added.FList = this;
    added.FIndex = static_cast<uint32_t>(position);
  }
  if (key.Kind == TIniItemKind::Text) return;
  ++FNamedCount;
  if (key.Kind == TIniItemKind::Object) {
    auto& object = static_cast<TIniObject&>(*ItemOf(word));
    std::vector<TIniObject*>& objects = OwnIndex().Objects;
    ORV_ASSERT(objects.empty() || objects.back()->FIndex < object.FIndex, "objects out of document order");
    object.FObjectIndex = static_cast<uint32_t>(objects.size());
    objects.push_back(&object);
  }
  if (key.Kind == TIniItemKind::Section && Kind() == TIniItemKind::File) {
    auto& file = static_cast<TIniFile&>(*this);
    ORV_ASSERT(position + 1 == FChildren.size(), "a section placed before the file's own lines");
    ++file.FSectionCount;
  }
  AddToHashTable(word, position);
}

size_t TIniList::AppendPosition(TIniItemKind kind) const noexcept {
  // A file holds its own lines before its sections: anything else placed after the last
  // section would be read back as part of that section.
  if (Kind() == TIniItemKind::File && kind != TIniItemKind::Section)
    return FChildren.size() - static_cast<const TIniFile*>(this)->FSectionCount;
  return FChildren.size();
}

size_t TIniList::NewKeyPosition() const noexcept {
  const size_t end = AppendPosition(TIniItemKind::Key);
  for (size_t i = end; i > 0; --i)
    if (NameKeyOf(FChildren.Load(i - 1)).Kind != TIniItemKind::Text) return i;
  return end;
}

TIniItem* TIniList::ItemAt(size_t index) const {
  if (index >= FChildren.size()) throw std::out_of_range("TIniList.ItemAt");
  return ChildAt(index);
}

TIniItem* TIniList::ChildAt(size_t index) const {
  const uintptr_t word = FChildren.Load(index);
  return IsLine(word) ? MakeChild(index) : ItemOf(word);
}

const TIniText& TIniList::LinesText() const noexcept {
  // Only the parser adds lines: to its file, which keeps the text, and to the lists it
  // makes, which live in it.
  if (Kind() == TIniItemKind::File) return *static_cast<const TIniFile*>(this)->FDocument;
  return *HomeOf(*this);
}

TIniLineView TIniList::ViewOf(uintptr_t word) const noexcept {
  if (IsLine(word)) return ReadLineAt(LinesText().Bytes(), LineOffset(word));
  const TIniItem& item = *ItemOf(word);
  return {item.Kind(), item.Name(), item.Value()};
}

TIniItem* TIniList::MakeChild(size_t index) const {
  std::lock_guard guard(TreeLock());
  const uintptr_t word = FChildren.Load(index);
  if (!IsLine(word)) return ItemOf(word);  // another thread made it meanwhile
  // Parsed items live in the text, which is changed only here and by the parser; both
  // run under exclusive access or this lock.
  auto& text = const_cast<TIniText&>(LinesText());
  const TIniLineView line = ReadLineAt(text.Bytes(), LineOffset(word));
  TIniItem* item = line.Kind == TIniItemKind::Section ? new (text) TIniSection(text, line.Name)
                                                      : new (text) TIniItem(line.Kind, text, line.Name, line.Value);
  text.ReturnUnusedShares();
  item->FList = const_cast<TIniList*>(this);
  item->FIndex = static_cast<uint32_t>(index);
  FChildren.Store(index, WordOf(item));
  return item;
}

void TIniList::RemoveAll() {
  ReleaseItems(std::move(FChildren));
  FNamedCount = 0;
  DropIndex();
}

TIniList::~TIniList() { DropIndex(); }

TIniList::TListIndex& TIniList::OwnIndex() const {
  if (TListIndex* index = FListIndex.load(std::memory_order_acquire)) return *index;
  auto* index = new TListIndex;
  FListIndex.store(index, std::memory_order_release);
  return *index;
}

void TIniList::DropIndex() noexcept { delete FListIndex.exchange(nullptr, std::memory_order_acq_rel); }

const std::vector<TIniObject*>& TIniList::Objects() const noexcept {
  static const std::vector<TIniObject*> kNone;
  const TListIndex* index = FListIndex.load(std::memory_order_acquire);
  return index ? index->Objects : kNone;
}

void TIniList::Dispose() {
  RemoveAll();
  TIniItem::Dispose();
}

void TIniList::ReleaseItems(TIniChildren children) noexcept {
  // Without recursion: a deep chain of objects would otherwise take one stack frame per
  // level. A list that nobody else holds gives up its children to this loop first.
  std::vector<Ref<TIniItem>> items;
  children.ReleaseInto(items);
  while (!items.empty()) {
    Ref<TIniItem> item = std::move(items.back());
    items.pop_back();
    item->FList = nullptr;
    if (!item->IsList() || item->RefCount() != 1) continue;
    auto& list = static_cast<TIniList&>(*item);
    list.FChildren.ReleaseInto(items);
    list.DropIndex();
  }
}

TIniObject* TIniList::FirstObject() const noexcept { return Objects().empty() ? nullptr : Objects().front(); }

TIniObject* TIniList::NextObject(const TIniObject* object) const noexcept {
  if (!object || object->FList != this) return nullptr;
  const size_t next = object->FObjectIndex + 1;
  const std::vector<TIniObject*>& objects = Objects();
  return next < objects.size() ? objects[next] : nullptr;
}

TIniItem* TIniList::AddText(std::string_view text) {
  auto item = MakeRef<TIniItem>(std::string_view{}, text);
  TIniItem* added = item.Get();
  Append(std::move(item));
  return added;
}

TIniItem* TIniList::AddKey(std::string_view name, std::string_view value) {
  auto item = MakeRef<TIniItem>(name, value);
  TIniItem* added = item.Get();
  Append(std::move(item));
  return added;
}

TIniObject* TIniList::AddObject(std::string_view name, std::string_view object_class) {
  auto object = MakeRef<TIniObject>(name, object_class);
  TIniObject* added = object.Get();
  Append(std::move(object));
  return added;
}

// ---- TIniList: lookups

void TIniList::TFreeSlots::operator()(TSlot* slots) const noexcept { std::free(slots); }

std::unique_ptr<TIniList::TSlot[], TIniList::TFreeSlots> TIniList::ZeroedSlots(size_t count) {
  auto* slots = static_cast<TSlot*>(std::calloc(count, sizeof(TSlot)));
  if (!slots) throw std::bad_alloc();
  return std::unique_ptr<TSlot[], TFreeSlots>(slots);
}

void TIniList::EnsureHashTable() const {
  if (const TListIndex* index = FListIndex.load(std::memory_order_acquire); index && index->HashReady.load(std::memory_order_acquire))
    return;
  std::lock_guard guard(TreeLock());
  TListIndex& index = OwnIndex();
  if (index.HashReady.load(std::memory_order_relaxed)) return;
  index.SlotCount = SlotCountFor(FNamedCount);
  index.Slots = ZeroedSlots(index.SlotCount);
  index.UsedSlots = 0;
  for (size_t i = 0; i < FChildren.size(); ++i)
    if (const TIniLineView line = ViewOf(FChildren.Load(i)); line.Kind != TIniItemKind::Text)
      AddSlot(FoldedHash(line.Name), static_cast<uint32_t>(i));
  index.HashReady.store(true, std::memory_order_release);
}

size_t TIniList::SlotCountFor(size_t named_count) noexcept {
  size_t slot_count = 2 * kMaxScanned;
  while (3 * slot_count < 4 * named_count) slot_count *= 2;
  return slot_count;
}

bool TIniList::SameNameAndKind(size_t a, size_t b) const noexcept {
  const TIniLineView first = ViewOf(FChildren.Load(a));
  const TIniLineView second = ViewOf(FChildren.Load(b));
  // An object's class counts too: lookups ask for it.
  return first.Kind == second.Kind && SameTextUtf8(first.Name, second.Name) &&
         (first.Kind != TIniItemKind::Object || SameTextUtf8(first.Value, second.Value));
}

void TIniList::AddSlot(uint32_t hash, uint32_t index) const {
  TListIndex& list_index = *FListIndex.load(std::memory_order_relaxed);
  const size_t mask = list_index.SlotCount - 1;
  TSlot* slots = list_index.Slots.get();
  size_t at = hash & mask;
  for (; slots[at].Hash != 0; at = (at + 1) & mask) {
    // A later child of the same name and kind (and class) takes the earlier one's slot:
    // no lookup wants the earlier.
    TSlot& slot = slots[at];
    if (slot.Hash == hash && slot.Index < index && SameNameAndKind(slot.Index, index)) {
      slot.Index = index;
      return;
    }
  }
  slots[at] = {hash, index};
  ++list_index.UsedSlots;
}

void TIniList::AddToHashTable(uintptr_t word, size_t index) {
  TListIndex* list_index = FListIndex.load(std::memory_order_relaxed);
  if (!list_index || !list_index->HashReady.load(std::memory_order_relaxed)) return;
  if (SlotCountFor(list_index->UsedSlots + 1) > list_index->SlotCount) {
    // Growing moves the slots over without visiting the items again.
    const size_t old_count = std::exchange(list_index->SlotCount, 2 * list_index->SlotCount);
    const auto old = std::exchange(list_index->Slots, ZeroedSlots(list_index->SlotCount));
    const size_t mask = list_index->SlotCount - 1;
    for (size_t i = 0; i < old_count; ++i) {
      if (old[i].Hash == 0) continue;
      size_t at = old[i].Hash & mask;
      while (list_index->Slots[at].Hash != 0) at = (at + 1) & mask;
      list_index->Slots[at] = old[i];
    }
  }
  AddSlot(FoldedHash(ViewOf(word).Name), static_cast<uint32_t>(index));
}

void TIniList::DropHashTable() noexcept {
  TListIndex* index = FListIndex.load(std::memory_order_relaxed);
  if (!index) return;
  index->HashReady.store(false, std::memory_order_relaxed);
  index->Slots.reset();
  index->SlotCount = index->UsedSlots = 0;
}

template <class Match>
size_t TIniList::FindLast(std::string_view name, Match match) const {
  const uint16_t ends = NameEnds(name);
  const auto matches = [&](uintptr_t word) {
    const TNameKey key = NameKeyOf(word);
    if (key.Kind == TIniItemKind::Text || !MayBeNamed(key, name, ends)) return false;
    const TIniLineView line = ViewOf(word);
    return match(line) && SameName(line.Name, key.Ends, name, ends);
  };
  // A short list is scanned from its end: quicker than a table, and needs none.
  if (FNamedCount <= kMaxScanned) {
    for (size_t i = FChildren.size(); i > 0; --i)
      if (matches(FChildren.Load(i - 1))) return i - 1;
    return npos;
  }
  EnsureHashTable();
  // Duplicates sit anywhere in the probe run: the one latest in the document wins.
  const uint32_t hash = FoldedHash(name);
  const TListIndex& index = *FListIndex.load(std::memory_order_acquire);
  const TSlot* slots = index.Slots.get();
  const size_t mask = index.SlotCount - 1;
  size_t last = npos;
  for (size_t at = hash & mask; slots[at].Hash != 0; at = (at + 1) & mask) {
    const TSlot& slot = slots[at];
    if (slot.Hash != hash || (last != npos && last > slot.Index)) continue;
    if (matches(FChildren.Load(slot.Index))) last = slot.Index;
  }
  return last;
}

template <class Match>
TIniItem* TIniList::FindLastItem(std::string_view name, Match match) const {
  const size_t found = FindLast(name, match);
  return found == npos ? nullptr : ChildAt(found);
}

TIniItem* TIniList::FindItem(std::string_view name) const {
  if (name.empty()) return nullptr;
  return FindLastItem(name, [](const TIniLineView&) { return true; });
}

TIniItem* TIniList::FindKey(std::string_view name) const {
  if (name.empty()) return nullptr;
  return FindLastItem(name, [](const TIniLineView& line) { return line.Kind == TIniItemKind::Key; });
}

TIniItem* TIniList::FindOrAddKey(std::string_view name) {
  if (name.empty()) return nullptr;
  if (TIniItem* key = FindKey(name)) return key;
  const size_t position = NewKeyPosition();
  Insert(MakeRef<TIniItem>(name, std::string_view{}), position);
  return ChildAt(position);
}

TIniObject* TIniList::FindObject(std::string_view name) const {
  return static_cast<TIniObject*>(
      FindLastItem(name, [](const TIniLineView& line) { return line.Kind == TIniItemKind::Object; }));
}

TIniObject* TIniList::FindObjectOfClass(std::string_view name, std::string_view object_class) const {
  return static_cast<TIniObject*>(FindLastItem(name, [&](const TIniLineView& line) {
    return line.Kind == TIniItemKind::Object && SameTextUtf8(line.Value, object_class);
  }));
}

TIniList* TIniList::FindOrAddChildList(std::string_view part) {
  if (Kind() == TIniItemKind::File) return static_cast<TIniFile*>(this)->FindOrAddSection(part);
  if (part.empty()) return FirstObject();
  if (TIniObject* object = FindObject(part)) return object;
  return AddObject(part, {});
}

TIniItem* TIniList::FindPath(std::string_view path) {
  TIniList* list = this;
  for (size_t colon; list && (colon = path.find(':')) != std::string_view::npos; path.remove_prefix(colon + 1))
    list = list->FindOrAddChildList(path.substr(0, colon));
  if (!list || path.empty()) return nullptr;
  if (TIniItem* item = list->FindItem(path)) return item;
  return list->FindOrAddKey(path);
}

// ---- TIniList: writing

namespace {

void WriteSectionHeader(TTextSaver& saver, std::string_view name) {
  saver.Write("[");
  saver.Write(name);
  saver.Write("]");
  saver.EndLine();
}

}  // namespace

int TIniList::ChildIndent(int indent) const noexcept {
  switch (Kind()) {
    case TIniItemKind::Object:
      return std::min(indent + 2, kMaxIndent);
    case TIniItemKind::Section:
      return 0;
    default:
      return indent;
  }
}

void TIniList::WriteHeader(TTextSaver& saver, int indent) const {
  if (Kind() == TIniItemKind::Section) {
    WriteSectionHeader(saver, Name());
  } else if (IsObject()) {
    saver.BeginLine(indent);
    saver.Write("object");
    if (!Name().empty()) {
      saver.Write(" ");
      saver.Write(Name());
    }
    // The class follows the last ":" of the line, so a name holding ":" needs one after it
    // even without a class, or its tail would be read back as the class.
    if (!Value().empty() || Name().find(':') != std::string_view::npos) {
      saver.Write(":");
      saver.Write(Value());
    }
    saver.EndLine();
  }
}

void TIniList::WriteFooter(TTextSaver& saver, int indent) const {
  if (!IsObject()) return;
  saver.BeginLine(indent);
  saver.Write("end");
  saver.EndLine();
}

void TIniList::WriteText(TTextSaver& saver, int indent) const {
  // Without recursion, like ReleaseItems: documents may nest to any depth.
  struct TFrame {
    const TIniList* list;
    size_t next;
    int indent;
  };
  std::vector<TFrame> open;
  const auto enter = [&](const TIniList& list, int at) {
    list.WriteHeader(saver, at);
    open.push_back({&list, 0, at});
  };
  enter(*this, indent);
  while (!open.empty()) {
    TFrame& top = open.back();
    if (top.next == top.list->FChildren.size()) {
      top.list->WriteFooter(saver, top.indent);
      open.pop_back();
      continue;
    }
    const uintptr_t word = top.list->FChildren.Load(top.next++);
    const int child_indent = top.list->ChildIndent(top.indent);
    if (!IsLine(word) && ItemOf(word)->IsList()) {
      enter(static_cast<const TIniList&>(*ItemOf(word)), child_indent);
      continue;
    }
    // Lines are written from the text, without making items of them.
    const TIniLineView line = top.list->ViewOf(word);
    if (line.Kind == TIniItemKind::Section)
      WriteSectionHeader(saver, line.Name);
    else
      TIniItem::WriteLine(saver, child_indent, line);
  }
}

// ---- TIniFile

TIniFile::TIniFile() : TIniSection(TIniItemKind::File) {}

void TIniFile::Clear() {
  RemoveAll();
  FSectionCount = 0;
  FDocument = nullptr;
}

TIniSection* TIniFile::SectionAt(size_t index) const {
  if (index >= FSectionCount) throw std::out_of_range("TIniFile.SectionAt");
  return static_cast<TIniSection*>(ChildAt(Count() - FSectionCount + index));
}

bool TIniFile::Fail(std::string reason) {
  Clear();
  FLoadError = std::move(reason);
  return false;
}

bool TIniFile::LoadFromStream(TStream& stream) {
  try {
    const int64_t size = std::max<int64_t>(0, stream.Size() - stream.Position());
    if (size >= kMaxTextSize) return Fail("the document is 128 MiB or larger");
    std::string raw(static_cast<size_t>(size), '\0');
    size_t got = 0;
    while (got < raw.size())
      if (const size_t read = stream.Read(raw.data() + got, raw.size() - got))
        got += read;
      else
        return Fail("the document ends before its stated size");
    return LoadFromBuffer(std::move(raw));
  } catch (const Exception& error) {
    return Fail(std::string("the document cannot be read: ") + error.what());
  }
}

bool TIniFile::LoadFromBytes(std::string_view bytes) {
  if (bytes.size() >= kMaxTextSize) return Fail("the document is 128 MiB or larger");
  return LoadFromBuffer(std::string(bytes));
}

bool TIniFile::LoadFromBuffer(std::string&& bytes) {
  if (bytes.size() >= kMaxTextSize) return Fail("the document is 128 MiB or larger");
  size_t start;
  std::string text = DecodeDocument(std::move(bytes), start);
  return Parse(std::move(text), start);
}

bool TIniFile::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::OpenRead);
  return LoadFromStream(stream);
}

bool TIniFile::LoadFromEscaped(std::string_view escaped) {
  if (escaped.size() >= kMaxTextSize) return Fail("the document is 128 MiB or larger");
  std::optional<std::string> text = UnescapeText(escaped);
  if (!text) return Fail("the value is not a valid escaped document");
  return Parse(std::move(*text), 0);
}

void TIniFile::SaveToStream(TStream& stream, bool with_mark) const {
  TTextSaver saver(TTextSaver::TForm::Plain, &stream);
  if (with_mark) saver.Write(kUtf8Mark);
  WriteText(saver, 0);
  saver.Flush();
}

void TIniFile::SaveToFile(const std::string& path) const {
  TFileStream file(path, TFileMode::Create);
  SaveToStream(file, true);
  file.Flush();
}

std::string TIniFile::SaveToString(bool with_mark) const {
  TTextSaver saver;
  if (with_mark) saver.Write(kUtf8Mark);
  WriteText(saver, 0);
  return saver.TakeText();
}

Ref<TIniFile> CopyOf(const TIniFile& file) {
  Ref<TIniFile> copy = MakeRef<TIniFile>();
  if (!copy->LoadFromBuffer(file.SaveToString(true))) return nullptr;
  return copy;
}

std::string TIniFile::SaveToEscaped() const {
  TTextSaver saver(TTextSaver::TForm::Escaped);
  WriteText(saver, 0);
  return saver.TakeText();
}

size_t TIniFile::FindSectionNamed(std::string_view name) const {
  return FindLast(name, [](const TIniLineView& line) { return line.Kind == TIniItemKind::Section; });
}

TIniSection* TIniFile::FindSection(std::string_view name) const {
  if (name.empty()) return const_cast<TIniFile*>(this);
  const size_t found = FindSectionNamed(name);
  return found == npos ? nullptr : static_cast<TIniSection*>(ChildAt(found));
}

TIniSection* TIniFile::FindOrAddSection(std::string_view name) {
  if (TIniSection* section = FindSection(name)) return section;
  auto section = MakeRef<TIniSection>(name);
  TIniSection* added = section.Get();
  Append(std::move(section));
  return added;
}

TIniItem* TIniFile::FindKey(std::string_view section, std::string_view key) const {
  const TIniSection* found = FindSection(section);
  return found ? found->FindKey(key) : nullptr;
}

TIniItem* TIniFile::FindOrAddKey(std::string_view section, std::string_view key) {
  return FindOrAddSection(section)->FindOrAddKey(key);
}

}  // namespace orv
