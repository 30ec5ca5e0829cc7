// Host file look-ups for material that was written for a platform whose file names
// ignore letter case: template descriptions and imported pages name their files in
// any letter case (links are even lower-cased), while this host's names are
// case-sensitive. Host paths use "/" here; backslashes in names written for the
// other platform are read as separators.
#pragma once

#include <string>

// Path with every backslash turned into a slash.
std::string HostSlashes(std::string Path);

// Folder (with or without a trailing slash) and Name joined with one slash; an
// absolute Name (starting with a slash) stands alone.
std::string HostJoin(const std::string& Folder, const std::string& Name);

// The absolute form of an absolute or relative host path: "." components dropped and
// each ".." removing the component before it (never above the root). BaseDir is the
// folder a relative path is taken from; it must be absolute.
std::string HostAbsolutePath(const std::string& Path, const std::string& BaseDir);

// The folder part of a host path, without the trailing slash ("/" for a file in the
// root); empty when there is no slash.
std::string HostFolderOf(const std::string& Path);

// The path of an existing regular file (or folder, for the folder variant) whose path
// equals Path ignoring letter case: each component is taken as it stands when it
// exists, otherwise the first entry of its folder (in name order) that matches it
// ignoring letter case. Empty when there is none.
std::string FindHostFileCaseBlind(const std::string& Path);
std::string FindHostFolderCaseBlind(const std::string& Path);

// True for an existing regular file, or an existing folder.
bool HostFileExists(const std::string& Path);
bool HostDirectoryExists(const std::string& Path);
