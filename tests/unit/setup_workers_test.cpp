#include <gtest/gtest.h>

#include <algorithm>

#include "setup/c_CopyFiles.h"
#include "setup/c_RemoveFiles.h"
#include "tests/unit/fake_setup_host.h"
#include "tests/unit/fake_workers.h"

namespace {

using Log = std::vector<std::string>;

const char* const kScript =
    "[SetupInfo]\r\n"
    "<CompanyName>=Acme\r\n"
    "<ProductName>=Widget\r\n"
    "<SetupPath>=C:\\Apps\\Widget\r\n"
    "[SetupFileGroups]\r\n"
    "FileGroupName1=<AppFiles>\r\nFileGroupPath1=<SetupPath>\r\n"
    "FileGroupName2=<DocFiles>\r\nFileGroupPath2=<AppFiles>\\Docs\r\n"
    "[SetupFileValues]\r\n"
    "FileDispName1=widget.exe\r\nFileSetupPath1=<AppFiles>\\widget.exe\r\nFileDoSetup1=True\r\n"
    "FileDispName2=Server.dll\r\nFileSetupPath2=<AppFiles>\\Server.dll\r\nFileDoSetup2=True\r\nFileDoRegister2=True\r\n"
    "FileDispName3=Guide.txt\r\nFileSetupPath3=<DocFiles>\\Guide.txt\r\nFileDoSetup3=True\r\n"
    "[SetupRegValues]\r\n"
    "RegValueLocation1=<HKEY_CURRENT_USER>\\Software\\<CompanyName>\\<ProductName>\r\n"
    "RegValueName1=Path\r\nRegValueType1=<String>\r\nRegValueValue1=<SetupPath>\r\n"
    "RegValueLocation2=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\<ProductName>\r\n"
    "RegValueName2=UninstallString\r\nRegValueType2=<String>\r\nRegValueValue2=<AppFiles>\\uninstall.exe\r\n"
    "[SetupLinkValues]\r\n"
    "LinkPlace1=<Desktop>\r\nLinkDispName1=<ProductName>\r\nLinkStartFile1=<AppFiles>\\widget.exe\r\n"
    "LinkPlace2=<StartMenu>\r\nLinkDispName2=Guide\r\nLinkStartFile2=<DocFiles>\\Guide.txt\r\n";

// A project from a script, with the payload of its files, a view and a system.
struct Fixture {
  explicit Fixture(const std::string& script = kScript) : host(script), project(host) {
    host.folders.folders[kCsidlDesktop] = "C:\\Desk";
    host.folders.folders[kCsidlStartMenu] = "C:\\Start";
    system.payload["WIDGET.EXE"] = PackResource("MZ widget");
    system.payload["SERVER.DLL"] = PackResource("MZ server");
    system.payload["GUIDE.TXT"] = PackResource("How to use it");
  }

  // What the user sees of the run, ending with how it ended (EndSeen).
  Log Install() {
    log.clear();
    log.push_back(EndSeen(TCopyFiles(project, system, view).Execute()));
    return log;
  }
  Log Remove() {
    log.clear();
    log.push_back(EndSeen(TRemoveFiles(project, system, view).Execute()));
    return log;
  }
  const Bytes& File(const std::string& path) { return system.files[FakeWorkerSystem::Key(path)]; }

  Log log;
  FakeHost host;
  TSetupProc project;
  FakeWorkerView view{log};
  FakeWorkerSystem system{host.registry, log};
};

std::string RegText(const Fixture& f, uint32_t root, const std::string& key, const std::string& name) {
  const std::optional<TRegValue> value = f.host.registry.ReadRegValue(root, key, name);
  return value ? value->AsText() : "";
}

}  // namespace

TEST(CopyFiles, InstallsTheProductShowingEveryStepInOrder) {
  Fixture f;
  EXPECT_EQ(f.Install(), (Log{
                             "Create working directories:C:\\Apps\\Widget 0/2",
                             "Create working directories:C:\\Apps\\Widget\\Docs 1/2",
                             "Copying file: C:\\Apps\\Widget\\widget.exe 0/3",
                             "Copying file: C:\\Apps\\Widget\\Server.dll 1/3",
                             "register C:\\Apps\\Widget\\Server.dll",
                             "Registration DLL server: C:\\Apps\\Widget\\Server.dll 1/3",
                             "Copying file: C:\\Apps\\Widget\\Docs\\Guide.txt 2/3",
                             "Writing registry value: \\Software\\Acme\\Widget\\Path=C:\\Apps\\Widget 0/2",
                             "Writing registry value: \\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "Widget\\UninstallString=C:\\Apps\\Widget\\uninstall.exe 1/2",
                             "finished",
                         }));
  EXPECT_TRUE(f.view.barWithinMax);
  EXPECT_EQ(f.File("C:\\Apps\\Widget\\widget.exe"), "MZ widget") << "lower-case name read as WIDGET.EXE";
  EXPECT_EQ(f.File("C:\\Apps\\Widget\\Docs\\Guide.txt"), "How to use it");
  EXPECT_EQ(RegText(f, kHKeyCurrentUser, "Software\\Acme\\Widget", "Path"), "C:\\Apps\\Widget");
}

TEST(CopyFiles, EntriesPassedOverLeaveTheBarEmptyFilesCount) {
  Fixture f(std::string(kScript) +
            "[SetupFileValues]\r\n"
            "FileDispName4=Skipped.txt\r\nFileSetupPath4=C:\\Apps\\Skipped.txt\r\nFileDoSetup4=true\r\n"
            "FileDispName5=Empty.txt\r\nFileSetupPath5=C:\\Apps\\Empty.txt\r\nFileDoSetup5=True\r\n"
            "FileDispName6=Bare.txt\r\nFileSetupPath6=Bare.txt\r\nFileDoSetup6=True\r\n");
  f.system.failingServers.insert("C:\\APPS\\WIDGET\\SERVER.DLL");
  f.system.payload["SKIPPED.TXT"] = PackResource("not wanted");
  f.system.payload["EMPTY.TXT"] = PackResource("");
  f.system.payload["BARE.TXT"] = PackResource("bare");
  f.system.files["C:\\APPS\\EMPTY.TXT"] = "an older, longer file";

  const Log log = f.Install();
  const Log files(log.begin() + 2, log.begin() + 9);
  EXPECT_EQ(files, (Log{
                       "Copying file: C:\\Apps\\Widget\\widget.exe 0/6",
                       "Copying file: C:\\Apps\\Widget\\Server.dll 1/6",
                       "register C:\\Apps\\Widget\\Server.dll",
                       "abort, retry, ignore? Failed to register 'C:\\Apps\\Widget\\Server.dll': no server",
                       "Copying file: C:\\Apps\\Widget\\Docs\\Guide.txt 1/6",
                       "Copying file: C:\\Apps\\Empty.txt 3/6",
                       "Copying file: Bare.txt 5/6",
                   }))
      << "Ignore: no bar move for the server that failed to register; nothing for the entry not marked for setup";
  EXPECT_EQ(log.back(), "finished");
  EXPECT_EQ(f.File("C:\\Apps\\Widget\\Server.dll"), "MZ server") << "stays written, unregistered";
  EXPECT_TRUE(f.system.FileExists("C:\\Apps\\Empty.txt"));
  EXPECT_EQ(f.File("C:\\Apps\\Empty.txt"), "") << "the older file replaced by an empty one";
  for (const char* absent : {"C:\\Apps\\Skipped.txt", "Bare.txt"}) EXPECT_FALSE(f.system.FileExists(absent)) << absent;
  // Inflated ahead: what will be written, in order; the bare entry is passed over only when it comes.
  EXPECT_EQ(f.system.inflatedAhead, (Log{"WIDGET.EXE", "SERVER.DLL", "GUIDE.TXT", "EMPTY.TXT", "BARE.TXT"}));
  EXPECT_EQ(f.system.unpacked, (Log{"WIDGET.EXE", "SERVER.DLL", "GUIDE.TXT", "EMPTY.TXT"}));
  EXPECT_EQ(BytesToWrite(f.project, f.system), 9u + 9 + 13 + 0 + 4) << "the room the install needs";

  Fixture aborted;
  aborted.system.failingServers.insert("C:\\APPS\\WIDGET\\SERVER.DLL");
  aborted.view.retries = 1;
  aborted.view.afterRetries = TErrorAnswer::Abort;
  const Log retried = aborted.Install();
  EXPECT_EQ(std::count(retried.begin(), retried.end(), "register C:\\Apps\\Widget\\Server.dll"), 2) << "Retry";
  EXPECT_EQ(retried.back(), "stopped");
  EXPECT_TRUE(retried.end()[-2].starts_with("abort, retry, ignore? ")) << "Abort: the box was the run's one box";
  EXPECT_FALSE(aborted.system.FileExists("C:\\Apps\\Widget\\Docs\\Guide.txt")) << "nothing after it";
}

TEST(CopyFiles, AFileThatCannotBeWrittenEndsTheRunNamingItAndTheReason) {
  const std::string widget = "C:\\Apps\\Widget\\widget.exe";
  const std::string damaged = "error The installer is damaged: the data for '" + widget + "' is missing or damaged";
  const struct {
    const char* what;
    std::function<void(FakeWorkerSystem&)> fault;
    std::string error;
  } cases[] = {
      {"payload missing", [](FakeWorkerSystem& s) { s.payload.erase("WIDGET.EXE"); }, damaged},
      {"payload damaged", [](FakeWorkerSystem& s) { s.payload["WIDGET.EXE"].back() ^= 1; }, damaged},
      {"payload too short", [](FakeWorkerSystem& s) { s.payload["WIDGET.EXE"] = "ab"; }, damaged},
      {"read-only target", [](FakeWorkerSystem& s) { s.readOnlyFiles.insert("C:\\APPS\\WIDGET\\WIDGET.EXE"); },
       "error Failed to write '" + widget + "': read-only"},
      {"folder not made", [](FakeWorkerSystem& s) { s.unmakeableFolders = {"C:\\APPS\\WIDGET", "C:\\APPS\\WIDGET\\DOCS"}; },
       "error Failed to create directory 'C:\\Apps\\Widget': no such drive"},
  };
  for (const auto& c : cases) {
    Fixture f;
    c.fault(f.system);
    const Log log = f.Install();
    EXPECT_EQ(Log(log.end() - 2, log.end()), (Log{"Copying file: " + widget + " 0/3", c.error})) << c.what;
    EXPECT_FALSE(f.system.FileExists("C:\\Apps\\Widget\\Server.dll")) << c.what << ": nothing after it";
    EXPECT_FALSE(f.host.registry.KeyExists(kHKeyCurrentUser, "Software\\Acme\\Widget")) << c.what;
  }
}

TEST(CopyFiles, AFileInUseIsTriedAgainOnRetryAndCancelStopsTheRun) {
  const std::string retry = "retry? Failed to write 'C:\\Apps\\Widget\\Docs\\Guide.txt': in use";
  Fixture f;
  f.system.lockedFiles.insert("C:\\APPS\\WIDGET\\DOCS\\GUIDE.TXT");
  f.system.lockedTries = 2;
  f.view.retries = 2;
  Log log = f.Install();
  EXPECT_EQ(std::count(log.begin(), log.end(), retry), 2);
  EXPECT_EQ(*(std::find(log.begin(), log.end(), retry) - 1), "Copying file: C:\\Apps\\Widget\\Docs\\Guide.txt 2/3");
  EXPECT_EQ(f.File("C:\\Apps\\Widget\\Docs\\Guide.txt"), "How to use it") << "written on the second retry";
  EXPECT_EQ(log.back(), "finished");

  Fixture g;
  g.system.lockedFiles.insert("C:\\APPS\\WIDGET\\DOCS\\GUIDE.TXT");
  log = g.Install();
  EXPECT_EQ(Log(log.end() - 2, log.end()), (Log{retry, "stopped"})) << "Cancel: no second box, no finished page";
  EXPECT_FALSE(g.host.registry.KeyExists(kHKeyCurrentUser, "Software\\Acme\\Widget"));
}

TEST(CopyFiles, TheDestinationIsRecordedWithTheUninstallEntry) {
  const std::string entry = UninstallKeyPath("Widget");
  Fixture f;
  f.project.ChooseSetupPath("D:\\Chosen");
  const Log log = f.Install();
  EXPECT_EQ(RegText(f, kHKeyLocalMachine, entry, kInstallLocationValue), "D:\\Chosen");
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](auto& l) { return l.find("InstallLocation") != l.npos; }), 0)
      << "no line of its own on the copying page";

  Fixture none("[SetupInfo]\r\n<ProductName>=Widget\r\n<SetupPath>=C:\\W\r\n[SetupRegValues]\r\n"
               "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\r\n"
               "RegValueName1=UninstallString\r\nRegValueType1=<String>\r\nRegValueValue1=x\r\n");
  none.Install();
  EXPECT_EQ(RegText(none, kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                    kInstallLocationValue),
            "")
      << "never into the list of all entries";
  EXPECT_FALSE(none.host.registry.KeyExists(kHKeyLocalMachine, entry));
}

TEST(CopyFiles, FileGroupsCountUpToTheFirstGap) {
  Fixture gap("[SetupInfo]\r\n[SetupFileGroups]\r\n"
              "FileGroupName1=<A>\r\nFileGroupPath1=C:\\A\r\nFileGroupName2=<B>\r\nFileGroupPath2=C:\\B\r\n"
              "FileGroupName4=<D>\r\nFileGroupPath4=C:\\D\r\n");
  // The script reader itself stops at the gap; the project may hold more lines.
  gap.project.VarList.push_back("FileGroupName4=C:\\D");
  const Log log = gap.Install();
  EXPECT_EQ(Log(log.begin(), log.begin() + 2),
            (Log{"Create working directories:C:\\A 0/2", "Create working directories:C:\\B 1/2"}));
  EXPECT_TRUE(gap.system.FolderExists("C:\\B"));
  EXPECT_FALSE(gap.system.FolderExists("C:\\D"));
  EXPECT_EQ(CountFileGroups({"filegroupname1=x", "FileGroupName2=y", "FileGroupName02=z", "FileGroupName3"}), 2);

  Fixture none("[SetupInfo]\r\n[SetupFileValues]\r\nFileDispName1=a.txt\r\nFileSetupPath1=C:\\New\\Deep\\a.txt\r\n"
               "FileDoSetup1=True\r\n");
  none.system.payload["A.TXT"] = PackResource("a");
  EXPECT_EQ(none.Install(), (Log{"Copying file: C:\\New\\Deep\\a.txt 0/1", "finished"}));
  EXPECT_EQ(none.File("C:\\New\\Deep\\a.txt"), "a") << "its folder made when the file is written";
}

TEST(CopyFiles, AnErrorEndsTheRunWithOneErrorBoxAndKeepsWhatWasDone) {
  Fixture emptyGroup("[SetupInfo]\r\n[SetupFileGroups]\r\nFileGroupName1=<A>\r\nFileGroupPath1=<Nothing>\r\n");
  EXPECT_EQ(emptyGroup.Install(), (Log{"Create working directories: 0/1", "error Unable to create directory"}));

  // A registry that refuses the second value.
  class RefusingRegistry : public FakeRegistry {
  public:
    void WriteRegValue(uint32_t root, const std::string& key, const std::string& name, const std::string& type,
                       const std::string& value) override {
      if (name == "UninstallString") throw ESetupError(TText::FailedToSetData, {name});
      FakeRegistry::WriteRegValue(root, key, name, type, value);
    }
  } refusing;
  Fixture f;
  Log log;
  FakeWorkerSystem system(refusing, log);
  FakeWorkerView view(log);
  system.payload = f.system.payload;
  EXPECT_EQ(EndSeen(TCopyFiles(f.project, system, view).Execute()), "error Failed to set data for 'UninstallString'");
  EXPECT_EQ(refusing.ReadRegValue(kHKeyCurrentUser, "Software\\Acme\\Widget", "Path"), TRegValue("C:\\Apps\\Widget"));
  EXPECT_TRUE(system.FileExists("C:\\Apps\\Widget\\Docs\\Guide.txt")) << "nothing rolled back";

  Fixture failingBox;  // a box that fails on the UI thread
  failingBox.system.lockedFiles.insert("C:\\APPS\\WIDGET\\DOCS\\GUIDE.TXT");
  failingBox.view.failingBox = 1;
  EXPECT_EQ(failingBox.Install().back(), "error box failed");
}

TEST(RemoveFiles, RemovesWhatTheScriptNamesShowingEveryStepInOrder) {
  Fixture f;
  f.Install();
  f.host.registry.WriteRegValue(kHKeyLocalMachine, "Software\\Acme\\Widget\\Deep", "Any", "<String>", "x");
  f.host.registry.WriteRegValue(kHKeyCurrentUser, "Software\\Acme\\Other", "Kept", "<String>", "y");
  f.host.registry.WriteRegValue(kHKeyLocalMachine, UninstallKeyPath("Other"), "DisplayName", "<String>", "Other");
  f.system.files["C:\\DESK\\WIDGET.LNK"] = "link";

  EXPECT_EQ(f.Remove(), (Log{
                            "Removing file: C:\\Apps\\Widget\\widget.exe 0/3",
                            "Removing file: C:\\Apps\\Widget\\Server.dll 1/3",
                            "unregister C:\\Apps\\Widget\\Server.dll",
                            "Unregistration DLL server: C:\\Apps\\Widget\\Server.dll 1/3",
                            "Removing file: C:\\Apps\\Widget\\Docs\\Guide.txt 2/3",
                            "Removing registry value: \\Software\\Acme\\Widget\\Path=C:\\Apps\\Widget 0/5",
                            "Removing registry value: \\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                            "Widget\\UninstallString=C:\\Apps\\Widget\\uninstall.exe 1/5",
                            "Removing registry value: Software\\Acme\\Widget 2/5",
                            "Removing registry value: Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Widget 4/5",
                            "Removing links for program run:Widget=C:\\Apps\\Widget\\widget.exe 0/2",
                            "Removing links for program run:Guide=C:\\Apps\\Widget\\Docs\\Guide.txt 1/2",
                            "finished",
                        }));
  EXPECT_TRUE(f.view.barWithinMax);
  EXPECT_TRUE(f.system.files.empty());
  FakeRegistry& registry = f.host.registry;
  for (uint32_t root : {kHKeyLocalMachine, kHKeyCurrentUser})
    EXPECT_FALSE(registry.KeyExists(root, "Software\\Acme\\Widget")) << root;
  EXPECT_FALSE(registry.KeyExists(kHKeyLocalMachine, UninstallKeyPath("Widget")));
  EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, "Software\\Acme\\Other")) << "the company key stays";
  EXPECT_TRUE(registry.KeyExists(kHKeyLocalMachine, UninstallKeyPath("Other")));
  EXPECT_TRUE(f.system.FolderExists("C:\\Apps\\Widget\\Docs")) << "folders stay";
}

TEST(RemoveFiles, AbsentFilesAreSkippedAndPresentOnesGoWhateverHappens) {
  Fixture f("[SetupInfo]\r\n[SetupFileValues]\r\n"
            "FileDispName1=a.txt\r\nFileSetupPath1=C:\\P\\a.txt\r\nFileDoSetup1=True\r\n"
            "FileDispName2=b.dll\r\nFileSetupPath2=C:\\P\\b.dll\r\nFileDoSetup2=False\r\nFileDoRegister2=True\r\n"
            "FileDispName3=c.txt\r\nFileSetupPath3=C:\\P\\c.txt\r\n");
  f.system.files["C:\\P\\B.DLL"] = "dll";
  f.system.files["C:\\P\\C.TXT"] = "locked";
  f.system.lockedFiles.insert("C:\\P\\C.TXT");
  f.system.failingServers.insert("C:\\P\\B.DLL");
  const Log log = f.Remove();
  EXPECT_EQ(Log(log.begin(), log.begin() + 4),
            (Log{"Removing file: C:\\P\\b.dll 0/3", "unregister C:\\P\\b.dll",
                 "Unregistration DLL server: C:\\P\\b.dll 0/3", "Removing file: C:\\P\\c.txt 2/3"}));
  EXPECT_FALSE(f.system.FileExists("C:\\P\\b.dll")) << "deleted though not installed and not unregistered";
  EXPECT_TRUE(f.system.FileExists("C:\\P\\c.txt"));
}

TEST(RemoveFiles, WhatStaysIsListedInOneBoxBeforeTheRemovedPage) {
  Fixture f;
  f.Install();
  f.system.files["C:\\DESK\\WIDGET.LNK"] = "link";
  f.system.lockedFiles = {"C:\\APPS\\WIDGET\\SERVER.DLL", "C:\\DESK\\WIDGET.LNK"};
  f.system.failingServers.insert("C:\\APPS\\WIDGET\\SERVER.DLL");
  class RefusingRegistry : public FakeRegistry {
  public:
    TResult DeleteRegValue(uint32_t, const std::string& key, const std::string& name) override {
      return name == "Path" ? TResult(5, AddBackslash(key) + name, "denied") : TResult();
    }
  };
  const Log log = f.Remove();
  EXPECT_EQ(Log(log.end() - 2, log.end()),
            (Log{"not removed Failed to remove 'C:\\Apps\\Widget\\Server.dll': in use (not unregistered: no server)\n"
                 "Failed to remove 'C:\\Desk\\Widget.lnk': in use",
                 "finished"}));
  EXPECT_EQ(f.system.files.size(), 2u) << "the rest is gone";
  EXPECT_FALSE(f.host.registry.KeyExists(kHKeyLocalMachine, UninstallKeyPath("Widget")));

  // A value and the recorded folder that stay under a key that stays.
  RefusingRegistry refusing;
  FakeWorkerSystem system(refusing, f.log);
  f.log.clear();
  EXPECT_EQ(TRemoveFiles(f.project, system, f.view).Execute(), TRunEnd::Done());
  EXPECT_EQ(std::count_if(f.log.begin(), f.log.end(), [](auto& l) { return l.starts_with("not removed "); }), 1);
  EXPECT_NE(std::find(f.log.begin(), f.log.end(), "not removed Failed to remove '\\Software\\Acme\\Widget\\Path': denied"),
            f.log.end());

  // A list that cannot be shown is told in the error box instead, without the removed page.
  f.view.failingBox = f.view.boxes + 1;
  EXPECT_EQ(EndSeen(TRemoveFiles(f.project, system, f.view).Execute()), "error box failed");

  std::vector<TMessage> many;
  for (int i = 1; i <= 25; ++i) many.push_back({TText::SystemReason, {"item " + std::to_string(i)}});
  const std::vector<TMessage> lines = NotRemovedList(many);
  ASSERT_EQ(lines.size(), 20u) << "one screenful";
  EXPECT_EQ(lines[18], many[18]);
  EXPECT_EQ(English(lines[19]), "and 6 more items");
  EXPECT_EQ(NotRemovedList({many[0], many[1]}), (std::vector<TMessage>{many[0], many[1]}));
}

TEST(RemoveFiles, KeyDeletionsNeverReachAParentKey) {
  for (const auto& [company, product] : {std::pair<std::string, std::string>{"", "Widget"}, {"Acme", ""}}) {
    Fixture f("[SetupInfo]\r\n<CompanyName>=" + company + "\r\n<ProductName>=" + product + "\r\n");
    FakeRegistry& registry = f.host.registry;
    registry.WriteRegValue(kHKeyLocalMachine, UninstallKeyPath("Other"), "DisplayName", "<String>", "Other");
    for (uint32_t root : {kHKeyLocalMachine, kHKeyCurrentUser})
      registry.WriteRegValue(root, "Software\\Acme\\Other", "Kept", "<String>", "y");
    registry.WriteRegValue(kHKeyCurrentUser, "Software\\Widget", "Kept", "<String>", "y");

    const Log log = f.Remove();
    EXPECT_EQ(Log(log.begin(), log.begin() + 2),
              (Log{"Removing registry value: Software\\" + company + "\\" + product + " 0/3",
                   "Removing registry value: " + UninstallKeyPath(product) + " 2/3"}));
    EXPECT_TRUE(registry.KeyExists(kHKeyLocalMachine, UninstallKeyPath("Other"))) << company << "/" << product;
    EXPECT_TRUE(registry.KeyExists(kHKeyLocalMachine, "Software\\Acme\\Other"));
    EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, "Software\\Widget"));
  }
  EXPECT_TRUE(NamesProductKey("Acme", "Widget"));
  EXPECT_FALSE(NamesProductKey("Acme", ""));
  EXPECT_FALSE(NamesProductKey("", "Widget"));
}

TEST(RemoveFiles, ShortcutWithoutAFolderDeletesNothingAtTheDriveRoot) {
  Fixture f("[SetupInfo]\r\n[SetupLinkValues]\r\nLinkPlace1=<Nowhere>\r\nLinkDispName1=Notes\r\nLinkStartFile1=x\r\n");
  f.system.files["\\NOTES.LNK"] = "someone else's";
  const Log log = f.Remove();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Removing links for program run:Notes=x 0/1"), 1);
  EXPECT_TRUE(f.system.FileExists("\\Notes.lnk"));
}
