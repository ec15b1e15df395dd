// Adding a folder of 50,000 files on the Add Files page, as the user's drop
// does: reading the folder, building its nodes, handing them to the tree,
// sorting them and carrying the sizes to the ancestors. Every step must
// grow linearly (or as n log n for the sort) with the folder, never with
// its square. The page is the real one, in the real main window, on the
// emulated recorder (its state in a throw-away folder).

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/add_files.h"
#include "app/global.h"
#include "app/main_window.h"
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

// Nothing is left out of this folder; a box would be a fault of the bench.
class TNoBoxes : public TMessageBoxes {
public:
    void Show(QWidget*, const QString& text, const QString&, TMessageIcon) override {
        qFatal("unexpected message: %s", qPrintable(text));
    }
    bool Ask(QWidget*, const QString& text, const QString&) override {
        qFatal("unexpected question: %s", qPrintable(text));
        return false;
    }
};

void AddFolderOf50000Files(benchmark::State& state) {
    const QString folder = QString::fromStdString(MakeFolder().string());
    TWizardServices services = TWizardServices::Real();
    services.Messages = std::make_shared<TNoBoxes>();
    TMainWindow window(services);
    if (window.Failed()) {
        state.SkipWithError("the main window failed");
        return;
    }
    window.show();
    for (auto _ : state) {
        state.PauseTiming();
        window.Home();
        window.State().ChosenTask = kTaskRecordNew;
        window.Next();
        auto* page = dynamic_cast<TAddFilesPage*>(window.CurrentPage());
        state.ResumeTiming();
        page->AddLocalPaths({folder});
        state.PauseTiming();
        const TProjectNode* added = page->Tree()->Root()->Child(0);
        state.counters["entries"] = added->childCount();
        state.counters["bytes"] = static_cast<double>(page->Tree()->Root()->Data().Size);
        state.ResumeTiming();
    }
}
BENCHMARK(AddFolderOf50000Files)->Unit(benchmark::kMillisecond)->Iterations(3);

// Deleting the 25,000 files of the folder's top level, all selected at once.
void DeleteSelectionOf25000Files(benchmark::State& state) {
    const QString folder = QString::fromStdString(MakeFolder().string());
    TWizardServices services = TWizardServices::Real();
    services.Messages = std::make_shared<TNoBoxes>();
    TMainWindow window(services);
    if (window.Failed()) {
        state.SkipWithError("the main window failed");
        return;
    }
    window.show();
    for (auto _ : state) {
        state.PauseTiming();
        window.Home();
        window.State().ChosenTask = kTaskRecordNew;
        window.Next();
        auto* page = dynamic_cast<TAddFilesPage*>(window.CurrentPage());
        page->AddLocalPaths({folder});
        TProjectNode* added = page->Tree()->Root()->Child(0);
        page->Tree()->expandItem(added);
        // As Shift+click selects them: one range from the first file to the last.
        int first = 0;
        while (!added->Child(first)->IsFile()) ++first;
        QAbstractItemModel* model = page->Tree()->model();
        const QModelIndex folderIndex = model->index(0, 0, model->index(0, 0));
        page->Tree()->selectionModel()->select(
            QItemSelection(model->index(first, 0, folderIndex), model->index(added->childCount() - 1, 0, folderIndex)),
            QItemSelectionModel::ClearAndSelect);
        page->Tree()->setFocus();
        state.ResumeTiming();
        page->Action(TAddFilesPage::Delete)->trigger();
        state.PauseTiming();
        state.counters["left"] = added->childCount();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteSelectionOf25000Files)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace sorvane::app

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The emulated recorder keeps its state in a folder of this run's own.
    QTemporaryDir drives;
    qputenv("SORVANE_VDRIVE_HOME", drives.path().toLocal8Bit());
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
