// Reading project text into the tree. The whole decoded text stays in one block and
// every item views its name and value there, so a line costs one allocation: its item.
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <limits>

#include "base/assertions.h"
#include "project/ini_file.h"
#include "project/ini_lines.h"

namespace orv {

namespace {

static_assert(std::endian::native == std::endian::little, "the byte scans read words little-endian");

// The bytes 0 to 32 except LF and CR, as a bit set.
constexpr uint64_t kBlanks = ((uint64_t(1) << 33) - 1) & ~(uint64_t(1) << '\n') & ~(uint64_t(1) << '\r');

constexpr bool IsBlank(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 32 && ((kBlanks >> byte) & 1) != 0;
}

constexpr bool IsIdentifier(char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

const char* SkipBlanks(const char* from, const char* end) noexcept {
  // Indents are mostly spaces: skip a run of them a word at a time first.
  if (end - from >= 8) {
    uint64_t word;
    std::memcpy(&word, from, sizeof word);
    const uint64_t other = word ^ 0x2020202020202020ull;
    from += other != 0 ? std::countr_zero(other) / 8 : 8;
  }
  while (from < end && IsBlank(*from)) ++from;
  return from;
}

std::string_view TrimRight(const char* from, const char* end) noexcept {
  while (end > from && IsBlank(end[-1])) --end;
  return {from, static_cast<size_t>(end - from)};
}

std::string_view Trim(const char* from, const char* end) noexcept {
  return TrimRight(SkipBlanks(from, end), end);
}

const char* Find(const char* from, const char* end, char c) noexcept {
  return static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)));
}

constexpr uint64_t kOnes = 0x0101010101010101ull;

// High bit set in every zero byte of `word`. A byte above a zero byte may be flagged too,
// but never one below, so the lowest flag is exact.
constexpr uint64_t ZeroBytes(uint64_t word) noexcept { return (word - kOnes) & ~word & (kOnes << 7); }

// The first of the `stops` bytes at or after `from` in eight bytes read from `from`; `end`
// when there is none among them.
template <char... stops>
const char* FindFirstOfIn8(const char* from, const char* end) noexcept {
  uint64_t word;
  std::memcpy(&word, from, sizeof word);
  if (const uint64_t hits = (ZeroBytes(word ^ (kOnes * static_cast<unsigned char>(stops))) | ...))
    return from + std::countr_zero(hits) / 8;
  return end;
}

// The first of the `stops` bytes, sixteen (else eight) bytes per step; `end` when there is
// none. Lines are short: most are found within the first step or two.
template <char... stops>
const char* FindFirstOf(const char* from, const char* end) noexcept {
#if defined(__SSE2__)
  for (; end - from >= 16; from += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i hits = _mm_setzero_si128();
    ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(stops)))), ...);
    if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits))) return from + std::countr_zero(mask);
  }
#endif
  for (; end - from >= 8; from += 8)
    if (const char* hit = FindFirstOfIn8<stops...>(from, end); hit != end) return hit;
  while (from < end && ((*from != stops) && ...)) ++from;
  return from;
}

// A line without its line end, and its first "=" (null when it has none).
struct TLineSpan {
  const char* end;
  const char* equals;
};

TLineSpan ScanLine(const char* from, const char* end) noexcept {
  const char* stop = FindFirstOf<'\r', '\n', '='>(from, end);
  if (stop == end || *stop != '=') return {stop, nullptr};
  return {FindFirstOf<'\r', '\n'>(stop + 1, end), stop};
}

enum class TLineKind { Text, Key, Section, Object, End };

struct TLine {
  TLineKind kind;
  std::string_view name;
  std::string_view value;
};

// The keyword "object" or "end" in any case, followed by a byte that cannot continue an
// identifier and not by "=" (which makes the line a key of that name).
bool StartsWithKeyword(const char* at, const char* end, std::string_view keyword) noexcept {
  if (static_cast<size_t>(end - at) < keyword.size()) return false;
  // The keywords are small letters: setting the 0x20 bit matches a letter in either case,
  // and no other byte.
  for (size_t i = 0; i < keyword.size(); ++i)
    if ((at[i] | 0x20) != keyword[i]) return false;
  const char* after = at + keyword.size();
  if (after < end && IsIdentifier(*after)) return false;
  after = SkipBlanks(after, end);
  return after == end || *after != '=';
}

TLine ObjectHeader(const char* rest, const char* end) noexcept {
  const std::string_view text = Trim(rest, end);
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return {TLineKind::Object, text, {}};
  const char* name = text.data();
  return {TLineKind::Object, TrimRight(name, name + colon), Trim(name + colon + 1, name + text.size())};
}

TLine SectionHeaderOrText(const char* bracket, const char* end) noexcept {
  const char* name = SkipBlanks(bracket + 1, end);
  if (name < end)
    if (const char* close = Find(name, end, ']')) return {TLineKind::Section, TrimRight(name, close), {}};
  return {TLineKind::Text, {}, TrimRight(bracket, end)};
}

TLine RecogniseLine(const char* begin, const TLineSpan& line) noexcept {
  const char* end = line.end;
  const char* at = SkipBlanks(begin, end);
  if (at == end) return {TLineKind::Text, {}, {}};
  switch (*at) {
    case ';':
    case '=':
      return {TLineKind::Text, {}, TrimRight(at, end)};
    case '[':
      return SectionHeaderOrText(at, end);
    case 'o':
    case 'O':
      if (StartsWithKeyword(at, end, "object")) return ObjectHeader(at + 6, end);
      break;
    case 'e':
    case 'E':
      if (StartsWithKeyword(at, end, "end")) return {TLineKind::End, {}, {}};
      break;
  }
  if (const char* equals = line.equals) return {TLineKind::Key, TrimRight(at, equals), Trim(equals + 1, end)};
  return {TLineKind::Text, {}, TrimRight(at, end)};
}

}  // namespace

TIniLineView ReadLineAt(std::string_view text, uint32_t offset) noexcept {
  const char* begin = text.data() + offset;
  const TLine line = RecogniseLine(begin, ScanLine(begin, text.data() + text.size()));
  // Only text lines, keys and section headers are kept as lines.
  constexpr TIniItemKind kKinds[] = {TIniItemKind::Text, TIniItemKind::Key, TIniItemKind::Section,
                                     TIniItemKind::Object, TIniItemKind::Text};
  return {kKinds[static_cast<int>(line.kind)], line.name, line.value};
}

// Lines are gathered for the lists open at the moment (the current section or the file,
// and the objects open in it) and handed to a list in one step when it closes, so that its
// array of children is allocated once at its final size. Keys, text lines and sections
// without lines of their own are kept as lines (see TIniChildren), not made into items.
class TIniParser {
public:
  TIniParser(TIniFile& file, Ref<TIniText> text) : FFile(file), FText(std::move(text)) { FOpen.push_back({&file, 0, 0}); }
  ~TIniParser() { FText->ReturnUnusedShares(); }
  TIniParser(const TIniParser&) = delete;
  TIniParser& operator=(const TIniParser&) = delete;

  void Run(size_t start) {
    const std::string_view bytes = FText->Bytes();
    ORV_ASSERT(bytes.size() <= std::numeric_limits<uint32_t>::max(), "a document text of 4 GiB or more");
    const char* at = bytes.data() + start;
    const char* end = bytes.data() + bytes.size();
    while (at < end) {
      const TLineSpan line = ScanLine(at, end);
      AddLine(RecogniseLine(at, line), static_cast<uint32_t>(at - bytes.data()));
      at = SkipLineEnd(line.end, end);
    }
    while (!FOpen.empty()) CloseInnermost();
  }

private:
  struct TOpenList {
    TIniList* list;  // null for a section still kept as a line
    size_t first_pending;  // where its gathered children start in FPending
    size_t section;  // the index of that section among the file's children
  };

  // CR LF, LF CR, a lone CR and a lone LF are one line end each.
  static const char* SkipLineEnd(const char* at, const char* end) noexcept {
    if (at == end) return end;
    const char first = *at++;
    if (at < end && (*at == '\r' || *at == '\n') && *at != first) ++at;
    return at;
  }

  void AddLine(const TLine& line, uint32_t offset) {
    switch (line.kind) {
      case TLineKind::Text:
        FPending.PushBack(LineWord(TIniItemKind::Text, offset, {}));
        break;
      case TLineKind::Key:
        FPending.PushBack(LineWord(TIniItemKind::Key, offset, line.name));
        break;
      case TLineKind::Section:
        OpenSection(line.name, offset);
        break;
      case TLineKind::Object:
        OpenObject(line.name, line.value);
        break;
      case TLineKind::End:
        CloseObject();
        break;
    }
  }

  void CloseInnermost() {
    const TOpenList closing = FOpen.back();
    FOpen.pop_back();
    if (closing.first_pending == FPending.size()) return;
    TIniList* list = closing.list ? closing.list : static_cast<TIniList*>(FFile.ChildAt(closing.section));
    list->AppendParsed(FPending, closing.first_pending);
  }

  void OpenSection(std::string_view name, uint32_t offset) {
    // A header inside an object closes every open object and is otherwise ignored.
    if (FOpen.size() > 1) {
      while (FOpen.size() > 1) CloseInnermost();
      return;
    }
    CloseInnermost();
    size_t section = FFile.FindSectionNamed(name);
    if (section == std::string_view::npos) {
      section = FFile.FChildren.size();
      const uintptr_t word = LineWord(TIniItemKind::Section, offset, name);
      FFile.FChildren.PushBack(word);
      FFile.Register(word, section);
    }
    const uintptr_t word = FFile.FChildren.Load(section);
    FOpen.push_back({IsLine(word) ? nullptr : static_cast<TIniList*>(ItemOf(word)), 0, section});
  }

  void OpenObject(std::string_view name, std::string_view object_class) {
    auto* object = new (*FText) TIniObject(*FText, name, object_class);
    FPending.PushBack(WordOf(object));
    FOpen.push_back({object, FPending.size(), 0});
  }

  void CloseObject() {
    if (FOpen.size() > 1)
      CloseInnermost();
    else
      FPending.PushBack(WordOf(MakeRef<TIniItem>(std::string_view{}, "end").Detach()));
  }

  TIniFile& FFile;
  Ref<TIniText> FText;
  // The file or its current section first, then the open objects, innermost last.
  std::vector<TOpenList> FOpen;
  TIniChildren FPending;
};

bool TIniFile::Parse(std::string utf8, size_t start) {
  Clear();
  FLoadError.clear();
  FDocument = MakeRef<TIniText>(std::move(utf8));
  TIniParser(*this, FDocument).Run(start);
  return true;
}

}  // namespace orv
