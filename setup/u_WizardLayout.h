#pragma once
// The wizard window's controls: one table of descriptions (name, kind, page,
// design rectangle, flags), listed in u_WizardControls.inc, from which the
// window creates its children, and the layout rules applied at creation.
// Portable, so the driver of the end-to-end tests and the unit tests share the
// same table.

#include <array>
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

enum class TControlKind { Image, Bevel, Button, StaticText, Label, ComboBox, RadioButton, RichText, GroupBox, Edit,
                          ProgressBar, CheckBox };

enum TControlFlags : unsigned {
  cfNone = 0,
  cfBold = 1 << 0,      // window font in bold
  cfWrap = 1 << 1,      // fixed size, word wrap
  cfAutoSize = 1 << 2,  // sized to its caption
  cfChecked = 1 << 3,   // checked at start
  cfTabStop = 1 << 4,
  cfInGroup = 1 << 5,   // positioned inside grbxDestFolder
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

std::span<const TControlInfo> WizardControls();
const TControlInfo& Control(TControl control);
// The row of a control's name; null when no control has it.
const TControlInfo* FindControl(std::string_view name);

// Where a control sits in the window's client area after the creation-time
// layout (button row, width fix-ups, the page area's position with or without
// the logo). Auto-sized controls keep width and height 0 here.
TRect LaidOutRect(const TControlInfo& control, bool hasTopLogo);

// Top of the page area in client coordinates.
int PageTop(bool hasTopLogo);
