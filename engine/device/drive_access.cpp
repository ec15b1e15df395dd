#include "engine/device/drive_access.h"

#include <algorithm>
#include <vector>

namespace sorvane {
namespace {

// "a", "a and b", "a, b and c".
std::string JoinedList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

}  // namespace

std::string DriveAccessMessage(std::span<const TDeniedDrive> denied) {
    if (denied.empty()) return {};
    std::vector<std::string> paths;
    std::vector<std::string> groups;
    for (const TDeniedDrive& drive : denied) {
        paths.push_back(drive.Path);
        if (!drive.Group.empty() && std::find(groups.begin(), groups.end(), drive.Group) == groups.end())
            groups.push_back(drive.Group);
    }
    const bool several = paths.size() > 1;
    std::string message = std::string("No permission to use the drive") + (several ? "s " : " ") + JoinedList(paths);
    if (groups.empty()) return message + ": ask for access to " + (several ? "them" : "it") + ", then log in again.";

    std::vector<std::string> quoted;
    std::string commaSeparated;
    for (const std::string& group : groups) {
        quoted.push_back('"' + group + '"');
        commaSeparated += (commaSeparated.empty() ? "" : ",") + group;
    }
    const bool severalGroups = groups.size() > 1;
    return message + ": join the group" + (severalGroups ? "s " : " ") + JoinedList(quoted) + " that " +
           (severalGroups ? "own " : "owns ") + (several ? "them" : "it") + " (sudo usermod -aG " + commaSeparated +
           " $USER), then log in again.";
}

}  // namespace sorvane
