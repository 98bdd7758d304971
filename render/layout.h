// Layout of the main screen: the skins, the ten buttons, the centre menu, the
// page panel, the scroll bar and the wipe rectangle, named once. The drawing
// (render/) and the core's hit tests, scrolling and wipes (core/) both read
// these, so a position changed here moves the picture and the hot area
// together. Units: FrameBuffer pixels; rectangles (x, y, w, h) cover w + 1
// columns by h + 1 rows when drawn and are hit strictly inside.
#pragma once

#include <cstdint>

namespace zel {

// ---- Skins -------------------------------------------------------------------
// Skin numbers as F1 and F2 set them. Every skin test asks "is it 'Grunge'?";
// any other number is 'Carbon'.
constexpr int32_t kSkinGrunge = 1;
constexpr int32_t kSkinCarbon = 2;
constexpr bool is_grunge(int skin) { return skin == kSkinGrunge; }
// Index of per-skin tables: 0 'Grunge', 1 'Carbon'.
constexpr int skin_index(int skin) { return is_grunge(skin) ? 0 : 1; }

// ---- Buttons -------------------------------------------------------------------
// Buttons 1..10 as ButtonLit, ButtonGlow and ButtonRects number them.
enum ButtonId : int {
  kButtonQuit = 1,
  kButtonCharts,
  kButtonArticles,
  kButtonRules,
  kButtonHelp,
  kButtonMute,
  kButtonMusic1,
  kButtonMusic2,
  kButtonMusic3,
  kButtonMusic4,
};
constexpr int kButtonCount = 10;
constexpr int kGlowMax = 125;  // ButtonGlow and scrollbar_glow run 0..125

struct ButtonRect {
  int x = 0, y = 0, w = 0, h = 0;
  // Strict on all four sides.
  constexpr bool contains(int px, int py) const { return x < px && px < x + w && y < py && py < y + h; }
};

// ButtonRects per skin ('Grunge', 'Carbon'), buttons 1..10 (index 0 unused).
constexpr ButtonRect kButtonRects[2][kButtonCount + 1] = {
    {{}, {35, 40, 88, 19}, {35, 65, 88, 19}, {35, 90, 88, 19}, {672, 65, 88, 19}, {672, 90, 88, 19},
     {672, 40, 88, 19}, {9, 132, 57, 19}, {73, 132, 57, 19}, {665, 132, 57, 19}, {729, 132, 57, 19}},
    {{}, {25, 49, 76, 19}, {25, 73, 76, 19}, {25, 97, 76, 19}, {698, 73, 76, 19}, {698, 97, 76, 19},
     {698, 49, 76, 19}, {18, 137, 43, 8}, {79, 137, 44, 8}, {669, 137, 44, 8}, {733, 137, 43, 8}},
};

// Rectangle of button k (1..10) with `skin`.
constexpr const ButtonRect& button_rect(int skin, int k) { return kButtonRects[skin_index(skin)][k]; }

// ---- Centre menu ---------------------------------------------------------------
// current_menu values.
constexpr int32_t kMenuCharts = 1;
constexpr int32_t kMenuArticles = 2;
// Two columns of five slots; right row 5 is the switch to the other menu.
constexpr int kMenuRows = 5;
constexpr int kMenuColumnX[2] = {148, 402};  // where labels, bars and tints start
constexpr int kMenuSlotW = 245;              // width argument of the bars and tints
constexpr int kMenuFirstSlotY = 60;          // label row of slot 1; slot r is 12 (r - 1) lower
constexpr int kMenuSlotPitch = 12;
constexpr int kMenuSwitchEntry = 21;  // the MenuSelected flag of the switch slot
// Clip band of the menu, its title and the ticker.
constexpr int kMenuClipXMin = 146, kMenuClipXMax = 649, kMenuClipYMin = 40, kMenuClipYMax = 145;

// Label row of slot r (1..5).
constexpr int menu_slot_y(int row) { return kMenuFirstSlotY + kMenuSlotPitch * (row - 1); }

// The menu entry standing in a slot: column 0 left, 1 right; row 1..5. 0 for
// the switch slot (right row 5) and out of range.
constexpr int menu_slot_entry(int current_menu, int column, int row) {
  constexpr int kSlots[2][2][kMenuRows + 1] = {
      {{0, 1, 2, 3, 4, 5}, {0, 6, 7, 8, 9, 0}},
      {{0, 11, 13, 14, 15, 16}, {0, 17, 18, 19, 20, 0}},
  };
  if (column < 0 || column > 1 || row < 1 || row > kMenuRows) return 0;
  return kSlots[current_menu == kMenuCharts ? 0 : 1][column][row];
}

// The hover bar of slot r (1..5) in `column` lies under the pointer: bars
// start one row below the label, 10 rows high, and react in every slot,
// entry or not.
constexpr bool menu_bar_hovered(int column, int row, int mouse_x, int mouse_y) {
  int x0 = kMenuColumnX[column], y0 = menu_slot_y(row) + 1;
  return x0 < mouse_x && mouse_x < x0 + kMenuSlotW && y0 < mouse_y && mouse_y < y0 + 10;
}

// A click's hit area of slot r (1..5) in `column`: from two pixels left of
// the label over the slot's width, one slot pitch high from the label row.
constexpr bool menu_slot_hit(int column, int row, int mouse_x, int mouse_y) {
  int x0 = kMenuColumnX[column] - 2, y0 = menu_slot_y(row);
  return x0 < mouse_x && mouse_x < x0 + kMenuSlotW && y0 < mouse_y && mouse_y < y0 + kMenuSlotPitch;
}
// The menu switch's hit area: right row 5 widened four pixels upwards, so it
// overlaps row 4 for 104 < y < 108.
constexpr bool menu_switch_hit(int mouse_x, int mouse_y) {
  int x0 = kMenuColumnX[1] - 2, y0 = menu_slot_y(kMenuRows) - 4;
  return x0 < mouse_x && mouse_x < x0 + kMenuSlotW && y0 < mouse_y && mouse_y < menu_slot_y(kMenuRows) + kMenuSlotPitch;
}

// ---- Pointer -------------------------------------------------------------------
// The sampled pointer stays inside x 1..789, y 1..589, so the whole 11 x 11
// pointer image stays on screen.
constexpr int kPointerMinX = 1, kPointerMaxX = 789, kPointerMinY = 1, kPointerMaxY = 589;

// ---- Page panel ----------------------------------------------------------------
constexpr int kPanelRows = 33;  // page rows visible at a time; the last top line is page_length - 33
constexpr int kRowPitch = 12;   // pixels between page rows
constexpr int kPanelRowTop = 175;  // top of row 0 before scroll_offset
constexpr int kPanelCellLeft = 23;  // left of cell 0; cell k starts 9 k further right
constexpr int kPanelBandTop = 193;  // first row where page text shows
// Last row where transparent page text shows.
constexpr int panel_band_bottom(int skin) { return is_grunge(skin) ? 569 : 570; }
// A page longer than this shows the scroll bar and its thumb; a shorter one
// keeps its rows 5 pixels down.
constexpr int kScrollBarMinLines = 32;
// Keyboard scrolling up moves to the line above once scroll_offset reaches
// within a pixel of a whole row.
constexpr int kScrollUpWrap = kRowPitch - 1;
constexpr int kShortPageOffset = 5;

// First line shown when the page is scrolled to its end.
constexpr int last_top_line(int page_length) { return page_length - kPanelRows; }

// ---- Scroll bar ----------------------------------------------------------------
// Hit area: kScrollBarLeft + s < x < kScrollBarRight + s and kScrollBarTop <
// y < kScrollBarBottom, s = 5 for 'Carbon'. Dragging maps the pointer's
// distance below kScrollBarTop over kScrollBarTravel pixels onto the page.
constexpr int kScrollBarLeft = 775, kScrollBarRight = 791;
constexpr int kScrollBarTop = 200, kScrollBarBottom = 561;
constexpr int kScrollBarTravel = 352;
constexpr int scroll_bar_shift(int skin) { return is_grunge(skin) ? 0 : 5; }
// The thumb: 20 rows high, from y 195 (top of the page) over 361 rows (end of the page).
constexpr int kThumbTop = 195, kThumbTravel = 361, kThumbH = 19;
constexpr int thumb_x(int skin) { return is_grunge(skin) ? 779 : 783; }
constexpr int thumb_w(int skin) { return is_grunge(skin) ? 8 : 9; }

// ---- Ticker --------------------------------------------------------------------
constexpr int kTickerX = 146;  // left edge of the visible band
constexpr int kTickerChars = 58;
constexpr int ticker_y(int skin) { return is_grunge(skin) ? 123 : 124; }

// ---- Page wipe -----------------------------------------------------------------
// Columns kWipeLeft..kWipeRight, rows kWipeTop..wipe_bottom(skin); stripes on
// every second column from each side, kWipeStep columns of progress a frame.
constexpr int kWipeLeft = 20, kWipeRight = 767, kWipeTop = 192;
constexpr int wipe_bottom(int skin) { return kWipeTop + (is_grunge(skin) ? 377 : 378); }
constexpr int kWipeStep = 10;
constexpr int kWipeCloseLast = 740;  // progress of the last closing frame: all black
constexpr int kWipeOpenFirst = 747;  // progress of the first opening frame
constexpr int kWipeOpenLast = 7;

}  // namespace zel
