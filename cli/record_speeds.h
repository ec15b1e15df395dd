#pragma once
// The recording speeds the options page offers: what the drive grants when
// asked for its fastest speed and then for ever slower ones, each as a text
// such as "40x (7,056 Kb/sec)", and the speed a chosen text stands for.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/orvo_burner.h"

namespace sorvane::cli {

// Asks the drive for every speed from its fastest down and lists each one it
// grants once, fastest first; leaves it set to its fastest. Empty when the
// drive grants no write speed (it then writes as fast as it can).
std::vector<std::string> WriteSpeedList(TOrvoBurner& burner);

// The speed in kB/s that a text of the list stands for: the number before
// its first "x" in steps of 177 kB/s on a CD (kinds below 4) or 1385 kB/s
// on a DVD. 0 for an empty text or one that begins with no number.
std::uint16_t SpeedFromText(const std::string& text, int discType);

// The number of speed steps a text begins with ("40x ..." -> 40); 0 when it
// begins with no number.
double SpeedSteps(const std::string& text);

// Sets the speed of a text of the list, the drive's fastest for an empty
// one.
void SelectWriteSpeed(TOrvoBurner& burner, const std::string& text);

}  // namespace sorvane::cli
