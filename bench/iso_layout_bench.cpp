// Laying out a project at its limits and building its header stream:
// 65,535 entries in 8,191 directories (8,190 directories two levels deep,
// the remaining 57,345 files spread over them), the largest project the
// wizard allows. The layout runs before every recording and image save, so
// it must stay well under a second.

#include <benchmark/benchmark.h>

#include "engine/orvo_burner.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

void FillToTheLimits(TOrvoBurner& burner) {
    burner.ResetProject();
    for (int i = 0; i < 8190; ++i) burner.CreateDir(Format("\\group%03d\\Folder %05d", i / 90, i));
    TSearchRec file;
    file.Size = 4096;
    file.Time = 1100000000;
    const int dirs = burner.DirCount();
    for (int i = 0; burner.Project().FileCount() < TProjectTree::kDefaultMaxFiles; ++i) {
        file.Name = Format("Document number %06d.txt", i);
        TDEntry* dir = burner.Project().DirTable()[1 + static_cast<std::size_t>(i % dirs)].get();
        burner.AddFile(dir, file, 0, "/src/" + file.Name);
    }
}

void LayoutAndHeaderAtTheLimits(benchmark::State& state) {
    TOrvoBurner burner;
    FillToTheLimits(burner);
    for (auto _ : state) {
        burner.LayoutFileSystem(true, nullptr);
        burner.BuildFileSystemStream(true, nullptr);
        benchmark::DoNotOptimize(burner.HeaderStream().Data());
    }
    state.counters["dirs"] = burner.DirCount() + 1;
    state.counters["entries"] = burner.Project().FileCount();
    state.counters["header_MiB"] = static_cast<double>(burner.HeaderStream().Size()) / 1048576.0;
}
BENCHMARK(LayoutAndHeaderAtTheLimits)->Unit(benchmark::kMillisecond);

// A chain of directories, each inside the previous one: the deepest tree a
// project of the default size can hold, and the worst case of the loop that
// brings the directories into path-table order.
void LayoutOfADeepChain(benchmark::State& state) {
    TOrvoBurner burner;
    std::string path;
    for (int i = 0; i < state.range(0); ++i) {
        path += Format("\\d%d", i % 10);
        burner.CreateDir(path);
    }
    for (auto _ : state) {
        burner.LayoutFileSystem(true, nullptr);
        burner.BuildFileSystemStream(true, nullptr);
    }
}
BENCHMARK(LayoutOfADeepChain)->Arg(100)->Arg(1000)->Arg(8190)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sorvane

BENCHMARK_MAIN();
