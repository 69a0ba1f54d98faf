#include "setup/u_SetupTexts.h"

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args) {
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

namespace {

using A = TTextArgs;
using T = TText;

constexpr TCaptionRule kCaptionRules[] = {
    {"lbWelcomeInfo1", T::WelcomeHeading, A::Product},
    {"lbWelcomeInfo2", T::WelcomeInfo, A::ProductTwice},
    {"lbLangSel", T::LanguagePrompt, A::None},
    {"lbSetupInfo1", T::WelcomeNextHint, A::Product},
    {"lbSetupInfo2", T::WelcomeCancelHint, A::Product},
    {"lbProgramService1", T::SelectionHeading, A::None},
    {"lbProgramService2", T::SelectionIntro, A::Product},
    {"rbInstall", T::InstallOption, A::None},
    {"lbInstalInfo", T::InstallOptionInfo, A::Product},
    {"rbRemove", T::RemoveOption, A::None},
    {"lbRemoveInfo", T::RemoveOptionInfo, A::Product},
    {"lbLicInfo1", T::LicenseHeading, A::None},
    {"lbLicInfo2", T::LicenseIntro, A::None},
    {"rbLicOK", T::LicenseAccept, A::None},
    {"rbLicCancel", T::LicenseRefuse, A::None},
    {"lbDestFolderInfo1", T::FoldersHeading, A::None},
    {"lbDestFolderInfo2", T::FoldersIntro, A::None},
    {"lbDestFolderInfo3", T::FoldersTarget, A::None},
    {"lbDestFolderInfo4", T::FoldersBrowseHint, A::ProductAndBrowse},
    {"grbxDestFolder", T::FoldersGroup, A::None},
    {"bbtnBrowse", T::Browse, A::None},
    {"lbCopyFilesInfo1", T::CopyFilesHeading, A::Product},
    {"lbCopyFilesInfo2", T::CopyFilesIntro, A::None},
    {"lbCopyFilesInfo3", T::CopyFilesInfo, A::Product},
    {"lbInstalledInfo1", T::InstalledHeading, A::Product},
    {"lbInstalledInfo2", T::InstalledInfo, A::Product},
    {"lbInstalledInfo3", T::InstalledExitHint, A::Finish},
    {"lbInstalledInfo4", T::InstalledThanks, A::None},
    {"cbAddIcon2Start", T::AddStartIcon, A::None},
    {"cbAddIcon2Programs", T::AddProgramsIcon, A::None},
    {"cbAddIcon2Desktop", T::AddDesktopIcon, A::None},
    {"cbAddIcon2QuickStart", T::AddQuickStartIcon, A::None},
    {"cbRunProgram", T::RunProgram, A::Product},
    {"lbThankInstalledName", {}, A::CompanyAndStop},
    {"lbRemoveFilesInfo1", T::RemoveFilesHeading, A::Product},
    {"lbRemoveFilesInfo2", T::RemoveFilesIntro, A::None},
    {"lbRemoveFilesInfo3", T::RemoveFilesInfo, A::Product},
    {"lbRemovedInfo1", T::RemovedHeading, A::Product},
    {"lbRemovedInfo2", T::RemovedInfo, A::Product},
    {"lbRemovedInfo3", T::RemovedExitHint, A::Finish},
    {"lbRemovedInfo4", T::RemovedThanks, A::None},
    {"lbThankRemovedName", {}, A::CompanyAndStop},
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
