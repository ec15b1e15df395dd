// The Add Files page driven like a user: folders and files through the
// dialogs and dropped from a file manager, new folders, deleting, the
// check at Next, and how the page looks.

#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/add_files.h"
#include "app/details_panel.h"
#include "app/project_node.h"
#include "app/project_tree_view.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;

namespace {

void WriteFile(const QString& path, int bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

// A folder with 3 files of 1000 bytes and a sub-folder with 2 more.
QString MakeFolder(TWizardHarness& wizard) {
    const QString folder = wizard.TempPath("data");
    QDir().mkpath(folder + "/sub");
    for (int i = 0; i < 3; ++i) WriteFile(folder + QString("/f%1.txt").arg(i), 1000);
    for (int i = 0; i < 2; ++i) WriteFile(folder + QString("/sub/g%1.txt").arg(i), 1000);
    return folder;
}

TAddFilesPage* OpenPage(TWizardHarness& wizard, int task) {
    if (!wizard.Start()) return nullptr;
    wizard.ChooseTask(task);
    wizard.PressNext();
    return wizard.PageAs<TAddFilesPage>();
}

// A drop from a file manager as the window system delivers it: the drag
// enters, moves over `at` and is let go there. Answers whether it was taken.
bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint at = QPoint(5, 5)) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

}  // namespace

class AddFilesTest : public QObject {
    Q_OBJECT
private slots:
    void FolderSizesReachEveryAncestorAndLeaveWithADeletedSubFolder() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        TWizardHarness::SaveScreenshot(wizard.Window(), "add_files_empty");
        wizard.Dialogs().QueueFolder(MakeFolder(wizard));
        page->Action(TAddFilesPage::AddFolder)->trigger();
        TProjectNode* root = page->Tree()->Root();
        QCOMPARE(root->childCount(), 1);
        TProjectNode* folder = root->Child(0);
        QCOMPARE(folder->text(0), QString("data"));
        QCOMPARE(folder->Data().Size, 5000);
        QCOMPARE(root->Data().Size, 5000);
        QCOMPARE(folder->Child(0)->text(0), QString("sub"));  // folders first
        page->Tree()->Select(folder->Child(0));
        page->Tree()->setFocus();
        page->Action(TAddFilesPage::Delete)->trigger();
        QCOMPARE(folder->Data().Size, 3000);
        QCOMPARE(root->Data().Size, 3000);
        page->Tree()->expandAll();
        TWizardHarness::SaveScreenshot(wizard.Window(), "add_files_tree");
    }

    void DroppedFilesGoUnderTheSelectedFileFolderAndNonLocalOnesAreRefused() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString folder = MakeFolder(wizard);
        wizard.Dialogs().QueueFolder(folder);
        page->Action(TAddFilesPage::AddFolder)->trigger();
        TProjectNode* data = page->Tree()->Root()->Child(0);
        page->Tree()->Select(data->Child(1));  // a file: its folder takes the drop
        const QString extra = wizard.TempPath("extra.bin");
        WriteFile(extra, 700);
        QVERIFY(Drop(page->Tree()->viewport(), {QUrl::fromLocalFile(extra), QUrl("https://example.org/x.iso")}));
        QTRY_VERIFY(IndexOfChild(data, "extra.bin") >= 0);
        QCOMPARE(data->Data().Size, 5700);
        QVERIFY(wizard.Messages().Last().Text.contains("https://example.org/x.iso"));
        QCOMPARE(wizard.Messages().Last().Icon, TMessageIcon::Warning);
    }

    void NewFoldersAreNumberedAndNamesLoseForbiddenCharacters() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        page->Action(TAddFilesPage::CreateFolder)->trigger();
        page->Tree()->Select(page->Tree()->Root());
        page->Action(TAddFilesPage::CreateFolder)->trigger();
        TProjectNode* root = page->Tree()->Root();
        QVERIFY(IndexOfChild(root, "New folder") >= 0);
        QVERIFY(IndexOfChild(root, "New folder 1") >= 0);
        QCOMPARE(TProjectTreeView::WithoutForbidden("a\"*/:;<>?\\|b"), QString("ab"));
    }

    void NextRefusesAnEmptyProjectAndLoadsTheTreeEntryForEntry() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        QVERIFY(!page->AddFiles());
        QCOMPARE(wizard.Messages().Last().Text, QString("Project is empty."));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Record cancelled"));
        wizard.Dialogs().QueueFolder(MakeFolder(wizard));
        page->Action(TAddFilesPage::AddFolder)->trigger();
        QVERIFY(page->AddFiles());
        TOrvoBurner& burner = wizard.Window().Burner();
        const TDEntry* sub = burner.FindDir("\\data\\sub");
        QVERIFY(sub);
        QVERIFY(burner.FindFile(sub, "g1.txt"));
        QVERIFY(burner.FindFile(burner.FindDir("\\data"), "f2.txt"));
    }
};

QTEST_MAIN(AddFilesTest)
#include "add_files_test.moc"
