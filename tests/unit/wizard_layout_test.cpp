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
