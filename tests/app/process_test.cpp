// The Process page through the whole wizard, on a throw-away emulated
// recorder: erasing and recording image files from Choose Task to Done,
// the discs read back with the engine's session reader and compared byte
// for byte, and what the page shows on the way: progress, the end of an
// erase, the closing of the track, a failure, a stop, the close box.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "app/erase_panel.h"
#include "app/process.h"
#include "app/record_panel.h"
#include "engine/orvo_burner.h"
#include "tasks/progress_texts.h"
#include "tests/app/process_steps.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::test;
using vdrive::TMediumKind;
using vdrive::TMediumState;

class ProcessTest : public QObject {
    Q_OBJECT
private slots:
    void RecordsAnImageFileEjectsTheDiscAndShutsDown_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("CD-R") << int(TMediumKind::CdR);
        QTest::newRow("DVD+RW") << int(TMediumKind::DvdPlusRw);
    }
    void RecordsAnImageFileEjectsTheDiscAndShutsDown() {
        QFETCH(int, kind);
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind(kind)}}});
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        const QString image = ImageOf(wizard, sources);
        if (image.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(ToImageOptions(wizard, image));
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        QCOMPARE(page->findChild<QLabel*>("stepLabel")->text(), QString("Step 2 of 2"));
        page->EjectBox()->setChecked(true);
        page->ShutdownBox()->setChecked(true);
        QVERIFY(Finished(wizard));
        const QString problem = EjectedAndShutDownProblem(wizard, *page);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        QVERIFY(ReadSession(wizard, 1) == sources.Expected);
    }

    void ErasesAUsedCdRwFirstThenRecordsBelowIt() {
        TWizardHarness wizard({{vdrive::CdRwWriter(), {TMediumKind::CdRw}}});
        const QString old = UsedDiscImage(wizard);
        if (old.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdRw, TMediumState::Closed, old.toStdString()}));
        wizard.Host().SetThrottle(0, true);
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src", 8 * 1048576);
        QVERIFY(ToImageOptions(wizard, ImageOf(wizard, sources)));
        ChooseSlowestSpeed(wizard);
        // A used disc is always erased before an image is recorded on it.
        QVERIFY(wizard.Window().State().EraseFirst);
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        const TErasePanel& erase = page->ErasePanel();
        const TRecordPanel& record = page->RecordPanel();

        // The recording runs below the finished erase, slowly enough to be
        // watched.
        QVERIFY(TWizardHarness::WaitUntil([&] { return erase.Caption() == "Erase finished successfully"; },
                                          kLongWaitMs));
        wizard.Host().SetTimeScale(2);
        QVERIFY(TWizardHarness::WaitUntil([&] { return !record.isHidden(); }));
        QVERIFY(!erase.isHidden());
        QCOMPARE(erase.Caption(), QString("Erase finished successfully"));
        QCOMPARE(erase.PercentText(), QString("100%"));
        QCOMPARE(record.Caption(), QString("Record ISO-image to disc"));
        QVERIFY(TWizardHarness::WaitUntil([&] { return wizard.Window().Burner().BytesWritten() > 1048576; }));
        QVERIFY(TWizardHarness::WaitUntil([&] { return record.PercentText() != "0%"; }));
        QVERIFY(wizard.Window().StopVisible() && wizard.Window().StopEnabled());
        QVERIFY(!wizard.Window().HomeButton()->isEnabled());
        QVERIFY(wizard.Window().windowTitle().startsWith(record.Caption() + " - "));

        // Every sector is with the drive: a full bar, and no Stop while it
        // closes the track.
        QVERIFY(TWizardHarness::WaitUntil([&] { return record.Caption() == "Closing track..."; }, kLongWaitMs));
        QCOMPARE(record.PercentText(), QString("100%"));
        QCOMPARE(record.Position(), record.Maximum());
        QCOMPARE(record.RemainingText(), QString("00:00:00"));
        QVERIFY(wizard.Window().StopVisible() && !wizard.Window().StopEnabled());
        QCOMPARE(wizard.Window().windowTitle(), QString("100% - Closing track Sorvane"));
        wizard.Host().SetTimeScale(1000);
        QVERIFY(Finished(wizard));
        QCOMPARE(record.Caption(), QString("Record finished successfully"));

        // Nothing of the old session is left.
        QCOMPARE(int(wizard.Host().Status(0).Sessions.size()), 1);
        QVERIFY(ReadSession(wizard, 1) == sources.Expected);
    }

    void ErasesTheDisc_data() {
        QTest::addColumn<bool>("quick");
        QTest::newRow("quick") << true;
        QTest::newRow("full") << false;
    }
    void ErasesTheDisc() {
        QFETCH(bool, quick);
        TWizardHarness wizard({{vdrive::CdRwWriter(), {TMediumKind::CdRw}}});
        const QString old = UsedDiscImage(wizard);
        if (old.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdRw, TMediumState::Closed, old.toStdString()}));
        QVERIFY(Start(wizard));
        wizard.ChooseTask(kTaskErase);
        wizard.PressNext();
        if (!quick) FindRadio(wizard.Page(), "Full erase")->click();
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        TMainWindow& window = wizard.Window();
        QCOMPARE(page->findChild<QLabel*>("stepLabel")->text(), QString("Step 2 of 2"));
        QVERIFY(window.StopVisible() && !window.StopEnabled());
        QVERIFY(!window.HomeButton()->isEnabled());

        // "100%" first, the end half a second later.
        const TErasePanel& panel = page->ErasePanel();
        const QString caption = quick ? QString("Quick erase") : "Full erase on " + window.State().EraseSpeedText;
        bool fullUnderItsCaption = false;
        QVERIFY(TWizardHarness::WaitUntil(
            [&] {
                if (panel.PercentText() == "100%" && panel.Caption() == caption) fullUnderItsCaption = true;
                return panel.Caption() == "Erase finished successfully";
            },
            kLongWaitMs));
        QVERIFY(fullUnderItsCaption);
        QVERIFY(!panel.isHidden());
        QVERIFY(page->RecordPanel().isHidden());
        QVERIFY(Finished(wizard));
        QVERIFY(!window.StopVisible());
        QCOMPARE(window.windowTitle(), QString("Sorvane"));
        QVERIFY(wizard.Messages().Shown().isEmpty());
        const vdrive::TDriveStatus status = wizard.Host().Status(0);
        QVERIFY(status.Sessions.empty());
        QVERIFY2(status.State.starts_with("blank"), status.State.c_str());
        QVERIFY(!status.Locked);
    }

    void ClosingTheWindowDuringAnEraseAsksFirst() {
        TWizardHarness wizard({{vdrive::CdRwWriter(), {TMediumKind::CdRw}}}, 5);
        const QString old = UsedDiscImage(wizard);
        if (old.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdRw, TMediumState::Closed, old.toStdString()}));
        QVERIFY(Start(wizard));
        wizard.ChooseTask(kTaskErase);
        wizard.PressNext();
        FindRadio(wizard.Page(), "Full erase")->click();
        QVERIFY(ToProcess(wizard));
        QVERIFY(TWizardHarness::WaitUntil([&] { return wizard.Window().Burner().Erasing(); }));
        Process(wizard)->EjectBox()->setChecked(true);
        Process(wizard)->ShutdownBox()->setChecked(true);

        wizard.Messages().QueueAnswer(false);
        QVERIFY(!wizard.Close());
        QCOMPARE(wizard.Messages().Last().Text, QString("It is impossible to quit correct now.\nHowever quit?"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm cancel"));
        QVERIFY(Process(wizard));
        wizard.Messages().QueueAnswer(true);
        QVERIFY(wizard.Close());
        QCOMPARE(wizard.Desktop().PowerOffRequests, 0);
        QVERIFY(!wizard.Host().Status(0).TrayOpen);
    }

    void AFailedRecordingNeitherEjectsNorShutsDown() {
        TWizardHarness wizard;
        vdrive::TFaults faults;
        faults.MediumErrorLbas = std::make_pair(std::uint32_t(300), std::uint32_t(400));
        wizard.Host().SetFaults(0, faults);
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        const QString image = ImageOf(wizard, sources);
        if (image.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(ToImageOptions(wizard, image));
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        page->EjectBox()->setChecked(true);
        page->ShutdownBox()->setChecked(true);
        QVERIFY(Finished(wizard));

        QCOMPARE(page->RecordPanel().Caption(), QString("Record finished with error"));
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        const auto box = wizard.Messages().Last();
        QVERIFY2(box.Text.startsWith("Record finished with error: ") && box.Text.size() > 28, qPrintable(box.Text));
        QCOMPARE(box.Caption, QString("Record error"));
        QCOMPARE(box.Icon, TMessageIcon::Error);
        QVERIFY(!wizard.Window().StopVisible());
        QCOMPARE(wizard.Desktop().PowerOffRequests, 0);
        QVERIFY(!wizard.Host().Status(0).TrayOpen);
        QVERIFY(!wizard.Host().Status(0).Locked);
    }

    void StopDuringARecording_data() {
        QTest::addColumn<bool>("leave");
        QTest::newRow("the user waits on the page") << false;
        QTest::newRow("the user goes home at once") << true;
    }
    void StopDuringARecording() {
        QFETCH(bool, leave);
        TWizardHarness wizard(TWizardHarness::DefaultDrives(), 1);
        wizard.Host().SetThrottle(0, true);
        QVERIFY(Start(wizard));
        const QString image = ImageOf(wizard, MakeSources(wizard, "src", 40 * 1048576));
        if (image.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(ToImageOptions(wizard, image));
        ChooseSlowestSpeed(wizard);
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
        TMainWindow& window = wizard.Window();
        const TRecordPanel& panel = page->RecordPanel();
        QVERIFY(TWizardHarness::WaitUntil([&] { return window.StopVisible() && window.StopEnabled(); }));
        QVERIFY(TWizardHarness::WaitUntil([&] { return window.Burner().BytesWritten() > 0 && panel.PercentText() != "0%"; }));
        // The time left comes from the speed the drive granted.
        QVERIFY(TWizardHarness::WaitUntil([&] { return panel.RemainingText() != "00:00:00"; }));
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(panel.RemainingText()).hasMatch(),
                 qPrintable(panel.RemainingText()));
        window.State().ElapsedSeconds = 3724;
        QVERIFY(TWizardHarness::WaitUntil([&] { return panel.ElapsedText() == "01:02:05"; }, 3000));

        wizard.Messages().QueueAnswer(true);
        wizard.PressStop();
        QCOMPARE(wizard.Messages().Last().Text, QString("Do you really want to cancel current operation?"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm cancel"));
        QVERIFY(window.DoneButton()->isVisible());
        QVERIFY(!window.StopVisible());
        if (leave) {
            // The recording's end comes after the page is gone: it is only
            // kept.
            wizard.PressHome();
            QVERIFY(TWizardHarness::WaitUntil([&] { return !window.State().WriteError.isEmpty(); }));
            QCOMPARE(window.State().WriteError, QString("OPERATION ABORTED BY USER"));
            QCOMPARE(wizard.PageCaption(), QString(caption::kChooseTask));
            QCOMPARE(wizard.Messages().Shown().size(), 1);
        } else {
            QVERIFY(TWizardHarness::WaitUntil([&] { return wizard.Messages().Shown().size() == 2; }));
            QCOMPARE(wizard.Messages().Last().Text, QString("Record finished with error: OPERATION ABORTED BY USER"));
            QCOMPARE(wizard.Messages().Last().Caption, QString("Record error"));
            QCOMPARE(panel.Caption(), QString("Record finished with error"));
        }
        // The drive lets the tray go once the recording has ended.
        QVERIFY(TWizardHarness::WaitUntil([&] { return !wizard.Host().Status(0).Locked; }, kLongWaitMs));
        QCOMPARE(wizard.Desktop().PowerOffRequests, 0);
    }
};

QTEST_MAIN(ProcessTest)
#include "process_test.moc"
