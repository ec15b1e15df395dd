#pragma once
// The writing speeds the options pages offer: what the drive grants when
// asked for its fastest speed and then for ever slower ones. Each is a value
// (the kB/s granted and how many steps of 1x that is); the texts of the
// lists are made from the values where they are shown: "40x (7,056 Kb/sec)"
// in the recording options, "40x" in the erase options.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/orvo_burner.h"

namespace sorvane::tasks {

struct TWriteSpeed {
    std::uint16_t KBps = 0;  // what the drive granted
    // KBps in steps of 1x of the disc in the drive: 176.4 kB/s for a CD,
    // 1385 kB/s for a DVD.
    double Steps = 0;
    // What choosing this speed asks the drive for: its whole steps at
    // 177 kB/s on a CD, 1385 kB/s on a DVD, as SpeedFromText counts them.
    std::uint16_t Request = 0;
};

// Asks the drive for every speed from its fastest down (in requests 177 kB/s
// apart for a CD, 700 kB/s for a DVD) and lists each speed it grants once,
// fastest first; leaves it set to its fastest again. Empty when the drive
// grants no write speed (it then writes as fast as it can).
std::vector<TWriteSpeed> ProbeWriteSpeeds(TOrvoBurner& burner);

// The item of the recording options' list: "40x (7,056 Kb/sec)".
std::string RecordSpeedText(const TWriteSpeed& speed);
// The item of the erase options' list: "40x".
std::string EraseSpeedText(const TWriteSpeed& speed);

// The erase options list whole steps only: of the speeds whose texts read
// the same, the first (the fastest) stays.
std::vector<TWriteSpeed> EraseSpeeds(const std::vector<TWriteSpeed>& speeds);

// The speed in kB/s that a text of either list stands for: the number
// before its first "x" in steps of 177 kB/s on a CD (kinds below 4) or
// 1385 kB/s on a DVD. 0 for an empty text or one that begins with no number.
std::uint16_t SpeedFromText(const std::string& text, int discType);

// The number of speed steps a text begins with ("40x ..." -> 40); 0 when it
// begins with no number.
double SpeedSteps(const std::string& text);

// Sets a speed of the list: what choosing it asks for, the drive's fastest
// when that is nothing (no speed chosen, an empty list).
void SelectWriteSpeed(TOrvoBurner& burner, const TWriteSpeed& speed);

// The speed of `speeds` that `steps` asks for: the one of that many steps,
// else the fastest below it, else the slowest; the fastest for 0 steps.
// Nothing (all zero) when the list is empty.
TWriteSpeed PickSpeed(const std::vector<TWriteSpeed>& speeds, double steps);

}  // namespace sorvane::tasks
