// The cost of the executor's owned request copies: a 64 KiB WRITE(10), the
// recording's unit of work, through a library that completes at once, and
// through one that leaves the request pending and signals its completion.

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/device/scsi_device.h"
#include "engine/device/transport.h"

namespace sorvane {
namespace {

std::uint32_t SupportInfo() { return (SS_COMP << 8) | 1; }

std::uint32_t CompleteAtOnce(void* request) {
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
    srb.SRB_Status = SS_COMP;
    return SS_COMP;
}

std::uint32_t CompleteBySignal(void* request) {
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
    if (srb.SRB_Cmd != SC_EXEC_SCSI_CMD) return CompleteAtOnce(request);
    srb.SRB_Status = SS_COMP;
    srb.SRB_PostProc->Signal(srb.SRB_PostProc);
    return SS_PENDING;
}

void WriteBlocks(benchmark::State& state, SendASPI32CommandFn send) {
    TTransport::Instance().OpenEntryPoints("bench", &SupportInfo, send);
    TSCSIDevice device;
    device.HaId = device.TargetId = device.Lun = 0;
    std::vector<std::uint8_t> block(65536, 0x5A);
    for (auto _ : state) benchmark::DoNotOptimize(device.WriteSectors(0, 32, 0x50, block.size(), block.data()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
    TTransport::Instance().Close();
}

void BM_WriteCompletedAtOnce(benchmark::State& state) { WriteBlocks(state, &CompleteAtOnce); }
void BM_WriteCompletedBySignal(benchmark::State& state) { WriteBlocks(state, &CompleteBySignal); }

BENCHMARK(BM_WriteCompletedAtOnce);
BENCHMARK(BM_WriteCompletedBySignal);

}  // namespace
}  // namespace sorvane

BENCHMARK_MAIN();
