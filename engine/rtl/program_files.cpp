#include "engine/rtl/program_files.h"

#include <unistd.h>

// The build passes the install's folders as paths relative to its bin/.
#ifndef SORVANE_LIBRARY_FOLDER_FROM_PROGRAMS
#error "SORVANE_LIBRARY_FOLDER_FROM_PROGRAMS must name the private library folder relative to bin/"
#endif
#ifndef SORVANE_DATA_FOLDER_FROM_PROGRAMS
#error "SORVANE_DATA_FOLDER_FROM_PROGRAMS must name the data folder relative to bin/"
#endif

namespace sorvane {

std::string ExecutableFolder() {
    // /proc/self/exe names the executable itself, with symbolic links to it
    // resolved, so a program started through a link still finds its files.
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> ProgramFileCandidates(const std::string& fileName, TProgramFileKind kind) {
    const std::string folder = ExecutableFolder();
    if (folder.empty()) return {};
    const std::string installed = kind == TProgramFileKind::Library ? SORVANE_LIBRARY_FOLDER_FROM_PROGRAMS
                                                                    : SORVANE_DATA_FOLDER_FROM_PROGRAMS;
    return {folder + fileName, folder + installed + "/" + fileName};
}

}  // namespace sorvane
