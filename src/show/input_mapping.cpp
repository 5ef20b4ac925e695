#include "show/input_mapping.h"

#include "show/action_text.h"

namespace orv {
namespace {

TOrvActionInfo Kind(std::uint8_t kind, std::int32_t number = 0) { return TOrvActionInfo{kind, number, {}}; }

}  // namespace

TInputMappingClass::TInputMappingClass(const TShowOptions& options, TTickSource ticks)
    : FLeftClick(MouseOptionAction(options.LeftMouse)),
      FRightClick(MouseOptionAction(options.RightMouse)),
      FDoubleClick(MouseOptionAction(options.DoubleClick)),
      FScreenSaver(options.ScreenSaver),
      FPermitControl(options.PermitControl) {
  if (FScreenSaver)
    FExitMap = MakeRef<TKeyMap>(nullptr, modifier::kShiftAltCtrl, 0, kKeyDown, Kind(TOrvActionInfo::kExit));
  if (FScreenSaver || options.ExitOnMove) FMoveDetector = MakeRef<TMouseMoveDetector>(std::move(ticks));
  Bind(vk::kEscape, Kind(TOrvActionInfo::kExit));
  if (FPermitControl) {
    BindAll({vk::kSpace, vk::kPause, vk::kMediaPlayPause}, Kind(TOrvActionInfo::kPause));
    Bind('P', Kind(TOrvActionInfo::kPause), modifier::kCtrl);
    Bind(vk::kMediaStop, Kind(TOrvActionInfo::kStop));
    BindAll({vk::kLeft, vk::kPageUp, vk::kBrowserBack, vk::kMediaPrevTrack, vk::kUp}, Kind(TOrvActionInfo::kPrevSlide));
    BindAll({vk::kRight, vk::kPageDown, vk::kBrowserForward, vk::kMediaNextTrack, vk::kDown},
            Kind(TOrvActionInfo::kNextSlide));
    Bind(vk::kHome, Kind(TOrvActionInfo::kGoToSlide, 0));
    Bind(vk::kEnd, Kind(TOrvActionInfo::kGoToSlide, options.SlideCount));
  }
  if (!options.LockF1) Bind(vk::kF1, Kind(TOrvActionInfo::kHelp));
}

void TInputMappingClass::Bind(int key, TOrvActionInfo action, std::uint8_t value) {
  FKeys[key] = MakeRef<TKeyMap>(std::move(FKeys[key]), modifier::kShiftAltCtrl, value, kKeyDown, std::move(action));
}

void TInputMappingClass::BindAll(std::initializer_list<int> keys, const TOrvActionInfo& action) {
  for (const int key : keys) Bind(key, action);
}

const TKeyMap* TInputMappingClass::KeyAction(std::uint8_t modifiers, int key, int event) const {
  if (FScreenSaver) return FExitMap.Get();
  if (key < 0 || key >= vk::kCount) return nullptr;
  for (const TKeyMap* map = FKeys[key].Get(); map; map = map->Next.Get())
    if (map->Matches(modifiers, event)) return map;
  return nullptr;
}

TOrvActionInfo TInputMappingClass::MouseAction(std::uint8_t modifiers, int x, int y, TMouseEvent event,
                                               TMouseButton button) {
  if (FScreenSaver && (modifiers != 0 || button != TMouseButton::None)) return Kind(TOrvActionInfo::kExit);
  if (FMoveDetector && FMoveDetector->Sample(x, y)) return Kind(TOrvActionInfo::kExit);
  if (event == TMouseEvent::Up && button == TMouseButton::Left) return FLeftClick;
  if (event == TMouseEvent::Up && button == TMouseButton::Right) return FRightClick;
  if (event == TMouseEvent::DoubleClick && button == TMouseButton::Left) return FDoubleClick;
  return {};
}

}  // namespace orv
