// The Process page at the end of the tasks that record a project built on
// the Add Files page: a new disc, a second session, an image file, and a
// recording that cannot start; the results read back with the engine's
// session reader and compared byte for byte.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "app/add_files.h"
#include "app/process.h"
#include "app/record_panel.h"
#include "engine/orvo_burner.h"
#include "tests/app/process_steps.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::test;
using vdrive::TMediumKind;
using vdrive::TMediumState;

namespace {

// From the Choose Task page through Add Files with `paths` to Burn Options;
// "Make ISO-image" names its image file `image` on the way.
bool ToBurnOptions(TWizardHarness& wizard, int task, const QStringList& paths, const QString& image = {}) {
    wizard.ChooseTask(task);
    wizard.PressNext();
    auto* files = wizard.PageAs<TAddFilesPage>();
    if (!files) return false;
    files->AddLocalPaths(paths);
    if (!image.isEmpty()) wizard.Dialogs().QueueSaveFile(image);
    wizard.PressNext();
    return wizard.PageCaption() == QLatin1String(caption::kBurnOptions);
}

}  // namespace

class ProcessProjectTest : public QObject {
    Q_OBJECT
private slots:
    void RecordsANewDiscEjectsItAndShutsDown_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("CD-R") << int(TMediumKind::CdR);
        QTest::newRow("DVD+RW") << int(TMediumKind::DvdPlusRw);
    }
    void RecordsANewDiscEjectsItAndShutsDown() {
        QFETCH(int, kind);
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind(kind)}}});
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, sources.Paths));
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        QCOMPARE(page->findChild<QLabel*>("stepLabel")->text(), QString("Step 3 of 3"));
        page->EjectBox()->setChecked(true);
        page->ShutdownBox()->setChecked(true);
        QVERIFY(Finished(wizard));
        const QString problem = EjectedAndShutDownProblem(wizard, *page);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        QVERIFY(ReadSession(wizard, 1) == sources.Expected);
    }

    void ContinuesADiscWithASecondSession() {
        TWizardHarness wizard;
        QVERIFY(Start(wizard));
        const TSources first = MakeSources(wizard, "first", 100000);
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, first.Paths));
        QVERIFY(ToProcess(wizard));
        QVERIFY(Finished(wizard));
        wizard.PressHome();

        const QString added = WriteFile(wizard.TempPath("second/added.bin"), Pattern(250000, 3));
        QVERIFY(ToBurnOptions(wizard, kTaskContinue, {added}));
        QVERIFY(ToProcess(wizard));
        QCOMPARE(Process(wizard)->findChild<QLabel*>("stepLabel")->text(), QString("Step 3 of 3"));
        QVERIFY(Finished(wizard));
        QCOMPARE(Process(wizard)->RecordPanel().Caption(), QString("Record finished successfully"));

        QCOMPARE(int(wizard.Host().Status(0).Sessions.size()), 2);
        TFiles both = first.Expected;
        both["/added.bin"] = Pattern(250000, 3);
        QVERIFY(ReadSession(wizard, 2) == both);
        QVERIFY(ReadSession(wizard, 1) == first.Expected);
    }

    void MakesAnImageFileThenRecordsIt() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::DvdPlusR}}});
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        const QString image = wizard.TempPath("made.iso");
        QVERIFY(ToBurnOptions(wizard, kTaskMakeIso, sources.Paths, image));
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        // The save starts once the page is on screen; from then on there is
        // no disc to eject.
        QVERIFY(TWizardHarness::WaitUntil([page] { return page->RecordPanel().Caption() != QString("Record"); }));
        QVERIFY(!page->EjectBox()->isEnabled());
        QVERIFY(Finished(wizard));
        QCOMPARE(page->RecordPanel().Caption(), QString("Record finished successfully"));
        QVERIFY(!page->RecordPanel().ShowsDriveParts());
        QVERIFY(ReadImage(image, wizard.TempPath("extracted.bin")) == sources.Expected);
        wizard.PressHome();

        wizard.ChooseTask(kTaskRecordImage);
        wizard.Dialogs().QueueOpenFile(image);
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString(caption::kBurnOptions));
        QVERIFY(ToProcess(wizard));
        page = Process(wizard);
        QCOMPARE(page->findChild<QLabel*>("stepLabel")->text(), QString("Step 2 of 2"));
        QVERIFY(Finished(wizard));
        QVERIFY(page->RecordPanel().ShowsDriveParts());
        QCOMPARE(page->RecordPanel().Caption(), QString("Record finished successfully"));
        QVERIFY2(wizard.Messages().Shown().isEmpty(), qPrintable(wizard.Messages().Last().Text));
        QVERIFY(ReadSession(wizard, 1) == sources.Expected);
    }

    void ARecordingThatCannotStartShowsItsEndNotStop() {
        TWizardHarness wizard;
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, sources.Paths));
        // The source goes away before the recording opens it.
        QVERIFY(QFile::remove(wizard.TempPath("src/big.bin")));
        QVERIFY(ToProcess(wizard));
        QVERIFY(Finished(wizard));
        QTest::qWait(300);
        QVERIFY(!wizard.Window().StopVisible());
        QVERIFY(wizard.Window().DoneButton()->isVisible());
        QVERIFY(wizard.Messages().Last().Text.startsWith("Record finished with error: "));
        QCOMPARE(Process(wizard)->RecordPanel().Caption(), QString("Record finished with error"));
        QCOMPARE(wizard.Window().windowTitle(), QString("Sorvane"));
    }
};

QTEST_MAIN(ProcessProjectTest)
#include "process_project_test.moc"
