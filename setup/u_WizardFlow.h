#pragma once
// The wizard's page flow as plain state: which page is shown, which buttons are
// enabled and which text each carries. The window turns user events into calls
// here and then shows the state; the rules are tested without a window.

#include <string>

#include "setup/u_SetupTexts.h"
#include "setup/u_WizardLayout.h"

struct TWizardState {
  TPage page = TPage::Welcome;
  bool backEnabled = false;
  bool nextEnabled = true;
  bool cancelEnabled = true;
  TText backText = TText::Back;
  TText nextText = TText::Next;
  TText cancelText = TText::Cancel;
  bool installChecked = true;
  bool removeChecked = false;
  bool removeEnabled = false;
  bool licenseAccepted = false;
  bool licenseRefused = false;
  std::string folder;  // the destination folder edit
  bool operator==(const TWizardState&) const = default;
};

enum class TWizardAction { None, StartInstall, StartRemove };

class TWizardFlow {
public:
  TWizardFlow(bool hasLicense, bool installed);

  const TWizardState& State() const { return state_; }
  // Cancel finishes an install (runs the finish actions): the finished page,
  // with Cancel reading Finish.
  bool Finishing() const { return state_.page == TPage::Installed && state_.cancelText == TText::Finish; }

  // Next on the current page; `setupPath` fills the folder edit on entering the folder page.
  TWizardAction Next(const std::string& setupPath);
  void Back();
  void ClickInstall();
  void ClickRemove();
  void ClickLicense(bool accept);
  void FolderChosen(const std::string& folder);
  void TextsApplied();  // the language changed: the buttons carry their first texts again
  void WorkerDone();    // the install or removal worker finished its last item

private:
  void EnterFolders(const std::string& setupPath);
  void ShowLicense();
  void StartWorker(TPage page);

  bool hasLicense_;
  TWizardState state_;
};
