#pragma once
// Checks of a setup script before it is packed: errors that make the installer
// unusable, and warnings for mistakes that the installer would silently ignore.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/u_SetupScript.h"

struct TScriptIssue {
  enum TKind { Error, Warning };
  TKind kind;
  size_t line;  // 1-based; 0 for the script as a whole
  std::string text;
};

// The issues in line order.
std::vector<TScriptIssue> CheckScript(const TSetupScript& script, int codePage);

// Warnings for a product that could not be removed: no UninstallString value
// under the uninstall key (the Windows list of programs could not remove it)
// or no installed-version marker (the installer would never offer Remove).
// The entry is missing, so the warning names the [SetupRegValues] header line,
// or line 1 without one.
std::vector<TScriptIssue> CheckRemoval(const TSetupScript& script);

// The name under which the loader finds a file entry's payload: the installer
// upper-cases the ASCII letters and asks for the name in the ANSI code page;
// the loader turns it into UTF-16 and upper-cases every letter before its
// lookup.
std::u16string PayloadResourceName(std::string_view dispName, int codePage);

// A numbered key of one of the groups ("FileDoSetup12"): the group's header and
// the number; nullopt for other names and for numbers the installer never reads
// (with leading zeros).
struct TEntryKey {
  std::string_view header;
  size_t number;
};
std::optional<TEntryKey> ParseEntryKey(std::string_view name);

// A built-in variable or special folder name, which a group must not take.
bool IsReservedVariable(std::string_view name);

// Line number (1-based) of the key line that `name` finds; 0 when missing.
size_t KeyLine(const TSetupScript& script, std::string_view name);

// Line number (1-based) of the first line that is the header; 0 when missing.
size_t HeaderLine(const TSetupScript& script, std::string_view header);
