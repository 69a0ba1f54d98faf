#include "setup/u_WizardFlow.h"

TWizardFlow::TWizardFlow(bool hasLicense, bool installed) : hasLicense_(hasLicense) {
  state_.removeEnabled = installed;
}

TWizardAction TWizardFlow::Next(const std::string& setupPath) {
  switch (state_.page) {
    case TPage::Welcome:
      state_.page = TPage::Selection;
      state_.backEnabled = true;
      return TWizardAction::None;
    case TPage::Selection:
      if (state_.installChecked) {
        if (hasLicense_) ShowLicense();
        else EnterFolders(setupPath);
        return TWizardAction::None;
      }
      if (state_.removeChecked) {
        StartWorker(TPage::RemoveFiles);
        return TWizardAction::StartRemove;
      }
      return TWizardAction::None;
    case TPage::License:
      EnterFolders(setupPath);
      return TWizardAction::None;
    case TPage::Folders:
      StartWorker(TPage::CopyFiles);
      return TWizardAction::StartInstall;
    default:
      return TWizardAction::None;
  }
}

void TWizardFlow::Back() {
  switch (state_.page) {
    case TPage::Selection:
      state_.page = TPage::Welcome;
      state_.backEnabled = false;
      break;
    case TPage::License:
      state_.page = TPage::Selection;
      state_.nextEnabled = true;
      break;
    case TPage::Folders:
      if (hasLicense_) {
        ShowLicense();
      } else {
        state_.page = TPage::Selection;
        // An empty folder left Next disabled; on Selection it always leads on.
        state_.nextEnabled = true;
      }
      state_.nextText = TText::Next;
      break;
    default:
      break;
  }
}

void TWizardFlow::ClickInstall() {
  state_.installChecked = true;
  state_.removeChecked = false;
  state_.nextText = TText::Next;
}

void TWizardFlow::ClickRemove() {
  if (!state_.removeEnabled) return;
  state_.removeChecked = true;
  state_.installChecked = false;
  state_.nextText = TText::Remove;
}

void TWizardFlow::ClickLicense(bool accept) {
  state_.licenseAccepted = accept;
  state_.licenseRefused = !accept;
  state_.nextEnabled = accept;
}

void TWizardFlow::FolderChosen(const std::string& folder) {
  state_.folder = folder;
  state_.nextEnabled = !folder.empty();
}

void TWizardFlow::TextsApplied() {
  state_.backText = TText::Back;
  state_.nextText = TText::Next;
  state_.cancelText = TText::Cancel;
}

void TWizardFlow::WorkerDone() {
  state_.page = state_.page == TPage::CopyFiles ? TPage::Installed : TPage::Removed;
  state_.nextText = TText::Next;
  state_.cancelEnabled = true;
  state_.cancelText = TText::Finish;
}

void TWizardFlow::EnterFolders(const std::string& setupPath) {
  state_.page = TPage::Folders;
  state_.nextText = TText::Install;
  FolderChosen(setupPath);
}

void TWizardFlow::ShowLicense() {
  state_.page = TPage::License;
  state_.nextEnabled = state_.licenseAccepted;
}

void TWizardFlow::StartWorker(TPage page) {
  state_.backEnabled = state_.nextEnabled = state_.cancelEnabled = false;
  state_.page = page;
}
