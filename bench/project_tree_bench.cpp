// Filling a project to its limits: 65,535 entries in 8,191 directories, the
// size the wizard allows. Paths are looked up by name, so the time must grow
// linearly with the project, not with its square.

#include <benchmark/benchmark.h>

#include "engine/project/project_tree.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

void FillToTheLimits(benchmark::State& state) {
    TObject sender;
    TProjectTree tree(sender, nullptr);
    TSearchRec file;
    file.Size = 4096;
    file.Time = 1100000000;
    for (auto _ : state) {
        tree.ResetProject();
        // 8,190 directories two levels deep, then the remaining entries
        // spread over them.
        for (int i = 0; i < 8190; ++i) tree.CreateDir(Format("\\group%03d\\folder%05d", i / 90, i));
        const int dirs = tree.DirCount();
        for (int i = 0; tree.FileCount() < TProjectTree::kDefaultMaxFiles; ++i) {
            file.Name = Format("file%06d.dat", i);
            TDEntry* dir = tree.DirTable()[1 + static_cast<std::size_t>(i % dirs)].get();
            tree.AddFile(dir, file, 0, "/src/" + file.Name);
        }
        benchmark::DoNotOptimize(tree.FindDir("\\GROUP090\\FOLDER08189"));
    }
    state.counters["dirs"] = tree.DirCount() + 1;
    state.counters["entries"] = tree.FileCount();
}
BENCHMARK(FillToTheLimits)->Unit(benchmark::kMillisecond);

void AllFilesInOneFolder(benchmark::State& state) {
    TObject sender;
    TProjectTree tree(sender, nullptr);
    TSearchRec file;
    file.Size = 1;
    for (auto _ : state) {
        tree.ResetProject();
        for (int i = 0; i < TProjectTree::kDefaultMaxFiles; ++i) {
            file.Name = Format("f%06d.txt", i);
            tree.AddFile(tree.Root(), file, 0, "/src");
        }
    }
}
BENCHMARK(AllFilesInOneFolder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sorvane

BENCHMARK_MAIN();
