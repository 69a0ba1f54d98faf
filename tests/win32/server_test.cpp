#include <gtest/gtest.h>

#include <thread>

#include "actions/win_SetupFuncs.h"
#include "tests/win32/win32_test_support.h"

namespace {

constexpr char kServerKey[] = "Software\\SetupTests\\DemoServer";

// What the demo server's registration left: its Registered and Path values.
struct TServerMarker {
  DWORD Registered = 0;
  std::string Path;
};

std::optional<TServerMarker> ServerMarker() {
  TServerMarker marker;
  DWORD size = sizeof marker.Registered;
  if (RegGetValueA(HKEY_CURRENT_USER, kServerKey, "Registered", RRF_RT_REG_DWORD, nullptr, &marker.Registered,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  char path[MAX_PATH + 1] = {};
  size = MAX_PATH;
  RegGetValueA(HKEY_CURRENT_USER, kServerKey, "Path", RRF_RT_REG_SZ, nullptr, path, &size);
  marker.Path = path;
  return marker;
}

class Servers : public ::testing::Test {
protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kServerKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kServerKey); }

  // A fixture copied to a path of the test's choice.
  std::string Copy(const char* fixture, const std::string& name) {
    const std::string path = scratch / name;
    EXPECT_TRUE(CopyFileW(AnsiToWide(FixturePath(fixture)).c_str(), AnsiToWide(path).c_str(), FALSE)) << FixturePath(fixture);
    return path;
  }

  TScratchFolder scratch;
};

// Why the call failed; "" when it succeeded.
std::string Why(const TResult& result) { return result ? "" : result.Reason(); }

}  // namespace

TEST_F(Servers, RegisterAndUnregisterRunTheLibrarysExports) {
  const std::string server = FixturePath("demoserver.dll");
  ASSERT_TRUE(FileExists(server)) << server;
  EXPECT_TRUE(RegisterServer(server));
  const auto marker = ServerMarker();
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->Registered, 1u);
  EXPECT_TRUE(SameTextAscii(marker->Path, server)) << marker->Path;
  EXPECT_TRUE(UnregisterServer(server));
  EXPECT_FALSE(ServerMarker());
}

TEST_F(Servers, NonAsciiPathOnAWorkerThread) {
  const std::string server = Copy("demoserver.dll", "D\xe9mo Server.dll");
  TResult registered(1, server, "not run");
  std::thread([&] { registered = RegisterServer(server); }).join();
  EXPECT_TRUE(registered) << registered.Reason();
  const auto marker = ServerMarker();
  ASSERT_TRUE(marker);
  EXPECT_TRUE(SameTextAscii(marker->Path, server)) << marker->Path;
}

// Every way a registration can fail says why.
TEST_F(Servers, FailuresSayWhy) {
  EXPECT_EQ(Why(RegisterServer(FixturePath("plainlib.dll"))), "the library has no DllRegisterServer");
  EXPECT_EQ(Why(UnregisterServer(FixturePath("plainlib.dll"))), "the library has no DllUnregisterServer");
  EXPECT_EQ(Why(RegisterServer(FixturePath("refusingserver.dll"))), "DllRegisterServer returned 0x80070005");
  EXPECT_EQ(Why(UnregisterServer(FixturePath("refusingserver.dll"))), "DllUnregisterServer returned 0x80004005");

  PutFile(scratch / "readme.dll", "This is not a library.");
  for (const std::string& unloadable : {scratch / "readme.dll", scratch / "missing.dll", std::string(),
                                        scratch / (std::string(300, 'd') + ".dll")}) {
    const TResult registered = RegisterServer(unloadable);
    ASSERT_FALSE(registered) << unloadable;
    EXPECT_FALSE(registered.Reason().empty()) << unloadable;
    EXPECT_EQ(registered.Item(), unloadable);
  }
  EXPECT_EQ(Why(UnregisterServer(scratch / "missing.dll")), SystemMessage(HRESULT(ERROR_MOD_NOT_FOUND)));

  // In a language the system may lack, the reason falls back to the system's own.
  UseMessageLanguage(kRussianBase);
  const std::string russian = SystemMessage(HRESULT(ERROR_MOD_NOT_FOUND));
  UseMessageLanguage(kEnglishBase);
  EXPECT_FALSE(russian.empty() || russian.starts_with("Error 0x")) << russian;
}

TEST_F(Servers, FaultsInsideTheLibraryFailTheCallOnly) {
  const std::string server = FixturePath("faultserver.dll");
  EXPECT_EQ(Why(RegisterServer(server)), "DllRegisterServer ended with a fault") << "access violation";
  EXPECT_EQ(Why(UnregisterServer(server)), "DllUnregisterServer ended with an exception") << "escaping C++ exception";
  TResult registered;
  std::thread([&] { registered = RegisterServer(server); }).join();
  EXPECT_FALSE(registered);
  EXPECT_TRUE(RegisterServer(FixturePath("demoserver.dll"))) << "the process goes on as before";
}

TEST(RunProgram, StartsTheProgramInTheGivenFolder) {
  const TScratchFolder scratch;
  const std::string folder = scratch / "Work \xe4";
  std::filesystem::create_directories(AnsiToWide(folder));
  const std::string note = scratch / "note.txt";
  RunProgram(nullptr, FixturePath("demoapp.exe"), "\"" + note + "\"", folder, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(WaitFor([&] { return FileBytes(note) == folder; })) << FileBytes(note);
}

TEST(RunProgram, RefusedLaunchGoesUnnoticed) {
  const TScratchFolder scratch;
  EXPECT_NO_THROW(RunProgram(nullptr, scratch / "missing.exe", "", "", SW_SHOWNOACTIVATE));
  EXPECT_NO_THROW(RunProgram(nullptr, "", "", scratch / "missing", SW_SHOWNOACTIVATE));
}

TEST(SystemFailure, ResultsAndStatusesAreToldAsTheSystemsErrors) {
  EXPECT_TRUE(HResultFailure(S_FALSE, "a.lnk")) << "any success code";
  const TResult wrapped = HResultFailure(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), "a.lnk");
  EXPECT_TRUE(wrapped.InUse());
  EXPECT_EQ(wrapped.Item(), "a.lnk");
  EXPECT_EQ(wrapped.Reason(), SystemMessage(HRESULT(ERROR_SHARING_VIOLATION)));
  EXPECT_EQ(HResultFailure(E_NOINTERFACE, "a.lnk").Code(), DWORD(E_NOINTERFACE));
  EXPECT_TRUE(RegistryFailure(ERROR_SUCCESS, "Software\\K"));
  EXPECT_EQ(RegistryFailure(ERROR_ACCESS_DENIED, "Software\\K").Reason(), SystemMessage(HRESULT(ERROR_ACCESS_DENIED)));
}
