#include "setup/u_WizardLayout.h"

#include "actions/u_SetupConsts.h"

namespace {

using K = TControlKind;
using P = TPage;

struct Row {
  std::string_view name;
  K kind;
  P page;
  TRect design;
  unsigned flags;
};

// In creation order, which is also the tab order within each page.
constexpr Row kRows[] = {
    {"bbtnNext", K::Button, P::None, {0, 0, 75, 25}, cfTabStop},
    {"imgTopLogo", K::Image, P::None, {0, 0, kClientWidth, kLogoHeight}, cfNone},
    {"Bevel2", K::Bevel, P::None, {0, kLogoHeight, kClientWidth, kBevelHeight}, cfNone},
    {"Bevel1", K::Bevel, P::None, {0, kClientHeight - 35, kClientWidth, 35}, cfNone},
    {"StaticText1", K::StaticText, P::None, {0, 307, 70, 17}, cfNone},

    {"cbLangSel", K::ComboBox, P::Welcome, {220, 124, 166, 0}, cfTabStop},
    {"lbWelcomeInfo1", K::Label, P::Welcome, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbWelcomeInfo2", K::Label, P::Welcome, {60, 65, 400, 55}, cfWrap},
    {"lbLangSel", K::Label, P::Welcome, {60, 128, 0, 0}, cfAutoSize},
    {"lbSetupInfo1", K::Label, P::Welcome, {60, 171, 0, 0}, cfAutoSize},
    {"lbSetupInfo2", K::Label, P::Welcome, {60, 200, 0, 0}, cfAutoSize},

    {"rbInstall", K::RadioButton, P::Selection, {50, 65, 94, 17}, cfBold | cfChecked | cfTabStop},
    {"rbRemove", K::RadioButton, P::Selection, {50, 145, 74, 17}, cfBold | cfTabStop},
    {"lbProgramService1", K::Label, P::Selection, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbProgramService2", K::Label, P::Selection, {50, 25, 0, 0}, cfAutoSize},
    {"imInstall", K::Image, P::Selection, {80, 85, 33, 33}, cfNone},
    {"lbInstalInfo", K::Label, P::Selection, {125, 85, 300, 40}, cfWrap},
    {"imRemove", K::Image, P::Selection, {80, 165, 29, 34}, cfNone},
    {"lbRemoveInfo", K::Label, P::Selection, {125, 165, 300, 40}, cfWrap},

    {"redLicense", K::RichText, P::License, {50, 65, 400, 130}, cfTabStop},
    {"rbLicOK", K::RadioButton, P::License, {50, 205, 399, 17}, cfTabStop},
    {"rbLicCancel", K::RadioButton, P::License, {50, 225, 399, 17}, cfTabStop},
    {"lbLicInfo1", K::Label, P::License, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbLicInfo2", K::Label, P::License, {50, 25, 0, 0}, cfAutoSize},

    {"grbxDestFolder", K::GroupBox, P::Folders, {50, 145, 415, 55}, cfNone},
    {"edDestFolder", K::Edit, P::Folders, {10, 20, 311, 21}, cfInGroup | cfTabStop},
    {"bbtnBrowse", K::Button, P::Folders, {331, 18, 75, 25}, cfInGroup | cfTabStop},
    {"lbDestFolderInfo1", K::Label, P::Folders, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbDestFolderInfo2", K::Label, P::Folders, {50, 25, 0, 0}, cfAutoSize},
    {"Image3", K::Image, P::Folders, {50, 55, 32, 32}, cfNone},
    {"lbDestFolderInfo3", K::Label, P::Folders, {90, 65, 0, 0}, cfAutoSize},
    {"lbDestFolderInfo4", K::Label, P::Folders, {50, 100, 400, 35}, cfWrap},

    {"lbCopyFilesInfo1", K::Label, P::CopyFiles, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbCopyFilesInfo2", K::Label, P::CopyFiles, {50, 25, 0, 0}, cfAutoSize},
    {"Image2", K::Image, P::CopyFiles, {50, 65, 33, 33}, cfNone},
    {"lbCopyFilesInfo3", K::Label, P::CopyFiles, {90, 65, 320, 40}, cfWrap},
    {"lbCopyType", K::Label, P::CopyFiles, {90, 103, 0, 0}, cfAutoSize},
    {"lbCopyItem", K::Label, P::CopyFiles, {90, 122, 320, 53}, cfWrap},
    {"pbCopyFilesInfo", K::ProgressBar, P::CopyFiles, {90, 179, 330, 17}, cfNone},

    {"cbAddIcon2Desktop", K::CheckBox, P::Installed, {60, 111, 254, 17}, cfChecked | cfTabStop},
    {"cbAddIcon2QuickStart", K::CheckBox, P::Installed, {60, 130, 254, 17}, cfChecked | cfTabStop},
    {"cbAddIcon2Start", K::CheckBox, P::Installed, {60, 71, 254, 17}, cfTabStop},
    {"cbAddIcon2Programs", K::CheckBox, P::Installed, {60, 91, 254, 17}, cfChecked | cfTabStop},
    {"cbRunProgram", K::CheckBox, P::Installed, {60, 157, 254, 17}, cfTabStop},
    {"lbInstalledInfo1", K::Label, P::Installed, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbInstalledInfo2", K::Label, P::Installed, {60, 32, 400, 40}, cfWrap},
    {"lbInstalledInfo3", K::Label, P::Installed, {60, 183, 0, 0}, cfAutoSize},
    {"lbInstalledInfo4", K::Label, P::Installed, {60, 207, 0, 0}, cfAutoSize},
    {"lbThankInstalledName", K::Label, P::Installed, {60, 223, 0, 0}, cfAutoSize},

    {"lbRemoveFilesInfo1", K::Label, P::RemoveFiles, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbRemoveFilesInfo2", K::Label, P::RemoveFiles, {50, 25, 0, 0}, cfAutoSize},
    {"Image4", K::Image, P::RemoveFiles, {50, 65, 29, 34}, cfNone},
    {"lbRemoveFilesInfo3", K::Label, P::RemoveFiles, {90, 65, 320, 40}, cfWrap},
    {"lbRemoveType", K::Label, P::RemoveFiles, {90, 103, 0, 0}, cfAutoSize},
    {"lbRemoveItem", K::Label, P::RemoveFiles, {90, 122, 320, 53}, cfWrap},
    {"pbRemoveFilesInfo", K::ProgressBar, P::RemoveFiles, {90, 179, 330, 17}, cfNone},

    {"lbRemovedInfo1", K::Label, P::Removed, {30, 5, 0, 0}, cfBold | cfAutoSize},
    {"lbRemovedInfo2", K::Label, P::Removed, {60, 32, 400, 40}, cfWrap},
    {"lbRemovedInfo3", K::Label, P::Removed, {60, 183, 0, 0}, cfAutoSize},
    {"lbRemovedInfo4", K::Label, P::Removed, {60, 207, 0, 0}, cfAutoSize},
    {"lbThankRemovedName", K::Label, P::Removed, {60, 223, 0, 0}, cfAutoSize},

    {"bbtnBack", K::Button, P::None, {0, 0, 75, 25}, cfTabStop},
    {"bbtnCancel", K::Button, P::None, {0, 0, 75, 25}, cfTabStop},
};

// Controls whose width becomes the page width less twice their left.
constexpr std::string_view kPageWide[] = {"lbWelcomeInfo2", "redLicense", "grbxDestFolder", "lbCopyFilesInfo3",
                                          "lbInstalledInfo2"};

int PageWideWidth(std::string_view name) { return kPageWidth - 2 * Control(name).design.left; }

// Ids follow creation order from 100; built at compile time, so no thread
// ever waits on a lazily initialised table.
constexpr auto kControls = [] {
  std::array<TControlInfo, std::size(kRows)> list{};
  int id = 100;
  for (size_t i = 0; i < list.size(); ++i) {
    const Row& row = kRows[i];
    list[i] = {id++, row.name, row.kind, row.page, row.design, row.flags};
  }
  return list;
}();

}  // namespace

std::span<const TControlInfo> WizardControls() { return kControls; }

const TControlInfo* FindControl(std::string_view name) {
  for (const auto& control : WizardControls())
    if (control.name == name) return &control;
  return nullptr;
}

const TControlInfo& Control(std::string_view name) {
  const TControlInfo* control = FindControl(name);
  if (!control) throw ESetupError("no wizard control named " + std::string(name));
  return *control;
}

int PageTop(bool hasTopLogo) { return (hasTopLogo ? kLogoHeight : 0) + kBevelHeight; }

TRect LaidOutRect(const TControlInfo& control, bool hasTopLogo) {
  TRect r = control.design;
  const std::string_view name = control.name;

  // Button row: Cancel at the right edge, Next 40 pixels left of it, Back touching Next.
  const int cancelLeft = kClientWidth - 75 - 5;
  const int buttonTop = kClientHeight - 30;
  if (name == "bbtnCancel") return {cancelLeft, buttonTop, 75, 25};
  if (name == "bbtnNext") return {cancelLeft - 75 - 40, buttonTop, 75, 25};
  if (name == "bbtnBack") return {cancelLeft - 75 - 40 - 75, buttonTop, 75, 25};
  if (name == "Bevel2" && !hasTopLogo) r.top = 0;
  if (control.page == TPage::None) return r;

  for (std::string_view wide : kPageWide)
    if (name == wide) r.width = PageWideWidth(name);
  const int groupWidth = PageWideWidth("grbxDestFolder");
  const int browseLeft = groupWidth - 75 - 10;
  if (name == "bbtnBrowse") r.left = browseLeft;
  if (name == "edDestFolder") r.width = browseLeft - r.left - 5;
  if (name == "pbCopyFilesInfo") r.width = PageWideWidth("lbCopyFilesInfo3");

  if (control.flags & cfInGroup) {
    r.left += Control("grbxDestFolder").design.left;
    r.top += Control("grbxDestFolder").design.top;
  }
  r.top += PageTop(hasTopLogo);
  return r;
}
