#include "engine/device/sense_class.h"

#include <iterator>

#include "engine/device/scsi_constants.h"

namespace sorvane {
namespace {

constexpr int kAnyKey = -1;
constexpr int kAnyAscq = -1;

struct TSenseRule {
    int Key;  // kAnyKey or the sense key the rule asks for
    std::uint8_t Asc;
    int Ascq;  // kAnyAscq or the qualifier the rule asks for
    TSenseClass Class;
    bool Reported;
};

// The first rule that matches decides (SPC-4 4.5.6 for the codes).
constexpr TSenseRule kRules[] = {
    {kAnyKey, asc::kNoAdditionalSense, kAnyAscq, TSenseClass::None, true},
    {kAnyKey, asc::kNotReady, asc::kCauseNotReportable, TSenseClass::BecomingReady, true},
    {kAnyKey, asc::kNotReady, asc::kBecomingReady, TSenseClass::BecomingReady, true},
    {kAnyKey, asc::kNotReady, asc::kLongWriteInProgress, TSenseClass::RetryAfterPause, false},
    {kAnyKey, asc::kNotReady, kAnyAscq, TSenseClass::RetryAfterPause, true},
    {sense_key::kUnitAttention, asc::kMediumMayHaveChanged, kAnyAscq, TSenseClass::MediumChanged, true},
    {sense_key::kUnitAttention, asc::kPowerOnOrReset, kAnyAscq, TSenseClass::MediumChanged, true},
    {kAnyKey, asc::kMediumNotPresent, kAnyAscq, TSenseClass::NoMedium, true},
    {kAnyKey, asc::kIncompatibleMedium, kAnyAscq, TSenseClass::IncompatibleMedium, true},
};

constexpr TSenseRule kOtherwise = {kAnyKey, 0, kAnyAscq, TSenseClass::Fatal, true};

const TSenseRule& RuleFor(const TSense& sense) {
    for (const TSenseRule& rule : kRules) {
        if (rule.Key != kAnyKey && rule.Key != sense.Key) continue;
        if (rule.Asc != sense.Asc) continue;
        if (rule.Ascq != kAnyAscq && rule.Ascq != sense.Ascq) continue;
        return rule;
    }
    return kOtherwise;
}

}  // namespace

TSenseClass ClassifySense(const TSense& sense) { return RuleFor(sense).Class; }

TSenseClass ClassifyFailure(bool targetBusy, std::span<const std::uint8_t> sense) {
    if (targetBusy) return TSenseClass::RetryAfterPause;
    return ClassifySense(ParseSense(sense));
}

TSenseClass ClassifySenseReply(std::span<const std::uint8_t> reply) {
    if (!reply.empty() && reply[0] == sense_reply::kBusyResponse) return TSenseClass::RetryAfterPause;
    return ClassifySense(ParseSense(reply));
}

bool IsWorthReporting(const TSense& sense) { return RuleFor(sense).Reported; }

}  // namespace sorvane
