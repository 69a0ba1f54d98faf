// The wizard's texts: from the string table in the current language, onto the
// window's caption and controls.

#include "setup/frmSetup.h"

#include <vector>

#include "actions/win_SetupFuncs.h"
#include "actions/win_Text.h"
#include "package/c_SetupProc.h"
#include "setup/u_SetupTexts.h"

namespace {

bool HasTexts(int languageBase) { return languageBase == kEnglishBase || languageBase == kRussianBase; }

std::wstring TableText(HINSTANCE instance, int languageBase, TText text) {
  const wchar_t* string = nullptr;
  const int length = LoadStringW(instance, UINT(languageBase + int(text)), reinterpret_cast<LPWSTR>(&string), 0);
  return length > 0 ? std::wstring(string, size_t(length)) : std::wstring();
}

// Only the two languages have texts; any other base shows empty captions.
std::wstring WizardText(HINSTANCE instance, TText text) {
  return HasTexts(SetupProc->LangID) ? TableText(instance, SetupProc->LangID, text) : std::wstring();
}

}  // namespace

// A failure is never told in an empty box: a language without texts tells it in English.
std::wstring WizardMessage(HINSTANCE instance, const TMessage& message) {
  const int language = HasTexts(SetupProc->LangID) ? SetupProc->LangID : kEnglishBase;
  std::vector<std::wstring> args;
  for (const std::string& arg : message.args) args.push_back(AnsiToWide(arg));
  return FormatText(TableText(instance, language, message.text), args);
}

std::wstring WizardTitle(HINSTANCE instance) {
  return AppTitle([instance](TText text) { return WizardText(instance, text); }, AnsiToWide(SetupProc->ProductName));
}

std::wstring TVelkSetup::Text(TText text) const { return WizardText(instance_, text); }

std::wstring TVelkSetup::Title() const { return WizardTitle(instance_); }

std::wstring TVelkSetup::MessageText(const TMessage& message) const { return WizardMessage(instance_, message); }

void TVelkSetup::ApplyTexts() {
  UseMessageLanguage(SetupProc->LangID);
  SetWindowTextW(window_.get(), Title().c_str());
  flow_.TextsApplied();
  const std::wstring product = AnsiToWide(SetupProc->ProductName), company = AnsiToWide(SetupProc->CompanyName);
  const auto text = [this](TText id) { return Text(id); };
  for (const TCaptionRule& rule : CaptionRules())
    SetCaption(rule.control, RuleCaption(rule, text, product, company));
  if (!SetupProc->LicenseText.empty())
    SetWindowTextW(Item(TControl::redLicense), AnsiToWide(SetupProc->LicenseText).c_str());
  ShowState();
}

void TVelkSetup::SetCaption(TControl control, const std::wstring& caption) {
  HWND window = Item(control);
  // The operation label keeps its text from file to file.
  if (WindowText(window) == caption) return;
  SetWindowTextW(window, caption.c_str());
  FitLabel(control);
}
