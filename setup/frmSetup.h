#pragma once
// The wizard window: one Unicode top-level window whose children, created from
// the shared control table, form the eight pages. The page flow decides what is
// shown; this class turns window messages into flow events and shows the
// resulting state.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "actions/win_API.h"
#include "setup/u_WizardFlow.h"
#include "setup/win_SetupWorkers.h"
#include "setup/win_WorkerChannel.h"

class TVelkSetup {
public:
  explicit TVelkSetup(HINSTANCE instance);
  TVelkSetup(const TVelkSetup&) = delete;
  TVelkSetup& operator=(const TVelkSetup&) = delete;

  HWND Handle() const { return window_.get(); }
  // The text in the current language; "" when the language has none.
  std::wstring Text(TText text) const;
  // The message in the current language (WizardMessage).
  std::wstring MessageText(const TMessage& message) const;
  // Keys the window sees before the focused control; true when consumed.
  bool PreviewKey(const MSG& message);

private:
  // The controls of a road's progress page.
  struct TProgressControls {
    TControl typeLabel, itemLabel, bar;
  };

  // What the window draws with at one DPI: its fonts, the folder picture and
  // the window's icons.
  struct TScaledResources {
    TScaledResources() = default;
    TScaledResources(HINSTANCE instance, int dpi);
    unique_hfont font, boldFont, makerFont;
    unique_hicon folderPicture, bigIcon, smallIcon;
  };

  // Posted by a worker that waits for a box of the hand-off.
  static constexpr UINT kStepWaitingMessage = WM_APP + 1;
  // Posted by a worker's thread as it ends, whatever ended it.
  static constexpr UINT kWorkerEndedMessage = WM_APP + 2;
  // Paces the progress pages while a worker runs.
  static constexpr UINT_PTR kPaceTimer = 1;
  // The language chooser's items, at 96 DPI.
  static constexpr int kLanguageItemHeight = 16;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateWindowAndControls();
  void CreateControl(const TControlInfo& info);
  void FormCreate();
  void ApplyDpi(int dpi);
  void MoveToDpi(int dpi, const RECT& suggested);
  void SizeClientArea();
  void RepaintWhole();
  void LayOut();
  HFONT FontOf(const TControlInfo& info) const;
  void ApplyTexts();
  void ShowState();
  static bool IsUsable(HWND control);  // visible and enabled
  static bool TakesFocusQuietly(HWND control);
  HWND FocusOnArrival() const;
  HWND FocusOnActivation() const;
  void SetCaption(TControl control, const std::wstring& caption);
  void FitLabel(TControl control);

  void OnCommand(int id, int notification);
  void bbtnNextClick();
  void bbtnBackClick();
  void bbtnCancelClick();
  void bbtnBrowseClick();
  void edDestFolderChange();
  void cbLangSelChange();
  bool RoomForProduct();
  bool RunFinishActions();
  void ChooseNextRadioButton(const TControlInfo& from, bool previous);

  void StartWorker(TWizardAction action);
  void RunWorkerStep(TWorkerStep& step);
  TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices choices);
  void EndRun(const TRunEnd& end);
  void ShowProgress(const std::optional<TProgress>& progress);
  void ShowErrorBox(const std::wstring& message);
  void ShowMessageBox(HWND owner, const std::wstring& message, UINT icon) const;

  void DrawItem(const DRAWITEMSTRUCT& item) const;
  void DrawPicture(const DRAWITEMSTRUCT& item, TControlKind kind) const;
  void DrawLanguageItem(const DRAWITEMSTRUCT& item) const;

  HWND Item(TControl control) const;
  std::wstring Title() const;

  HINSTANCE instance_;
  std::vector<HWND> controls_;  // by row of the control table
  TWizardFlow flow_;
  HWND focusWhenInactive_ = nullptr;
  bool workerRunning_ = false;
  unique_module richEdit_;
  int dpi_;  // the window's: every rectangle, font and picture is scaled to it
  TScaledResources scaled_;
  unique_hbitmap logo_, installPicture_, removePicture_;
  TWorkerChannel channel_;
  TProgressControls runPage_{};  // the page of the road that runs
  TWorkerThread worker_;  // joined once the window has gone, which stops its run, before the channel
  // Owned from its first message to its last; declared last, so that it is
  // destroyed before the worker is joined and before the fonts, pictures and
  // libraries its controls use.
  unique_window window_;
};

// The one wizard window while it exists; null before and after.
extern TVelkSetup* VelkSetup;

// Creates the wizard window and runs the message loop until it is closed.
int RunWizard(HINSTANCE instance);

// The application title in the current language, also where no window is.
std::wstring WizardTitle(HINSTANCE instance);
// A message in the current language, or in English where that has no texts.
std::wstring WizardMessage(HINSTANCE instance, const TMessage& message);
