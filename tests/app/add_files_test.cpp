// The Add Files page driven like a user: folders and files through the
// dialogs and dropped from a file manager, new folders, deleting, the
// check at Next, and how the page looks.

#include <sys/stat.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <map>

#include "app/add_files.h"
#include "app/details_panel.h"
#include "app/project_node.h"
#include "app/project_tree_view.h"
#include "app/global.h"
#include "engine/orvo_burner.h"
#include "tasks/record_process.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;

namespace {

void WriteFile(const QString& path, int bytes, char fill = 'x') {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, fill));
}

// A file of `bytes` that takes no room on the disk: the project counts its
// size, and nothing reads it before a recording.
void WriteSparseFile(const QString& path, qint64 bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(bytes));
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

// Until the drive has described its disc the free space is blank.
bool DiscKnown(TAddFilesPage* page) {
    return TWizardHarness::WaitUntil([page] { return !page->Details()->FreeSpaceValue()->text().isEmpty(); });
}

void AddFolder(TWizardHarness& wizard, TAddFilesPage* page, const QString& folder) {
    wizard.Dialogs().QueueFolder(folder);
    page->Action(TAddFilesPage::AddFolder)->trigger();
}

// The node at "data/sub/g0.txt" below the root, or nullptr.
TProjectNode* NodeAt(TAddFilesPage* page, const QString& path) {
    TProjectNode* node = page->Tree()->Root();
    for (const QString& name : path.split('/')) {
        const int index = IndexOfChild(node, name);
        if (index < 0) return nullptr;
        node = node->Child(index);
    }
    return node;
}

QPoint PointOf(TProjectTreeView* tree, TProjectNode* node) {
    tree->scrollToItem(node);
    return tree->visualItemRect(node).center();
}

// A drop from a file manager as the window system delivers it: the drag
// enters, moves over `at` and is let go there. Answers whether it was taken.
bool Drag(QWidget* target, const QMimeData& data, QPoint at) {
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    // As Qt hands a move on: accepted as the enter was, until the target
    // says otherwise.
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(enter.dropAction());
    move.accept();
    QCoreApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint at = QPoint(5, 5)) {
    QMimeData data;
    data.setUrls(urls);
    return Drag(target, data, at);
}

// The user drags the selected `node` within the tree and lets it go over
// `target`; false when the tree refused it while dragging.
bool MoveByDrag(TAddFilesPage* page, TProjectNode* node, TProjectNode* target) {
    TProjectTreeView* tree = page->Tree();
    tree->Select(node);
    QMimeData data;
    data.setData(TProjectTreeView::kNodeDragFormat, {});
    return Drag(tree->viewport(), data, PointOf(tree, target));
}

// Types `text` into the name editor that Rename opened, over the old name,
// and presses Enter.
void TypeName(TAddFilesPage* page, const QString& text) {
    auto* editor = page->Tree()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor closes, and then the page takes the name.
    QVERIFY(TWizardHarness::WaitUntil([page] { return !page->Tree()->Editing(); }));
    QCoreApplication::processEvents();
}

// The page as it stands, to tell that a refused Next left it alone.
QString TreeText(const QTreeWidgetItem* node, int depth = 0) {
    QString text = QString(depth * 2, ' ') + node->text(0) + "\n";
    for (int i = 0; i < node->childCount(); ++i) text += TreeText(node->child(i), depth + 1);
    return text;
}

}  // namespace

class AddFilesTest : public QObject {
    Q_OBJECT
private slots:
    void FolderSizesReachEveryAncestorAndLeaveWithADeletedSubFolder() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        QVERIFY(DiscKnown(page));
        // A blank CD-R of 80 minutes.
        QCOMPARE(page->Details()->FreeSpaceValue()->text(), QString("703 Mb (737 148 928 byte)"));
        TWizardHarness::SaveScreenshot(wizard.Window(), "add_files_empty");
        wizard.Dialogs().QueueFolder(MakeFolder(wizard));
        page->Action(TAddFilesPage::AddFolder)->trigger();
        // Shown at once, not at the next refresh.
        QCOMPARE(page->Details()->ProjectSizeValue()->text(), QString("0 Mb (5 000 byte)"));
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
        QCOMPARE(page->Details()->ProjectSizeValue()->text(), QString("0 Mb (3 000 byte)"));
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
        // Let go over the root: the selection decides, not the pointer.
        QVERIFY(Drop(page->Tree()->viewport(), {QUrl::fromLocalFile(extra), QUrl("https://example.org/x.iso")},
                     PointOf(page->Tree(), page->Tree()->Root())));
        QTRY_VERIFY(IndexOfChild(data, "extra.bin") >= 0);
        QCOMPARE(data->Data().Size, 5700);
        QVERIFY(wizard.Messages().Last().Text.contains("https://example.org/x.iso"));
        QCOMPARE(wizard.Messages().Last().Icon, TMessageIcon::Warning);
    }

    void AFileGoneFromTheDiskIsReportedOnExecuteAndLeftOutAtNext() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString kept = wizard.TempPath("kept.txt"), gone = wizard.TempPath("gone.txt");
        WriteFile(kept, 10);
        WriteFile(gone, 20);
        // Dropped beside the tree, where the page is the target: it takes
        // them all the same.
        QVERIFY(Drop(page, {QUrl::fromLocalFile(kept), QUrl::fromLocalFile(gone)},
                     page->Details()->geometry().center()));
        QTRY_COMPARE(page->Tree()->Root()->childCount(), 2);
        page->Tree()->Select(NodeAt(page, "kept.txt"));
        page->Action(TAddFilesPage::Execute)->trigger();
        QCOMPARE(wizard.Desktop().Opened, QStringList{kept});

        QVERIFY(QFile::remove(gone));
        page->Tree()->Select(NodeAt(page, "gone.txt"));
        page->Action(TAddFilesPage::Execute)->trigger();
        const QString missing = QString("File \"%1\" not found.\nPossibly it was renamed or deleted.").arg(gone);
        QCOMPARE(wizard.Messages().Last().Text, missing);
        QCOMPARE(wizard.Messages().Last().Caption, QString("File not found"));
        QCOMPARE(wizard.Desktop().Opened.size(), 1);

        wizard.Messages().Clear();
        QVERIFY(page->AddFiles());
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        QCOMPARE(wizard.Messages().Last().Text, missing);
        TOrvoBurner& burner = wizard.Window().Burner();
        QVERIFY(burner.FindFile(burner.FindDir("\\"), "kept.txt"));
        QVERIFY(!burner.FindFile(burner.FindDir("\\"), "gone.txt"));
    }

    void AFolderWithALoopAndAFifoIsReadOnceAndTheLeftOutAreNamed() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString folder = wizard.TempPath("odd");
        QDir().mkpath(folder);
        WriteFile(folder + "/plain.txt", 100);
        QVERIFY(QFile::link(folder, folder + "/up"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe").constData(), 0600), 0);
        AddFolder(wizard, page, folder);
        TProjectNode* odd = NodeAt(page, "odd");
        QVERIFY(odd);
        QCOMPARE(odd->childCount(), 1);
        QCOMPARE(odd->Child(0)->text(0), QString("plain.txt"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Entries left out"));
        QVERIFY(wizard.Messages().Last().Text.contains(folder + "/up"));
        QVERIFY(wizard.Messages().Last().Text.contains(folder + "/pipe"));
    }

    void AlwaysOnTopHoldsWhileThePageIsShownAndChecked() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const auto onTop = [&] { return wizard.Window().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); };
        QVERIFY(page->Details()->AlwaysOnTop()->isChecked());
        QVERIFY(onTop());
        wizard.Click(page->Details()->AlwaysOnTop());
        QVERIFY(!onTop());
        wizard.Click(page->Details()->AlwaysOnTop());
        QVERIFY(onTop());
        wizard.PressHome();
        QVERIFY(!onTop());
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

    void DropsDuringAFolderReadAreAddedAfterItAndLargeSelectionsAreDeletedWhole() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        // Large enough for the reading to let the window handle events.
        const QString many = wizard.TempPath("many");
        QDir().mkpath(many);
        for (int i = 0; i < 1100; ++i) WriteFile(many + QString("/m%1").arg(i), 10);
        const QString late = wizard.TempPath("late.txt");
        WriteFile(late, 5);
        bool dropped = false;
        QTimer::singleShot(0, page, [&] { dropped = Drop(page->Tree()->viewport(), {QUrl::fromLocalFile(late)}); });
        AddFolder(wizard, page, many);
        QVERIFY(dropped);
        TProjectNode* root = page->Tree()->Root();
        QTRY_VERIFY(IndexOfChild(root, "late.txt") >= 0);
        TProjectNode* folder = NodeAt(page, "many");
        QCOMPARE(folder->childCount(), 1100);
        QCOMPARE(root->Data().Size, 11005);

        page->Tree()->expandItem(folder);
        for (int i = 0; i < folder->childCount(); ++i) folder->child(i)->setSelected(true);
        page->Tree()->setFocus();
        page->Action(TAddFilesPage::Delete)->trigger();
        QCOMPARE(folder->childCount(), 0);
        QCOMPARE(folder->Data().Size, 0);
        QCOMPARE(root->Data().Size, 5);
        QCOMPARE(folder->Image(), int(kImageFolder));

        // Home while a folder is read leaves the page at once.
        QTimer::singleShot(0, page, [&] { wizard.PressHome(); });
        AddFolder(wizard, page, many);
        QCOMPARE(wizard.PageCaption(), QString("Choose Task"));
    }

    void MovingByDragKeepsSizesAndRefusesWhatCannotMove() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        AddFolder(wizard, page, MakeFolder(wizard));
        page->Tree()->Select(page->Tree()->Root());
        page->Action(TAddFilesPage::CreateFolder)->trigger();
        TypeName(page, "New folder");
        page->Tree()->expandAll();
        TProjectNode* data = NodeAt(page, "data");
        TProjectNode* fresh = NodeAt(page, "New folder");
        TProjectNode* sub = NodeAt(page, "data/sub");
        QVERIFY(data && fresh && sub);

        // Into its own sub-folder, onto its own parent, onto a file beside
        // it: refused while dragging.
        QVERIFY(!MoveByDrag(page, data, sub));
        QVERIFY(!MoveByDrag(page, sub, data));
        QVERIFY(!MoveByDrag(page, sub, NodeAt(page, "data/f0.txt")));
        QCOMPARE(sub->ParentNode(), data);

        QVERIFY(MoveByDrag(page, sub, fresh));
        QCOMPARE(sub->ParentNode(), fresh);
        QCOMPARE(data->Data().Size, 3000);
        QCOMPARE(fresh->Data().Size, 2000);
        QCOMPARE(page->Tree()->Root()->Data().Size, 5000);
        QCOMPARE(page->Tree()->Selected(), sub);
        QCOMPARE(page->Details()->Field(0)->text(), QString("sub"));

        // A file let go over a file of another folder goes into that folder,
        // and replaces its namesake there once the user says so.
        WriteFile(wizard.TempPath("f0.txt"), 10);
        page->Tree()->Select(sub);
        QVERIFY(Drop(page->Tree()->viewport(), {QUrl::fromLocalFile(wizard.TempPath("f0.txt"))}));
        TProjectNode* small = NodeAt(page, "New folder/sub/f0.txt");
        QVERIFY(small);
        wizard.Messages().QueueAnswer(false);
        QVERIFY(MoveByDrag(page, small, NodeAt(page, "data/f1.txt")));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm replace"));
        QCOMPARE(wizard.Messages().Last().Text,
                 QString("Element \"f0.txt\" already exists in this node.\nReplace?"));
        QCOMPARE(small->ParentNode(), sub);
        wizard.Messages().QueueAnswer(true);
        QVERIFY(MoveByDrag(page, small, NodeAt(page, "data/f1.txt")));
        QCOMPARE(small->ParentNode(), data);
        QCOMPARE(data->childCount(), 3);
        QCOMPARE(data->Data().Size, 2010);
        QCOMPARE(sub->Data().Size, 2000);
        QCOMPARE(page->Tree()->Root()->Data().Size, 4010);
    }

    void RenamingDiscardsForbiddenCharactersAndAsksBeforeReplacing() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        AddFolder(wizard, page, MakeFolder(wizard));
        page->Tree()->expandAll();
        TProjectNode* f0 = NodeAt(page, "data/f0.txt");

        page->Tree()->Select(f0);
        page->Action(TAddFilesPage::Rename)->trigger();
        // Del and Enter belong to the editor while it is open.
        QVERIFY(page->Action(TAddFilesPage::Delete)->shortcut().isEmpty());
        TypeName(page, "a\"b*c/d:e;f<g>h?i\\j|k.txt");
        QCOMPARE(f0->text(0), QString("abcdefghijk.txt"));
        QCOMPARE(page->Action(TAddFilesPage::Delete)->shortcut(), QKeySequence(Qt::Key_Delete));

        // Unchanged, or blank: no question, the name stays.
        page->Action(TAddFilesPage::Rename)->trigger();
        TypeName(page, "abcdefghijk.txt");
        page->Action(TAddFilesPage::Rename)->trigger();
        TypeName(page, "   ");
        QCOMPARE(f0->text(0), QString("abcdefghijk.txt"));
        QVERIFY(wizard.Messages().Shown().isEmpty());

        // A sibling's name: No keeps both, Yes removes the sibling.
        wizard.Messages().QueueAnswer(false);
        page->Action(TAddFilesPage::Rename)->trigger();
        TypeName(page, "f1.txt");
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm replace"));
        QCOMPARE(f0->text(0), QString("abcdefghijk.txt"));
        QCOMPARE(NodeAt(page, "data")->childCount(), 4);
        wizard.Messages().QueueAnswer(true);
        page->Tree()->Select(f0);
        page->Action(TAddFilesPage::Rename)->trigger();
        TypeName(page, "f1.txt");
        QCOMPARE(f0->text(0), QString("f1.txt"));
        QCOMPARE(NodeAt(page, "data")->childCount(), 3);
        QCOMPARE(NodeAt(page, "data")->Data().Size, 4000);
        QCOMPARE(page->Tree()->Root()->Data().Size, 4000);

        // The root takes any name that is not blank.
        page->Tree()->Select(page->Tree()->Root());
        page->Action(TAddFilesPage::Rename)->trigger();
        TypeName(page, "My disc");
        QCOMPARE(page->ProjectName(), QString("My disc"));
        QCOMPARE(page->Details()->Field(0)->text(), QString("My disc"));
    }

    void NextRefusesWhatTheDiscCannotTakeAndLeavesThePage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("task");
        QTest::addColumn<qint64>("bytes");  // of the one file; 0: the size is made to overreach
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ejects");
        QTest::addColumn<QString>("freeSpace");  // what the page shows of the disc meanwhile
        QTest::addColumn<QColor>("sizeColour");
        using K = vdrive::TMediumKind;
        using S = vdrive::TMediumState;
        QTest::newRow("no disc") << int(K::None) << int(S::Blank) << int(kTaskRecordNew) << qint64(100)
                                 << QString("No disc or unknown type.") << true << QString("No disc") << QColor(0, 128, 0);
        QTest::newRow("CD-ROM") << int(K::CdRom) << int(S::Finalized) << int(kTaskRecordNew) << qint64(100)
                                << QString("Record on CD-ROM is impossible.") << true << QString("Disc is closed")
                                << QColor(0, 128, 0);
        QTest::newRow("finalized CD, continued") << int(K::CdR) << int(S::Finalized) << int(kTaskContinue) << qint64(100)
                                                 << QString("Disc is finalized.") << true << QString("Disc is closed")
                                                 << QColor(0, 128, 0);
        QTest::newRow("project too large") << int(K::CdR) << int(S::Blank) << int(kTaskRecordNew) << qint64(0)
                                           << QString("Project size overreached free disc space.") << false
                                           << QString("703 Mb (737 148 928 byte)") << QColor(255, 0, 0);
    }

    void NextRefusesWhatTheDiscCannotTakeAndLeavesThePage() {
        QFETCH(int, kind);
        QFETCH(int, state);
        QFETCH(int, task);
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QFETCH(bool, ejects);
        QFETCH(QString, freeSpace);
        QFETCH(QColor, sizeColour);
        QTemporaryDir pressed;
        vdrive::TMediumRequest medium{vdrive::TMediumKind(kind), vdrive::TMediumState(state)};
        if (medium.Kind == vdrive::TMediumKind::CdRom) {
            medium.ImagePath = pressed.filePath("pressed.iso").toStdString();
            WriteFile(QString::fromStdString(medium.ImagePath), 300 * 2048, '\0');
        }
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), medium}});
        TAddFilesPage* page = OpenPage(wizard, task);
        QVERIFY(page);
        const QString file = wizard.TempPath("one.bin");
        WriteSparseFile(file, bytes ? bytes : qint64(wizard.Host().Status(0).Capacity + 20000) * 2048);
        page->AddLocalPaths({file});
        QVERIFY(DiscKnown(page));
        QCOMPARE(page->Details()->FreeSpaceValue()->text(), freeSpace);
        QCOMPARE(page->Details()->FreeSpaceValue()->palette().color(QPalette::WindowText),
                 QColor(freeSpace == "Disc is closed" ? Qt::red : Qt::black));
        QCOMPARE(page->Details()->ProjectSizeValue()->palette().color(QPalette::WindowText), sizeColour);
        const QString before = TreeText(page->Tree()->Root());
        wizard.Messages().Clear();

        wizard.PressNext();
        QCOMPARE(wizard.Page(), static_cast<TWizardPage*>(page));
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        QCOMPARE(wizard.Messages().Last().Text, text);
        QCOMPARE(wizard.Messages().Last().Caption, QString("Record cancelled"));
        QCOMPARE(wizard.Messages().Last().Icon, TMessageIcon::Warning);
        QCOMPARE(TreeText(page->Tree()->Root()), before);
        QCOMPARE(wizard.Host().Status(0).TrayOpen, ejects);
    }

    void AFileOfFiveGiBCountsWholeAndIsRefusedAtNext() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString file = wizard.TempPath("huge.bin");
        WriteSparseFile(file, 5LL << 30);
        page->AddLocalPaths({file});
        QCOMPARE(page->Tree()->Root()->Data().Size, 5LL << 30);
        QCOMPARE(page->Details()->ProjectSizeValue()->text(), QString("5120 Mb (5 368 709 120 byte)"));
        wizard.PressNext();
        QCOMPARE(wizard.Page(), static_cast<TWizardPage*>(page));
        QVERIFY(wizard.Messages().Last().Text.contains("4 GB OR LARGER"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Record cancelled"));
    }

    void TheEraseQuestionDecidesAndTheDiscClosesWithUnderTwoMbLeft() {
        // A CD-RW holding a session: the project fits only once it is erased.
        TWizardHarness wizard(
            {{vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdRw, vdrive::TMediumState::Closed}}});
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString file = wizard.TempPath("big.bin");
        WriteSparseFile(file, qint64(wizard.Host().Status(0).Capacity - 1000) * 2048);
        page->AddLocalPaths({file});
        wizard.Messages().QueueAnswer(false);
        wizard.PressNext();
        QCOMPARE(wizard.Page(), static_cast<TWizardPage*>(page));
        QCOMPARE(wizard.Messages().Last().Text, QString("Record will be possible after erase only.\nErase disc first?"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm erase"));
        QVERIFY(!wizard.Window().State().EraseFirst);
        wizard.Messages().QueueAnswer(true);
        QVERIFY(page->AddFiles());
        QVERIFY(wizard.Window().State().EraseFirst);
        // About 1000 sectors less the volume's own are left on the erased
        // disc: under 2 Mb.
        QVERIFY(wizard.Window().Burner().FinalizeDisc);
    }

    void TheDiscIsFinalizedWhenLessThanTwoMbWouldRemain() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskRecordNew);
        QVERIFY(page);
        const QString file = wizard.TempPath("big.bin");
        WriteSparseFile(file, 2048);
        page->AddLocalPaths({file});
        TOrvoBurner& burner = wizard.Window().Burner();
        // The file is resized on the disk until the laid-out project leaves
        // exactly `left` sectors; Next reads its size again.
        const auto leave = [&](std::int64_t left) {
            for (int attempt = 0; attempt < 4; ++attempt) {
                if (!page->AddFiles()) return false;
                const std::int64_t now = burner.GetDiscCapacity() - burner.GetUsedSectors() - burner.GetImageSize();
                if (now == left) return true;
                QFile(file).resize(QFileInfo(file).size() + (now - left) * 2048);
            }
            return false;
        };
        QVERIFY(leave(1023));  // 1 Mb and 1023/1024
        QVERIFY(burner.FinalizeDisc);
        QVERIFY(leave(1024));  // 2 Mb
        QVERIFY(!burner.FinalizeDisc);
        QVERIFY(leave(5000));
        QVERIFY(!burner.FinalizeDisc);
    }

    void MakeIsoAsksForTheImageFileAndLoadsTheProject() {
        TWizardHarness wizard;
        TAddFilesPage* page = OpenPage(wizard, kTaskMakeIso);
        QVERIFY(page);
        QCOMPARE(page->Details()->FreeSpaceValue()->text(), QString("0 Mb (0 byte)"));
        QVERIFY(!page->Details()->FreeSpaceValue()->isEnabled());
        wizard.PressNext();
        QCOMPARE(wizard.Messages().Last().Text, QString("Project is empty."));
        QVERIFY(wizard.Dialogs().Calls().isEmpty());

        AddFolder(wizard, page, MakeFolder(wizard));
        wizard.Dialogs().QueueSaveFile({});
        wizard.PressNext();
        QCOMPARE(wizard.Page(), static_cast<TWizardPage*>(page));
        QCOMPARE(wizard.Dialogs().Calls().back().Title, QString("Select filename for ISO-image"));
        QCOMPARE(wizard.Dialogs().Calls().back().Filter, QString("ISO-images (*.iso)"));

        const QString image = wizard.TempPath("out.iso");
        wizard.Dialogs().QueueSaveFile(image);
        QVERIFY(page->GetIsoFile());
        QCOMPARE(wizard.Window().State().ImageFileName, image);
        TOrvoBurner& burner = wizard.Window().Burner();
        QVERIFY(burner.FindFile(burner.FindDir("\\data\\sub"), "g0.txt"));
        QVERIFY(burner.FindFile(burner.FindDir("\\data"), "f1.txt"));
        QCOMPARE(burner.ImportSessionNumber(), 0);
    }

    void AContinuedDiscKeepsItsEntriesAtTheirSectorsAndAddsTheNewOnes() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        TOrvoBurner& burner = wizard.Window().Burner();
        // The first session, recorded as the wizard records one.
        std::map<std::string, int> firstSectors;
        {
            wizard.ChooseTask(kTaskRecordNew);
            wizard.PressNext();
            auto* page = wizard.PageAs<TAddFilesPage>();
            QVERIFY(page);
            const QString folder = wizard.TempPath("data");
            QDir().mkpath(folder);
            WriteFile(folder + "/a.txt", 3000, 'a');
            WriteFile(folder + "/b.txt", 5000, 'b');
            AddFolder(wizard, page, folder);
            QVERIFY(page->AddFiles());
            burner.IdVolume = "First disc";
            const TWriteDoneEvent owners = burner.OnWriteDone;
            const TNotifyEvent finalizing = burner.OnFinalizingTrack;
            tasks::TProcessPlan plan;
            plan.RecordCaption = "Record";
            std::string failure;
            QVERIFY2(tasks::ProcessRecording(burner, plan, {}, failure), failure.c_str());
            burner.OnWriteDone = owners;
            burner.OnFinalizingTrack = finalizing;
            wizard.PressHome();
        }
        QCOMPARE(wizard.Host().Status(0).Sessions.size(), std::size_t(1));
        const QString firstSession = wizard.TempPath("session1.iso");
        QVERIFY(wizard.Host().ExportSession(0, 1, firstSession.toStdString()));
        QFile exported(firstSession);
        QVERIFY(exported.open(QIODevice::ReadOnly));

        wizard.ChooseTask(kTaskContinue);
        wizard.PressNext();
        auto* page = wizard.PageAs<TAddFilesPage>();
        QVERIFY(page);
        QCOMPARE(page->ProjectName(), QString("First disc"));
        TProjectNode* data = NodeAt(page, "data");
        QVERIFY(data);
        QCOMPARE(data->Image(), int(kImageOldFolder));
        QCOMPARE(NodeAt(page, "data/b.txt")->Image(), int(kImageOldFile));
        QCOMPARE(NodeAt(page, "data/b.txt")->Data().Size, 5000);
        QCOMPARE(page->Tree()->Root()->Data().Size, 0);  // what is on the disc already counts for nothing
        // The disc's entries can be neither renamed, deleted nor moved.
        page->Tree()->Select(NodeAt(page, "data/a.txt"));
        emit page->Menu()->aboutToShow();
        QVERIFY(!page->Action(TAddFilesPage::Rename)->isEnabled());
        QVERIFY(!page->Action(TAddFilesPage::Delete)->isEnabled());
        QVERIFY(!MoveByDrag(page, NodeAt(page, "data/a.txt"), page->Tree()->Root()));

        // One file into the disc's folder, one beside it.
        page->Tree()->Select(data);
        WriteFile(wizard.TempPath("c.txt"), 700, 'c');
        WriteFile(wizard.TempPath("top.txt"), 300, 't');
        page->AddLocalPaths({wizard.TempPath("c.txt")});
        page->Tree()->Select(page->Tree()->Root());
        page->AddLocalPaths({wizard.TempPath("top.txt")});
        QCOMPARE(page->Tree()->Root()->Data().Size, 1000);
        page->Tree()->expandAll();
        QVERIFY(DiscKnown(page));
        TWizardHarness::SaveScreenshot(wizard.Window(), "add_files_continue");

        QVERIFY(page->AddFiles());
        const TDEntry* dir = burner.FindDir("\\data");
        QVERIFY(dir);
        for (const char* name : {"a.txt", "b.txt"}) {
            const TFEntry* entry = burner.FindFile(dir, name);
            QVERIFY2(entry && entry->Imported, name);
            // Still where the first session put its bytes.
            QVERIFY(exported.seek(qint64(entry->IsoSector) * 2048));
            QCOMPARE(exported.read(8), QByteArray(8, name[0]));
        }
        const TFEntry* added = burner.FindFile(dir, "c.txt");
        QVERIFY(added && !added->Imported);
        QCOMPARE(added->IsoSize, 700);
        const TFEntry* top = burner.FindFile(burner.FindDir("\\"), "top.txt");
        QVERIFY(top && !top->Imported);

        // A new disc later in the same run starts clean: nothing of the
        // disc in the drive is imported into it.
        wizard.PressHome();
        wizard.ChooseTask(kTaskRecordNew);
        wizard.PressNext();
        page = wizard.PageAs<TAddFilesPage>();
        QVERIFY(page);
        QCOMPARE(page->Tree()->Root()->childCount(), 0);
        QCOMPARE(burner.ImportSessionNumber(), 0);
        page->AddLocalPaths({wizard.TempPath("top.txt")});
        QVERIFY(page->AddFiles());
        QVERIFY(!burner.FindDir("\\data"));
    }
};

QTEST_MAIN(AddFilesTest)
#include "add_files_test.moc"
