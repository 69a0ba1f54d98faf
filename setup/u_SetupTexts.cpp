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

constexpr int kBrowseText = 27;
constexpr int kFinishText = 6;

constexpr TCaptionRule kCaptionRules[] = {
    {"lbWelcomeInfo1", 7, A::Product},        {"lbWelcomeInfo2", 8, A::ProductTwice},
    {"lbLangSel", 9, A::None},                {"lbSetupInfo1", 10, A::Product},
    {"lbSetupInfo2", 11, A::Product},         {"lbProgramService1", 12, A::None},
    {"lbProgramService2", 13, A::Product},    {"rbInstall", 14, A::None},
    {"lbInstalInfo", 15, A::Product},         {"rbRemove", 16, A::None},
    {"lbRemoveInfo", 17, A::Product},         {"lbLicInfo1", 18, A::None},
    {"lbLicInfo2", 19, A::None},              {"rbLicOK", 20, A::None},
    {"rbLicCancel", 21, A::None},             {"lbDestFolderInfo1", 22, A::None},
    {"lbDestFolderInfo2", 23, A::None},       {"lbDestFolderInfo3", 24, A::None},
    {"lbDestFolderInfo4", 25, A::ProductAndBrowse}, {"grbxDestFolder", 26, A::None},
    {"bbtnBrowse", kBrowseText, A::None},     {"lbCopyFilesInfo1", 29, A::Product},
    {"lbCopyFilesInfo2", 30, A::None},        {"lbCopyFilesInfo3", 31, A::Product},
    {"lbInstalledInfo1", 37, A::Product},     {"lbInstalledInfo2", 38, A::Product},
    {"lbInstalledInfo3", 39, A::Finish},      {"lbInstalledInfo4", 40, A::None},
    {"cbAddIcon2Start", 41, A::None},         {"cbAddIcon2Programs", 42, A::None},
    {"cbAddIcon2Desktop", 43, A::None},       {"cbAddIcon2QuickStart", 44, A::None},
    {"cbRunProgram", 45, A::Product},         {"lbThankInstalledName", 0, A::CompanyAndStop},
    {"lbRemoveFilesInfo1", 46, A::Product},   {"lbRemoveFilesInfo2", 47, A::None},
    {"lbRemoveFilesInfo3", 48, A::Product},   {"lbRemovedInfo1", 53, A::Product},
    {"lbRemovedInfo2", 54, A::Product},       {"lbRemovedInfo3", 55, A::Finish},
    {"lbRemovedInfo4", 56, A::None},          {"lbThankRemovedName", 0, A::CompanyAndStop},
};

}  // namespace

std::span<const TCaptionRule> CaptionRules() { return kCaptionRules; }

std::wstring RuleCaption(const TCaptionRule& rule, const TTextLookup& text, std::wstring_view product,
                         std::wstring_view company) {
  switch (rule.args) {
    case A::None: return text(rule.text);
    case A::Product: return FormatText(text(rule.text), {product});
    case A::ProductTwice: return FormatText(text(rule.text), {product, product});
    case A::ProductAndBrowse: return FormatText(text(rule.text), {product, text(kBrowseText)});
    case A::Finish: return FormatText(text(rule.text), {text(kFinishText)});
    case A::CompanyAndStop: return std::wstring(company) + L".";
  }
  return {};
}

std::wstring AppTitle(const TTextLookup& text, std::wstring_view product) { return FormatText(text(0), {product}); }
