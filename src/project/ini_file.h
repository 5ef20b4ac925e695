// The project document: an INI-like text with sections, keys and nested object blocks
// (object Name:Class ... end), read into a tree that keeps every line, comments and blank
// lines included, so that a document written back keeps its content and order.
//
// Names and values are UTF-8 bytes, viewed cheaply through Name() and Value(); ReadString
// converts to UTF-16 and is where malformed UTF-8 is reported. Names are compared without
// regard to case; when a list holds several children of one name, lookups give the last.
//
// Threads: several threads may read one tree at once (lookups build their hash tables on
// demand under a lock). Changing a tree needs exclusive access.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ref_object.h"
#include "base/stream.h"
#include "base/text.h"
#include "project/ini_values.h"
#include "project/text_saver.h"

namespace orv {

class TIniList;
class TIniObject;
class TIniSection;
class TIniFile;
class TIniParser;

// An immutable block of UTF-8 bytes that items view into: the whole decoded text of a
// parsed document, or the name and value of one item made or changed by code. The items
// of a parsed document also live in memory the block hands out, so that a line costs no
// allocation of its own; the block goes when the last of them does.
class TIniText : public TRefObject {
public:
  explicit TIniText(std::string bytes) : FBytes(std::move(bytes)) {}
  std::string_view Bytes() const noexcept { return FBytes; }

private:
  friend class TIniItem;
  friend class TIniList;
  friend class TIniParser;

  // Memory for one item, and a share in keeping the block alive for it.
  void* AllocateItem(size_t size);
  // The items living here keep the block alive together, as one reference, through a count
  // of them. Allocation adds to the count in batches ahead of need, sparing an atomic
  // operation per line; the parser gives back what it did not use when it is done.
  void AddItemShares(size_t count);
  void ReleaseItemShares(size_t count) noexcept;
  void ReturnUnusedShares() noexcept;

  const std::string FBytes;
  std::vector<std::unique_ptr<std::byte[]>> FChunks;
  std::byte* FChunkNext = nullptr;
  std::byte* FChunkEnd = nullptr;
  size_t FUnusedShares = 0;
  std::atomic<size_t> FItemShares{0};
};

enum class TIniItemKind : uint8_t {
  Text,     // a comment, blank or unrecognised line: no name, the line in the value
  Key,      // name=value
  Object,   // an object block; the value holds its class
  Section,  // a [section]
  File,     // the whole document
};

// What a line of the document says: its kind, name and value.
struct TIniLineView {
  TIniItemKind Kind;
  std::string_view Name;
  std::string_view Value;
};

// A line of the document: a key, or (with an empty name) a text line.
class TIniItem : public TTextWriter {
public:
  // A key, or a text line when the name is empty.
  TIniItem(std::string_view name, std::string_view value);

  TIniItemKind Kind() const noexcept { return FKind; }
  bool IsText() const noexcept { return FKind == TIniItemKind::Text; }
  bool IsKey() const noexcept { return FKind == TIniItemKind::Key; }
  bool IsObject() const noexcept { return FKind == TIniItemKind::Object; }
  bool IsSection() const noexcept { return FKind == TIniItemKind::Section || FKind == TIniItemKind::File; }
  bool IsList() const noexcept { return FKind >= TIniItemKind::Object; }

  // Valid while the item lives and its value is not changed.
  std::string_view Name() const noexcept { return {FName, FNameSize}; }
  std::string_view Value() const noexcept { return {FName + FValueOffset, FValueSize}; }
  void SetValue(std::string_view utf8);
  // NameEnds of the name, kept with the item.
  uint16_t FoldedEnds() const noexcept { return FNameEnds; }

  // The list that holds the item and its index there (null when it is in none).
  TIniList* List() const noexcept { return FList; }
  size_t Index() const noexcept { return FIndex; }

  void WriteText(TTextSaver& saver, int indent) const override;
  // A key or text line as WriteText writes it.
  static void WriteLine(TTextSaver& saver, int indent, const TIniLineView& line);

  // Items made by code live on the heap; parsed ones in their document's text block.
  static void* operator new(size_t size);
  static void* operator new(size_t size, TIniText& text);
  static void operator delete(void* item) noexcept;
  static void operator delete(void* item, TIniText& text) noexcept;

protected:
  TIniItem(TIniItemKind kind, std::string_view name, std::string_view value);
  // A parsed item: `name` and then `value` view into `text`, and the item is made with
  // new (text), which keeps the text alive.
  TIniItem(TIniItemKind kind, const TIniText& text, std::string_view name, std::string_view value);

private:
  friend class TIniList;
  friend class TIniParser;

  // The text block a parsed item lives in; null for an item made by code.
  static TIniText* HomeOf(const TIniItem& item) noexcept;
  void UseOwnText(std::string_view name, std::string_view value);
  void UseText(std::string_view name, std::string_view value) noexcept;

  // Parsed documents hold hundreds of thousands of items: the layout is kept tight.
  TIniItemKind FKind;
  uint16_t FNameEnds = 0;  // see NameEnds: with the size, most lookups pass over an item by it
  uint32_t FNameSize = 0;
  uint32_t FValueSize = 0;
  uint32_t FValueOffset = 0;  // the value follows the name in the same text
  uint32_t FIndex = 0;
  const char* FName = nullptr;
  Ref<const TIniText> FText;  // the item's own text, when it is not its document's
  TIniList* FList = nullptr;
};

// The children of a list, one word each: a made item (its address; the word holds a
// reference to it) or a line of the document text not yet made into an item. A parsed
// line becomes an item only when it is reached through the interface, so that a document
// of millions of lines nobody looks at costs a word a line. Grown with realloc, which moves
// large arrays without a copy, so that their peak is not the old and the new array at once.
class TIniChildren {
public:
  TIniChildren() = default;
  TIniChildren(TIniChildren&& other) noexcept;
  TIniChildren& operator=(TIniChildren&& other) noexcept;
  ~TIniChildren();

  size_t size() const noexcept { return FSize; }
  bool empty() const noexcept { return FSize == 0; }
  // Loads and stores are atomic: lookups may make lines into items while others read.
  uintptr_t Load(size_t index) const noexcept;
  void Store(size_t index, uintptr_t word) noexcept;
  void PushBack(uintptr_t word);
  void Insert(size_t position, uintptr_t word);
  void Reserve(size_t count);
  void ShrinkToFit() noexcept;
  // Forgets the words from `count` on: their items now belong to someone else.
  void Truncate(size_t count) noexcept { FSize = static_cast<uint32_t>(count); }
  // Hands the made items over, one reference each, and empties the array.
  void ReleaseInto(std::vector<Ref<TIniItem>>& items);

private:
  void Grow(size_t count);
  uintptr_t* FWords = nullptr;
  uint32_t FSize = 0;
  uint32_t FCapacity = 0;
};

// An item with ordered children: a section, an object, or the file.
class TIniList : public TIniItem {
public:
  // The children in order, each read by `Read`.
  template <class Read>
  class TChildRange {
  public:
    class iterator {
    public:
      iterator(const TIniList* list, size_t index) noexcept : FList(list), FIndex(index) {}
      auto operator*() const { return Read{}(*FList, FIndex); }
      iterator& operator++() noexcept {
        ++FIndex;
        return *this;
      }
      bool operator==(const iterator& other) const noexcept = default;

    private:
      const TIniList* FList;
      size_t FIndex;
    };
    explicit TChildRange(const TIniList& list) noexcept : FList(&list) {}
    iterator begin() const noexcept { return {FList, 0}; }
    iterator end() const noexcept { return {FList, size()}; }
    size_t size() const noexcept { return FList->Count(); }
    bool empty() const noexcept { return size() == 0; }

  private:
    const TIniList* FList;
  };
  struct TReadItem {
    TIniItem* operator()(const TIniList& list, size_t index) const { return list.ChildAt(index); }
  };
  struct TReadLine {
    TIniLineView operator()(const TIniList& list, size_t index) const noexcept {
      return list.ViewOf(list.FChildren.Load(index));
    }
  };

  // The children in order, made into items as they are reached.
  TChildRange<TReadItem> Items() const noexcept { return TChildRange<TReadItem>(*this); }
  // What the children say, without making items of them: for a pass over a list that may
  // be long, which would otherwise hold an item for every line it has seen. The views
  // stay valid while the tree does not change.
  TChildRange<TReadLine> Lines() const noexcept { return TChildRange<TReadLine>(*this); }
  size_t Count() const noexcept { return FChildren.size(); }
  TIniItem* ItemAt(size_t index) const;
  size_t NamedCount() const noexcept { return FNamedCount; }

  // The object children in document order.
  size_t ObjectCount() const noexcept { return Objects().size(); }
  TIniObject* ObjectAt(size_t index) const { return Objects().at(index); }
  TIniObject* FirstObject() const noexcept;
  TIniObject* NextObject(const TIniObject* object) const noexcept;

  // The last named child (key, object or section) of that name; null for an empty name.
  TIniItem* FindItem(std::string_view name) const;
  // The last key of that name; objects and sections do not count.
  TIniItem* FindKey(std::string_view name) const;
  // FindKey, else a new key with an empty value placed after the last named child.
  // Null for an empty name, which cannot name a key.
  TIniItem* FindOrAddKey(std::string_view name);
  TIniObject* FindObject(std::string_view name) const;
  // The last object with that name and class (both without regard to case).
  TIniObject* FindObjectOfClass(std::string_view name, std::string_view object_class) const;

  // "a:b:c": every part but the last selects a child list (on the file a section, below it
  // an object; an empty part the first object), created when missing; the last part names
  // an item of any kind, else a key is created. Null when an empty part finds no object or
  // the last part is empty.
  TIniItem* FindPath(std::string_view path);

  // Appended at the end of the list (on the file: before its first section).
  TIniItem* AddText(std::string_view text);
  TIniItem* AddKey(std::string_view name, std::string_view value);
  TIniObject* AddObject(std::string_view name, std::string_view object_class);

  // Writes the list's own header line (if any), its children, and its closing line.
  void WriteText(TTextSaver& saver, int indent) const override;

protected:
  TIniList(TIniItemKind kind, std::string_view name, std::string_view value) : TIniItem(kind, name, value) {}
  TIniList(TIniItemKind kind, const TIniText& text, std::string_view name, std::string_view value)
      : TIniItem(kind, text, name, value) {}
  ~TIniList() override;
  void Dispose() override;

  // Places a new child at the end of the list (on the file: before its first section).
  void Append(Ref<TIniItem> item);
  void RemoveAll();

private:
  friend class TIniParser;
  friend class TIniFile;

  // The child at `index`, made into an item if it is still a line.
  TIniItem* ChildAt(size_t index) const;
  TIniItem* MakeChild(size_t index) const;
  // The text that the list's unmade lines lie in.
  const TIniText& LinesText() const noexcept;
  TIniLineView ViewOf(uintptr_t word) const noexcept;

  void Insert(Ref<TIniItem> item, size_t position);
  // Appends the children the parser has gathered in `pending` from `first` on, in one step.
  void AppendParsed(TIniChildren& pending, size_t first);
  // Makes the child just placed at `position` one of the list's.
  void Register(uintptr_t word, size_t position);
  size_t AppendPosition(TIniItemKind kind) const noexcept;
  size_t NewKeyPosition() const noexcept;
  TIniList* FindOrAddChildList(std::string_view part);
  // The index of the last named child of that name for which `match` holds; npos if none.
  template <class Match>
  size_t FindLast(std::string_view name, Match match) const;
  template <class Match>
  TIniItem* FindLastItem(std::string_view name, Match match) const;
  void EnsureHashTable() const;
  static size_t SlotCountFor(size_t named_count) noexcept;
  void AddToHashTable(uintptr_t word, size_t index);
  void AddSlot(uint32_t hash, uint32_t index) const;
  // Whether the children at `a` and `b` have one name, kind and (objects) class.
  bool SameNameAndKind(size_t a, size_t b) const noexcept;
  void DropHashTable() noexcept;
  static void ReleaseItems(TIniChildren children) noexcept;
  const std::vector<TIniObject*>& Objects() const noexcept;
  void DropIndex() noexcept;
  int ChildIndent(int indent) const noexcept;
  void WriteHeader(TTextSaver& saver, int indent) const;
  void WriteFooter(TTextSaver& saver, int indent) const;

  mutable TIniChildren FChildren;
  uint32_t FNamedCount = 0;
  // The hash table over the named children: open addressing, at most three quarters
  // full. A slot holds a hash (0 when empty) and an index. Of several children of one
  // name and kind (and, for objects, class) only the last has a slot, so that a list of
  // one name repeated millions of times needs next to none of it, and its lookups do not
  // walk a run of millions of slots of one hash.
  struct TSlot {
    uint32_t Hash;
    uint32_t Index;
  };
  struct TFreeSlots {
    void operator()(TSlot* slots) const noexcept;
  };
  // What only some lists need, made when first needed: the object children in order, and
  // the hash table, which the first lookup in a list of many named children builds. Most
  // lists have neither; kept apart, they cost those lists one pointer, so that a document
  // of many small sections stays a small multiple of its text.
  struct TListIndex {
    std::vector<TIniObject*> Objects;
    // Zeroed by calloc: the pages of a large table that no slot reaches stay untouched.
    std::unique_ptr<TSlot[], TFreeSlots> Slots;
    size_t SlotCount = 0;
    size_t UsedSlots = 0;
    std::atomic<bool> HashReady{false};
  };
  static std::unique_ptr<TSlot[], TFreeSlots> ZeroedSlots(size_t count);
  // Made by a change of the list, or under the tree lock by a lookup.
  mutable std::atomic<TListIndex*> FListIndex{nullptr};
  TListIndex& OwnIndex() const;
};

class TIniObject : public TIniList {
public:
  TIniObject(std::string_view name, std::string_view object_class)
      : TIniList(TIniItemKind::Object, name, object_class) {}

  std::string_view ObjectClass() const noexcept { return Value(); }
  // The position among the parent's objects.
  size_t ObjectIndex() const noexcept { return FObjectIndex; }

private:
  friend class TIniList;
  friend class TIniParser;
  TIniObject(const TIniText& text, std::string_view name, std::string_view object_class)
      : TIniList(TIniItemKind::Object, text, name, object_class) {}

  uint32_t FObjectIndex = 0;
};

class TIniSection : public TIniList {
public:
  explicit TIniSection(std::string_view name) : TIniList(TIniItemKind::Section, name, {}) {}

protected:
  explicit TIniSection(TIniItemKind kind) : TIniList(kind, {}, {}) {}

private:
  friend class TIniList;
  friend class TIniParser;
  TIniSection(const TIniText& text, std::string_view name) : TIniList(TIniItemKind::Section, text, name, {}) {}
};

// The whole document. Its own children are the lines before the first section header
// followed by the sections.
class TIniFile : public TIniSection {
public:
  // A document of 128 MiB or more is refused.
  static constexpr int64_t kMaxTextSize = int64_t(1) << 27;

  TIniFile();

  // Replaces the content. A UTF-8 byte-order mark means UTF-8, FF FE means UTF-16 LE,
  // anything else is the legacy 8-bit code page (Windows-1252). Fails, leaving an empty
  // document, when the text is too large or cannot be read; malformed lines never fail.
  bool LoadFromStream(TStream& stream);
  bool LoadFromBytes(std::string_view bytes);
  // The same, taking over the caller's buffer instead of copying it.
  bool LoadFromBuffer(std::string&& bytes);
  // Raises EFOpenError when the file does not open.
  bool LoadFromFile(const std::string& path);
  // A document kept in one value (escaped form); fails with an empty document when the
  // value is not valid escaped text.
  bool LoadFromEscaped(std::string_view escaped);
  // Why the last load failed (empty after a successful one).
  const std::string& LoadError() const noexcept { return FLoadError; }

  void SaveToStream(TStream& stream, bool with_mark) const;
  // Always with the byte-order mark.
  void SaveToFile(const std::string& path) const;
  std::string SaveToString(bool with_mark = false) const;
  std::string SaveToEscaped() const;

  // The empty name gives the file itself (the lines before the first header).
  TIniSection* FindSection(std::string_view name) const;
  TIniSection* FindOrAddSection(std::string_view name);
  size_t SectionCount() const noexcept { return FSectionCount; }
  TIniSection* SectionAt(size_t index) const;

  // The key `key` of section `section` (both found as FindSection and FindKey find them).
  TIniItem* FindKey(std::string_view section, std::string_view key) const;
  TIniItem* FindOrAddKey(std::string_view section, std::string_view key);
  using TIniList::FindKey;
  using TIniList::FindOrAddKey;

  void Clear();

private:
  friend class TIniList;
  friend class TIniParser;

  bool Fail(std::string reason);
  // Parses the text from `start` on.
  bool Parse(std::string utf8, size_t start);
  // Unlike FindSection, the empty name means a section written "[]". The index of the
  // child, npos when there is none.
  size_t FindSectionNamed(std::string_view name) const;

  // The sections are the last of the file's children, in document order.
  size_t FSectionCount = 0;
  // The parsed text, which the file's unmade lines lie in.
  Ref<TIniText> FDocument;
  std::string FLoadError;
};

// A separate document with the same content (written out and read back); null when the
// text does not read back.
Ref<TIniFile> CopyOf(const TIniFile& file);

// Reading values. A missing item (null) gives the default.
// ReadString raises EConvertError("Invalid UTF8 Char") when the value is not UTF-8.
WideString ReadString(const TIniItem* item, WideView default_value = {});
std::string_view ReadUtf8(const TIniItem* item, std::string_view default_value = {});
int32_t ReadInteger(const TIniItem* item, int32_t default_value);
int64_t ReadInt64(const TIniItem* item, int64_t default_value);
double ReadFloat(const TIniItem* item, double default_value);
bool ReadBool(const TIniItem* item, bool default_value);
// The index of the first text equal to the value, else the default.
int ReadChoice(const TIniItem* item, std::span<const std::string_view> texts, int default_value, bool ignore_case);
int ReadChoice(const TIniItem* item, std::initializer_list<std::string_view> texts, int default_value,
               bool ignore_case);
std::vector<std::string> ReadList(const TIniItem* item, char separator = ',');
TIntPair ReadIntPair(const TIniItem* item, TIntPair defaults);
TVector3 ReadVector3(const TIniItem* item, const TVector3& defaults);
TVector4 ReadVector4(const TIniItem* item, const TVector4& defaults);
TIniColor ReadColor(const TIniItem* item, TIniColor default_color);
uint32_t ReadFontStyle(const TIniItem* item);

// Writing values.
void WriteString(TIniItem& item, WideView value);
void WriteInteger(TIniItem& item, int32_t value);
void WriteInt64(TIniItem& item, int64_t value);
void WriteFloat(TIniItem& item, double value);
void WriteBool(TIniItem& item, bool value);

// The same, addressed by section and key. Writing creates the section and the key.
WideString ReadString(const TIniFile& file, std::string_view section, std::string_view key,
                      WideView default_value = {});
int32_t ReadInteger(const TIniFile& file, std::string_view section, std::string_view key, int32_t default_value);
int64_t ReadInt64(const TIniFile& file, std::string_view section, std::string_view key, int64_t default_value);
double ReadFloat(const TIniFile& file, std::string_view section, std::string_view key, double default_value);
bool ReadBool(const TIniFile& file, std::string_view section, std::string_view key, bool default_value);
void WriteString(TIniFile& file, std::string_view section, std::string_view key, WideView value);
void WriteInteger(TIniFile& file, std::string_view section, std::string_view key, int32_t value);
void WriteInt64(TIniFile& file, std::string_view section, std::string_view key, int64_t value);
void WriteFloat(TIniFile& file, std::string_view section, std::string_view key, double value);
void WriteBool(TIniFile& file, std::string_view section, std::string_view key, bool value);

}  // namespace orv
