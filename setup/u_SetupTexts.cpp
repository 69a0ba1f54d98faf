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
