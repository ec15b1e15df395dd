#pragma once

namespace sorvane::cli {

// sorvane-cli make-iso: writes files and folders into an ISO 9660 image.
int RunMakeIso(int argc, char** argv);

}  // namespace sorvane::cli
