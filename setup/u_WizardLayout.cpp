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
  if (control.flags & cfBelowLogo && !hasTopLogo) r.top -= kLogoHeight;
  if (control.page == TPage::None) return r;
  if (control.flags & cfInGroup) {
    const TRect& group = Control(C::grbxDestFolder).design;
    r.left += group.left;
    r.top += group.top;
  }
  r.top += PageTop(hasTopLogo);
  return r;
}
