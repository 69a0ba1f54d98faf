#include "setup/u_WizardFlow.h"

#include <gtest/gtest.h>

namespace {

void ExpectButtons(const TWizardState& s, bool back, bool next, bool cancel, TText nextText) {
  EXPECT_EQ(s.backEnabled, back);
  EXPECT_EQ(s.nextEnabled, next);
  EXPECT_EQ(s.cancelEnabled, cancel);
  EXPECT_EQ(s.nextText, nextText);
}

}  // namespace

TEST(WizardFlow, StartsOnWelcomeWithInstallChosen) {
  for (bool installed : {false, true}) {
    const TWizardFlow flow(true, installed);
    EXPECT_EQ(flow.State().page, TPage::Welcome);
    ExpectButtons(flow.State(), false, true, true, TText::Next);
    EXPECT_TRUE(flow.State().installChecked);
    EXPECT_EQ(flow.State().removeEnabled, installed);
    EXPECT_EQ(flow.State().cancelText, TText::Cancel);
  }
}

TEST(WizardFlow, InstallRoadWithLicence) {
  TWizardFlow flow(true, false);
  EXPECT_EQ(flow.Next("C:\\P"), TWizardAction::None);
  EXPECT_EQ(flow.State().page, TPage::Selection);
  ExpectButtons(flow.State(), true, true, true, TText::Next);

  flow.Next("C:\\P");
  EXPECT_EQ(flow.State().page, TPage::License);
  EXPECT_FALSE(flow.State().nextEnabled) << "nothing accepted yet";
  flow.ClickLicense(true);
  EXPECT_TRUE(flow.State().nextEnabled);
  flow.ClickLicense(false);
  EXPECT_FALSE(flow.State().nextEnabled);
  flow.ClickLicense(true);

  flow.Next("C:\\P");
  EXPECT_EQ(flow.State().page, TPage::Folders);
  EXPECT_EQ(flow.State().folder, "C:\\P");
  ExpectButtons(flow.State(), true, true, true, TText::Install);

  flow.Back();
  EXPECT_EQ(flow.State().page, TPage::License);
  EXPECT_TRUE(flow.State().nextEnabled) << "the acceptance is kept";
  EXPECT_EQ(flow.State().nextText, TText::Next);
  flow.Next("C:\\P");

  EXPECT_FALSE(flow.Finishing()) << "Cancel before the install only closes";
  EXPECT_EQ(flow.Next("C:\\P"), TWizardAction::StartInstall);
  EXPECT_EQ(flow.State().page, TPage::CopyFiles);
  ExpectButtons(flow.State(), false, false, false, TText::Install);
  EXPECT_EQ(flow.Next("C:\\P"), TWizardAction::None) << "no second worker";
  flow.Back();
  EXPECT_EQ(flow.State().page, TPage::CopyFiles);

  flow.WorkerDone();
  EXPECT_EQ(flow.State().page, TPage::Installed);
  ExpectButtons(flow.State(), false, false, true, TText::Next);
  EXPECT_EQ(flow.State().cancelText, TText::Finish);
  EXPECT_TRUE(flow.Finishing());
}

TEST(WizardFlow, WithoutLicenceTheLicencePageIsSkippedBothWays) {
  TWizardFlow flow(false, false);
  flow.Next("");
  flow.Next("");
  EXPECT_EQ(flow.State().page, TPage::Folders);
  EXPECT_FALSE(flow.State().nextEnabled) << "empty destination folder";
  flow.FolderChosen("D:\\X");
  EXPECT_TRUE(flow.State().nextEnabled);
  flow.FolderChosen("");
  flow.Back();
  EXPECT_EQ(flow.State().page, TPage::Selection);
  EXPECT_TRUE(flow.State().nextEnabled) << "Next leads on from Selection even after an empty folder";
  EXPECT_EQ(flow.State().nextText, TText::Next);
}

TEST(WizardFlow, LicenceBackReenablesNext) {
  TWizardFlow flow(true, false);
  flow.Next("");
  flow.Next("");
  ASSERT_EQ(flow.State().page, TPage::License);
  flow.Back();
  EXPECT_EQ(flow.State().page, TPage::Selection);
  EXPECT_TRUE(flow.State().nextEnabled);
  flow.Next("");
  EXPECT_FALSE(flow.State().nextEnabled) << "still not accepted";
}

TEST(WizardFlow, RemoveRoad) {
  TWizardFlow flow(true, true);
  flow.Next("");
  flow.ClickRemove();
  EXPECT_EQ(flow.State().nextText, TText::Remove);
  EXPECT_TRUE(flow.State().removeChecked && !flow.State().installChecked);
  flow.Back();
  EXPECT_EQ(flow.State().page, TPage::Welcome);
  EXPECT_EQ(flow.State().nextText, TText::Remove) << "Back to Welcome keeps the caption";
  flow.Next("");
  EXPECT_EQ(flow.State().page, TPage::Selection);
  EXPECT_EQ(flow.Next(""), TWizardAction::StartRemove);
  EXPECT_EQ(flow.State().page, TPage::RemoveFiles);
  ExpectButtons(flow.State(), false, false, false, TText::Remove);
  flow.WorkerDone();
  EXPECT_EQ(flow.State().page, TPage::Removed);
  ExpectButtons(flow.State(), false, false, true, TText::Next);
  EXPECT_EQ(flow.State().cancelText, TText::Finish);
  EXPECT_FALSE(flow.Finishing()) << "Finish after a removal only closes";
}

TEST(WizardFlow, RemoveCannotBeChosenWithoutAnInstallation) {
  TWizardFlow flow(false, false);
  flow.Next("");
  flow.ClickRemove();
  EXPECT_TRUE(flow.State().installChecked);
  EXPECT_EQ(flow.State().nextText, TText::Next);
  flow.Next("C:\\P");
  EXPECT_EQ(flow.State().page, TPage::Folders);
}

TEST(WizardFlow, InstallAfterRemoveRestoresTheCaption) {
  TWizardFlow flow(false, true);
  flow.Next("");
  flow.ClickRemove();
  flow.ClickInstall();
  EXPECT_EQ(flow.State().nextText, TText::Next);
  flow.Next("C:\\P");
  EXPECT_EQ(flow.State().page, TPage::Folders);
}

TEST(WizardFlow, LanguageChangeResetsButtonTexts) {
  TWizardFlow flow(false, true);
  flow.Next("");
  flow.ClickRemove();
  flow.Back();
  const TWizardState before = flow.State();
  flow.TextsApplied();
  EXPECT_EQ(flow.State().nextText, TText::Next);
  EXPECT_EQ(flow.State().backEnabled, before.backEnabled) << "enabled states untouched";
  EXPECT_TRUE(flow.State().removeChecked);
}
