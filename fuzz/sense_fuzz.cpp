// libFuzzer target for sense data, whatever a drive puts there: its parsing
// in fixed and descriptor format, the texts, the classification every wait
// and retry asks, the error report, and the component's waits meeting a
// drive that answers every command with it. The input is the sense area;
// its first byte also picks the request status and adapter status a failed
// request carries.
//
// The seed corpus (fuzz/corpus/sense) holds the answers the engine reacts
// to: not ready for each reason, unit attentions, no medium, an
// unformatted disc, a busy drive's F0h, descriptor format.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "engine/device/error_report.h"
#include "engine/device/scsi_device.h"
#include "engine/device/sense.h"
#include "engine/device/sense_class.h"
#include "engine/rtl/sync_queue.h"
#include "fuzz/scripted_drive.h"

namespace sorvane::fuzz {
namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

TSCSIDevice& Device() {
    // Made before any transport is open, so that it enumerates nothing; the
    // queue it uses is made first, so that it outlives the device at exit.
    TSyncQueue::Main();
    static TSCSIDevice device;
    device.Sleep = [](int) {};
    return device;
}

void Decode(std::span<const std::uint8_t> sense) {
    const TSense parsed = ParseSense(sense);
    Check(parsed.Key <= 0x0F);
    DecodeSense(sense);
    DecodeAdditionalSense(parsed.Asc, parsed.Ascq);
    IsWorthReporting(parsed);
    const TSenseClass failure = ClassifyFailure(false, sense);
    Check(failure == ClassifySense(parsed));
    Check(ClassifyFailure(true, sense) == TSenseClass::RetryAfterPause);
    ClassifySenseReply(sense);

    const std::uint8_t selector = sense.empty() ? 0 : sense[0];
    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = (selector & 0x80) ? selector : std::uint8_t{SS_ERR};
    srb.SRB_HaStat = (selector & 0x40) ? static_cast<std::uint8_t>(selector & 0x1F) : std::uint8_t{HASTAT_OK};
    srb.SRB_TargStat = (selector & 0x20) ? STATUS_BUSY : STATUS_CHKCOND;
    srb.CDBByte[0] = 0x2A;
    alignas(8) std::uint8_t data[300] = {};
    srb.SRB_BufPointer = data;
    srb.SRB_BufLen = sizeof data;
    std::memcpy(srb.SenseArea, sense.data(), std::min(sense.size(), sizeof srb.SenseArea));
    const TFailureText text = DescribeFailure(srb);
    DeservesErrorReport(srb);
    FormatErrorReport(srb, text.Text);
}

}  // namespace

int RunSense(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> sense(data, size);
    Decode(sense);

    // A drive that says nothing else: every wait must still come to an end.
    TSCSIDevice& device = Device();
    const TScriptedDrive drive = TScriptedDrive::AlwaysSense(sense);
    device.HaId = device.TargetId = device.Lun = 0;
    device.CurrentDiscKind = 0;
    Check(!device.TestUnitReady(5000));
    device.WaitUntilReady(20000, 1000);
    device.GetDiscType();
    Check(drive.Requests() < 200);
    return 0;
}

}  // namespace sorvane::fuzz

#ifndef SORVANE_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return sorvane::fuzz::RunSense(data, size);
}
#endif
