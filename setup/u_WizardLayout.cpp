#include "setup/u_WizardLayout.h"

namespace {

using C = TControl;

// Built at compile time, so no thread ever waits on a lazily initialised table.
constexpr TControlInfo kControls[] = {
#define WIZARD_CONTROL(name, kind, page, left, top, width, height, flags) \
  {kFirstControlId + int(C::name), C::name, #name, TControlKind::kind, TPage::page, {left, top, width, height}, flags},
#include "setup/u_WizardControls.inc"
#undef WIZARD_CONTROL
};

// Controls whose width becomes the page width less twice their left.
constexpr TControl kPageWide[] = {C::lbWelcomeInfo2, C::redLicense, C::grbxDestFolder, C::lbCopyFilesInfo3,
                                  C::lbInstalledInfo2};

int PageWideWidth(TControl control) { return kPageWidth - 2 * Control(control).design.left; }

}  // namespace

std::span<const TControlInfo> WizardControls() { return kControls; }

const TControlInfo& Control(TControl control) { return kControls[size_t(control)]; }

const TControlInfo* FindControl(std::string_view name) {
  for (const auto& control : WizardControls())
    if (control.name == name) return &control;
  return nullptr;
}

int PageTop(bool hasTopLogo) { return (hasTopLogo ? kLogoHeight : 0) + kBevelHeight; }

TRect LaidOutRect(const TControlInfo& control, bool hasTopLogo) {
  TRect r = control.design;
  const TControl c = control.control;

  // Button row: Cancel at the right edge, Next 40 pixels left of it, Back touching Next.
  const int cancelLeft = kClientWidth - 75 - 5;
  const int buttonTop = kClientHeight - 30;
  if (c == C::bbtnCancel) return {cancelLeft, buttonTop, 75, 25};
  if (c == C::bbtnNext) return {cancelLeft - 75 - 40, buttonTop, 75, 25};
  if (c == C::bbtnBack) return {cancelLeft - 75 - 40 - 75, buttonTop, 75, 25};
  if (c == C::Bevel2 && !hasTopLogo) r.top = 0;
  if (control.page == TPage::None) return r;

  for (TControl wide : kPageWide)
    if (c == wide) r.width = PageWideWidth(c);
  const int groupWidth = PageWideWidth(C::grbxDestFolder);
  const int browseLeft = groupWidth - 75 - 10;
  if (c == C::bbtnBrowse) r.left = browseLeft;
  if (c == C::edDestFolder) r.width = browseLeft - r.left - 5;
  if (c == C::pbCopyFilesInfo) r.width = PageWideWidth(C::lbCopyFilesInfo3);

  if (control.flags & cfInGroup) {
    r.left += Control(C::grbxDestFolder).design.left;
    r.top += Control(C::grbxDestFolder).design.top;
  }
  r.top += PageTop(hasTopLogo);
  return r;
}
