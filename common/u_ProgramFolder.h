// The program folder: the folder of the running executable, where the shipped data
// ("Pagelamp.exe", "System", "Templates", "DefaultProject", ...) lives.
#pragma once

#include <string>

// The folder with a trailing "/". An override (tests, the command line's
// --program-dir) takes precedence over the executable's folder.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder); // empty: back to the executable's folder
