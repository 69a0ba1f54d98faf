#pragma once
// Script variables set from the build's command line (velkpack pack -D
// ProductVersion=2.4.1): they change the packed copy of the script only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "actions/u_Result.h"

// One definition, in the script's code page: NAME without angle brackets.
struct TScriptDefine {
  std::string name, value;
};

// Success when "NAME=VALUE" can define a variable; else the failure of the
// definition (kErrorInvalidParameter) telling why: no "=", an empty name, a
// name with "<", ">" or "=", a line end in either part.
TResult CheckDefinition(std::string_view definition);

// The script's text with every definition applied: the first "<NAME>=" key
// line (found as the installer finds keys) takes the value, or, without one,
// a line "<NAME>=VALUE" is added under the [SetupInfo] header (at the top
// without one). Lines keep their line ends; added lines end in CR LF.
struct TDefinedScript {
  std::string text;
  size_t addedAfter = 0;  // the added lines follow this line (1-based; 0: the top)
  size_t added = 0;

  // The line of the script file that line `line` of `text` comes from; an
  // added line is reported on the line it follows.
  size_t SourceLine(size_t line) const;
};
TDefinedScript DefineVariables(std::string_view text, const std::vector<TScriptDefine>& defines);
