#include "fuzz/drive_questions.h"

#include <cstdlib>
#include <vector>

#include "engine/device/disc_kind.h"
#include "engine/orvo_burner.h"

namespace sorvane::fuzz {
namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void AskEverything(TOrvoBurner& burner) {
    burner.SelectDevice("0:0:0,sr0: FUZZ     DRIVE            1.0");
    burner.CurrentDiscKind = 0;
    burner.ReadCapabilities();
    const TDiscKind kind = burner.GetDiscType();
    Check(kind < kind::kCount);
    const int status = burner.GetDiscStatus();
    Check(status >= -1 && status <= 3);
    const int sessions = burner.GetLastSession();
    Check(sessions >= 0 && sessions <= 255);
    burner.IsDiscErasable();
    burner.GetUsedSectors();
    burner.GetDiscCapacity();

    TDisc disc;
    burner.GetDiscInfo(disc);
    Check(disc.Ready <= 1 && disc.DiscStatus <= 3 && disc.LastSessionState <= 3);
    Check(disc.Capacity >= disc.SectorCount);

    burner.FindVolumeSpaceSize(TSCSIDevice::TDescriptorSearch::FromFirst);
    burner.GetNextWritableAddress();
    burner.SetWriteParameters(false, true, true, kind);
    std::uint32_t size = 0, free = 0;
    burner.ReadBufferCapacity(size, free);

    const std::vector<std::uint16_t> speeds = burner.ProbeWriteSpeeds(KindTraits(kind).Cd ? 177 : 700);
    for (std::size_t i = 0; i < speeds.size(); ++i)
        for (std::size_t j = i + 1; j < speeds.size(); ++j) Check(speeds[i] != speeds[j]);
    burner.WaitUntilReady(3000, 1000);
}

}  // namespace sorvane::fuzz
