#pragma once
// What the tasks need to know of the local paths the user gives them:
// whether a file can be read, and the name a volume takes after the one
// folder it is made of.

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane::tasks {

// The last part of `path`, trailing slashes ignored ("a/b/" -> "b").
std::string BaseName(std::string path);

// Whether `path` is a regular file this process may read; its size goes to
// `size` when given.
bool IsReadableFile(const std::string& path, std::int64_t* size = nullptr);

// Why `path` cannot serve as a boot image (it cannot be read, or it is
// empty), in a phrase for the command's error line; empty when it can.
std::string BootImageProblem(const std::string& path);

// The name of the folder when `paths` is exactly one folder, so that a
// volume made of it can be named after it. Empty for anything else, and for
// a path whose last part names no folder of its own ("/", ".", "..").
std::string SingleFolderName(const std::vector<std::string>& paths);

}  // namespace sorvane::tasks
