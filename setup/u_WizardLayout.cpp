#include "setup/u_WizardLayout.h"

#include <algorithm>

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

const TControlInfo* ControlAt(int id) {
  const size_t row = size_t(id - kFirstControlId);
  return row < WizardControls().size() ? &WizardControls()[row] : nullptr;
}

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

int ScalePixels(int pixels, int dpi) {
  const long long scaled = (2LL * pixels * dpi + (pixels < 0 ? -kDesignDpi : kDesignDpi)) / (2 * kDesignDpi);
  return int(scaled);
}

TRect ScaledRect(const TControlInfo& control, bool hasTopLogo, int dpi) {
  const TRect r = LaidOutRect(control, hasTopLogo);
  const int left = ScalePixels(r.left, dpi), top = ScalePixels(r.top, dpi);
  return {left, top, ScalePixels(r.left + r.width, dpi) - left, ScalePixels(r.top + r.height, dpi) - top};
}

int LabelWidthLimit(const TControlInfo& label, int dpi) {
  const TRect r = ScaledRect(label, true, dpi);
  return std::max(r.width, ScalePixels(kPageWidth - kPageMargin, dpi) - r.left);
}

int FittedLabelWidth(const TControlInfo& label, int dpi, const std::function<bool(int width)>& fits) {
  const int scaled = ScaledRect(label, true, dpi).width;
  int wide = LabelWidthLimit(label, dpi);
  if (dpi == kDesignDpi || fits(scaled) || !fits(wide)) return scaled;
  // fits(narrow) is false and fits(wide) true: halve the gap between them.
  int narrow = scaled;
  while (wide - narrow > 1) {
    const int middle = narrow + (wide - narrow) / 2;
    (fits(middle) ? wide : narrow) = middle;
  }
  return wide;
}
