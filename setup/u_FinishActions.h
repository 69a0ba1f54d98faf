#pragma once
// The actions of the Finish button after an install: the shortcuts that the
// check boxes admit, the uninstaller copy of the running program, and the
// optional start of the installed program.

#include <string>
#include <string_view>

#include "actions/u_Result.h"
#include "package/c_SetupProc.h"
#include "package/u_Payload.h"

// The finished page's check boxes.
struct TFinishChoices {
  bool StartMenu = false, Programs = false, Desktop = false, QuickLaunch = false, RunProgram = false;
};

// What the finish actions do to the system: what may fail returns a TResult;
// a shortcut's failure throws ESetupError.
class IFinishSystem {
public:
  virtual ~IFinishSystem() = default;
  // Throws ESetupError when the shell link object is unavailable or the folder is empty.
  virtual void CreateShortcut(const std::string& linkName, const std::string& folder, const std::string& targetFile,
                              const std::string& description) = 0;
  // The whole running program file, read through its module: its path in the
  // ANSI code page may not name it.
  virtual TOutcome<Bytes> ReadProgramFile() = 0;
  // Creates the folder with every missing parent.
  virtual TResult ForceDirectories(const std::string& path) = 0;
  virtual TResult WriteWholeFile(const std::string& fileName, std::string_view data) = 0;
  // Makes the folder the process's current one, then starts the program there.
  virtual void StartProgram(const std::string& fileName, const std::string& folder) = 0;
};

// Whether a shortcut entry is created: the first of "<StartMenu>", "<Programs>",
// "<Desktop>", "<QuickLaunchPanel>" in its raw place text decides through its
// check box; a place with none of them is always created.
bool ShortcutChosen(std::string_view rawPlace, const TFinishChoices& choices);

// Shortcuts, then the uninstaller copy (its folder made when missing), then the
// launch. A shortcut error propagates and skips everything after it; a launch
// that fails is silent. Returns the uninstaller copy's outcome: success when it
// was written, or when the program runs from its place.
TResult FinishActions(const TSetupProc& project, const TFinishChoices& choices, IFinishSystem& system);

// The Windows form of FinishActions for the global project SetupProc, the
// started program owned by `ownerWindow` (an HWND). Runs on the UI thread.
TResult RunFinishActions(const TFinishChoices& choices, void* ownerWindow);
