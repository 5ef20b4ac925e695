#include "slide/key_frames.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/assertions.h"
#include "project/ini_values.h"

namespace orv {

// ---------------------------------------------------------------------------------------
// The field table

const std::array<TAnimatedFieldDesk, kFieldCount> kAnimatedFields = {{
    {kFieldOpacity, "Opacity", "Opacity", kGroupOpacity, 100, false, -1},
    {kFieldPosX, "Pos.X", "Position", kGroupPos, 0, true, -1},
    {kFieldPosY, "Pos.Y", "Position", kGroupPos, 0, false, kFieldPosX},
    {kFieldPosZ, "Pos.Z", "ZPos", kGroupPos, 0, false, -1},
    {kFieldScaleX, "Scale.X", "ScaleX", kGroupScale, 100, false, -1},
    {kFieldScaleY, "Scale.Y", "ScaleY", kGroupScale, 100, false, -1},
    {kFieldAngle, "Angle", "Angle", kGroupAngle, 0, false, -1},
    {kFieldAngleX, "Angle.X", "AngleX", kGroupAngle, 0, false, -1},
    {kFieldAngleY, "Angle.Y", "AngleY", kGroupAngle, 0, false, -1},
    {kFieldCenterX, "Center.X", "CenterPos", kGroupCenter, 0, true, -1},
    {kFieldCenterY, "Center.Y", "CenterPos", kGroupCenter, 0, false, kFieldCenterX},
    {kFieldBlur, "Blur", "Blur", kGroupBlur, 0, false, -1},
    {kFieldFrameS, "Frame.S", "Zoom", kGroupFrame, 100, false, -1},
    {kFieldFrameX, "Frame.X", "OffsX", kGroupFrame, 0, false, -1},
    {kFieldFrameY, "Frame.Y", "OffsY", kGroupFrame, 0, false, -1},
}};

const std::array<std::string_view, kGroupCount> kGroupNames = {"Opacity", "Pos",    "Scale", "Angle",
                                                                 "Center",  "Blur",   "Color", "Frame"};

std::array<TFieldRange, kGroupCount> ValidateFieldTable(std::span<const TAnimatedFieldDesk> fields) {
  std::array<TFieldRange, kGroupCount> ranges{};
  std::array<bool, kGroupCount> seen{};
  int pairs = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TAnimatedFieldDesk& field = fields[i];
    const int index = static_cast<int>(i);
    ORV_ASSERT(field.Index == index, "Invalid orv keyframe param index");
    ORV_ASSERT(field.Group >= 0 && field.Group < kGroupCount, "Invalid Group Range");
    if (field.SecondOf >= 0) {
      ORV_ASSERT(size_t(field.SecondOf) < fields.size() && fields[field.SecondOf].PairKey && !field.PairKey,
                 "Invalid pair field");
      ++pairs;
    }
    TFieldRange& range = ranges[field.Group];
    if (!seen[field.Group]) {
      seen[field.Group] = true;
      range.First = index;
    } else {
      ORV_ASSERT(range.Last == index, "Group fields not contiguous");
    }
    range.Last = index + 1;
  }
  ORV_ASSERT(pairs == 2, "Invalid pair count");
  return ranges;
}

const std::array<TFieldRange, kGroupCount>& GroupFieldRanges() {
  static const auto ranges = ValidateFieldTable(kAnimatedFields);
  return ranges;
}

int FindGroup(std::string_view name) {
  const std::string_view group = name.substr(0, name.rfind('.'));
  for (int g = 0; g < kGroupCount; ++g)
    if (SameTextUtf8(group, kGroupNames[g])) return g;
  return -1;
}

int FindField(int group, std::string_view name) {
  if (group < 0 || group >= kGroupCount) return -1;
  const TFieldRange range = GroupFieldRanges()[group];
  for (int f = range.First; f < range.Last; ++f)
    if (SameTextUtf8(name, kAnimatedFields[f].Name)) return f;
  return -1;
}

TModTarget ParseModTarget(std::string_view dst) {
  const int group = FindGroup(dst);
  const bool group_time = dst.size() > 2 && dst[dst.size() - 2] == '.' && (dst.back() == 't' || dst.back() == 'T');
  if (group_time) return {true, group};
  return {false, FindField(group, dst)};
}

int TypeCodeOf(std::string_view class_word) {
  static constexpr std::string_view kWords[] = {"Frame", "Box", "Image", "Text", "Button", "Video", "Viewport",
                                                "MaskStencil", "MaskContent", "Mask", "VideoMask"};
  if (SameTextAscii(class_word, "TextComment")) return 4;
  for (size_t i = 0; i < std::size(kWords); ++i)
    if (SameTextAscii(class_word, kWords[i])) return static_cast<int>(i) + 1;
  return 0;
}

void TModRange::Add(int index) {
  if (Low == High) {
    Low = index;
    High = index + 1;
    return;
  }
  Low = std::min(Low, index);
  High = std::max(High, index + 1);
}

// ---------------------------------------------------------------------------------------
// Key points

namespace {

// The whole part of "Time": the text before the first "." as an integer, 0 when it is none.
int KeyTimeValue(std::string_view text) { return ParseInteger(text.substr(0, text.find('.'))).value_or(0); }

double Anchor(TKeyOrigin origin, const TKeyTimes& times) {
  switch (origin) {
    case kOriginSlideBegin: return 0;
    case kOriginPrevEffectEnd: return times.PrevEffectEnd;
    case kOriginNextEffectBegin: return double(times.SlideLength) - times.NextEffectTime;
    case kOriginSlideEnd: return times.SlideLength;
  }
  return 0;
}

// The element of a pair value that a field reads: an empty or malformed element is 0, a
// missing one the default.
float PairElement(const std::vector<std::string_view>& parts, size_t element, float default_value) {
  if (element >= parts.size()) return default_value;
  return static_cast<float>(ParseFloat(parts[element]).value_or(0));
}

}  // namespace

void TOrvKeyFrame::Load(TIniObject& block) {
  FIniList = Ref<TIniObject>::Share(&block);
  const int type = FOwner.TypeCode();
  // Mask parts take their placement from the mask container: their key points define nothing.
  Groups = type == kTypeMaskStencil || type == kTypeMaskContent
               ? 0
               : static_cast<uint32_t>(ReadInteger(block.FindKey("grps"), 255));
  Origin = static_cast<TKeyOrigin>(ReadChoice(
      block.FindKey("Origin"), {"SlideBegin", "PrevEffectEnd", "NextEffectBegin", "SlideEnd"}, 0, true));
  Time = Anchor(Origin, FOwner.Times()) + KeyTimeValue(ReadUtf8(block.FindKey("Time")));
  ReadValues(block);
  LoadModifiers(block);
  LoadFilters(block);
}

void TOrvKeyFrame::ReadValues(const TIniObject& block) {
  FDefined = 0;
  for (const TAnimatedFieldDesk& field : kAnimatedFields) {
    float& value = FValues[field.Index];
    value = field.Default;
    if (!HasGroup(field.Group)) continue;
    FDefined |= 1u << field.Index;
    if (field.PairKey || field.SecondOf >= 0) {
      const std::string_view pair = ReadUtf8(block.FindKey(field.Key));
      value = PairElement(SplitList(pair), field.PairKey ? 0 : 1, field.Default);
    } else {
      value = static_cast<float>(ReadFloat(block.FindKey(field.Key), field.Default));
    }
  }
}

bool TOrvKeyFrame::GetKeyValue(int field, float& value) const {
  value = FValues[field];
  return (FDefined >> field) & 1;
}

Ref<TOrvObjectMod> TOrvKeyFrame::ReuseModifier(TIniObject& block, TModTarget target, std::vector<bool>& taken) {
  for (size_t i = 0; i < FModifiers.size(); ++i) {
    if (taken[i] || FTargets[i].GroupTime != target.GroupTime || FTargets[i].Index != target.Index) continue;
    // The next unused modifier of the same target is the one this block was before.
    taken[i] = true;
    if (FModifiers[i]->Load(block)) return FModifiers[i];
    break;
  }
  auto modifier = MakeRef<TOrvObjectMod>(FOwner);
  modifier->Load(block);
  return modifier;
}

void TOrvKeyFrame::LoadModifiers(TIniObject& block) {
  std::vector<Ref<TOrvObjectMod>> modifiers;
  std::vector<TModTarget> targets;
  std::vector<bool> taken(FModifiers.size());
  for (size_t i = 0; i < block.ObjectCount(); ++i) {
    TIniObject& child = *block.ObjectAt(i);
    if (!SameTextUtf8(child.ObjectClass(), "Mod")) continue;
    const TModTarget target = ParseModTarget(ReadUtf8(child.FindKey("dst")));
    if (target.Index < 0) continue;  // a modifier of nothing we animate
    modifiers.push_back(ReuseModifier(child, target, taken));
    targets.push_back(target);
  }
  FModifiers = std::move(modifiers);
  FTargets = std::move(targets);
  BuildChains();
}

void TOrvKeyFrame::BuildChains() {
  FChainStart.fill(0);
  for (const TModTarget& target : FTargets) ++FChainStart[ModSlot(target) + 1];
  for (int slot = 0; slot < kModSlotCount; ++slot) FChainStart[slot + 1] += FChainStart[slot];
  FChainModifiers.assign(FModifiers.size(), nullptr);
  std::array<uint32_t, kModSlotCount> next;
  std::copy_n(FChainStart.begin(), kModSlotCount, next.begin());
  for (size_t i = 0; i < FModifiers.size(); ++i) FChainModifiers[next[ModSlot(FTargets[i])]++] = FModifiers[i].Get();
}

void TOrvKeyFrame::LoadFilters(TIniObject& block) {
  TFilterChain filters;
  for (size_t i = 0; i < block.ObjectCount(); ++i) {
    TIniObject& child = *block.ObjectAt(i);
    if (!SameTextUtf8(child.ObjectClass(), "Filter")) continue;
    // Filters are matched by their place in the chain; a changed one is built anew.
    const size_t position = filters.size();
    if (position < FFilters.size() && FFilters[position]->Load(child)) {
      filters.push_back(FFilters[position]);
    } else if (auto filter = CreateFilter(child)) {
      filters.push_back(std::move(filter));
    }
  }
  FFilters = std::move(filters);
}

// ---------------------------------------------------------------------------------------
// Loading a props tree

TOrvObjectProps::TOrvObjectProps() { ResetValues(); }

TOrvObjectProps::~TOrvObjectProps() = default;

void TOrvObjectProps::LoadProps(TIniObject& block, const TKeyTimes& times) { LoadAtDepth(block, times, 0); }

// The child nodes of the previous load, handed out again to blocks with the same GUID.
class TOldChildren {
public:
  explicit TOldChildren(std::vector<Ref<TOrvObjectProps>> nodes)
      : FNodes(std::move(nodes)), FTaken(FNodes.size()), FRemaining(FNodes.size()) {}

  // The old node for the block at `position` with `guid`: the node at the same position
  // when its GUID matches, else the first remaining one with that GUID; none when no old
  // node has it.
  Ref<TOrvObjectProps> Take(size_t position, std::string_view guid) {
    std::optional<size_t> found;
    if (position < FNodes.size() && !FTaken[position] && SameTextUtf8(FNodes[position]->Guid(), guid)) {
      found = position;
    } else if (FRemaining > 3) {
      found = FindIndexed(guid);
    } else {
      for (size_t i = 0; i < FNodes.size() && !found; ++i)
        if (!FTaken[i] && SameTextUtf8(FNodes[i]->Guid(), guid)) found = i;
    }
    if (!found) return nullptr;
    FTaken[*found] = true;
    --FRemaining;
    return std::move(FNodes[*found]);
  }

private:
  std::optional<size_t> FindIndexed(std::string_view guid) {
    if (FIndex.empty())
      for (size_t i = 0; i < FNodes.size(); ++i)
        if (!FTaken[i]) FIndex.emplace(LowerUtf8(FNodes[i]->Guid()), i);
    const auto [begin, end] = FIndex.equal_range(LowerUtf8(guid));
    std::optional<size_t> first;
    for (auto it = begin; it != end; ++it)
      if (!FTaken[it->second] && (!first || it->second < *first)) first = it->second;
    return first;
  }

  std::vector<Ref<TOrvObjectProps>> FNodes;
  std::vector<bool> FTaken;
  size_t FRemaining;
  std::unordered_multimap<std::string, size_t> FIndex;  // folded GUID → position, built on demand
};

void TOrvObjectProps::LoadAtDepth(TIniObject& block, const TKeyTimes& times, int depth) {
  ORV_ASSERT(depth <= kMaxDepth, "Object tree too deep");
  FTimes = times;
  FIniObject = Ref<TIniObject>::Share(&block);
  FName = block.Name();
  FClassWord = block.ObjectClass();
  FTypeCode = TypeCodeOf(FClassWord);
  FDeltaTime1 = ReadInteger(block.FindKey("DeltaTime1"), 0);
  FDeltaTime2 = ReadInteger(block.FindKey("DeltaTime2"), 0);
  FTreeNode = ReadInteger(block.FindKey("TreeNode"), 1);

  TOldChildren old_children(std::move(FChildren));
  FChildren.clear();
  size_t key_count = 0;
  for (size_t i = 0; i < block.ObjectCount(); ++i) {
    TIniObject& child = *block.ObjectAt(i);
    if (SameTextUtf8(child.ObjectClass(), "KeyPoint")) {
      if (key_count == FKeys.size()) FKeys.push_back(std::make_unique<TOrvKeyFrame>(*this, int(key_count)));
      FKeys[key_count++]->Load(child);
    } else {
      LoadChild(child, old_children, depth + 1);
    }
  }
  // Old nodes and keys that found no block are freed here.
  FKeys.resize(key_count);
  SortKeys();
  ++FKeysChange;
  ResetValues();
  FCurrentTime = -1;
  Evaluate(0, false);
}

void TOrvObjectProps::LoadChild(TIniObject& block, TOldChildren& old_children, int depth) {
  const std::string_view guid = ReadUtf8(block.FindKey("GUID"));
  ORV_ASSERT(!guid.empty(), "OrvObject GUID not Assigned");
  Ref<TOrvObjectProps> node = old_children.Take(FChildren.size(), guid);
  if (!node) node = MakeRef<TOrvObjectProps>();
  node->FGuid = guid;
  node->FIndexInParent = static_cast<int>(FChildren.size());
  node->LoadAtDepth(block, FTimes, depth);
  FChildren.push_back(std::move(node));
}

void TOrvObjectProps::SortKeys() {
  const bool ascending = std::is_sorted(FKeys.begin(), FKeys.end(), [](const auto& a, const auto& b) { return a->Time < b->Time; });
  // Keys of equal time keep their file order: the later one wins from that time on.
  if (!ascending) std::stable_sort(FKeys.begin(), FKeys.end(), [](const auto& a, const auto& b) { return a->Time < b->Time; });
  for (size_t i = 0; i < FKeys.size(); ++i) FKeys[i]->FIndex = static_cast<int>(i);
}

void TOrvObjectProps::ResetValues() {
  for (const TAnimatedFieldDesk& field : kAnimatedFields)
    FValues[field.Index] = FKeys.empty() ? field.Default : FKeys.front()->Value(field.Index);
}

void TOrvObjectProps::MultiplyScale(double factor) {
  for (const auto& key : FKeys) {
    if (!key->HasGroup(kGroupScale) || !key->FIniList) continue;
    for (const int field : {kFieldScaleX, kFieldScaleY})
      WriteFloat(*key->FIniList->FindOrAddKey(kAnimatedFields[field].Key), double(key->Value(field)) * factor);
    key->ReadValues(*key->FIniList);
  }
  // The segments hold copies of the key values.
  ++FKeysChange;
}

void TOrvObjectProps::Rescale(const TKeyTimes& times, double factor) {
  if (!(factor >= 1e-4)) factor = 1;
  FTimes = times;
  FDeltaTime1 = std::nearbyint(FDeltaTime1 * factor);
  FDeltaTime2 = std::nearbyint(FDeltaTime2 * factor);
  for (auto& key : FKeys) key->Time = std::nearbyint(key->Time * factor);
  SortKeys();
  ++FKeysChange;
  for (auto& child : FChildren) child->Rescale(times, factor);
}

TOrvObjectProps* TOrvObjectProps::FindNode(std::string_view guid) {
  if (!FGuid.empty() && SameTextUtf8(FGuid, guid)) return this;
  for (auto& child : FChildren)
    if (auto* found = child->FindNode(guid)) return found;
  return nullptr;
}

Ref<TCalcFunc> TOrvObjectProps::ResolveVariable(std::string_view name, bool group_time) {
  const int group = FindGroup(name);
  if (group < 0) return nullptr;
  if (group_time) {
    auto& getter = FTimeGetters[group];
    if (!getter) getter = MakeRef<TTimeGetter>(std::string(kGroupNames[group]) + ".T", FSegments[group].T);
    return getter;
  }
  const int field = FindField(group, name);
  if (field < 0) return nullptr;
  auto& getter = FFieldGetters[field];
  if (!getter) getter = MakeRef<TFieldGetter>(std::string(kAnimatedFields[field].Name), FValues[field]);
  return getter;
}

// ---------------------------------------------------------------------------------------
// Evaluation

void TOrvObjectProps::RebuildSegments() {
  FGroupModifiers = {};
  FFieldModifiers = {};
  for (auto& segment : FSegments) segment = TSegment{};
  FChains.fill({});
  for (const auto& key : FKeys) {
    for (const TModTarget& target : key->ModifierTargets()) (target.GroupTime ? FGroupModifiers : FFieldModifiers).Add(target.Index);
    for (int g = 0; g < kGroupCount; ++g) {
      if (!key->HasGroup(g)) continue;
      TSegment& segment = FSegments[g];
      if (segment.First < 0) segment.First = segment.Left = segment.Right = key->Index();
      segment.Last = key->Index();
    }
  }
  FSegmentsBuiltAt = FKeysChange;
}

namespace {

// 1 / span, or 0 for a span too short to divide by.
double InverseOf(double span) { return span <= 1e-4 ? 0 : 1 / span; }

}  // namespace

void TOrvObjectProps::MoveSegment(int group, double x) {
  TSegment& s = FSegments[group];
  if (s.First < 0) return;
  if (s.From <= x && x < s.Until) {
    // Most frames stay in the segment of the previous one.
    s.T = (x - s.LeftTime) * s.InverseSpan;
    return;
  }
  auto time = [this](int key) { return FKeys[key]->Time; };
  auto step = [&](int key, int direction) {
    do key += direction;
    while (!FKeys[key]->HasGroup(group));
    return key;
  };
  if (s.First == s.Last || x < time(s.First) || x >= time(s.Last)) {
    // At an end: no key before x, or none after it.
    const int key = x < time(s.First) ? s.First : s.Last;
    const bool before = time(key) > x;
    s.Left = s.Right = key;
    s.InverseSpan = before ? 0 : InverseOf(FTimes.SlideLength - time(key));
    s.From = before ? -HUGE_VAL : time(key);
    s.Until = before ? time(key) : HUGE_VAL;
  } else {
    // Between the first and the last key: walk from the cached segment, which frames
    // usually move by one key at most.
    if (s.Left == s.Right && time(s.Left) <= x) s.Right = step(s.Left, +1);
    while (time(s.Left) > x && s.Left != s.First) {
      s.Right = s.Left;
      s.Left = step(s.Left, -1);
    }
    while (x >= time(s.Right) && s.Right != s.Last) {
      s.Left = s.Right;
      s.Right = step(s.Right, +1);
    }
    s.InverseSpan = InverseOf(time(s.Right) - time(s.Left));
    s.From = time(s.Left);
    s.Until = time(s.Right);
  }
  s.LeftTime = time(s.Left);
  s.T = (x - s.LeftTime) * s.InverseSpan;
  TakeSegmentEnds(group);
}

void TOrvObjectProps::TakeSegmentEnds(int group) {
  const TSegment& s = FSegments[group];
  const TOrvKeyFrame& left = *FKeys[s.Left];
  const TOrvKeyFrame& right = *FKeys[s.Right];
  const TFieldRange fields = GroupFieldRanges()[group];
  for (int f = fields.First; f < fields.Last; ++f) {
    FEnds[f] = {left.Value(f), right.Value(f), left.Value(kFieldFrameS), right.Value(kFieldFrameS)};
    FChains[ModSlot({false, f})] = left.Chain({false, f});
  }
  FChains[ModSlot({true, group})] = left.Chain({true, group});
}

float TOrvObjectProps::Interpolate(int field) const {
  const TSegment& s = FSegments[kAnimatedFields[field].Group];
  if (s.First < 0) return kAnimatedFields[field].Default;
  const TFieldEnds& ends = FEnds[field];
  const float a = ends.Left;
  if (s.Left == s.Right) return a;
  const float b = ends.Right;
  if ((field == kFieldFrameX || field == kFieldFrameY) && std::fabs(a - b) > 1e-4) {
    const double zoom_a = ends.LeftZoom;
    const double zoom_b = ends.RightZoom;
    if (std::fabs(zoom_a - zoom_b) > 1e-4) {
      // Offsets weighted by the zoom keep a pan steady while the zoom changes.
      const double ua = (zoom_a / 100 - 1) * a;
      const double ub = (zoom_b / 100 - 1) * b;
      const double u = ua + (ub - ua) * s.T;
      const double weight = FValues[kFieldFrameS] / 100.0 - 1;
      return weight <= 0 ? 0.0f : static_cast<float>(u / weight);
    }
  }
  return static_cast<float>(a + (b - a) * s.T);
}

void TOrvObjectProps::ApplyModifiers(std::span<TOrvObjectMod* const> chain, TModTarget target) {
  for (TOrvObjectMod* modifier : chain) {
    if (modifier->Disabled()) continue;
    // Written back at once: the next modifier of the chain reads this one's output.
    const double value = modifier->Evaluate();
    if (target.GroupTime) {
      FSegments[target.Index].T = value;
    } else {
      FValues[target.Index] = static_cast<float>(value);
    }
  }
}

void TOrvObjectProps::EvaluateSegments(double time) {
  // NaN counts as the slide's beginning.
  const double x = time > 0 ? std::max(0.0, std::min(time, double(FTimes.SlideLength))) : 0;
  for (int g = 0; g < kGroupCount; ++g) MoveSegment(g, x);
  for (int g = FGroupModifiers.Low; g < FGroupModifiers.High; ++g) ApplyModifiers(FChains[ModSlot({true, g})], {true, g});
  for (int f = 0; f < kFieldCount; ++f) FValues[f] = Interpolate(f);
  for (int f = FFieldModifiers.Low; f < FFieldModifiers.High; ++f) ApplyModifiers(FChains[ModSlot({false, f})], {false, f});
}

bool TOrvObjectProps::SingleKeyModifies(const TOrvKeyFrame& key) const {
  return !key.Modifiers().empty() && FTimes.SlideLength - key.Time > 1e-4;
}

void TOrvObjectProps::EvaluateSingleKey(double time, bool keys_changed) {
  const TOrvKeyFrame& key = *FKeys.front();
  const double rest = FTimes.SlideLength - key.Time;
  const bool modified = SingleKeyModifies(key);
  if (!keys_changed && !modified) return;
  for (int f = 0; f < kFieldCount; ++f) FValues[f] = key.Value(f);
  for (auto& segment : FSegments) segment.T = 0;
  if (!modified || !(time > key.Time)) return;
  for (int g = 0; g < kGroupCount; ++g) {
    if (!key.HasGroup(g)) continue;
    FSegments[g].T = (time - key.Time) / rest;
    ApplyModifiers(key.Chain({true, g}), {true, g});
  }
  for (int f = 0; f < kFieldCount; ++f)
    if (key.HasGroup(kAnimatedFields[f].Group)) ApplyModifiers(key.Chain({false, f}), {false, f});
}

bool TOrvObjectProps::TimeDependentModifierActs() const {
  if (FKeys.size() == 1 && !(SingleKeyModifies(*FKeys.front()) && FCurrentTime > FKeys.front()->Time)) return false;
  for (int group = 0; group < kGroupCount; ++group) {
    const int left = FSegments[group].Left;
    if (left < 0 || size_t(left) >= FKeys.size()) continue;
    const TOrvKeyFrame& key = *FKeys[left];
    for (size_t i = 0; i < key.Modifiers().size(); ++i) {
      const TModTarget target = key.ModifierTargets()[i];
      const int target_group = target.GroupTime ? target.Index : kAnimatedFields[target.Index].Group;
      if (target_group == group && key.Modifiers()[i]->IsTimeDependent()) return true;
    }
  }
  return false;
}

void TOrvObjectProps::Evaluate(double time, bool recursive) {
  FCurrentTime = time;
  const bool keys_changed = FSegmentsBuiltAt != FKeysChange;
  if (keys_changed) RebuildSegments();
  if (FKeys.size() >= 2) {
    EvaluateSegments(time);
  } else if (FKeys.size() == 1) {
    EvaluateSingleKey(time, keys_changed);
  }
  if (recursive)
    for (auto& child : FChildren) child->Evaluate(time, true);
}

}  // namespace orv
