#include "setup/u_WizardLayout.h"

#include <gtest/gtest.h>

#include <set>

TEST(WizardLayout, NamesAndIdsAreUnique) {
  std::set<std::string_view> names;
  std::set<int> ids;
  for (const auto& c : WizardControls()) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    EXPECT_TRUE(ids.insert(c.id).second) << c.name;
    EXPECT_EQ(&Control(c.control), &c) << c.name;
    EXPECT_EQ(FindControl(c.name), &c) << c.name;
  }
  EXPECT_EQ(WizardControls().size(), 63u);  // 7 around the pages, 56 on them
  EXPECT_EQ(Control(TControl::bbtnNext).id, 100) << "ids follow creation order from 100";
  EXPECT_EQ(Control(TControl::bbtnCancel).id, 162);
  EXPECT_EQ(FindControl("nothing"), nullptr);
}

TEST(WizardLayout, ButtonRow) {
  EXPECT_EQ(LaidOutRect(Control(TControl::bbtnBack), true), (TRect{250, 320, 75, 25}));
  EXPECT_EQ(LaidOutRect(Control(TControl::bbtnNext), true), (TRect{325, 320, 75, 25}));
  EXPECT_EQ(LaidOutRect(Control(TControl::bbtnCancel), false), (TRect{440, 320, 75, 25}));
}

TEST(WizardLayout, WidthFixUps) {
  const int top = PageTop(true);
  EXPECT_EQ(top, 56);
  EXPECT_EQ(LaidOutRect(Control(TControl::lbWelcomeInfo2), true), (TRect{60, 65 + top, 400, 55}));
  EXPECT_EQ(LaidOutRect(Control(TControl::redLicense), true), (TRect{50, 65 + top, 420, 130}));
  EXPECT_EQ(LaidOutRect(Control(TControl::grbxDestFolder), true), (TRect{50, 145 + top, 420, 55}));
  EXPECT_EQ(LaidOutRect(Control(TControl::bbtnBrowse), true), (TRect{50 + 335, 145 + 18 + top, 75, 25}));
  EXPECT_EQ(LaidOutRect(Control(TControl::edDestFolder), true), (TRect{50 + 10, 145 + 20 + top, 320, 21}));
  EXPECT_EQ(LaidOutRect(Control(TControl::lbCopyFilesInfo3), true).width, 340);
  EXPECT_EQ(LaidOutRect(Control(TControl::pbCopyFilesInfo), true).width, 340);
  EXPECT_EQ(LaidOutRect(Control(TControl::pbRemoveFilesInfo), true).width, 330) << "the removal page keeps its design";
  EXPECT_EQ(LaidOutRect(Control(TControl::lbRemoveFilesInfo3), true).width, 320);
  EXPECT_EQ(LaidOutRect(Control(TControl::lbInstalledInfo2), true).width, 400);
}

TEST(WizardLayout, PagesMoveUpWithoutTheLogo) {
  EXPECT_EQ(PageTop(false), 3);
  EXPECT_EQ(LaidOutRect(Control(TControl::rbInstall), false), (TRect{50, 68, 94, 17}));
  EXPECT_EQ(LaidOutRect(Control(TControl::Bevel2), false).top, 0);
  EXPECT_EQ(LaidOutRect(Control(TControl::StaticText1), false), (TRect{0, 307, 70, 17}));
}

namespace {

constexpr int kScales[] = {96, 120, 144, 192};

int Right(const TRect& r) { return r.left + r.width; }
int Bottom(const TRect& r) { return r.top + r.height; }

// How two rectangles lie along one axis: -1 apart, 0 touching, 1 overlapping.
int Relation(int aEnd, int bStart) { return aEnd < bStart ? -1 : aEnd == bStart ? 0 : 1; }

}  // namespace

TEST(WizardLayout, ScaledRectanglesAtEachScale) {
  for (const auto& c : WizardControls()) EXPECT_EQ(ScaledRect(c, true, 96), LaidOutRect(c, true)) << "96 DPI is the table";
  EXPECT_EQ(ScalePixels(kClientHeight, 120), 438) << "437.5 rounds up";
  EXPECT_EQ(ScalePixels(-11, 144), -17) << "a font height rounds away from zero, as MulDiv does";
  EXPECT_EQ(ScaledRect(Control(TControl::bbtnBack), true, 144), (TRect{375, 480, 113, 38}));
  EXPECT_EQ(ScaledRect(Control(TControl::bbtnNext), true, 144), (TRect{488, 480, 112, 38}));
}

// Controls of one page (those around the pages are on every page) that lie
// apart, touch or overlap at 96 DPI do so at every scale.
TEST(WizardLayout, ScalingKeepsNeighboursApartTouchingOrOverlapping) {
  for (const int dpi : kScales) {
    for (const auto& a : WizardControls()) {
      for (const auto& b : WizardControls()) {
        if (a.page != b.page && a.page != TPage::None && b.page != TPage::None) continue;
        const TRect da = LaidOutRect(a, true), db = LaidOutRect(b, true);
        const TRect sa = ScaledRect(a, true, dpi), sb = ScaledRect(b, true, dpi);
        EXPECT_EQ(Relation(Right(sa), sb.left), Relation(Right(da), db.left)) << a.name << ", " << b.name << " " << dpi;
        EXPECT_EQ(Relation(Bottom(sa), sb.top), Relation(Bottom(da), db.top)) << a.name << ", " << b.name << " " << dpi;
      }
    }
  }
}

TEST(WizardLayout, WrappedLabelWidensOnlyAsFarAsItsTextNeeds) {
  const TControlInfo& label = Control(TControl::lbInstalInfo);  // 300 wide at 96 DPI, 450 at 144
  const int limit = LabelWidthLimit(label, 144);
  EXPECT_EQ(limit, ScalePixels(kPageWidth - kPageMargin, 144) - ScalePixels(125, 144));
  int asked = 0;
  const auto needs = [&asked](int width) { return [&asked, width](int w) { ++asked; return w >= width; }; };
  EXPECT_EQ(FittedLabelWidth(label, 144, needs(453)), 453) << "the three pixels it needs";
  EXPECT_LE(asked, 10) << "found by halving, not pixel by pixel";
  EXPECT_EQ(FittedLabelWidth(label, 144, needs(450)), 450);
  EXPECT_EQ(FittedLabelWidth(label, 144, needs(limit + 1)), 450) << "no better at the margin: left as designed";
  EXPECT_EQ(FittedLabelWidth(label, 96, needs(301)), 300) << "at 96 DPI every rectangle stays as designed";
}
