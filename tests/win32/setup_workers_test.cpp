// The workers and the finish actions on Windows, run through their entry points
// against a product built here: a copy of the demo program with a setup script
// and payload resources added, read back the way the setup program reads its own.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

#include "actions/win_Registry.h"
#include "actions/win_SetupFuncs.h"
#include "package/c_SetupProc.h"
#include "package/u_SetupScript.h"
#include "package/win_Resources.h"
#include "setup/c_CopyFiles.h"
#include "setup/c_RemoveFiles.h"
#include "setup/u_FinishActions.h"
#include "setup/win_SetupWorkers.h"
#include "tests/unit/fake_workers.h"
#include "tests/win32/win32_test_support.h"

namespace {

constexpr char kProductKey[] = "Software\\SetupTests\\Worker Product";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Worker Product";
constexpr char kServerKey[] = "Software\\SetupTests\\DemoServer";

// The project's view of the built product, opened as a data-only module.
class TProductHost final : public ISetupHost {
public:
  explicit TProductHost(const std::string& exe)
      : exe_(exe), module_(LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

  void* ModuleHandle() const override { return module_.get(); }
  std::string ModuleFileName() const override { return exe_; }
  bool HasBitmapResource(const char*) const override { return false; }
  TOutcome<Bytes> ReadPayloadResource(const char* name) const override {
    return ReadResource(module_.get(), name, kPayloadType);
  }
  IRegistry& Registry() override { return registry_; }
  const IShellFolders& ShellFolders() const override { return folders_; }
  bool Loaded() const { return bool(module_); }

private:
  std::string exe_;
  unique_module module_;
  TWinRegistry registry_;
  TWinShellFolders folders_;
};

// Notes what the worker tells it, from the worker's thread, and answers every
// box as the user who stops the run; the test reads the notes once the
// thread has told its end.
class TRecordingView final : public IWorkerView {
public:
  void ShowStatus(TText text, const std::string& item) override {
    Called();
    log.push_back(std::to_string(int(text)) + " " + item);
  }
  void SetProgressMax(int max) override {
    Called();
    maxima.push_back(max);
  }
  void SetProgressPosition(int) override { Called(); }
  TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices) override {
    Called();
    log.push_back("box " + English(message));
    return TErrorAnswer::Abort;
  }
  void ShowNotRemoved(const std::vector<TMessage>& lines) override {
    Called();
    for (const TMessage& line : lines) log.push_back("not removed " + English(line));
  }

  // What the worker's thread calls as it ends.
  std::function<void()> Ended() {
    return [this] {
      std::lock_guard lock(mutex_);
      threadEnded_ = true;
      ended_.notify_all();
    };
  }
  // How the thread's run ended (EndSeen), once it has told its end; "still
  // running" past the time limit.
  std::string WaitForEnd(TWorkerThread& worker) {
    std::unique_lock lock(mutex_);
    if (!ended_.wait_for(lock, std::chrono::seconds(60), [&] { return threadEnded_; })) return "still running";
    return EndSeen(worker.End());
  }
  bool CalledOffThread(DWORD testThread) const {
    for (const DWORD thread : callThreads_)
      if (thread == testThread) return false;
    return !callThreads_.empty();
  }

  std::vector<std::string> log;
  std::vector<int> maxima;

private:
  void Called() { callThreads_.push_back(GetCurrentThreadId()); }

  std::mutex mutex_;
  std::condition_variable ended_;
  bool threadEnded_ = false;
  std::vector<DWORD> callThreads_;
};

void AddResource(HANDLE update, const char* name, const Bytes& data) {
  ASSERT_TRUE(UpdateResourceA(update, kPayloadType, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              const_cast<char*>(data.data()), DWORD(data.size())))
      << name;
}

std::string ReadRegText(HKEY root, const char* key, const char* name, DWORD& type) {
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  type = REG_NONE;
  if (RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS) return "<none>";
  return std::string(data, type == REG_SZ && size > 0 ? size - 1 : size);
}

bool KeyThere(HKEY root, const char* key) {
  unique_hkey opened;
  return RegOpenKeyExA(root, key, 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

// BeginUpdateResource's handle, discarded unless committed.
class TResourceUpdate {
public:
  explicit TResourceUpdate(HANDLE h) : handle_(h) {}
  ~TResourceUpdate() {
    if (handle_) EndUpdateResourceA(handle_, TRUE);
  }
  TResourceUpdate(const TResourceUpdate&) = delete;
  TResourceUpdate& operator=(const TResourceUpdate&) = delete;
  HANDLE get() const { return handle_; }
  bool Commit() { return EndUpdateResourceA(std::exchange(handle_, nullptr), FALSE); }

private:
  HANDLE handle_;
};

class Workers : public ::testing::Test {
protected:
  void SetUp() override { Clean(); }
  void TearDown() override {
    SetupProc = nullptr;
    Clean();
  }
  static void Clean() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kServerKey);
  }

  // The product: the demo program as the setup program, a script installing
  // into the scratch folder, and the payload of its three files and of a
  // damaged one that `extraScript`, appended to the script, may name.
  void BuildProduct(const std::string& extraScript = "") {
    exe_ = scratch / "Product Setup.exe";
    ASSERT_TRUE(CopyFileA(FixturePath("demoapp.exe").c_str(), exe_.c_str(), FALSE)) << FixturePath("demoapp.exe");
    const std::string script =
        "[SetupInfo]\r\n<CompanyName>=SetupTests\r\n<ProductName>=Worker Product\r\n"
        "<ProductDescription>=The workers' test product\r\n<SetupPath>=" + scratch.Path() + "Product\r\n"
        "[SetupFileGroups]\r\nFileGroupName1=<AppFiles>\r\nFileGroupPath1=<SetupPath>\r\n"
        "FileGroupName2=<DocFiles>\r\nFileGroupPath2=<SetupPath>\\Docs\\Deep\r\n"
        "[SetupFileValues]\r\n"
        "FileDispName1=demoapp.exe\r\nFileSetupPath1=<AppFiles>\\demoapp.exe\r\nFileDoSetup1=True\r\n"
        "FileDispName2=DemoServer.dll\r\nFileSetupPath2=<AppFiles>\\D\xe9mo Server.dll\r\nFileDoSetup2=True\r\n"
        "FileDoRegister2=True\r\n"
        "FileDispName3=ReadMe.txt\r\nFileSetupPath3=<DocFiles>\\ReadMe.txt\r\nFileDoSetup3=True\r\n"
        "[SetupRegValues]\r\n"
        "RegValueLocation1=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\r\n"
        "RegValueName1=InstallPath\r\nRegValueType1=<String>\r\nRegValueValue1=<SetupPath>\r\n"
        "RegValueLocation2=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\r\n"
        "RegValueName2=Width\r\nRegValueType2=<Integer>\r\nRegValueValue2=640\r\n"
        "RegValueLocation3=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\r\n"
        "RegValueName3=Tips\r\nRegValueType3=<Boolean>\r\nRegValueValue3=True\r\n"
        "RegValueLocation4=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\\Sub\r\n"
        "RegValueName4=Signature\r\nRegValueType4=<Binary>\r\nRegValueValue4=DEMO\r\n"
        "RegValueLocation5=<HKEY_LOCAL_MACHINE>\\Software\\<CompanyName>\\<ProductName>\r\n"
        "RegValueName5=(Default Value)\r\nRegValueType5=<String>\r\nRegValueValue5=<ProductDescription>\r\n"
        "RegValueLocation6=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\<ProductName>\r\n"
        "RegValueName6=UninstallString\r\nRegValueType6=<String>\r\nRegValueValue6=<SetupPath>\\uninstall.exe\r\n"
        "[SetupLinkGroups]\r\nLinkGroupName1=<Links>\r\nLinkGroupPath1=<SetupPath>\\Links\r\n"
        "[SetupLinkValues]\r\n"
        "LinkPlace1=<Links>\r\nLinkDispName1=<ProductName>\r\nLinkStartFile1=<AppFiles>\\demoapp.exe\r\n"
        "LinkPlace2=<Links>\\<StartMenu>\r\nLinkDispName2=Not Chosen\r\nLinkStartFile2=<AppFiles>\\demoapp.exe\r\n" +
        extraScript;
    Bytes damaged = PackResource(std::string(5000, 'd'));
    damaged[damaged.size() / 2] ^= 0x55;
    TResourceUpdate update(BeginUpdateResourceA(exe_.c_str(), FALSE));
    ASSERT_TRUE(update.get()) << "error " << GetLastError();
    AddResource(update.get(), kScriptResource, PackResource(script));
    AddResource(update.get(), "DEMOAPP.EXE", PackResource(FileBytes(FixturePath("demoapp.exe"))));
    AddResource(update.get(), "DEMOSERVER.DLL", PackResource(FileBytes(FixturePath("demoserver.dll"))));
    AddResource(update.get(), "README.TXT", PackResource(ReadMe()));
    AddResource(update.get(), "DAMAGED.TXT", damaged);
    ASSERT_TRUE(update.Commit()) << "error " << GetLastError();
    host_.emplace(exe_);
    ASSERT_TRUE(host_->Loaded());
    project_.emplace(*host_);
    ASSERT_GE(project_->FileList.size(), 3u);
    SetupProc = &*project_;
  }

  static std::string ReadMe() { return "Read me first.\r\nNothing else.\r\n"; }
  std::string Product(const std::string& relative) const { return scratch / ("Product\\" + relative); }

  std::string Run(TWorkerThread (*start)(const TSetupProc&, IWorkerView&, std::function<void()>),
                  TRecordingView& view) {
    TWorkerThread worker = start(*project_, view, view.Ended());
    const std::string end = view.WaitForEnd(worker);
    EXPECT_TRUE(view.CalledOffThread(GetCurrentThreadId())) << "the worker calls from its own thread";
    return end;
  }

  TScratchFolder scratch;
  std::string exe_;
  std::optional<TProductHost> host_;
  std::optional<TSetupProc> project_;
};

}  // namespace

TEST_F(Workers, InstallWritesFilesRegistersTheServerAndWritesTypedValues) {
  BuildProduct();
  TRecordingView view;
  EXPECT_EQ(Run(StartCopyFiles, view), "finished");

  EXPECT_EQ(FileBytes(Product("demoapp.exe")), FileBytes(FixturePath("demoapp.exe")));
  EXPECT_EQ(FileBytes(Product("D\xe9mo Server.dll")), FileBytes(FixturePath("demoserver.dll")));
  EXPECT_EQ(FileBytes(Product("Docs\\Deep\\ReadMe.txt")), ReadMe());
  ASSERT_GE(view.log.size(), 5u);
  EXPECT_EQ(view.log[4], "33 " + Product("D\xe9mo Server.dll")) << "after its copy line";

  DWORD type = 0;
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kServerKey, "Path", type), Product("D\xe9mo Server.dll"))
      << "the server's registration ran";
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kProductKey, "InstallPath", type), scratch.Path() + "Product");
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kProductKey, "Width", type), std::string("\x80\x02\0\0", 4));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kProductKey, "Tips", type), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, (kProductKey + std::string("\\Sub")).c_str(), "Signature", type), "DEMO");
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "", type), "The workers' test product");
  EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", type), Product("uninstall.exe"));
  EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", type), scratch.Path() + "Product");
  EXPECT_EQ(view.maxima, (std::vector<int>{2, 3, 6, 0}));
}

TEST_F(Workers, AMissingOrDamagedPayloadEndsTheRunNamingTheFile) {
  for (const char* name : {"Damaged.txt", "Missing.txt"}) {
    BuildProduct("[SetupFileValues]\r\nFileDispName4=" + std::string(name) + "\r\nFileSetupPath4=<DocFiles>\\" + name +
                 "\r\nFileDoSetup4=True\r\n");
    TRecordingView view;
    EXPECT_EQ(Run(StartCopyFiles, view), "error The installer is damaged: the data for '" +
                                             Product("Docs\\Deep\\") + name + "' is missing or damaged");
    EXPECT_FALSE(FileExists(Product("Docs\\Deep\\") + name));
    EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kProductKey)) << "no value after it";
    SetupProc = nullptr;
    project_.reset();
    host_.reset();
  }
}

TEST_F(Workers, FinishActionsMakeTheChosenLinksTheUninstallerAndStartTheProgram) {
  BuildProduct();
  TRecordingView view;
  ASSERT_EQ(Run(StartCopyFiles, view), "finished");
  const TComSession com;
  char before[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  const TResult copied = RunFinishActions(TFinishChoices{.RunProgram = true}, nullptr);
  EXPECT_TRUE(copied) << copied.Item() << ": " << copied.Reason();

  EXPECT_TRUE(FileExists(Product("Links\\Worker Product.lnk")));
  EXPECT_FALSE(FileExists(Product("Links\\Not Chosen.lnk"))) << "its place names the Start menu, unchecked";
  EXPECT_EQ(FileBytes(Product("uninstall.exe")), FileBytes(OwnFileName())) << "a copy of the running program";
  EXPECT_TRUE(WaitFor([&] { return !FileBytes(Product("demoapp.txt")).empty(); })) << "the first file was started";
  EXPECT_TRUE(SameTextAscii(FileBytes(Product("demoapp.txt")), scratch.Path() + "Product")) << "in its own folder";
  SetCurrentDirectoryA(before);
}

TEST_F(Workers, RemoveUndoesTheInstallAndKeepsFoldersAndTheCompanyKey) {
  BuildProduct();
  TRecordingView install;
  ASSERT_EQ(Run(StartCopyFiles, install), "finished");
  ASSERT_TRUE(CreateDirectoryA(Product("Links").c_str(), nullptr));
  PutFile(Product("Links\\Worker Product.lnk"), "link");
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\SetupTests\\Neighbour", "Kept", REG_SZ, "y", 2),
            ERROR_SUCCESS);

  TRecordingView remove;
  EXPECT_EQ(Run(StartRemoveFiles, remove), "finished");
  for (const char* file : {"demoapp.exe", "D\xe9mo Server.dll", "Docs\\Deep\\ReadMe.txt", "Links\\Worker Product.lnk"})
    EXPECT_FALSE(FileExists(Product(file))) << file;
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kServerKey)) << "the server was unregistered";
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kProductKey));
  EXPECT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, "Software\\SetupTests\\Neighbour"));
  EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_TRUE(FileExists(exe_));
  EXPECT_EQ(GetFileAttributesA(Product("Docs\\Deep").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            DWORD(FILE_ATTRIBUTE_DIRECTORY));
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SetupTests\\Neighbour");
}

TEST_F(Workers, AValueThatCannotBeSetEndsTheRunWithOneErrorBox) {
  BuildProduct("[SetupRegValues]\r\nRegValueLocation7=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\\" +
               std::string(300, 'k') + "\r\nRegValueName7=Version\r\nRegValueType7=<String>\r\nRegValueValue7=1\r\n");
  TRecordingView view;
  EXPECT_EQ(Run(StartCopyFiles, view), "error Failed to set data for 'Version'");
  DWORD type = 0;
  EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kProductKey, "InstallPath", type), scratch.Path() + "Product")
      << "what was written stays";
  EXPECT_TRUE(FileExists(Product("demoapp.exe")));
}

namespace {

// What a read of a written value gives: integers as decimal text, binary data as "".
std::optional<TRegValue> ReadBack(const std::string& valueType, const std::string& data) {
  if (valueType == "<Integer>") return TRegValue(StrToIntDef(data, 0));
  if (valueType == "<Boolean>") return TRegValue(IsTrue(data) ? 1 : 0);
  if (valueType == "<Binary>") return std::nullopt;  // a read gives no binary data
  return TRegValue(data);
}

}  // namespace

// The demo product packed by velkpack (VELK_PACKED_INSTALLER, VELK_DEMO_DIR),
// installed into its default folder and removed again.
TEST(PackedInstallerWorkers, DemoInstallsByteIdenticalAndIsRemovedAgain) {
  const char* installer = std::getenv("VELK_PACKED_INSTALLER");
  const char* demo = std::getenv("VELK_DEMO_DIR");
  if (!installer || !demo) GTEST_SKIP() << "VELK_PACKED_INSTALLER or VELK_DEMO_DIR not set";
  TProductHost host(installer);
  ASSERT_TRUE(host.Loaded());
  TSetupProc project(host);
  SetupProc = &project;
  const TSetupScript script(FileBytes(AddBackslash(demo) + "setup.ini"));
  ASSERT_EQ(project.FileList.size(), script.CountEntries("FileDispName"));

  TRecordingView install;
  TWorkerThread installing = StartCopyFiles(project, install, install.Ended());
  EXPECT_EQ(install.WaitForEnd(installing), "finished");
  for (size_t n = 1; n <= project.FileList.size(); ++n) {
    const std::string target = project.ExpandValue(project.FileList[n - 1].second.SetupPath);
    EXPECT_EQ(FileBytes(target), FileBytes(AddBackslash(demo) + script.Text(EntryKey("FileLocation", n)))) << target;
  }
  for (const TRegInfo& entry : project.RegList) {
    if (entry.ValueType == "<AutoKey>") continue;
    EXPECT_EQ(host.Registry().ReadRegValue(entry.RootKey, entry.KeyPath, RegValueName(entry.ValueName)),
              ReadBack(entry.ValueType, project.ExpandValue(entry.ValueData)))
        << entry.KeyPath << " " << entry.ValueName;
  }
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::Same) << "the same version is now installed";

  TRecordingView remove;
  TWorkerThread removing = StartRemoveFiles(project, remove, remove.Ended());
  EXPECT_EQ(remove.WaitForEnd(removing), "finished");
  for (const auto& [name, file] : project.FileList) EXPECT_FALSE(FileExists(project.ExpandValue(file.SetupPath))) << name;
  for (const TRegInfo& entry : project.RegList) EXPECT_FALSE(host.Registry().KeyExists(entry.RootKey, entry.KeyPath));
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::None);
  SetupProc = nullptr;
  // The removal keeps the folders; the prefix the other tests share is left as
  // it was found.
  std::error_code ignored;
  std::filesystem::remove_all(AnsiToWide(project.SetupPath), ignored);
  RemoveDirectoryW(AnsiToWide(ExtractFilePath(DelBackslash(project.SetupPath))).c_str());
}
