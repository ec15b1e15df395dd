// The Choose Task page: task rows, the drive list, what it resets when it
// opens, the link, and how it looks.

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QLabel>
#include <QTest>

#include "app/choose_task.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;

class ChooseTaskTest : public QObject {
    Q_OBJECT
private slots:
    void AClickSelectsOneRowAndStaysOnThePage() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page);
        QVERIFY(page->Row(kTaskRecordNew)->Selected());
        for (int task = TChooseTaskPage::kTaskCount - 1; task >= 0; --task) {
            wizard.ChooseTask(task);
            QCOMPARE(wizard.Page(), page);
            QCOMPARE(wizard.Window().State().ChosenTask, task);
            for (int other = 0; other < TChooseTaskPage::kTaskCount; ++other) {
                QCOMPARE(page->Row(other)->Selected(), other == task);
                QCOMPARE(page->Row(other)->font().bold(), other == task);
            }
        }
    }

    void RowsCarryTheirCaptionsInOrder() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto* page = wizard.PageAs<TChooseTaskPage>();
        const QStringList expected = {"Record new CD/DVD",  "Continue CD/DVD",          "Erase RW-disc",
                                      "Make ISO-image",     "Record ISO-image to disc", "Get information"};
        for (int task = 0; task < TChooseTaskPage::kTaskCount; ++task) {
            QCOMPARE(page->Row(task)->text(), expected[task]);
            QCOMPARE(page->Row(task)->accessibleName(), expected[task]);
            QVERIFY(!page->Row(task)->icon().isNull());
        }
    }

    void AnotherDriveTakesEffectAtOnce() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdR}},
                               {vdrive::CdRwWriter(), {TMediumKind::CdRw}}});
        QVERIFY(wizard.Start());
        QCOMPARE(int(wizard.Window().Burner().TargetId), 1);
        wizard.ChooseDrive(0);
        QCOMPARE(wizard.Window().State().ChosenDevice, 0);
        QCOMPARE(int(wizard.Window().Burner().TargetId), 0);
    }

    void OpeningResetsTheOutcomesOfTheLastTask() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        TGlobalState& state = wizard.Window().State();
        state.EraseFirst = true;
        state.EraseFailed = true;
        state.WriteError = "WRITER ERROR";
        // Cancelling the image dialog of task 4 makes a new page.
        wizard.ChooseTask(kTaskRecordImage);
        wizard.Dialogs().QueueOpenFile({});
        state.EraseFirst = true;
        state.EraseFailed = true;
        state.WriteError = "WRITER ERROR";
        wizard.PressNext();
        QVERIFY(wizard.PageAs<TChooseTaskPage>());
        QVERIFY(!state.EraseFirst);
        QVERIFY(!state.EraseFailed);
        QVERIFY(state.WriteError.isEmpty());
        QVERIFY(!wizard.Window().HomeButton()->isEnabled());
        QVERIFY(wizard.Window().StopButton()->isEnabled());
    }

    void AnUnknownTaskOpensTheFirstRow() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.Window().State().ChosenTask = 9;
        wizard.PressNext();
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page);
        QVERIFY(page->Row(kTaskRecordNew)->Selected());
        QCOMPARE(wizard.Window().State().ChosenTask, int(kTaskRecordNew));
    }

    void TheLinkOpensTheReadmeWithTheDesktop() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(!page->LinkTarget().isEmpty());
        QVERIFY(QFileInfo::exists(page->LinkTarget()));
        QTest::mouseClick(page->Link(), Qt::LeftButton);
        QCOMPARE(wizard.Desktop().Opened, QStringList{page->LinkTarget()});
    }
};

QTEST_MAIN(ChooseTaskTest)
#include "choose_task_test.moc"
