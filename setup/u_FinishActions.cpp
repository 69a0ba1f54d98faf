#include "setup/u_FinishActions.h"

#include <array>
#include <utility>

#include "actions/u_SimpleFuncs1.h"

namespace {

void CreateShortcuts(const TSetupProc& project, const TFinishChoices& choices, IFinishSystem& system) {
  for (const TStartInfo& link : project.LinkList)
    if (ShortcutChosen(link.Place, choices))
      system.CreateShortcut(project.ExpandValue(link.DispName), project.ExpandValue(link.Place),
                            project.ExpandValue(link.StartFile), project.ProductDescription);
}

// A copy of the running program at the uninstall path, unless it runs from
// there.
TResult CopyUninstaller(const TSetupProc& project, IFinishSystem& system) {
  const std::string& target = project.UninstallFile;
  if (target.empty() || UpperCaseAscii(project.ExeFile) == UpperCaseAscii(target)) return {};
  const TOutcome<Bytes> program = system.ReadProgramFile();
  if (!program) return program.Failure();
  const std::string folder = ExtractFilePath(target);
  if (!folder.empty())
    if (TResult made = system.ForceDirectories(folder); !made) return made;
  return system.WriteWholeFile(target, *program);
}

// The first file entry, when it is a program; no later entry is tried.
void LaunchFirstFile(const TSetupProc& project, IFinishSystem& system) {
  if (project.FileList.empty()) return;
  const std::string program = project.ExpandValue(project.FileList.front().second.SetupPath);
  if (IsExeFile(program)) system.StartProgram(program, ExtractFilePath(program));
}

}  // namespace

bool ShortcutChosen(std::string_view rawPlace, const TFinishChoices& choices) {
  const std::array<std::pair<std::string_view, bool>, 4> gates = {{
      {kStartMenu, choices.StartMenu},
      {kPrograms, choices.Programs},
      {kDesktop, choices.Desktop},
      {kQuickLaunchPanel, choices.QuickLaunch},
  }};
  for (const auto& [token, checked] : gates)
    if (rawPlace.find(token) != std::string_view::npos) return checked;
  return true;
}

TResult FinishActions(const TSetupProc& project, const TFinishChoices& choices, IFinishSystem& system) {
  CreateShortcuts(project, choices, system);
  TResult uninstallerCopy = CopyUninstaller(project, system);
  if (choices.RunProgram) LaunchFirstFile(project, system);
  return uninstallerCopy;
}
