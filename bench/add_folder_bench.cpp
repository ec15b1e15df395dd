// Adding a folder of 50,000 files to the Add Files page's tree: reading the
// folder, building its nodes, handing them to the tree, sorting them and
// carrying the sizes to the ancestors. Every step must grow linearly (or as
// n log n for the sort) with the folder, never with its square.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <fstream>

#include "app/local_tree_reader.h"
#include "app/project_node.h"
#include "app/project_tree_view.h"

namespace sorvane::app {
namespace {

namespace fs = std::filesystem;

// 50,000 small files: half in the folder itself, half in 50 sub-folders.
fs::path MakeFolder() {
    const fs::path root = fs::temp_directory_path() / "sorvane-bench-add-folder";
    if (fs::exists(root / "done")) return root;
    fs::remove_all(root);
    fs::create_directories(root);
    for (int i = 0; i < 25000; ++i) std::ofstream(root / ("file" + std::to_string(i) + ".dat")) << i;
    for (int d = 0; d < 50; ++d) {
        const fs::path sub = root / ("folder" + std::to_string(d));
        fs::create_directory(sub);
        for (int i = 0; i < 500; ++i) std::ofstream(sub / ("file" + std::to_string(i) + ".dat")) << i;
    }
    std::ofstream(root / "done");
    return root;
}

void AddFolderOf50000Files(benchmark::State& state) {
    const fs::path folder = MakeFolder();
    for (auto _ : state) {
        TProjectTreeView tree(nullptr);
        auto* root = new TProjectNode("New", kImageRoot);
        tree.addTopLevelItem(root);
        TLocalTreeReader reader([] {
            QApplication::processEvents();
            return true;
        });
        std::unique_ptr<TProjectNode> node = reader.Read(QString::fromStdString(folder.string()) + "/");
        TProjectNode* added = node.release();
        root->addChild(added);
        added->AddToAncestors(added->Data().Size);
        SortSubtree(added);
        tree.expandItem(root);
        benchmark::DoNotOptimize(root->Data().Size);
        state.counters["nodes"] = added->childCount();
    }
}
BENCHMARK(AddFolderOf50000Files)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace sorvane::app

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
