// The script reader and the setup project built from arbitrary script text.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/c_SetupProc.h"
#include "package/u_SetupScript.h"
#include "tests/unit/fake_setup_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const TSetupScript script(text);
  for (const auto header : {kHeaderSetupInfo, kHeaderFileGroups, kHeaderFileValues, kHeaderRegValues,
                            kHeaderLinkGroups, kHeaderLinkValues})
    script.HasHeader(header);
  script.Integer("<SetupLangID>");
  script.CountEntries("FileDispName");

  FakeHost host;
  host.SetScript(std::string(text));
  TSetupProc project(host);
  // What the workers expand later: every value of every entry, and again after
  // the user chose another folder.
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [name, file] : project.FileList) project.ExpandValue(file.SetupPath);
    for (const auto& entry : project.RegList) {
      project.ExpandValue(entry.ValueName);
      project.ExpandValue(entry.ValueData);
    }
    for (const auto& link : project.LinkList) {
      project.ExpandValue(link.Place);
      project.ExpandValue(link.DispName);
      project.ExpandValue(link.StartFile);
    }
    project.ChooseSetupPath("D:\\Chosen");
  }
  return 0;
}
