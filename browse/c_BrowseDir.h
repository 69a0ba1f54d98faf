#pragma once
// The folder picker of the destination page and its helpers.

#include <string>

// Whether a visible folder exists at Path: a drive root ("C:\") when the drive
// is present; any other path, with or without one trailing "\", when it names
// a directory that is neither hidden nor system. Wildcards never name a folder.
bool FolderExists(const std::string& path);
