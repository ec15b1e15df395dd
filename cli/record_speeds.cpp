#include "cli/record_speeds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/device/disc_kind.h"
#include "engine/rtl/format.h"

namespace sorvane::cli {
namespace {

// The list asks for speeds this far apart: about 1x on a CD, half of 1x on
// a DVD.
constexpr int kCdRequestStep = 177;
constexpr int kDvdRequestStep = 700;
// A speed step in whole kB/s as the texts are read back: 1x of a CD is
// 176.4 kB/s, counted as 177.
constexpr double kCdStepKBps = 177;
constexpr std::uint16_t kMaxSpeed = 0xFFFF;

}  // namespace

std::vector<std::string> WriteSpeedList(TOrvoBurner& burner) {
    const bool cd = IsCdKind(burner.GetDiscType());
    const double unit = cd ? kCdSpeedUnit : kDvdSpeedUnit;
    std::vector<std::string> list;
    for (int v = burner.GetMaxWriteSpeed(); v > 0; v -= cd ? kCdRequestStep : kDvdRequestStep) {
        burner.SetWriteSpeed(static_cast<std::uint16_t>(v));
        const double granted = burner.GetCurrentWriteSpeed();
        const std::string text = FormatFloat("0x ", granted / unit) + FormatFloat("(#,#00 Kb/sec)", granted);
        if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
    }
    burner.SetWriteSpeed(burner.GetMaxWriteSpeed());
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
    const double kbps = std::round(SpeedSteps(text) * (IsCdKind(discType) ? kCdStepKBps : kDvdSpeedUnit));
    return static_cast<std::uint16_t>(std::min<double>(kbps, kMaxSpeed));
}

void SelectWriteSpeed(TOrvoBurner& burner, const std::string& text) {
    const std::uint16_t speed = SpeedFromText(text, burner.GetDiscType());
    burner.SetWriteSpeed(speed != 0 ? speed : burner.GetMaxWriteSpeed());
}

}  // namespace sorvane::cli
