// The seam between the core and the host's file system: everything the core does with
// host files and folders goes through these declarations, implemented once for POSIX
// hosts (u_HostPlatform_posix.cpp) and once for Windows (u_HostPlatform_win32.cpp).
// Host paths are 8-bit text in UTF-8 on both.
#pragma once

#include <filesystem>
#include <string>

// A host path for the standard library's file system functions (UTF-8 on every host).
std::filesystem::path HostFsPath(const std::string& Path);
// And back: the UTF-8 text of a standard library path.
std::string HostFsText(const std::filesystem::path& Path);
