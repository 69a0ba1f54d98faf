// Benchmark of loading the setup project (not a test): builds TSetupProc from
// generated scripts of 500, 2,000 and 5,000 file entries (plus a few file
// groups, registry values and shortcuts) through an in-memory host, and prints
// the best load time of each and how it grows with the entry count.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "package/c_SetupProc.h"
#include "tests/unit/fake_setup_host.h"

namespace {

std::string GeneratedScript(size_t files) {
  std::string script =
      "[SetupInfo]\r\n<CompanyName>=Bench Company\r\n<ProductName>=Bench\r\n<ProductVersion>=1.0\r\n"
      "<SetupLocation>=<ProgramFilesDir>\r\n<SetupPath>=<SetupLocation>\\<CompanyName>\\<ProductName>\r\n"
      "[SetupFileGroups]\r\nFileGroupName1=<AppFiles>\r\nFileGroupPath1=<SetupPath>\r\n"
      "FileGroupName2=<DataFiles>\r\nFileGroupPath2=<SetupPath>\\Data\r\n[SetupFileValues]\r\n";
  for (size_t n = 1; n <= files; ++n) {
    const std::string name = "file" + std::to_string(n) + ".dat", number = std::to_string(n);
    const char* const group = n % 2 ? "<AppFiles>" : "<DataFiles>";
    script += "FileLocation" + number + "=data\\" + name + "\r\nFileDispName" + number + "=" + name +
              "\r\nFileFolder" + number + "=" + group + "\r\nFileSetupPath" + number + "=" + group + "\\" + name +
              "\r\nFileDoSetup" + number + "=True\r\nFileDoRegister" + number + "=False\r\n";
  }
  script += "[SetupRegValues]\r\n";
  for (size_t n = 1; n <= 5; ++n) {
    const std::string number = std::to_string(n);
    script += "RegValueLocation" + number + "=<HKEY_LOCAL_MACHINE>\\Software\\<CompanyName>\\<ProductName>\r\n" +
              "RegValueName" + number + "=Value" + number + "\r\nRegValueType" + number + "=<String>\r\n" +
              "RegValueValue" + number + "=<SetupPath>\r\nRegCheckVersion" + number + "=" +
              (n == 5 ? "True" : "False") + "\r\n";
  }
  script += "[SetupLinkGroups]\r\nLinkGroupName1=<BenchMenu>\r\nLinkGroupPath1=<Programs>\\Bench\r\n"
            "[SetupLinkValues]\r\n";
  for (size_t n = 1; n <= 3; ++n) {
    const std::string number = std::to_string(n);
    script += "LinkPlace" + number + "=<BenchMenu>\r\nLinkDispName" + number + "=Bench " + number +
              "\r\nLinkStartFile" + number + "=<AppFiles>\\file" + number + ".dat\r\n";
  }
  return script;
}

// The best of a few loads, in seconds; 0 when the project did not load every entry.
double BestLoadSeconds(const FakeHost& prepared, size_t files) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    FakeHost host = prepared;
    const auto start = std::chrono::steady_clock::now();
    const TSetupProc project(host);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (project.FileList.size() != files || project.RegList.size() != 5 || project.LinkList.size() != 3) return 0;
    best = std::min(best, elapsed.count());
  }
  return best;
}

}  // namespace

int main() {
  const size_t counts[] = {500, 2000, 5000};
  double first = 0;
  for (const size_t files : counts) {
    const std::string script = GeneratedScript(files);
    FakeHost host;
    host.SetScript(script);
    const double seconds = BestLoadSeconds(host, files);
    if (seconds == 0) {
      std::fprintf(stderr, "%zu file entries: the project did not load every entry\n", files);
      return 1;
    }
    if (first == 0) first = seconds;
    std::printf("%5zu file entries (%7zu bytes): %9.3f ms, %6.2f us per entry, %6.1fx the time of %zu for %4.1fx the entries\n",
                files, script.size(), seconds * 1e3, seconds * 1e6 / double(files), seconds / first, counts[0],
                double(files) / double(counts[0]));
  }
}
