// A picture of every page, as a user sees it, in build/screenshots/: look
// at them after a change (cut-off texts, overlaps, empty icons). Each page
// adds a case that walks the wizard to it and saves the window.

#include <QFileInfo>
#include <QTest>

#include "app/choose_task.h"
#include "app/erase_panel.h"
#include "app/info.h"
#include "app/process.h"
#include "app/record_panel.h"
#include "app/sessions.h"
#include "engine/orvo_burner.h"
#include "tests/app/process_steps.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void ChooseTask() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdR}},
                               {vdrive::DvdRomReader(), {TMediumKind::None}}});
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskMakeIso);
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "choose_task")).size() > 0);
    }

    // A blank CD-R: the disc's values, and the message node of a disc
    // without sessions. The Info and Sessions tests add a closed CD-R, a
    // DVD+RW and a three-session disc.
    void InfoAndSessions() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskInformation);
        wizard.PressNext();
        auto* info = wizard.PageAs<TInfoPage>();
        QVERIFY(info && TWizardHarness::WaitUntil([info] { return info->Read(); }));
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "info")).size() > 0);
        wizard.PressNext();
        auto* sessions = wizard.PageAs<TSessionsPage>();
        QVERIFY(sessions && TWizardHarness::WaitUntil([sessions] { return sessions->Read(); }));
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), "sessions")).size() > 0);
    }

    // The Process page while it records, and finished.
    void ProcessRecording() {
        TWizardHarness wizard(TWizardHarness::DefaultDrives(), 2);
        wizard.Host().SetThrottle(0, true);
        QVERIFY(test::Start(wizard));
        const QString image = test::ImageOf(wizard, test::MakeSources(wizard, "src", 8 * 1048576));
        if (image.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(test::ToImageOptions(wizard, image));
        test::ChooseSlowestSpeed(wizard);
        QVERIFY(test::ToProcess(wizard));
        const TRecordPanel& panel = test::Process(wizard)->RecordPanel();
        QVERIFY(TWizardHarness::WaitUntil([&] { return panel.Position() * 4 > panel.Maximum(); }, test::kLongWaitMs));
        Save(wizard, "process_recording");
        wizard.Host().SetTimeScale(1000);
        QVERIFY(test::Finished(wizard));
        Save(wizard, "process_finished");
    }

    // A used CD-RW erased before the recording: the finished erase above,
    // the recording below it.
    void ProcessEraseThenRecord() {
        TWizardHarness wizard({{vdrive::CdRwWriter(), {TMediumKind::CdRw}}});
        const QString old = test::UsedDiscImage(wizard);
        if (old.isEmpty()) QSKIP("genisoimage is not installed");
        QVERIFY(wizard.Host().Insert(0, {TMediumKind::CdRw, vdrive::TMediumState::Closed, old.toStdString()}));
        wizard.Host().SetThrottle(0, true);
        QVERIFY(test::Start(wizard));
        // A used disc is erased before an image is recorded on it.
        QVERIFY(test::ToImageOptions(wizard, test::ImageOf(wizard, test::MakeSources(wizard, "src", 8 * 1048576))));
        test::ChooseSlowestSpeed(wizard);
        QVERIFY(test::ToProcess(wizard));
        TProcessPage* page = test::Process(wizard);
        QVERIFY(TWizardHarness::WaitUntil(
            [&] { return page->ErasePanel().Caption() == "Erase finished successfully"; }, test::kLongWaitMs));
        wizard.Host().SetTimeScale(1);
        const TRecordPanel& panel = page->RecordPanel();
        QVERIFY(TWizardHarness::WaitUntil([&] { return panel.Position() * 4 > panel.Maximum(); }, test::kLongWaitMs));
        QCOMPARE(panel.Caption(), QString("Record ISO-image to disc"));
        Save(wizard, "process_erase_then_record");
        wizard.Host().SetTimeScale(1000);
        QVERIFY(test::Finished(wizard));
    }

private:
    // Saves the window; none of its texts may be cut off.
    static void Save(TWizardHarness& wizard, const QString& name) {
        const QStringList cut = TWizardHarness::CutOffTexts(wizard.Window());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
        QVERIFY(QFileInfo(TWizardHarness::SaveScreenshot(wizard.Window(), name)).size() > 0);
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
