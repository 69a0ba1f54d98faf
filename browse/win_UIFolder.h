#pragma once
// The New folder command of the folder picker: its button, the name prompt
// (dialog resource 900) and the one-level creation of the folder.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "actions/u_Result.h"

class TBrowseDir;

constexpr int kNewFolderDialog = 900;
constexpr int kNewFolderNameEdit = 100;

// Adds the disabled New folder button to the open picker of `browse`.
void CreateNewFolderButton(TBrowseDir& browse, HWND picker);
// Deletes the button's font and the button, if the picker did not take it along.
void DestroyNewFolderButton(TBrowseDir& browse);

// Asks for a folder name in the modal dialog 900 of `instance`, centred over
// `owner`. The name typed, or nothing on Cancel, Esc or the close box.
std::optional<std::wstring> AskFolderName(HWND owner, HINSTANCE instance);

// Creates parent\name, one level, when the name is a plain folder name; an
// existing folder is a failure, as is any other name (ERROR_INVALID_NAME).
TResult CreateNewFolder(const std::string& parent, const std::string& name);

// The first child window, in enumeration order, that matches.
HWND FindChildWindow(HWND parent, const std::function<bool(HWND)>& matches);
