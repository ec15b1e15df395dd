#include "tasks/local_paths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::tasks {

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsReadableFile(const std::string& path, std::int64_t* size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0) return false;
    if (size) *size = st.st_size;
    return true;
}

std::string BootImageProblem(const std::string& path) {
    std::int64_t size = 0;
    if (!IsReadableFile(path, &size)) return "cannot read the boot image '" + path + "'";
    if (size == 0) return "the boot image '" + path + "' is empty";
    return {};
}

std::string SingleFolderName(const std::vector<std::string>& paths) {
    struct stat st {};
    if (paths.size() != 1 || ::stat(paths[0].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    // The root's last part is empty once its slash is dropped.
    const std::string name = BaseName(paths[0]);
    return name == "." || name == ".." ? std::string() : name;
}

}  // namespace sorvane::tasks
