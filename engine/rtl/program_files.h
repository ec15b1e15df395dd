#pragma once
// Files that belong to the programs rather than to the user: the emulated
// recorder's library and the help file. In the build tree they lie beside
// the executable. An install puts the programs in bin/ and these files in a
// library folder and a data folder of their own, at places relative to bin/
// that the install keeps wherever its prefix is, so that the programs find
// them without any absolute path being built in.

#include <string>
#include <vector>

namespace sorvane {

enum class TProgramFileKind { Library, Data };

// The folder of the running executable, with a trailing '/'; empty when the
// system cannot tell it.
std::string ExecutableFolder();

// Where a program looks for one of its files, in order: beside the
// executable, then in the install's folder for files of that kind. Empty
// when the executable's folder is unknown.
std::vector<std::string> ProgramFileCandidates(const std::string& fileName, TProgramFileKind kind);

}  // namespace sorvane
