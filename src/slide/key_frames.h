// Key points and animated properties: the data side of a slide. Every object block of the
// project becomes a props node with its key points; evaluating a node at a slide time
// interpolates its 15 animated fields between key points, group by group, with the
// modifiers of the key points reshaping the interpolation.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "project/ini_file.h"
#include "slide/calculator.h"
#include "slide/filters.h"
#include "slide/grading.h"
#include "slide/modifiers.h"

namespace orv {

class TOrvObject;
class TOrvObjectProps;
class TOldChildren;

enum TAnimatedField : int {
  kFieldOpacity,
  kFieldPosX,
  kFieldPosY,
  kFieldPosZ,
  kFieldScaleX,
  kFieldScaleY,
  kFieldAngle,
  kFieldAngleX,
  kFieldAngleY,
  kFieldCenterX,
  kFieldCenterY,
  kFieldBlur,
  kFieldFrameS,
  kFieldFrameX,
  kFieldFrameY,
  kFieldCount
};

// Field groups, numbered by their bit in a key point's "grps" mask.
enum TFieldGroup : int {
  kGroupOpacity,
  kGroupPos,
  kGroupScale,
  kGroupAngle,
  kGroupCenter,
  kGroupBlur,
  kGroupColor,  // no fields: its t blends the key points' image filters
  kGroupFrame,
  kGroupCount
};

struct TAnimatedFieldDesk {
  int Index;
  std::string_view Name;  // as formulas and tools name the field: "Pos.X"
  std::string_view Key;   // the key point key that holds it
  int Group;
  float Default;
  bool PairKey;  // Key is a comma pair and this field is its first element
  int SecondOf;  // the second element of a pair: the field holding the first; else -1
};

extern const std::array<TAnimatedFieldDesk, kFieldCount> kAnimatedFields;
extern const std::array<std::string_view, kGroupCount> kGroupNames;

// Fields [First, Last) of a group.
struct TFieldRange {
  int First = 0;
  int Last = 0;
};

// Checks a field table (indexes, groups, the two pairs, contiguous groups) and gives each
// group's field range; a broken table is an assertion failure.
std::array<TFieldRange, kGroupCount> ValidateFieldTable(std::span<const TAnimatedFieldDesk> fields);
// The ranges of the program's own table, checked once.
const std::array<TFieldRange, kGroupCount>& GroupFieldRanges();

// The group whose name is the text before the last "." (the whole text without one),
// without regard to case; -1 when none.
int FindGroup(std::string_view name);
// The field of `group` named `name` ("Pos.X"), without regard to case; -1 when none.
int FindField(int group, std::string_view name);

// What a modifier changes: a group's t or a field's value.
struct TModTarget {
  bool GroupTime = false;
  int Index = -1;
};
// "Pos.T" (either case of T) is a group time; "Pos.X", "Opacity" are fields. Index -1 when
// the text names neither.
TModTarget ParseModTarget(std::string_view dst);

// Modifier chains are kept per target: one slot per group time, then one per field.
constexpr int kModSlotCount = int(kGroupCount) + int(kFieldCount);
inline int ModSlot(TModTarget target) { return target.GroupTime ? target.Index : int(kGroupCount) + target.Index; }

// The slide timeline that key times refer to, in ms.
struct TKeyTimes {
  int SlideLength = 0;
  int PrevEffectEnd = 0;   // end of the incoming transition
  int NextEffectTime = 0;  // duration of the outgoing transition
};

// Where a key point's "Time" counts from.
enum TKeyOrigin : uint8_t { kOriginSlideBegin, kOriginPrevEffectEnd, kOriginNextEffectBegin, kOriginSlideEnd };

// A formula variable bound to one group's interpolation parameter.
class TTimeGetter : public TParamGetter {
public:
  TTimeGetter(std::string name, double& t) : TParamGetter(std::move(name), t), FT(t) {}
  double GetValue() const override { return FT; }
  void SetValue(double value) override { FT = value; }

private:
  double& FT;
};

// A formula variable bound to one field's current value.
class TFieldGetter : public TParamGetter {
public:
  TFieldGetter(std::string name, float& value) : TParamGetter(std::move(name), value), FValue(value) {}
  double GetValue() const override { return FValue; }
  void SetValue(double value) override { FValue = static_cast<float>(value); }

private:
  float& FValue;
};

class TOrvKeyFrame {
public:
  TOrvKeyFrame(TOrvObjectProps& owner, int index) : FOwner(owner), FIndex(index) {}

  // (Re)reads the key point; modifiers and filters whose blocks did not change are kept.
  void Load(TIniObject& block);

  // The value the key gives `field`: the default when its group is not in the key's mask
  // (then the key does not define the field, and the result is false).
  bool GetKeyValue(int field, float& value) const;
  float Value(int field) const { return FValues[field]; }
  bool HasGroup(int group) const { return (Groups >> group) & 1; }

  TOrvObjectProps& Owner() const noexcept { return FOwner; }
  int Index() const noexcept { return FIndex; }
  const TIniObject* IniList() const noexcept { return FIniList.Get(); }

  double Time = 0;  // ms on the slide timeline, anchored
  TKeyOrigin Origin = kOriginSlideBegin;
  uint32_t Groups = 0xFF;

  // All modifiers in file order; those of one target form its chain in that order.
  const std::vector<Ref<TOrvObjectMod>>& Modifiers() const noexcept { return FModifiers; }
  const std::vector<TModTarget>& ModifierTargets() const noexcept { return FTargets; }
  // The modifiers of one target in file order.
  std::span<TOrvObjectMod* const> Chain(TModTarget target) const {
    const int slot = ModSlot(target);
    return std::span(FChainModifiers).subspan(FChainStart[slot], FChainStart[slot + 1] - FChainStart[slot]);
  }
  const TFilterChain& Filters() const noexcept { return FFilters; }
  // The colour table of this key's filters, kept until the chain changes.
  TKeyGrading& Grading() noexcept { return FGrading; }

private:
  friend class TOrvObjectProps;

  void ReadValues(const TIniObject& block);
  void LoadModifiers(TIniObject& block);
  void LoadFilters(TIniObject& block);
  Ref<TOrvObjectMod> ReuseModifier(TIniObject& block, TModTarget target, std::vector<bool>& taken);
  void BuildChains();

  TOrvObjectProps& FOwner;
  int FIndex;
  Ref<TIniObject> FIniList;
  std::array<float, kFieldCount> FValues{};
  uint32_t FDefined = 0;  // bit per field
  std::vector<Ref<TOrvObjectMod>> FModifiers;
  std::vector<TModTarget> FTargets;  // of FModifiers, index for index
  std::vector<TOrvObjectMod*> FChainModifiers;  // FModifiers ordered by slot
  std::array<uint32_t, kModSlotCount + 1> FChainStart{};
  TFilterChain FFilters;
  TKeyGrading FGrading;
};

// One group's current place among the key points that have the group.
struct TSegment {
  int First = -1;  // first and last key with the group (-1: none)
  int Last = -1;
  int Left = -1;
  int Right = -1;
  double InverseSpan = 0;
  double T = 0;  // 0 … 1 across the segment
  // Times [From, Until) for which Left, Right and InverseSpan stay as they are; T counts
  // from LeftTime. Empty until the first search.
  double From = HUGE_VAL;
  double Until = -HUGE_VAL;
  double LeftTime = 0;
};

// The ends of one field's current segment, copied from the key points when the segment
// changes so that the frames within it read nothing else.
struct TFieldEnds {
  float Left = 0;
  float Right = 0;
  float LeftZoom = 0;  // the frame zoom of the two keys, for the frame offsets
  float RightZoom = 0;
};

// A [Low, High) range of group or field numbers.
struct TModRange {
  int Low = 0;
  int High = 0;
  void Add(int index);
};

// The props node of one object block (or of the slide's root block).
class TOrvObjectProps : public TRefObject, public TVariableResolver {
public:
  // Deeper object nesting than this refuses the slide instead of exhausting the stack.
  static constexpr int kMaxDepth = 512;

  TOrvObjectProps();
  ~TOrvObjectProps() override;

  // (Re)loads the node and its subtree from an object block. Child nodes are kept by GUID,
  // key points by position, so that the objects bound to them survive a reload.
  void LoadProps(TIniObject& block, const TKeyTimes& times);
  // Stretches every key time (and the delta times) by `factor`, for the new timeline.
  void Rescale(const TKeyTimes& times, double factor);
  // Computes the fields (and the group t values) at a slide-local time in ms.
  void Evaluate(double time, bool recursive);
  // Multiplies ScaleX and ScaleY of every key point that has the Scale group, in its block
  // as well, so that a reload keeps the change. The fields are evaluated again later.
  void MultiplyScale(double factor);

  float Value(int field) const { return FValues[field]; }
  std::span<const float, kFieldCount> Values() const noexcept { return FValues; }
  const TSegment& Segment(int group) const { return FSegments[group]; }
  double CurrentTime() const noexcept { return FCurrentTime; }
  // Whether, at the current time, a modifier acts whose result may change while the time
  // and the key points stand still (TOrvObjectMod::IsTimeDependent): one of the key point
  // in force for its target's group.
  bool TimeDependentModifierActs() const;

  size_t KeyCount() const noexcept { return FKeys.size(); }
  TOrvKeyFrame& Key(size_t index) const { return *FKeys.at(index); }
  std::span<const Ref<TOrvObjectProps>> Children() const noexcept { return FChildren; }
  // This node or the first node below it (depth first) with that GUID, without regard to case.
  TOrvObjectProps* FindNode(std::string_view guid);

  const std::string& Guid() const noexcept { return FGuid; }
  const std::string& Name() const noexcept { return FName; }
  const std::string& ClassWord() const noexcept { return FClassWord; }
  int TypeCode() const noexcept { return FTypeCode; }
  int IndexInParent() const noexcept { return FIndexInParent; }
  const TIniObject* IniObject() const noexcept { return FIniObject.Get(); }
  const TKeyTimes& Times() const noexcept { return FTimes; }
  double DeltaTime1() const noexcept { return FDeltaTime1; }
  double DeltaTime2() const noexcept { return FDeltaTime2; }
  int TreeNode() const noexcept { return FTreeNode; }

  // The drawable object bound to this node, if any.
  TOrvObject* Object = nullptr;

  Ref<TCalcFunc> ResolveVariable(std::string_view name, bool group_time) override;

private:
  void LoadAtDepth(TIniObject& block, const TKeyTimes& times, int depth);
  void LoadChild(TIniObject& block, TOldChildren& old_children, int depth);
  void SortKeys();
  void ResetValues();
  void RebuildSegments();
  void MoveSegment(int group, double x);
  // Takes the ends, and the left key's modifier chains, of a group whose segment changed.
  void TakeSegmentEnds(int group);
  float Interpolate(int field) const;
  void ApplyModifiers(std::span<TOrvObjectMod* const> chain, TModTarget target);
  void EvaluateSegments(double time);
  void EvaluateSingleKey(double time, bool keys_changed);
  // A lone key point has modifiers, and slide left after it for them to act on.
  bool SingleKeyModifies(const TOrvKeyFrame& key) const;

  std::vector<Ref<TOrvObjectProps>> FChildren;
  Ref<TIniObject> FIniObject;
  std::string FGuid;
  std::string FName;
  std::string FClassWord;
  int FTypeCode = 0;
  int FIndexInParent = 0;

  std::vector<std::unique_ptr<TOrvKeyFrame>> FKeys;
  uint64_t FKeysChange = 1;       // incremented on every change of the key list
  uint64_t FSegmentsBuiltAt = 0;  // FKeysChange when the segments were last rebuilt
  std::array<TSegment, kGroupCount> FSegments;
  std::array<TFieldEnds, kFieldCount> FEnds;
  std::array<std::span<TOrvObjectMod* const>, kModSlotCount> FChains;  // of the segments' left keys
  TModRange FGroupModifiers;
  TModRange FFieldModifiers;

  std::array<float, kFieldCount> FValues{};
  double FCurrentTime = -1;
  TKeyTimes FTimes;
  int FTreeNode = 1;
  double FDeltaTime1 = 0;
  double FDeltaTime2 = 0;

  // Formula variables, made when a formula first names them and shared by all modifiers.
  std::array<Ref<TTimeGetter>, kGroupCount> FTimeGetters;
  std::array<Ref<TFieldGetter>, kFieldCount> FFieldGetters;
};

// The type code of a class word (without regard to case): "Frame" 1, "Box" 2, "Image" 3,
// "Text" and "TextComment" 4, "Button" 5, "Video" 6, "Viewport" 7, "MaskStencil" 8,
// "MaskContent" 9, "Mask" 10, "VideoMask" 11, anything else 0.
int TypeCodeOf(std::string_view class_word);
constexpr int kTypeImage = 3;
constexpr int kTypeVideo = 6;
constexpr int kTypeMaskStencil = 8;
constexpr int kTypeMaskContent = 9;

}  // namespace orv
