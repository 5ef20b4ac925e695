#include "slide/orv_objects.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "base/assertions.h"
#include "slide/orv_slide.h"

namespace orv {
namespace {

// The size of an object whose content has none of its own yet.
constexpr TSizeF kDefaultSourceSize{100, 100};

bool Finite(TPointF p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

}  // namespace

WideString ReadObjectText(const TIniItem* item, WideView default_value) {
  if (!item) return WideString(default_value);
  WideString text;
  return TryUtf8ToUtf16(item->Value(), text) ? text : WideString(default_value);
}

void ReadObjectSettings(const TIniObject& block, TObjectSettings& s) {
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  s.FitMode = TFitMode(ReadChoice(key("FitMode"), {"None", "PlaceInto", "Cover"}, int(s.FitMode), true));
  s.PosMode = TUnitMode(ReadChoice(key("PosMode"), {"Absolute", "Percent"}, int(s.PosMode), true));
  s.CenterMode = TUnitMode(ReadChoice(key("CenterMode"), {"Absolute", "Percent"}, int(s.CenterMode), true));
  s.DrawToFoneStopper = ReadBool(key("DrawToFoneStopper"), s.DrawToFoneStopper);
  s.TranspForClick = ReadBool(key("TranspForClick"), s.TranspForClick);
  s.TreeNode = ReadBool(key("TreeNode"), s.TreeNode);
  TShadowSettings& shadow = s.Shadow;
  shadow.Enable = ReadBool(key("ShadowEnable"), shadow.Enable);
  shadow.Size = float(ReadFloat(key("ShadowSize"), shadow.Size));
  shadow.Color = ReadColor(key("ShadowColor"), shadow.Color);
  shadow.Opacity = float(ReadFloat(key("ShadowOpacity"), shadow.Opacity));
  shadow.Distance = float(ReadFloat(key("ShadowDistance"), shadow.Distance));
  shadow.Angle = ReadFloat(key("ShadowAngle"), shadow.Angle);
  shadow.SpreadIndex = ReadInteger(key("ShadowSpreadIndex"), shadow.SpreadIndex);
  shadow.ThreeD = ReadBool(key("3DShadow"), shadow.ThreeD);
  const int hide_mode = ReadInteger(key("HideMode"), 0);
  s.HideFront = (hide_mode & 1) != 0;
  s.HideBack = hide_mode > 1;
  s.ChildInvis = ReadBool(key("ChildInvis"), s.ChildInvis);
  s.Action = ReadObjectText(key("Action"), s.Action);
}

// ---- TOrvObject: tree and loading

TOrvObject::TOrvObject(TOrvObject* parent, Ref<TOrvObjectProps> props)
    : TOrvParams(std::move(props)), FParent(parent), FRoot(parent ? parent->FRoot : nullptr) {
  ORV_ASSERT(FProps->Object == nullptr, "OrvObject: props node already bound to an object");
  FProps->Object = this;
  if (!TryUtf8ToUtf16(FProps->Name(), FName)) FName.clear();
}

void TOrvObject::Dispose() {
  if (FProps->Object == this) FProps->Object = nullptr;
  // A child someone still holds leaves the tree with its subtree; the others go with it.
  for (const Ref<TOrvObject>& child : FChildren) {
    child->FParent = nullptr;
    if (child->RefCount() > 1) ForEachObject(*child, [](TOrvObject& object) { object.FRoot = nullptr; });
  }
  FChildren.clear();
  TOrvParams::Dispose();
}

TOrvSlide& TOrvObject::GetSlide() const {
  ORV_ASSERT(FRoot, "OrvObject: the root of the tree is not a slide");
  return *FRoot;
}

TOrvSlideHost& TOrvObject::GetHost() const {
  ORV_ASSERT(FParent, "OrvObject: no parent to ask for the host");
  return FParent->GetHost();
}

void TOrvObject::LoadParams(const TIniObject& block, bool) {
  TObjectSettings settings = DefaultSettings();
  ReadObjectSettings(block, settings);
  // A block named "Splitter" always ends the cached background layer.
  if (FProps->Name() == "Splitter") settings.DrawToFoneStopper = true;
  Assign(FSettings, std::move(settings));
}

void TOrvObject::Load(bool reuse) {
  if (const TIniObject* block = FProps->IniObject()) LoadParams(*block, reuse);
  CreateChildren();
}

void TOrvObject::CreateChildren() {
  std::vector<Ref<TOrvObject>> old = std::move(FChildren);
  FChildren.clear();
  for (const Ref<TOrvObjectProps>& node : FProps->Children())
    if (Ref<TOrvObject> child = ObjectFor(*node, old)) FChildren.push_back(std::move(child));
  // Objects whose nodes went with the reload leave with `old`.
}

Ref<TOrvObject> TOrvObject::ObjectFor(TOrvObjectProps& node, std::vector<Ref<TOrvObject>>& old) {
  if (TOrvObject* bound = node.Object) {
    const auto kept = std::find_if(old.begin(), old.end(), [bound](const Ref<TOrvObject>& o) { return o.Get() == bound; });
    ORV_ASSERT(kept != old.end(), "OrvObject: props node already bound to another object");
    Ref<TOrvObject> object = std::move(*kept);
    object->Load(true);
    return object;
  }
  Ref<TOrvObject> created = CreateOrvObject(LowerUtf8(node.ClassWord()), *this, Ref<TOrvObjectProps>::Share(&node));
  if (created) created->Load(false);
  return created;
}

// ---- time and placement

double TOrvObject::GetAnchorTime(TKeyOrigin kind) const { return GetSlide().GetAnchorTime(kind); }

bool TOrvObject::UpdateTime(bool recursive, double show_time) {
  FProps->Evaluate(show_time - GetSlide().SlideOffset(), false);
  const double start = GetAnchorTime(kOriginSlideBegin) + FProps->DeltaTime1();
  const double end = GetAnchorTime(kOriginSlideEnd) - FProps->DeltaTime2();
  const bool active = start - 1e-5 < show_time && show_time < end + 1e-5;
  if (active != FActive) {
    FActive = active;
    StateChanged = true;
  }
  if (recursive)
    for (const Ref<TOrvObject>& child : FChildren) child->UpdateTime(true, show_time);
  return FActive;
}

void TOrvObject::Update(bool recursive) {
  PreparePlacement();
  Place();
  UpdateOwnPlacement();
  UpdateHiddenByParent();
  DetectStateChange();
  if (recursive)
    for (const Ref<TOrvObject>& child : FChildren) child->Update(true);
}

void TOrvObject::UpdateAt(bool recursive, double show_time) {
  UpdateTime(recursive, show_time);
  Update(recursive);
}

TSizeF TOrvObject::GetSourceSize() const { return kDefaultSourceSize; }

TSizeF TOrvObject::GetParentSize() const { return FParent ? FParent->FSize : FSize; }

const TObjectFrame& TOrvObject::GetParentFrame() const {
  ORV_ASSERT(FParent, "OrvObject: no parent frame");
  return FParent->FPlacement.Frame;
}

const TMatrix3& TOrvObject::GetParentMatrix() const {
  ORV_ASSERT(FParent, "OrvObject: no parent matrix");
  return FParent->FPlacement.Matrix;
}

void TOrvObject::Place() {
  FSize = GetSourceSize();
  const TSizeF parent_size = GetParentSize();
  TPlacement& p = FPlacement;
  const TFitScales fit = FitScalesFor(parent_size);
  p.FitScaleX = fit.X;
  p.FitScaleY = fit.Y;
  const TMatrix3 local = RotationScale(Field(kFieldAngle), Field(kFieldAngleX), Field(kFieldAngleY), p.FitScaleX, p.FitScaleY);
  p.Matrix = local * GetParentMatrix();
  const TPoint3F position = PositionInParent(parent_size);
  p.Frame = FrameOf(p.Matrix, GetParentFrame().At(position.X, position.Y, position.Z), GetSlide().DepthFactor());
  p.RectOffset = PivotOffset();
  p.Defined = IsFinite(p.Frame) && Finite(p.RectOffset) && std::isfinite(FSize.Width) && std::isfinite(FSize.Height);
}

TFitScales TOrvObject::FitScalesFor(TSizeF parent_size) const {
  const double k = FitFactorFor(parent_size);
  return {OwnScaleX() * k / 100, OwnScaleY() * k / 100};
}

TPoint3F TOrvObject::PositionInParent(TSizeF parent) const {
  const float x = Field(kFieldPosX);
  const float y = Field(kFieldPosY);
  const float depth = Field(kFieldPosZ) * parent.Height / 200;
  if (FSettings.PosMode == TUnitMode::Absolute) return {x, y, depth};
  return {x * parent.Width * 0.005f, y * parent.Height * 0.005f, depth};
}

// The pivot lies at the content's centre moved by "CenterPos": in percent of half the size
// (±100 reaches an edge), or in local units.
TPointF TOrvObject::PivotOffset() const {
  const float w = FSize.Width;
  const float h = FSize.Height;
  float cx = Field(kFieldCenterX);
  float cy = Field(kFieldCenterY);
  if (FSettings.CenterMode == TUnitMode::Percent) {
    cx *= w * 0.005f;
    cy *= h * 0.005f;
  }
  return {-cx - w / 2, -cy - h / 2};
}

void TOrvObject::UpdateHiddenByParent() {
  FHiddenByParent = FParent && ((FParent->FSettings.ChildInvis && !FParent->FaceVisible()) || FParent->FHiddenByParent);
}

bool TOrvObject::FaceVisible() const {
  if (!FSettings.HideFront && !FSettings.HideBack) return true;
  const bool front = FacesFront(FPlacement.Frame, GetHost().CameraPosition());
  return front ? !FSettings.HideFront : !FSettings.HideBack;
}

bool TOrvObject::Visible() const { return FActive && FPlacement.Defined && !FHiddenByParent && FaceVisible(); }

float TOrvObject::GetOpacity() const {
  const float own = std::clamp(Field(kFieldOpacity), 0.0f, 100.0f);
  return FParent ? own * FParent->OpacityForChildren() / 100 : own;
}

float TOrvObject::GetBlur() const { return Field(kFieldBlur) * GetSlide().ScreenSize().Width; }

// ---- change detection and drawing

TRectF TOrvObject::LocalRect() const {
  const TPointF o = FPlacement.RectOffset;
  return {o.X, o.Y, o.X + FSize.Width, o.Y + FSize.Height};
}

TDrawnState TOrvObject::CurrentState() const {
  return {GetOpacity(), GetBlur(), FPlacement.Frame, LocalRect(), SourceRect()};
}

// A formula on the key segment in force may change the values without the time moving.
bool TOrvObject::SegmentModified() const { return FProps->TimeDependentModifierActs(); }

void TOrvObject::DetectStateChange() {
  if (CurrentState() != FCommitted || SegmentModified()) StateChanged = true;
}

void TOrvObject::CommitState(bool recursive) {
  FCommitted = CurrentState();
  ParamsChanged = false;
  StateChanged = false;
  if (recursive)
    for (const Ref<TOrvObject>& child : FChildren) child->CommitState(true);
}

bool TOrvObject::IsChanged() const {
  return TDrawItem::IsChanged() ||
         std::any_of(FChildren.begin(), FChildren.end(), [](const Ref<TOrvObject>& c) { return c->IsChanged(); });
}

void TOrvObject::Notify(int message) {
  for (const Ref<TOrvObject>& child : FChildren) child->Notify(message);
}

void TOrvObject::Draw(TDeviceDrawer& drawer) {
  bool shown = false;
  // One object that fails to draw must not take the rest of the slide with it.
  try {
    shown = Visible();
    if (shown) DrawSelf(drawer);
  } catch (const std::exception&) {
    shown = false;
  }
  CommitState(false);
  DrawContent(drawer, shown);
}

void TOrvObject::DrawContent(TDeviceDrawer& drawer, bool) {
  for (const Ref<TOrvObject>& child : FChildren) child->Draw(drawer);
}

// ---- resources

void TOrvObject::PrepareResources(TDeviceDrawer& drawer) {
  for (const Ref<TOrvObject>& child : FChildren) child->PrepareResources(drawer);
}

void TOrvObject::ReleaseResources() {
  for (const Ref<TOrvObject>& child : FChildren) child->ReleaseResources();
}

// ---- hit tests and the mouse

bool TOrvObject::AcceptsFlatHit() const { return GetHost().AcceptsFlatHit(*this); }

bool TOrvObject::ScreenToLocal(TPointF point, TPointF& local) const {
  if (!RayToLocal(FPlacement.Frame, GetHost().CameraPosition(), {point.X, point.Y, 0}, local)) return false;
  const TPointF o = FPlacement.RectOffset;
  return o.X <= local.X && local.X <= o.X + FSize.Width && o.Y <= local.Y && local.Y <= o.Y + FSize.Height;
}

TOrvObject* TOrvObject::HitTest(TPointF point, const THitFilter& filter) {
  for (auto child = FChildren.rbegin(); child != FChildren.rend(); ++child)
    if (TOrvObject* hit = (*child)->HitTest(point, filter)) return hit;
  return HitSelf(point, filter);
}

TOrvObject* TOrvObject::HitSelf(TPointF point, const THitFilter& filter) {
  if (!Visible()) return nullptr;
  if (IsDegenerate(FPlacement.Frame) && !AcceptsFlatHit()) return nullptr;
  TPointF local;
  if (!ScreenToLocal(point, local) || !HitsContent(local)) return nullptr;
  return !filter || filter(*this) ? this : nullptr;
}

void TOrvObject::SetMouseState(TMouseState state) {
  if (!TakesMouseStates() || state == FMouseState) return;
  FMouseState = state;
  StateChanged = true;
}

// ---- resolution estimate

void TOrvObject::MeasureAt(double show_time, double previous_time, bool parent_moved) {
  const bool changed = !(previous_time < show_time) || ValuesMayDiffer(previous_time, show_time);
  if (changed) FProps->Evaluate(show_time - GetSlide().SlideOffset(), false);
  const bool moved = changed || parent_moved;
  if (moved) {
    if (!KeepsPlacementWhileMeasuring()) {
      PreparePlacement();
      Place();
    }
    MeasureOnScreen();
  }
  for (const Ref<TOrvObject>& child : FChildren) child->MeasureAt(show_time, previous_time, moved);
}

// Values hold still before the first key point and after the last one, unless a formula
// moves them.
bool TOrvObject::ValuesMayDiffer(double earlier, double later) const {
  const size_t count = FProps->KeyCount();
  if (count == 0) return false;
  for (size_t i = 0; i < count; ++i)
    if (!FProps->Key(i).Modifiers().empty()) return true;
  const double offset = GetSlide().SlideOffset();
  return !(later - offset <= FProps->Key(0).Time || earlier - offset >= FProps->Key(count - 1).Time);
}

void TOrvObject::MeasureOnScreen() {
  if (!FPlacement.Defined) return;
  const TObjectFrame& f = FPlacement.Frame;
  const double zoom = std::isfinite(Field(kFieldFrameS)) ? Field(kFieldFrameS) / 100.0 : 1.0;
  MaxScreenWidth = std::max(MaxScreenWidth, std::hypot(f.X.X, f.X.Y) * FSize.Width * zoom);
  MaxScreenHeight = std::max(MaxScreenHeight, std::hypot(f.Y.X, f.Y.Y) * FSize.Height * zoom);
  const TPointF o = FPlacement.RectOffset;
  for (const TPointF corner : {o, TPointF{o.X + FSize.Width, o.Y}, TPointF{o.X, o.Y + FSize.Height},
                               TPointF{o.X + FSize.Width, o.Y + FSize.Height}})
    NearestDepth = std::min<double>(NearestDepth, f.At(corner.X, corner.Y).Z);
}

void TOrvObject::DeriveNeededSize(double camera_z) {
  // Nearer than the screen plane shows larger: more pixels are needed.
  double q = 1;
  if (camera_z != 0 && NearestDepth > camera_z) q = 1 / (1 - NearestDepth / camera_z);
  if (!(std::isfinite(q) && q > 0)) q = 1;
  NearestDepth = q;
  const auto width = float(q * MaxScreenWidth);
  const auto height = float(q * MaxScreenHeight);
  if (std::abs(width - FNeededWidth) <= 1e-6f && std::abs(height - FNeededHeight) <= 1e-6f) return;
  FNeededWidth = width;
  FNeededHeight = height;
  NeededSizeChanged();
}

}  // namespace orv
