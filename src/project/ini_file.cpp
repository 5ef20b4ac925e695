#include "project/ini_file.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "base/assertions.h"
#include "project/folded_name.h"

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

// Hash tables are built lazily by lookups, which may run on several threads at once.
std::mutex& HashTableLock() {
  static std::mutex lock;
  return lock;
}

bool IsNamed(const TIniItem& item) noexcept { return !item.IsText(); }

// Room for `count` elements. A section continued by repeated headers grows again with
// each: geometrically, so that many short pieces cost linear time.
template <class T>
void Reserve(std::vector<T>& items, size_t count) {
  if (count > items.capacity()) items.reserve(std::max(count, 2 * items.capacity()));
}

uint32_t HashOf(const TIniItem& item) { return FoldedHash(item.Name()); }

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

void TIniItem::WriteText(TTextSaver& saver, int indent) const {
  if (Name().empty() && Value().empty()) {
    saver.EndLine();
    return;
  }
  saver.BeginLine(indent);
  if (IsKey()) {
    saver.Write(Name());
    saver.Write("=");
  }
  saver.Write(Value());
  saver.EndLine();
}

// ---- TIniList: children

void TIniList::Append(Ref<TIniItem> item) {
  const size_t position = AppendPosition(item->Kind());
  Insert(std::move(item), position);
}

void TIniList::Insert(Ref<TIniItem> item, size_t position) {
  ORV_ASSERT(item->FList == nullptr, "the item already belongs to a list");
  ORV_ASSERT(FItems.size() < std::numeric_limits<uint32_t>::max(), "too many items in one list");
  TIniItem& added = *item;
  if (position == FItems.size()) {
    // Most lists hold a handful of lines; room for several spares the first few
    // reallocations.
    if (FItems.capacity() == 0) FItems.reserve(8);
    FItems.push_back(std::move(item));
  } else {
    FItems.insert(FItems.begin() + static_cast<ptrdiff_t>(position), std::move(item));
    for (size_t i = position + 1; i < FItems.size(); ++i) FItems[i]->FIndex = static_cast<uint32_t>(i);
    DropHashTable();  // its indexes have moved
  }
  Register(added, position);
}

void TIniList::AppendParsed(std::span<Ref<TIniItem>> children) {
  const size_t count = FItems.size() + children.size();
  ORV_ASSERT(count <= std::numeric_limits<uint32_t>::max(), "too many items in one list");
  Reserve(FItems, count);
  const auto objects = std::count_if(children.begin(), children.end(), [](const auto& c) { return c->IsObject(); });
  if (objects > 0) Reserve(OwnIndex().Objects, Objects().size() + size_t(objects));
  for (Ref<TIniItem>& child : children) {
    TIniItem& added = *child;
    FItems.push_back(std::move(child));
    Register(added, FItems.size() - 1);
  }
}

void TIniList::Register(TIniItem& added, size_t position) {
  added.FList = this;
  added.FIndex = static_cast<uint32_t>(position);
  if (!IsNamed(added)) return;
  ++FNamedCount;
  if (added.IsObject()) {
    auto& object = static_cast<TIniObject&>(added);
    std::vector<TIniObject*>& objects = OwnIndex().Objects;
    ORV_ASSERT(objects.empty() || objects.back()->FIndex < object.FIndex, "objects out of document order");
    object.FObjectIndex = static_cast<uint32_t>(objects.size());
    objects.push_back(&object);
  }
  if (added.Kind() == TIniItemKind::Section && Kind() == TIniItemKind::File) {
    auto& file = static_cast<TIniFile&>(*this);
    ORV_ASSERT(position + 1 == FItems.size(), "a section placed before the file's own lines");
    ++file.FSectionCount;
  }
  AddToHashTable(added);
}

size_t TIniList::AppendPosition(TIniItemKind kind) const noexcept {
  // A file holds its own lines before its sections: anything else placed after the last
  // section would be read back as part of that section.
  if (Kind() == TIniItemKind::File && kind != TIniItemKind::Section)
    return FItems.size() - static_cast<const TIniFile*>(this)->FSectionCount;
  return FItems.size();
}

size_t TIniList::NewKeyPosition() const noexcept {
  const size_t end = AppendPosition(TIniItemKind::Key);
  for (size_t i = end; i > 0; --i)
    if (IsNamed(*FItems[i - 1])) return i;
  return end;
}

void TIniList::RemoveAll() {
  ReleaseItems(std::move(FItems));
  FItems.clear();
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

void TIniList::ReleaseItems(std::vector<Ref<TIniItem>> items) noexcept {
  // Without recursion: a deep chain of objects would otherwise take one stack frame per
  // level. A list that nobody else holds gives up its children to this loop first.
  while (!items.empty()) {
    Ref<TIniItem> item = std::move(items.back());
    items.pop_back();
    item->FList = nullptr;
    if (!item->IsList() || item->RefCount() != 1) continue;
    auto& list = static_cast<TIniList&>(*item);
    for (auto& child : list.FItems) items.push_back(std::move(child));
    list.FItems.clear();
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

void TIniList::EnsureHashTable() const {
  if (const TListIndex* index = FListIndex.load(std::memory_order_acquire); index && index->HashReady.load(std::memory_order_acquire))
    return;
  std::lock_guard guard(HashTableLock());
  TListIndex& index = OwnIndex();
  if (index.HashReady.load(std::memory_order_relaxed)) return;
  index.Slots.assign(SlotCountFor(FNamedCount), TSlot{0, 0});
  for (const auto& item : FItems)
    if (IsNamed(*item)) AddSlot(HashOf(*item), item->FIndex);
  index.HashReady.store(true, std::memory_order_release);
}

size_t TIniList::SlotCountFor(size_t named_count) noexcept {
  size_t slot_count = 2 * kMaxScanned;
  while (3 * slot_count < 4 * named_count) slot_count *= 2;
  return slot_count;
}

void TIniList::AddSlot(uint32_t hash, uint32_t index) const noexcept {
  std::vector<TSlot>& slots = FListIndex.load(std::memory_order_relaxed)->Slots;
  const size_t mask = slots.size() - 1;
  size_t at = hash & mask;
  while (slots[at].Hash != 0) at = (at + 1) & mask;
  slots[at] = {hash, index};
}

void TIniList::AddToHashTable(const TIniItem& item) {
  TListIndex* index = FListIndex.load(std::memory_order_relaxed);
  if (!index || !index->HashReady.load(std::memory_order_relaxed)) return;
  if (SlotCountFor(FNamedCount) > index->Slots.size()) {
    // Growing moves the slots over without visiting the items again.
    const std::vector<TSlot> old =
        std::exchange(index->Slots, std::vector<TSlot>(2 * index->Slots.size(), TSlot{0, 0}));
    for (const TSlot& slot : old)
      if (slot.Hash != 0) AddSlot(slot.Hash, slot.Index);
  }
  AddSlot(HashOf(item), item.FIndex);
}

void TIniList::DropHashTable() noexcept {
  TListIndex* index = FListIndex.load(std::memory_order_relaxed);
  if (!index) return;
  index->HashReady.store(false, std::memory_order_relaxed);
  std::vector<TSlot>().swap(index->Slots);
}

template <class Match>
TIniItem* TIniList::FindLast(std::string_view name, Match match) const {
  const uint16_t ends = NameEnds(name);
  const auto matches = [&](const TIniItem& item) {
    return MayBeSameName(item.FNameSize, item.FNameEnds, name.size(), ends) && IsNamed(item) && match(item) &&
           SameName(item.Name(), item.FNameEnds, name, ends);
  };
  // A short list is scanned from its end: quicker than a table, and needs none.
  if (FNamedCount <= kMaxScanned) {
    for (auto item = FItems.rbegin(); item != FItems.rend(); ++item)
      if (matches(**item)) return item->Get();
    return nullptr;
  }
  EnsureHashTable();
  // Duplicates sit anywhere in the probe run: the one latest in the document wins.
  const uint32_t hash = FoldedHash(name);
  const std::vector<TSlot>& slots = FListIndex.load(std::memory_order_acquire)->Slots;
  const size_t mask = slots.size() - 1;
  TIniItem* last = nullptr;
  for (size_t at = hash & mask; slots[at].Hash != 0; at = (at + 1) & mask) {
    const TSlot& slot = slots[at];
    if (slot.Hash != hash || (last && last->FIndex > slot.Index)) continue;
    if (TIniItem* item = FItems[slot.Index].Get(); matches(*item)) last = item;
  }
  return last;
}

TIniItem* TIniList::FindItem(std::string_view name) const {
  if (name.empty()) return nullptr;
  return FindLast(name, [](const TIniItem&) { return true; });
}

TIniItem* TIniList::FindKey(std::string_view name) const {
  if (name.empty()) return nullptr;
  return FindLast(name, [](const TIniItem& item) { return item.IsKey(); });
}

TIniItem* TIniList::FindOrAddKey(std::string_view name) {
  if (name.empty()) return nullptr;
  if (TIniItem* key = FindKey(name)) return key;
  const size_t position = NewKeyPosition();
  Insert(MakeRef<TIniItem>(name, std::string_view{}), position);
  return FItems[position].Get();
}

TIniObject* TIniList::FindObject(std::string_view name) const {
  return static_cast<TIniObject*>(FindLast(name, [](const TIniItem& item) { return item.IsObject(); }));
}

TIniObject* TIniList::FindObjectOfClass(std::string_view name, std::string_view object_class) const {
  return static_cast<TIniObject*>(FindLast(name, [&](const TIniItem& item) {
    return item.IsObject() && SameTextUtf8(item.Value(), object_class);
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
    saver.Write("[");
    saver.Write(Name());
    saver.Write("]");
    saver.EndLine();
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
    if (top.next == top.list->FItems.size()) {
      top.list->WriteFooter(saver, top.indent);
      open.pop_back();
      continue;
    }
    const TIniItem& child = *top.list->FItems[top.next++];
    const int child_indent = top.list->ChildIndent(top.indent);
    if (child.IsList())
      enter(static_cast<const TIniList&>(child), child_indent);
    else
      child.WriteText(saver, child_indent);
  }
}

// ---- TIniFile

TIniFile::TIniFile() : TIniSection(TIniItemKind::File) {}

void TIniFile::Clear() {
  RemoveAll();
  FSectionCount = 0;
}

TIniSection* TIniFile::SectionAt(size_t index) const {
  if (index >= FSectionCount) throw std::out_of_range("TIniFile.SectionAt");
  return static_cast<TIniSection*>(FItems[FItems.size() - FSectionCount + index].Get());
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

TIniSection* TIniFile::FindSectionNamed(std::string_view name) const {
  return static_cast<TIniSection*>(
      FindLast(name, [](const TIniItem& item) { return item.Kind() == TIniItemKind::Section; }));
}

TIniSection* TIniFile::FindSection(std::string_view name) const {
  if (name.empty()) return const_cast<TIniFile*>(this);
  return FindSectionNamed(name);
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
