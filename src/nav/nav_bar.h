// The classic navigation bar: a grid of background cells cut from texture files, one cell
// holding a row of buttons, each button drawn from its own cut-outs for the normal, hover
// and pressed states. Everything comes from the skin file, a small project text file.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "nav/custom_nav_bar.h"

namespace orv {

// The bar a skin describes: the classic bar, or none for a video-style skin this player
// does not draw.
Ref<TCustomNavBar> CreateNavBar(bool video_style);

// Texture files of one skin, each loaded once (names compared without regard to case), and
// the gray cut-outs made from them, each made once.
class TBmpCache {
public:
  explicit TBmpCache(std::function<Ref<TBitmap>(WideView)> load) : FLoad(std::move(load)) {}
  // The file's bitmap and the area to cut; with `gray` a bitmap of the area's size holding
  // its gray copy, the area then starting at (0, 0).
  std::pair<Ref<TBitmap>, TRect> Request(const WideString& name, const TRect& area, bool gray);

private:
  struct TItem {
    Ref<TBitmap> Bitmap;
    std::map<std::string, Ref<TBitmap>> Derived;
  };
  std::function<Ref<TBitmap>(WideView)> FLoad;
  std::map<WideString, TItem> FItems;
};

class TNavBar : public TCustomNavBar {
public:
  // The grid may not be larger than this many cells a side, nor the picture this many
  // pixels: a skin asking for more is refused.
  static constexpr int kMaxCells = 64;
  static constexpr int kMaxSide = 8192;

  enum TButtonState { kNormal = 0, kHover = 1, kPressed = 2 };

  void Load(Ref<TIniFile> tree, WideView folder) override;
  void SetButtons(const std::vector<int>& indexes) override;
  void MouseEvent(TMouseButton button, int state, TMouseEvent event, int y, int x) override;
  void Tick(double time) override;
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }

  // Where button `index` (among the shown ones) lies in the picture, and its state.
  TRect ButtonRect(size_t index) const;
  TButtonState ButtonState(size_t index) const { return FButtons.at(index).State; }
  size_t ButtonCount() const noexcept { return FButtons.size(); }

private:
  struct TCell {
    Ref<TBitmap> Texture;
    TRect Source;
    int X = 0, Y = 0, Width = 0, Height = 0;
  };
  struct TCut {
    Ref<TBitmap> Bitmap;
    TPoint Origin;
  };
  struct TButton {
    TButtonState State = kNormal;
    TCut Foreground[3], Background[3], Play[3];
    TPoint ForegroundSize;
    bool HasPlay = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Space = 0;
    int ShiftPressed = 0;
  };

  std::string Read(std::string_view section, std::string_view key) const;
  int ReadInt(std::string_view section, std::string_view key) const;
  TCell& Cell(int col, int row) { return FCells[size_t((row - 1) * FColsCount + (col - 1))]; }
  TButton MakeButton(int number, const std::string& name);
  TCut Texture(const std::string& section, const char* file_key, const std::string& file_default,
               const TRect& area, bool gray);
  void Layout();
  void Redraw();
  void DrawButton(const TButton& button);
  void SetState(size_t index, TButtonState state);
  void AddDirty(const TRect& rect);
  void HandleMove(int x, int y, int state);
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
  int ButtonAt(int x, int y) const;

  Ref<TIniFile> FTree;
  WideString FFolder;
  std::unique_ptr<TBmpCache> FTextures;
  int FColsCount = 0, FRowsCount = 0;
  TPoint FButtonCell;
  int FLeftOffset = 0, FTopOffset = 0, FRightOffset = 0, FBottomOffset = 0;
  std::vector<TCell> FCells;
  std::vector<TButton> FButtons;
  int FWidth = 0, FHeight = 0;
  TRect FDirty;
  bool FPressing = false;
  int FPressedIndex = -1;
  bool FMouseInside = false;
  bool FLastPlaying = false;
  bool FFirstTick = true;
  bool FLoaded = false;
};

}  // namespace orv
