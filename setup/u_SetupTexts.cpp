#include "setup/u_SetupTexts.h"

namespace {

template <typename Args>
std::wstring FormatWith(std::wstring_view pattern, const Args& args) {
  std::wstring result;
  auto arg = args.begin();
  for (size_t pos = 0;;) {
    const size_t mark = pattern.find(L"%s", pos);
    if (mark == std::wstring_view::npos) {
      result += pattern.substr(pos);
      return result;
    }
    result += pattern.substr(pos, mark - pos);
    if (arg != args.end()) result += *arg++;
    pos = mark + 2;
  }
}

}  // namespace

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args) {
  return FormatWith(pattern, args);
}

std::wstring FormatText(std::wstring_view pattern, std::span<const std::wstring> args) {
  return FormatWith(pattern, args);
}

// The digits are written here: std::to_wstring would link a formatted-print
// implementation into the setup program.
std::wstring MegabytesText(uint64_t bytes, TRounding rounding) {
  constexpr uint64_t kMegabyte = 1 << 20;
  uint64_t megabytes = bytes / kMegabyte + (rounding == TRounding::Up && bytes % kMegabyte != 0);
  std::wstring digits;
  do digits.insert(digits.begin(), wchar_t(L'0' + megabytes % 10));
  while ((megabytes /= 10) != 0);
  return digits;
}

namespace {

using A = TTextArgs;
using C = TControl;
using T = TText;

constexpr TCaptionRule kCaptionRules[] = {
    {C::lbWelcomeInfo1, T::WelcomeHeading, A::Product},
    {C::lbWelcomeInfo2, T::WelcomeInfo, A::ProductTwice},
    {C::lbLangSel, T::LanguagePrompt, A::None},
    {C::lbSetupInfo1, T::WelcomeNextHint, A::Product},
    {C::lbSetupInfo2, T::WelcomeCancelHint, A::Product},
    {C::lbProgramService1, T::SelectionHeading, A::None},
    {C::lbProgramService2, T::SelectionIntro, A::Product},
    {C::rbInstall, T::InstallOption, A::None},
    {C::lbInstalInfo, T::InstallOptionInfo, A::Product},
    {C::rbRemove, T::RemoveOption, A::None},
    {C::lbRemoveInfo, T::RemoveOptionInfo, A::Product},
    {C::lbLicInfo1, T::LicenseHeading, A::None},
    {C::lbLicInfo2, T::LicenseIntro, A::None},
    {C::rbLicOK, T::LicenseAccept, A::None},
    {C::rbLicCancel, T::LicenseRefuse, A::None},
    {C::lbDestFolderInfo1, T::FoldersHeading, A::None},
    {C::lbDestFolderInfo2, T::FoldersIntro, A::None},
    {C::lbDestFolderInfo3, T::FoldersTarget, A::None},
    {C::lbDestFolderInfo4, T::FoldersBrowseHint, A::ProductAndBrowse},
    {C::grbxDestFolder, T::FoldersGroup, A::None},
    {C::bbtnBrowse, T::Browse, A::None},
    {C::lbCopyFilesInfo1, T::CopyFilesHeading, A::Product},
    {C::lbCopyFilesInfo2, T::CopyFilesIntro, A::None},
    {C::lbCopyFilesInfo3, T::CopyFilesInfo, A::Product},
    {C::lbInstalledInfo1, T::InstalledHeading, A::Product},
    {C::lbInstalledInfo2, T::InstalledInfo, A::Product},
    {C::lbInstalledInfo3, T::InstalledExitHint, A::Finish},
    {C::lbInstalledInfo4, T::InstalledThanks, A::None},
    {C::cbAddIcon2Start, T::AddStartIcon, A::None},
    {C::cbAddIcon2Programs, T::AddProgramsIcon, A::None},
    {C::cbAddIcon2Desktop, T::AddDesktopIcon, A::None},
    {C::cbAddIcon2QuickStart, T::AddQuickStartIcon, A::None},
    {C::cbRunProgram, T::RunProgram, A::Product},
    {C::lbThankInstalledName, {}, A::CompanyAndStop},
    {C::lbRemoveFilesInfo1, T::RemoveFilesHeading, A::Product},
    {C::lbRemoveFilesInfo2, T::RemoveFilesIntro, A::None},
    {C::lbRemoveFilesInfo3, T::RemoveFilesInfo, A::Product},
    {C::lbRemovedInfo1, T::RemovedHeading, A::Product},
    {C::lbRemovedInfo2, T::RemovedInfo, A::Product},
    {C::lbRemovedInfo3, T::RemovedExitHint, A::Finish},
    {C::lbRemovedInfo4, T::RemovedThanks, A::None},
    {C::lbThankRemovedName, {}, A::CompanyAndStop},
};

}  // namespace

std::span<const TCaptionRule> CaptionRules() { return kCaptionRules; }

std::wstring RuleCaption(const TCaptionRule& rule, const TTextLookup& text, std::wstring_view product,
                         std::wstring_view company) {
  switch (rule.args) {
    case A::None: return text(rule.text);
    case A::Product: return FormatText(text(rule.text), {product});
    case A::ProductTwice: return FormatText(text(rule.text), {product, product});
    case A::ProductAndBrowse: return FormatText(text(rule.text), {product, text(T::Browse)});
    case A::Finish: return FormatText(text(rule.text), {text(T::Finish)});
    case A::CompanyAndStop: return std::wstring(company) + L".";
  }
  return {};
}

std::wstring AppTitle(const TTextLookup& text, std::wstring_view product) {
  return FormatText(text(T::Title), {product});
}
