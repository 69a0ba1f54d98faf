#pragma once
// The wizard window's controls: one table of descriptions (name, kind, page,
// rectangle, flags), listed in u_WizardControls.inc, from which the window
// creates its children, and where they sit with or without the logo. Portable,
// so the driver of the end-to-end tests and the unit tests share the same table.

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

enum class TPage { None = -1, Welcome, Selection, License, Folders, CopyFiles, Installed, RemoveFiles, Removed };
inline constexpr int kPageCount = 8;

// The table's rows, named as the controls are.
enum class TControl : int {
#define WIZARD_CONTROL(name, ...) name,
#include "setup/u_WizardControls.inc"
#undef WIZARD_CONTROL
};

// The pictures are drawn by the window: the logo stretched to its control, the
// others (two bitmaps and the folder icon) at their natural size.
enum class TControlKind { Logo, InstallPicture, RemovePicture, FolderPicture, Bevel, Button, StaticText, Label,
                          ComboBox, RadioButton, RichText, GroupBox, Edit, ProgressBar, CheckBox };

enum TControlFlags : unsigned {
  cfNone = 0,
  cfBold = 1 << 0,      // window font in bold
  cfWrap = 1 << 1,      // fixed size, word wrap
  cfAutoSize = 1 << 2,  // sized to its caption
  cfChecked = 1 << 3,   // checked at start
  cfTabStop = 1 << 4,
  cfInGroup = 1 << 5,     // positioned inside grbxDestFolder
  cfGroupStart = 1 << 6,  // starts a group of radio buttons
  cfLanguage = 1 << 7,    // shown only where the user may switch the language
  cfBelowLogo = 1 << 8,   // moves up by the logo's height when there is no logo
};

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TRect&) const = default;
};

inline constexpr int kFirstControlId = 100;

// Control ids are kFirstControlId + the row's index in the table.
struct TControlInfo {
  int id;
  TControl control;
  std::string_view name;
  TControlKind kind;
  TPage page;
  TRect design;  // page-relative (or group-relative with cfInGroup); width 0 with cfAutoSize
  unsigned flags;
};

inline constexpr int kClientWidth = 520;
inline constexpr int kClientHeight = 350;
inline constexpr int kLogoHeight = 53;
inline constexpr int kBevelHeight = 3;
inline constexpr int kPageHeight = 259;  // with the logo shown
inline constexpr int kPageWidth = kClientWidth;
// The page headings' left: a label that grows to fit its text keeps as much free at the right edge.
inline constexpr int kPageMargin = 30;
// The display scale the rectangles are designed for.
inline constexpr int kDesignDpi = 96;

std::span<const TControlInfo> WizardControls();
const TControlInfo& Control(TControl control);
// The row of a control's name; null when no control has it.
const TControlInfo* FindControl(std::string_view name);
// The row of a child window's id; null for a window that is not one of the table's.
const TControlInfo* ControlAt(int id);

// Where a control sits in the window's client area: the page area and the bevel
// above it move up when there is no logo. Auto-sized controls keep width and
// height 0 here.
TRect LaidOutRect(const TControlInfo& control, bool hasTopLogo);

// Top of the page area in client coordinates.
int PageTop(bool hasTopLogo);

// A length or position of the design at `dpi`, to the nearest pixel (halves away from zero).
int ScalePixels(int pixels, int dpi);

// Where a control sits at `dpi`: the edges of its laid-out rectangle are scaled,
// not its size, so that controls touching at 96 DPI still touch, none overlap
// that did not, and at 96 DPI nothing moves.
TRect ScaledRect(const TControlInfo& control, bool hasTopLogo, int dpi);

// The width of a word-wrapped label at `dpi` (other than 96) whose text does not
// fit its scaled rectangle: a whole-pixel font can come out a few pixels wider
// than the scaled design. The narrowest width up to the page's right margin at
// which `fits` holds; the scaled width when the text fits as it is, or would not
// fit even at the margin (then it did not fit at 96 DPI either).
int FittedLabelWidth(const TControlInfo& label, int dpi, const std::function<bool(int width)>& fits);
// The widest a label grows at `dpi`.
int LabelWidthLimit(const TControlInfo& label, int dpi);
