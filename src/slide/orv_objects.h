// The drawable objects of a slide: one object per props node of the slide's tree (key points
// and animated values, key_frames.h) whose class word has a creator. An object reads its
// static keys, places itself in slide space from the evaluated values, knows when it is
// active and which face it shows, hands itself to the drawer in tree order and answers hit
// tests.
#pragma once

#include <cmath>
#include <functional>
#include <span>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "project/ini_file.h"
#include "render/device_drawer.h"
#include "slide/key_frames.h"
#include "slide/placement.h"

namespace orv {

class TOrvObject;
class TOrvSlide;
class TOrvSlideHost;

// Typed access to the evaluated animated values of the bound props node.
class TOrvParams : public TDrawItem {
public:
  // Percent, the parents' opacity included.
  virtual float GetOpacity() const = 0;
  // What the children's opacity is relative to (percent).
  virtual float OpacityForChildren() const { return GetOpacity(); }
  // Places the object (and its subtree when asked) from the current values.
  virtual void Update(bool recursive) = 0;
  // The show time of one of the slide's anchors.
  virtual double GetAnchorTime(TKeyOrigin kind) const = 0;

  float Field(TAnimatedField field) const { return FProps->Value(field); }
  TOrvObjectProps& Props() const noexcept { return *FProps; }

protected:
  explicit TOrvParams(Ref<TOrvObjectProps> props) : FProps(std::move(props)) {}
  Ref<TOrvObjectProps> FProps;
};

struct TShadowSettings {
  bool Enable = false;
  float Size = 16;
  TIniColor Color{0, 0, 0, 255};
  float Opacity = 59;  // percent
  float Distance = 1.5f;
  double Angle = 45;  // degrees
  int SpreadIndex = 0;
  bool ThreeD = false;
  friend bool operator==(const TShadowSettings&, const TShadowSettings&) = default;
};

// The static keys every object reads.
struct TObjectSettings {
  WideString Action;  // run when the object is clicked
  bool TranspForClick = false;
  TFitMode FitMode = TFitMode::PlaceInto;
  TUnitMode PosMode = TUnitMode::Percent;
  TUnitMode CenterMode = TUnitMode::Percent;
  bool DrawToFoneStopper = false;  // the last object of the cached background layer
  bool TreeNode = true;
  bool HideFront = false;
  bool HideBack = false;
  bool ChildInvis = false;  // the children hide whenever "HideMode" hides this object
  TShadowSettings Shadow;
  friend bool operator==(const TObjectSettings&, const TObjectSettings&) = default;
};

struct TFitScales {
  double X = 0;
  double Y = 0;
};

// Where an object is, as the last Update computed it.
struct TPlacement {
  TMatrix3 Matrix;  // local units to slide space, the parents' included
  TObjectFrame Frame;
  TPointF RectOffset;  // the content's top-left corner relative to the pivot, local units
  double FitScaleX = 0;
  double FitScaleY = 0;
  bool Defined = false;  // every number is finite: the object can be drawn and hit
};

// What the last drawn frame showed of an object, to tell whether the next one differs.
struct TDrawnState {
  float Opacity = 0;
  float Blur = 0;
  TObjectFrame Frame;
  TRectF Rect;
  TRectF Source;
  friend bool operator==(const TDrawnState&, const TDrawnState&) = default;
};

// The picture that stands for the slide in text macros.
struct TMainPicture {
  WideString Name;
  TSizeF Size;
};

// Hover and click look of buttons and text objects that have an action.
enum class TMouseState : uint8_t { Normal, Hover, Click };

// Objects a hit test may report.
using THitFilter = std::function<bool(const TOrvObject&)>;

class TOrvObject : public TOrvParams {
public:
  // Binds the object to `props` (which must not have one yet, assertion) under `parent`
  // (none for a slide).
  TOrvObject(TOrvObject* parent, Ref<TOrvObjectProps> props);

  // ---- tree
  TOrvObject* Parent() const noexcept { return FParent; }
  std::span<const Ref<TOrvObject>> Children() const noexcept { return FChildren; }
  const WideString& Name() const noexcept { return FName; }
  const TObjectSettings& Settings() const noexcept { return FSettings; }
  // The root slide (assertion for an object that has left its tree).
  TOrvSlide& GetSlide() const;
  virtual TOrvSlideHost& GetHost() const;

  // ---- loading
  // Reads the static keys of `block`; a real change sets ParamsChanged.
  virtual void LoadParams(const TIniObject& block, bool reuse);
  // LoadParams from the bound node's block, then CreateChildren.
  void Load(bool reuse);
  // One object per child node whose class word has a creator; objects of nodes that were
  // kept by a reload are kept too.
  void CreateChildren();

  // ---- time and placement
  // Evaluates the props at `show_time` and decides whether the object is in its time window.
  bool UpdateTime(bool recursive, double show_time);
  void Update(bool recursive) final;
  void UpdateAt(bool recursive, double show_time);
  double GetAnchorTime(TKeyOrigin kind) const override;
  float GetOpacity() const override;
  float GetBlur() const override;

  TSizeF Size() const noexcept { return FSize; }
  virtual TSizeF GetParentSize() const;
  virtual const TObjectFrame& GetParentFrame() const;
  virtual const TMatrix3& GetParentMatrix() const;
  const TPlacement& Placement() const noexcept { return FPlacement; }
  bool Active() const noexcept { return FActive; }
  bool HiddenByParent() const noexcept { return FHiddenByParent; }
  // The face the viewer sees is not hidden by "HideMode".
  bool FaceVisible() const;
  // Active, placed, facing the viewer with a face it shows, not hidden by its parent.
  bool Visible() const;

  // ---- drawing
  bool IsChanged() const override;
  void Notify(int message) override;
  // Draws the object when visible, then what it contains.
  void Draw(TDeviceDrawer& drawer) final;
  virtual void DrawSelf(TDeviceDrawer&) {}
  // Hands the children to the drawer in order; `shown` tells whether the object itself was.
  virtual void DrawContent(TDeviceDrawer& drawer, bool shown);
  // Remembers what was drawn and clears both change flags.
  void CommitState(bool recursive);
  // The content's rectangle in the object's local units: Size placed at the pivot offset.
  TRectF LocalRect() const;

  // ---- resources
  // Acquires the pictures of the subtree and has `drawer` build their textures ahead of the
  // first frame; called again after a change, it builds only what is new. Called on the
  // thread that draws the slide, like ReleaseResources.
  virtual void PrepareResources(TDeviceDrawer& drawer);
  // Hands the textures built for the subtree back to the drawer; nothing to do when called
  // again. The pictures stay with their objects until these are freed, so that a slide drawn
  // after it still shows (the drawer builds what it needs then).
  virtual void ReleaseResources();

  // ---- hit tests and the mouse
  // The point of the object's plane under a screen point, in local units; true when it is
  // inside the object's rectangle.
  bool ScreenToLocal(TPointF point, TPointF& local) const;
  bool AcceptsFlatHit() const;
  // The topmost visible object of the subtree under the point that the filter (when set)
  // accepts: the children from the last to the first, then the object itself.
  TOrvObject* HitTest(TPointF point, const THitFilter& filter);
  bool Pressed() const noexcept { return FPressed; }
  void SetPressed(bool pressed) { FPressed = pressed; }
  TMouseState MouseState() const noexcept { return FMouseState; }
  virtual void SetMouseState(TMouseState state);
  // Objects that change their look with the mouse (buttons and texts with an action).
  virtual bool TakesMouseStates() const { return false; }

  // Fills `picture` and answers true when the object is the slide's main picture.
  virtual bool AnswerMainPicture(TMainPicture& /*picture*/) const { return false; }

  // ---- resolution estimate
  double MaxScreenWidth = 0;
  double MaxScreenHeight = 0;
  double NearestDepth = 1e6;
  float NeededWidth() const noexcept { return FNeededWidth; }
  float NeededHeight() const noexcept { return FNeededHeight; }
  // Places the subtree at `show_time` and takes each object's on-screen size and depth into
  // its maxima; nothing else of the objects' state changes. With the time measured before
  // (NaN for none), objects whose place cannot have changed since are left as they are.
  void MeasureAt(double show_time, double previous_time = NAN, bool parent_moved = true);
  // Takes the current placement's on-screen size and depth into the maxima.
  void MeasureOnScreen();
  // Derives the needed sizes from the maxima for a camera at depth `camera_z`.
  void DeriveNeededSize(double camera_z);

protected:
  void Dispose() override;

  // The defaults of the common keys for this kind of object.
  virtual TObjectSettings DefaultSettings() const { return {}; }
  // The content's own size in local units, for fitting and hit tests.
  virtual TSizeF GetSourceSize() const;
  // The scale of the object before fitting, percent.
  virtual double OwnScaleX() const { return Field(kFieldScaleX); }
  virtual double OwnScaleY() const { return Field(kFieldScaleY); }
  // The factor that fits the content into the parent, before the own scale.
  virtual double FitFactorFor(TSizeF parent_size) const { return FitFactor(FSettings.FitMode, FSize, parent_size); }
  // FitScaleX and FitScaleY: the own scales times the fit factor.
  virtual TFitScales FitScalesFor(TSizeF parent_size) const;
  // Whether a point of the object's rectangle (local units) hits what it shows.
  virtual bool HitsContent(TPointF /*local*/) const { return true; }
  // Before the placement: what the object needs to know first (the slide's depth factor).
  virtual void PreparePlacement() {}
  // After the common placement: what a kind of object adds (a picture's window).
  virtual void UpdateOwnPlacement() {}
  // Whether the resolution estimate leaves the object where the last update placed it.
  virtual bool KeepsPlacementWhileMeasuring() const { return false; }
  // The picture part shown, for change detection (empty when there is none).
  virtual TRectF SourceRect() const { return {}; }
  // Called when the needed sizes changed by more than 10^-6.
  virtual void NeededSizeChanged() {}
  // Sets ParamsChanged when `value` differs from `field`, and stores it.
  // The slide makes itself the root of its tree.
  void SetRoot(TOrvSlide& slide) { FRoot = &slide; }
  template <class T>
  void Assign(T& field, T value) {
    if (field == value) return;
    field = std::move(value);
    ParamsChanged = true;
  }

  TSizeF FSize;

private:
  void Place();
  // The animated values may differ between two show times (earlier first).
  bool ValuesMayDiffer(double earlier, double later) const;
  TPoint3F PositionInParent(TSizeF parent_size) const;
  TPointF PivotOffset() const;
  void UpdateHiddenByParent();
  void DetectStateChange();
  TDrawnState CurrentState() const;
  bool SegmentModified() const;
  // A child object for a node, kept from `old` when the node already has one.
  Ref<TOrvObject> ObjectFor(TOrvObjectProps& node, std::vector<Ref<TOrvObject>>& old);
  TOrvObject* HitSelf(TPointF point, const THitFilter& filter);

  TOrvObject* FParent;
  // The slide at the root of the tree, kept rather than searched: every placement asks it.
  TOrvSlide* FRoot = nullptr;
  std::vector<Ref<TOrvObject>> FChildren;
  WideString FName;
  TObjectSettings FSettings;
  TPlacement FPlacement;
  bool FActive = false;
  bool FHiddenByParent = false;
  bool FPressed = false;
  TMouseState FMouseState = TMouseState::Normal;
  TDrawnState FCommitted;
  float FNeededWidth = 0;
  float FNeededHeight = 0;
};

// Calls `visit` for every object of the subtree, parents before children.
template <class Visit>
void ForEachObject(TOrvObject& object, const Visit& visit) {
  visit(object);
  for (const Ref<TOrvObject>& child : object.Children()) ForEachObject(*child, visit);
}

// Reads the keys every object reads; `settings` holds the kind's defaults on entry.
void ReadObjectSettings(const TIniObject& block, TObjectSettings& settings);
// A text value; text that is not UTF-8 reads as the default.
WideString ReadObjectText(const TIniItem* item, WideView default_value = {});

// Object creation: a chain of creators keyed on the lower-cased class word. A creator that
// does not know the word answers none, and the one registered before it is asked; the base
// and mask creators come first, later registrations (video) are asked before them.
using TObjectCreator = Ref<TOrvObject> (*)(std::string_view class_word, TOrvObject& parent, Ref<TOrvObjectProps> node);
void RegisterObjectCreator(TObjectCreator creator);
// None when no creator knows the word.
Ref<TOrvObject> CreateOrvObject(std::string_view class_word, TOrvObject& parent, Ref<TOrvObjectProps> node);

}  // namespace orv
