#include "tasks/record_speeds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/rtl/format.h"

namespace sorvane::tasks {
namespace {

// The list asks for speeds this far apart: about 1x on a CD, half of 1x on
// a DVD.
constexpr int kCdRequestStep = 177;
constexpr int kDvdRequestStep = 700;
// A speed step in whole kB/s as the texts are read back: 1x of a CD is
// 176.4 kB/s, counted as 177.
constexpr double kCdStepKBps = 177;
constexpr std::uint16_t kMaxSpeed = 0xFFFF;

// `steps` whole steps (as a text shows them) in kB/s.
std::uint16_t KBpsOfSteps(double steps, bool cd) {
    const double kbps = std::round(steps * (cd ? kCdStepKBps : kDvdSpeedUnit));
    return static_cast<std::uint16_t>(std::min<double>(kbps, kMaxSpeed));
}

}  // namespace

std::vector<TWriteSpeed> ProbeWriteSpeeds(TOrvoBurner& burner) {
    const bool cd = IsCdKind(burner.GetDiscType());
    const double unit = cd ? kCdSpeedUnit : kDvdSpeedUnit;
    std::vector<TWriteSpeed> speeds;
    for (int v = burner.GetMaxWriteSpeed(); v > 0; v -= cd ? kCdRequestStep : kDvdRequestStep) {
        burner.SetWriteSpeed(static_cast<std::uint16_t>(v));
        TWriteSpeed speed;
        speed.KBps = burner.GetCurrentWriteSpeed();
        speed.Steps = speed.KBps / unit;
        // The texts round the steps half away from zero, as std::round does.
        speed.Request = KBpsOfSteps(std::round(speed.Steps), cd);
        const auto same = [&](const TWriteSpeed& s) { return s.KBps == speed.KBps; };
        if (std::find_if(speeds.begin(), speeds.end(), same) == speeds.end()) speeds.push_back(speed);
    }
    burner.SetWriteSpeed(burner.GetMaxWriteSpeed());
    return speeds;
}

std::string RecordSpeedText(const TWriteSpeed& speed) {
    return FormatFloat("0x ", speed.Steps) + FormatFloat("(#,#00 Kb/sec)", speed.KBps);
}

std::string EraseSpeedText(const TWriteSpeed& speed) { return FormatFloat("0x", speed.Steps); }

std::vector<TWriteSpeed> EraseSpeeds(const std::vector<TWriteSpeed>& speeds) {
    std::vector<TWriteSpeed> list;
    for (const TWriteSpeed& speed : speeds) {
        const auto same = [&](const TWriteSpeed& s) { return EraseSpeedText(s) == EraseSpeedText(speed); };
        if (std::find_if(list.begin(), list.end(), same) == list.end()) list.push_back(speed);
    }
    return list;
}

double SpeedSteps(const std::string& text) {
    const std::string number = text.substr(0, text.find_first_of("xX"));
    if (number.empty()) return 0;
    char* end = nullptr;
    const double steps = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !(steps > 0) || !std::isfinite(steps)) return 0;
    return steps;
}

std::uint16_t SpeedFromText(const std::string& text, int discType) {
    return KBpsOfSteps(SpeedSteps(text), IsCdKind(discType));
}

void SelectWriteSpeed(TOrvoBurner& burner, const TWriteSpeed& speed) {
    burner.SetWriteSpeed(speed.Request != 0 ? speed.Request : burner.GetMaxWriteSpeed());
}

TWriteSpeed PickSpeed(const std::vector<TWriteSpeed>& speeds, double steps) {
    if (speeds.empty()) return {};
    if (steps == 0) return speeds.front();
    const auto shown = [](const TWriteSpeed& s) { return std::round(s.Steps); };
    for (const TWriteSpeed& speed : speeds)
        if (shown(speed) == steps) return speed;
    for (const TWriteSpeed& speed : speeds)
        if (shown(speed) < steps) return speed;
    return speeds.back();
}

}  // namespace sorvane::tasks
