#include "app/window_placement.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

constexpr TRect kDefaultClient = RectOfSize(640, 480);

TWindowMode ModeOf(int mode) {
  switch (mode) {
    case 0:
      return TWindowMode::FullScreen;
    case 1:
      return TWindowMode::Windowed;
  }
  return TWindowMode::Borderless;
}

TRect Union(const std::vector<TRect>& monitors) {
  TRect area = monitors.front();
  for (const TRect& monitor : monitors) {
    area.Left = std::min(area.Left, monitor.Left);
    area.Top = std::min(area.Top, monitor.Top);
    area.Right = std::max(area.Right, monitor.Right);
    area.Bottom = std::max(area.Bottom, monitor.Bottom);
  }
  return area;
}

TRect TargetArea(const std::vector<TRect>& monitors, const TPlacementSwitches& switches, int width, int height) {
  if (monitors.empty()) return RectOfSize(width, height);
  if (switches.DesktopAlign) return Union(monitors);
  if (switches.Display >= 1 && switches.Display <= int(monitors.size())) return monitors[switches.Display - 1];
  return monitors[PrimaryMonitor(monitors)];
}

// The client size scaled down so that client and frame fit into the area.
void FitInto(const TRect& area, int frame_width, int frame_height, int& width, int& height) {
  if (width + frame_width <= area.Width() && height + frame_height <= area.Height()) return;
  const double scale = std::min(double(area.Height() - frame_height) / height, double(area.Width() - frame_width) / width);
  width = std::max(int(std::lround(width * scale)), kMinClientSide);
  height = std::max(int(std::lround(height * scale)), kMinClientSide);
}

}  // namespace

int PrimaryMonitor(const std::vector<TRect>& monitors) {
  for (int i = int(monitors.size()) - 1; i >= 1; --i)
    if (monitors[i].Left == 0 && monitors[i].Top == 0) return i;
  return 0;
}

TWindowPlacement WindowPlacement(int width, int height, int mode, const std::vector<TRect>& monitors,
                                 const TPlacementSwitches& switches, const TRect& frame) {
  TWindowPlacement placement;
  placement.Mode = ModeOf(mode);
  placement.Resizable = placement.Mode == TWindowMode::Windowed && switches.Resize;
  if (width <= 0 || height <= 0) {
    width = kDefaultClient.Width();
    height = kDefaultClient.Height();
  }
  const TRect area = TargetArea(monitors, switches, width, height);
  if (placement.Mode == TWindowMode::FullScreen) {
    placement.Client = area;
    return placement;
  }
  const TRect margins = placement.Mode == TWindowMode::Windowed ? frame : TRect{};
  const int frame_width = margins.Left + margins.Right;
  const int frame_height = margins.Top + margins.Bottom;
  FitInto(area, frame_width, frame_height, width, height);
  const int left = area.Left + (area.Width() - (width + frame_width)) / 2 + margins.Left;
  const int top = area.Top + (area.Height() - (height + frame_height)) / 2 + margins.Top;
  placement.Client = TRect{left, top, left + width, top + height};
  return placement;
}

}  // namespace orv
