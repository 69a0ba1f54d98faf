#pragma once
// Finding payload resources with the Windows resource functions.

#include <windows.h>

#include <string>
#include <string_view>

#include "package/u_Payload.h"

// The raw bytes of the resource `name` of `type` in `module`, where the loaded
// module holds them (valid while it stays loaded); false when the resource is
// not there or cannot be loaded.
bool ViewResource(HMODULE module, const char* name, const char* type, std::string_view& data);

// As ViewResource, copied.
bool ReadResource(HMODULE module, const char* name, const char* type, Bytes& data);

// As ReadResource, on a program file opened as a data-only module.
bool ReadFileResource(const std::string& path, const char* name, const char* type, Bytes& data);
