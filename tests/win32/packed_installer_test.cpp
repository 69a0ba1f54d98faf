// The demo product packed by velkpack, read back through the Windows resource
// functions. The test that packs it passes the paths (Windows form) in
// VELK_PACKED_INSTALLER and VELK_DEMO_DIR; without them these tests skip.

#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_API.h"
#include "actions/win_Text.h"
#include "package/u_Payload.h"
#include "package/u_SetupScript.h"
#include "package/win_Resources.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes WithCrLf(const std::vector<std::string>& lines) {
  Bytes text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

class PackedInstaller : public testing::Test {
protected:
  void SetUp() override {
    if (installer_.empty() || demo_.empty()) GTEST_SKIP() << "VELK_PACKED_INSTALLER or VELK_DEMO_DIR not set";
    module_.reset(LoadLibraryExA(installer_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_) << installer_ << ": error " << GetLastError();
  }

  Bytes DemoFile(const std::string& relative) const { return ReadFileBytes(demo_ + "\\" + relative); }

  // A payload resource through ReadResource on the loaded module, as the setup project reads it.
  Bytes UnpackedFromModule(const std::string& name) const {
    const TOutcome<Bytes> raw = ReadResource(module_.get(), name.c_str(), kPayloadType);
    EXPECT_TRUE(raw) << name;
    const TOutcome<Bytes> data = raw ? UnpackResource(*raw) : raw;
    EXPECT_TRUE(data) << name;
    return data ? *data : Bytes();
  }

  const std::string installer_ = Environment("VELK_PACKED_INSTALLER");
  const std::string demo_ = Environment("VELK_DEMO_DIR");
  unique_module module_;
};

}  // namespace

TEST_F(PackedInstaller, ScriptAndLicenceUnpackWithCrLfLineEnds) {
  const TSetupScript script(DemoFile("setup.ini"));
  EXPECT_EQ(UnpackedFromModule(kScriptResource), WithCrLf(script.Lines()));
  EXPECT_EQ(UnpackedFromModule(kLicenseResource), WithCrLf(SplitLines(DemoFile("license.txt"))));
}

TEST_F(PackedInstaller, EveryFileUnpacksToItsSourceBytes) {
  const TSetupScript script(DemoFile("setup.ini"));
  const size_t files = script.CountEntries("FileDispName");
  ASSERT_GE(files, 3u);
  for (size_t n = 1; n <= files; ++n) {
    const std::string name = UpperCaseAscii(script.Text(EntryKey("FileDispName", n)));
    EXPECT_EQ(UnpackedFromModule(name), DemoFile(script.Text(EntryKey("FileLocation", n)))) << name;
  }
  EXPECT_FALSE(ReadResource(module_.get(), "NO SUCH FILE.TXT", kPayloadType));
}

// The install worker reads each file's payload from the program file rather than
// through the mapping: the same bytes, whether the file is mapped as an image or as data.
TEST_F(PackedInstaller, PayloadReadFromTheFileUnpacksLikeTheMappedOne) {
  const unique_module image(LoadLibraryExA(installer_.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(image) << "error " << GetLastError();
  const TSetupScript script(DemoFile("setup.ini"));
  for (const HMODULE module : {module_.get(), image.get()}) {
    TModuleFile file(module, AnsiToWide(installer_));
    for (size_t n = 1; n <= script.CountEntries("FileDispName"); ++n) {
      const std::string name = UpperCaseAscii(script.Text(EntryKey("FileDispName", n)));
      const TOutcome<std::string_view> view = ViewResource(module, name.c_str(), kPayloadType);
      ASSERT_TRUE(view) << name;
      const TRawResource raw = file.Resource(*view);
      const TOutcome<std::string_view> first = raw.read(0, 1);
      ASSERT_TRUE(first);
      EXPECT_NE(first->data(), view->data()) << name << ": read from the mapping";
      Bytes data;
      EXPECT_TRUE(InflateResource(raw, [&](std::string_view piece) {
        data.append(piece);
        return TResult();
      }));
      EXPECT_EQ(data, DemoFile(script.Text(EntryKey("FileLocation", n)))) << name;
    }
  }
}

TEST_F(PackedInstaller, TopLogoIsTheBitmapWithoutItsFileHeader) {
  const TOutcome<Bytes> logo = ReadResource(module_.get(), kTopLogoResource, RT_BITMAP);
  ASSERT_TRUE(logo);
  EXPECT_EQ(*logo, DemoFile("logo.bmp").substr(14));
}

TEST_F(PackedInstaller, StubResourcesAreStillThere) {
  const TOutcome<Bytes> read = ReadResource(module_.get(), MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_TRUE(read);
  const Bytes& manifest = *read;
  // Laid out at each monitor's scale, run by Windows Vista to 11 (the last, 10 and 11) as written, and elevated.
  for (const char* entry : {">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>", "<supportedOS Id=",
                            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", R"(level="requireAdministrator")"})
    EXPECT_NE(manifest.find(entry), Bytes::npos) << entry;
  EXPECT_EQ(std::count(manifest.begin(), manifest.end(), '{'), 5) << "five supported systems";
  EXPECT_TRUE(FindResourceA(module_.get(), MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION));
  DWORD ignored = 0;
  EXPECT_GT(GetFileVersionInfoSizeA(installer_.c_str(), &ignored), 0u);
}

// The program's icon and the wizard's pictures load at their sizes, and the
// icons keep their transparent corners and their opaque middle.
TEST_F(PackedInstaller, StubIconsAndPicturesLoadAtTheirSizes) {
  for (const auto& [name, size] : {std::pair{L"MAINICON", 32}, {L"MAINICON", 16}, {L"FOLDERPICTURE", 32}}) {
    const unique_hicon icon(HICON(LoadImageW(module_.get(), name, IMAGE_ICON, size, size, 0)));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    const unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(size_t(size * size));
    const TWindowDc screen(nullptr);
    EXPECT_EQ(GetDIBits(screen.get(), color.get(), 0, UINT(size), pixels.data(), &format, DIB_RGB_COLORS), size);
    const auto alpha = [&](int x, int y) { return pixels[size_t(y * size + x)] >> 24; };
    EXPECT_EQ(alpha(0, 0), 0u) << size;
    EXPECT_EQ(alpha(size / 2, size / 2), 255u) << size;
  }
  for (const auto& [name, width, height] : {std::tuple{L"INSTALLPICTURE", 33, 33}, {L"REMOVEPICTURE", 29, 34}}) {
    const unique_hbitmap picture(HBITMAP(LoadImageW(module_.get(), name, IMAGE_BITMAP, 0, 0, 0)));
    ASSERT_TRUE(picture);
    BITMAP shape{};
    ASSERT_TRUE(GetObjectW(picture.get(), sizeof shape, &shape));
    EXPECT_EQ(shape.bmWidth, width);
    EXPECT_EQ(shape.bmHeight, height);
  }
}

TEST_F(PackedInstaller, TheLoaderMapsTheImageAndItsChecksumIsRight) {
  const unique_module image(LoadLibraryExA(installer_.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  EXPECT_TRUE(image) << "error " << GetLastError();
  Bytes file = ReadFileBytes(installer_);
  DWORD stored = 0, computed = 0;
  ASSERT_TRUE(CheckSumMappedFile(file.data(), DWORD(file.size()), &stored, &computed));
  EXPECT_EQ(stored, computed);
  EXPECT_NE(stored, 0u);
}

TEST_F(PackedInstaller, StartsAsAProcess) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + installer_ + "\"";
  ASSERT_TRUE(CreateProcessA(installer_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &process))
      << "error " << GetLastError();
  const unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
  EXPECT_TRUE(TerminateProcess(processHandle.get(), 0));
  EXPECT_EQ(WaitForSingleObject(processHandle.get(), 60000), WAIT_OBJECT_0);
}
