// Where the programs find their shipped data and where a user's own copies of it go.
//
// The program folder holds the data shipped with the kit ("Pagelamp.exe", "System",
// "Templates", "DefaultProject", "Tips", "Special", "Help", ...). In a build tree it is
// the folder of the executables (build/bin); in an installed kit it is the data folder
// "share/quarvel" beside the folder of the executables ("bin"). An installed program
// folder is never written: what the editor saves of its own (the default project,
// templates an author adds) goes to the user's data folder ($XDG_DATA_HOME/quarvel,
// by default ~/.local/share/quarvel), which is searched before the program folder.
#pragma once

#include <string>

// The program folder with a trailing "/". An override (tests, the command line's
// --program-dir) takes precedence over the one found from the executable.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder); // empty: back to the one found

// The folder of the running executable with a trailing "/": the kit's other programs
// (the reader "pagelamp") are installed beside it.
std::string ExecutableFolder();

// The program folder of executables in ExeFolder (which ends with "/"): ExeFolder itself
// when it holds the shipped data (a "System" folder), else the installed data folder
// (DataFromBin relative to ExeFolder) when that exists, else ExeFolder.
std::string ProgramFolderFor(const std::string& ExeFolder, const std::string& DataFromBin);

// The user's data folder for the kit with a trailing "/", whether or not it exists yet.
// An override (tests) takes precedence over the environment.
std::string UserDataFolder();
void SetUserDataFolder(const std::string& folder); // empty: back to the environment's

// The user's data folder given the values of XDG_DATA_HOME and HOME (null when unset):
// XDG_DATA_HOME when it is an absolute path (a relative one is ignored, as the base
// directory rules ask), else HOME + "/.local/share"; "quarvel/" is appended. Empty when
// neither gives a folder.
std::string UserDataFolderFor(const char* XdgDataHome, const char* Home);

// The folder (user's data folder or program folder, with a trailing "/") whose copy of
// Relative is in use: the user's when it exists there, else the program folder's.
std::string DataFolderHolding(const std::string& Relative);
