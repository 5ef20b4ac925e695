#include "nav/nav_bar.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/assertions.h"
#include "nav/bar_pixels.h"
#include "nav/video_nav_bar.h"
#include "package/load_pacing.h"
#include "project/ini_values.h"

namespace orv {
namespace {

const std::array<std::string, 7> kKnownNames{"backward", "exit", "forward", "help", "home", "pause", "print"};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Items split at commas outside double quotes, each trimmed; an empty text has none.
std::vector<std::string> SkinList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    if (i == text.size() || (text[i] == ',' && !quoted)) {
      items.emplace_back(Trimmed(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return items;
}

// x, y, width, height of a list of exactly four items (others count as 0); nothing when
// the list has another length.
std::optional<TRect> SkinRect(std::string_view text) {
  const std::vector<std::string> items = SkinList(text);
  if (items.size() != 4) return std::nullopt;
  int v[4];
  for (size_t i = 0; i < 4; ++i) v[i] = ParseInteger(items[i]).value_or(0);
  return TRect{v[0], v[1], v[0] + std::max(v[2], 0), v[1] + std::max(v[3], 0)};
}

TRect ButtonRectOf(std::string_view text) {
  const std::optional<TRect> rect = SkinRect(text);
  ORV_ASSERT(rect, "Bounds should contains 4 values. For example: BtnTextureNormalBounds=0,0,20,20. But ORV found only " +
                       std::to_string(SkinList(text).size()) + " values.");
  return *rect;
}

TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

bool Meets(const TRect& a, const TRect& b) { return !IntersectRect(a, b).IsEmpty(); }

}  // namespace

Ref<TCustomNavBar> CreateNavBar(bool video_style) {
  if (video_style) return MakeRef<TVideoNavBar>();
  return MakeRef<TNavBar>();
}

// ---- texture cache

std::pair<Ref<TBitmap>, TRect> TBmpCache::Request(const WideString& name, const TRect& area, bool gray) {
  TItem& item = FItems[LowerWide(name)];
  if (!item.Bitmap) item.Bitmap = FLoad(name);
  if (!gray || !item.Bitmap) return {item.Bitmap, area};
  const std::string key = std::to_string(area.Left) + "," + std::to_string(area.Top) + "," +
                          std::to_string(area.Width()) + "," + std::to_string(area.Height()) + "G";
  Ref<TBitmap>& derived = item.Derived[key];
  if (!derived) {
    derived = TBitmap::Create(std::max(area.Width(), 1), std::max(area.Height(), 1), pf::A8R8G8B8);
    DrawPiece(*derived, *item.Bitmap, {area.Left, area.Top}, {area.Width(), area.Height()}, {0, 0},
              RectOfSize(area.Width(), area.Height()), false);
    for (int y = 0; y < derived->Height(); ++y) {
      auto* row = reinterpret_cast<uint32_t*>(derived->Row(y));
      for (int x = 0; x < derived->Width(); ++x) row[x] = GrayPixel(row[x]);
    }
  }
  return {derived, RectOfSize(area.Width(), area.Height())};
}

// ---- loading

std::string TNavBar::Read(std::string_view section, std::string_view key) const {
  const TIniItem* item = FTree->FindKey(section, key);
  return item ? std::string(item->Value()) : std::string();
}

int TNavBar::ReadInt(std::string_view section, std::string_view key) const {
  return ParseInteger(Read(section, key)).value_or(0);
}

void TNavBar::Load(Ref<TIniFile> tree, WideView folder) {
  FTree = std::move(tree);
  FFolder = WideString(folder);
  FTextures = std::make_unique<TBmpCache>(Callbacks.LoadTexture);
  FDeclared.clear();
  for (size_t i = 0; i < FTree->SectionCount(); ++i) {
    const std::string_view name = Trimmed(FTree->SectionAt(i)->Name());
    std::string prefix(name.substr(0, 7));
    std::transform(prefix.begin(), prefix.end(), prefix.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    const std::string rest(name.substr(std::min<size_t>(7, name.size())));
    if (prefix == "ACTION-" && std::find(kKnownNames.begin(), kKnownNames.end(), rest) != kKnownNames.end())
      FDeclared.push_back(rest);
  }
  FColsCount = ReadInt("Common", "ColsCount");
  FRowsCount = ReadInt("Common", "RowsCount");
  ORV_ASSERT(FColsCount >= 0 && FRowsCount >= 0 && FColsCount <= kMaxCells && FRowsCount <= kMaxCells,
             "The navigation bar's grid of " + std::to_string(FColsCount) + " x " + std::to_string(FRowsCount) +
                 " cells is not allowed");
  FLeftOffset = ReadInt("CellWithObjects", "LeftOffset");
  FTopOffset = ReadInt("CellWithObjects", "TopOffset");
  FRightOffset = ReadInt("CellWithObjects", "RightOffset");
  FBottomOffset = ReadInt("CellWithObjects", "BottomOffset");
  const std::vector<std::string> cell = SkinList(Read("CellWithObjects", "Cell"));
  ORV_ASSERT(cell.size() == 2, "Incorrect number of parameters in field \"Cell\"");
  FButtonCell = {ParseInteger(cell[0]).value_or(1), ParseInteger(cell[1]).value_or(1)};
  FCells.assign(size_t(FColsCount * FRowsCount), {});
  for (int col = 1; col <= FColsCount; ++col) {
    for (int row = 1; row <= FRowsCount; ++row) {
      const std::string section = "Cell(" + std::to_string(col) + ":" + std::to_string(row) + ")";
      const std::optional<TRect> bounds = SkinRect(Read(section, "Bounds"));
      ORV_ASSERT(bounds, "Incorrect number of parameters in field \"Bounds\" in [" + section + "]");
      TCell& c = Cell(col, row);
      c.Source = *bounds;
      c.Texture = FTextures->Request(FFolder + Utf8ToUtf16(Read(section, "flnm_Texture")), *bounds, false).first;
      c.Width = bounds->Width();
      c.Height = bounds->Height();
    }
  }
  FLoaded = true;
}

TNavBar::TCut TNavBar::Texture(const std::string& section, const char* file_key, const std::string& file_default,
                               const TRect& area, bool gray) {
  const TIniItem* item = FTree->FindKey(section, file_key);
  const std::string file = item ? std::string(item->Value()) : file_default;
  auto [bitmap, cut] = FTextures->Request(FFolder + Utf8ToUtf16(file), area, gray);
  return {std::move(bitmap), {cut.Left, cut.Top}};
}

TNavBar::TButton TNavBar::MakeButton(int number, const std::string& name) {
  const std::string object = "Object" + std::to_string(number);
  const std::string action = "Action-" + name;
  TButton button;
  button.ShiftPressed = ReadInt(object, "ShiftPressed");
  button.Space = ReadInt(object, "Space");
  const bool gray = ParseBool(Read(object, "GrayNormal")).value_or(false);
  // A hover or pressed rectangle or file left out is the normal one.
  const auto rect_text = [&](const char* key, const std::string& fallback) {
    const TIniItem* item = FTree->FindKey(action, key);
    return item ? std::string(item->Value()) : fallback;
  };
  const std::string fg_bounds = Read(action, "BtnTextureNormalBounds");
  const std::string bg_bounds = Read(action, "BgTextureNormalBounds");
  const TRect fg[3] = {ButtonRectOf(fg_bounds), ButtonRectOf(rect_text("BtnTextureHoverBounds", fg_bounds)),
                       ButtonRectOf(rect_text("BtnTexturePressedBounds", fg_bounds))};
  const TRect bg[3] = {ButtonRectOf(bg_bounds), ButtonRectOf(rect_text("BgTextureHoverBounds", bg_bounds)),
                       ButtonRectOf(rect_text("BgTexturePressedBounds", bg_bounds))};
  const std::string fg_file = Read(action, "flnm_BtnTextureNormal");
  const std::string bg_file = Read(action, "flnm_BgTextureNormal");
  const std::string play_file = Read(action, "flnm_BtnTextureNormalPlay");
  static const char* const kFg[3] = {"flnm_BtnTextureNormal", "flnm_BtnTextureHover", "flnm_BtnTexturePressed"};
  static const char* const kBg[3] = {"flnm_BgTextureNormal", "flnm_BgTextureHover", "flnm_BgTexturePressed"};
  static const char* const kPlay[3] = {"flnm_BtnTextureNormalPlay", "flnm_BtnTextureHoverPlay",
                                       "flnm_BtnTexturePressedPlay"};
  button.HasPlay = !play_file.empty();
  for (int s = 0; s < 3; ++s) {
    const bool gray_state = gray && s == kNormal;
    button.Foreground[s] = Texture(action, kFg[s], fg_file, fg[s], gray_state);
    button.Background[s] = Texture(action, kBg[s], bg_file, bg[s], false);
    if (button.HasPlay) button.Play[s] = Texture(action, kPlay[s], play_file, fg[s], gray_state);
  }
  button.ForegroundSize = {fg[0].Width(), fg[0].Height()};
  button.Width = bg[0].Width();
  button.Height = bg[0].Height();
  return button;
}

void TNavBar::SetButtons(const std::vector<int>& indexes) {
  const size_t count = std::min(size_t(std::max(ReadInt("Objects", "Count"), 0)), indexes.size());
  FButtons.clear();
  FShown.clear();
  for (size_t i = 0; i < count; ++i) {
    const int index = indexes[i];
    if (index < 0 || size_t(index) >= FDeclared.size()) continue;
    FButtons.push_back(MakeButton(int(FButtons.size() + 1), FDeclared[size_t(index)]));
    FShown.push_back(index);
  }
  Layout();
  FDirty = RectOfSize(FWidth, FHeight);
  Redraw();
}

// ---- layout and drawing

void TNavBar::Layout() {
  if (FColsCount == 0 || FRowsCount == 0) return;
  int cell_width = FLeftOffset + FRightOffset;
  for (const TButton& button : FButtons) cell_width += button.Width + button.Space;
  const int cell_height = FTopOffset + FBottomOffset + (FButtons.empty() ? 0 : FButtons.front().Height);
  const bool cell_valid = FButtonCell.X >= 1 && FButtonCell.X <= FColsCount && FButtonCell.Y >= 1 &&
                          FButtonCell.Y <= FRowsCount;
  if (cell_valid) {
    if (FButtons.empty()) {
      Cell(FButtonCell.X, FButtonCell.Y).Width = cell_width;
      Cell(FButtonCell.X, FButtonCell.Y).Height = cell_height;
    } else {
      for (int row = 1; row <= FRowsCount; ++row) Cell(FButtonCell.X, row).Width = cell_width;
      for (int col = 1; col <= FColsCount; ++col) Cell(col, FButtonCell.Y).Height = cell_height;
    }
  }
  // Columns take their x from the first row's widths, rows their y from the first column's
  // heights.
  FWidth = 0;
  for (int col = 1; col <= FColsCount; ++col) {
    for (int row = 1; row <= FRowsCount; ++row) Cell(col, row).X = FWidth;
    FWidth += Cell(col, 1).Width;
  }
  FHeight = 0;
  for (int row = 1; row <= FRowsCount; ++row) {
    for (int col = 1; col <= FColsCount; ++col) Cell(col, row).Y = FHeight;
    FHeight += Cell(1, row).Height;
  }
  ORV_ASSERT(FWidth >= 0 && FHeight >= 0 && FWidth <= kMaxSide && FHeight <= kMaxSide,
             "The navigation bar of " + std::to_string(FWidth) + " x " + std::to_string(FHeight) +
                 " pixels is not allowed");
  if (!cell_valid) return;
  const TCell& holder = Cell(FButtonCell.X, FButtonCell.Y);
  int left = holder.X + FLeftOffset;
  for (TButton& button : FButtons) {
    button.Left = left;
    button.Top = holder.Y + FTopOffset;
    left += button.Width + button.Space;
  }
}

void TNavBar::Redraw() {
  if (!FLoaded || FDirty.IsEmpty() || FColsCount <= 0 || FRowsCount <= 0 || FWidth <= 0 || FHeight <= 0) return;
  if (!FPicture || FPicture->Width() != FWidth || FPicture->Height() != FHeight) {
    FPicture = TBitmap::Create(FWidth, FHeight, pf::A8R8G8B8);
    FDirty = RectOfSize(FWidth, FHeight);
  }
  FDirty = IntersectRect(FDirty, RectOfSize(FWidth, FHeight));
  for (int y = FDirty.Top; y < FDirty.Bottom; ++y)
    std::fill_n(reinterpret_cast<uint32_t*>(FPicture->Row(y)) + FDirty.Left, FDirty.Width(), 0u);
  PaceLoading(nullptr);
  if (ShowBackground) {
    for (const TCell& c : FCells) {
      const TRect area = IntersectRect(TRect{c.X, c.Y, c.X + c.Width, c.Y + c.Height}, FDirty);
      if (area.IsEmpty() || !c.Texture || c.Source.IsEmpty()) continue;
      // The texture area repeats across the cell from its top-left corner.
      for (int y = c.Y; y < c.Y + c.Height; y += c.Source.Height())
        for (int x = c.X; x < c.X + c.Width; x += c.Source.Width())
          DrawPiece(*FPicture, *c.Texture, {c.Source.Left, c.Source.Top}, {c.Source.Width(), c.Source.Height()},
                    {x, y}, area, false);
    }
  }
  PaceLoading(nullptr);
  for (const TButton& button : FButtons) DrawButton(button);
  PaceLoading(nullptr);
  if (Hue != 0) {
    const int step = Hue * 256 / 360;
    for (int y = FDirty.Top; y < FDirty.Bottom; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(FPicture->Row(y));
      for (int x = FDirty.Left; x < FDirty.Right; ++x) row[x] = ShiftHuePixel(row[x], step);
      PaceLoading(nullptr);
    }
  }
  const TRect dirty = FDirty;
  FDirty = {};
  if (Callbacks.OnImageChanged) Callbacks.OnImageChanged(*this, dirty);
}

void TNavBar::DrawButton(const TButton& button) {
  const TRect rect{button.Left, button.Top, button.Left + button.Width, button.Top + button.Height};
  if (!Meets(rect, FDirty)) return;
  const TCut& background = button.Background[button.State];
  if (background.Bitmap)
    DrawPiece(*FPicture, *background.Bitmap, background.Origin, {button.Width, button.Height}, {rect.Left, rect.Top},
              FDirty, true);
  const bool paused = Callbacks.IsPlaying && !Callbacks.IsPlaying();
  const TCut& foreground = button.HasPlay && paused ? button.Play[button.State] : button.Foreground[button.State];
  if (!foreground.Bitmap) return;
  const TPoint size = button.ForegroundSize;
  const int shift = button.State == kPressed ? button.ShiftPressed : 0;
  const TPoint to{button.Left + (button.Width - size.X) / 2 + shift, button.Top + (button.Height - size.Y) / 2 + shift};
  DrawPiece(*FPicture, *foreground.Bitmap, foreground.Origin, size, to, FDirty, true);
}

TRect TNavBar::ButtonRect(size_t index) const {
  const TButton& b = FButtons.at(index);
  return {b.Left, b.Top, b.Left + b.Width, b.Top + b.Height};
}

void TNavBar::AddDirty(const TRect& rect) { FDirty = UnionRect(FDirty, rect); }

void TNavBar::SetState(size_t index, TButtonState state) {
  TButton& button = FButtons[index];
  if (button.State == state) return;
  TRect rect = ButtonRect(index);
  if (button.State == kPressed || state == kPressed) {
    rect.Right += std::max(button.ShiftPressed, 0);
    rect.Bottom += std::max(button.ShiftPressed, 0);
  }
  button.State = state;
  AddDirty(rect);
}

// ---- mouse and clock

int TNavBar::ButtonAt(int x, int y) const {
  for (size_t i = 0; i < FButtons.size(); ++i) {
    const TRect r = ButtonRect(i);
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return int(i);
  }
  return -1;
}

void TNavBar::HandleMove(int x, int y, int state) {
  if (FPressing || Inside(x, y)) {
    // A drag that began elsewhere lights nothing up.
    if ((state & modifier::kLeftButton) && !FPressing) return;
    FMouseInside = true;
    const int under = ButtonAt(x, y);
    for (size_t i = 0; i < FButtons.size(); ++i) {
      TButtonState next = kNormal;
      if (int(i) == under) next = !FPressing ? kHover : (int(i) == FPressedIndex ? kPressed : kNormal);
      SetState(i, next);
    }
  } else if (FMouseInside) {
    FMouseInside = false;
    for (size_t i = 0; i < FButtons.size(); ++i) SetState(i, kNormal);
  }
}

void TNavBar::MouseEvent(TMouseButton button, int state, TMouseEvent event, int y, int x) {
  switch (event) {
    case TMouseEvent::Down:
      if (!Inside(x, y) || button != TMouseButton::Left) return;
      FPressing = true;
      FPressedIndex = ButtonAt(x, y);
      for (size_t i = 0; i < FButtons.size(); ++i) SetState(i, int(i) == FPressedIndex ? kPressed : kNormal);
      break;
    case TMouseEvent::Move:
      HandleMove(x, y, state);
      break;
    case TMouseEvent::Up: {
      if (!Inside(x, y)) {
        if (!FMouseInside) return;
        FMouseInside = false;
      }
      if (button != TMouseButton::Left) break;
      const int pressed = FPressedIndex;
      const bool click = FPressing && pressed >= 0 && ButtonAt(x, y) == pressed;
      FPressing = false;
      FPressedIndex = -1;
      HandleMove(x, y, state & ~modifier::kLeftButton);
      Redraw();
      if (click && Callbacks.OnClick) Callbacks.OnClick(*this, pressed);
      return;
    }
    case TMouseEvent::DoubleClick:
      return;
  }
  Redraw();
}

void TNavBar::Tick(double) {
  if (!Callbacks.IsPlaying) return;
  const bool playing = Callbacks.IsPlaying();
  if (FFirstTick || playing != FLastPlaying) {
    const auto with_play = std::find_if(FButtons.begin(), FButtons.end(), [](const TButton& b) { return b.HasPlay; });
    if (with_play != FButtons.end()) AddDirty(ButtonRect(size_t(with_play - FButtons.begin())));
    Redraw();
  }
  FFirstTick = false;
  FLastPlaying = playing;
}

}  // namespace orv
