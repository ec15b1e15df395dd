// The main window's flow with stand-ins for the task pages: which page
// follows which, what Home keeps and clears, Stop, the close box during an
// operation, and the completion events that reach the Process page only
// while it is shown.

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "app/choose_task.h"
#include "engine/orvo_burner.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;

namespace {

// A page that records what the main window asks of it.
class TStandIn : public TWizardPage {
public:
    TStandIn(TMainWindow& window, const char* caption) : TWizardPage(window, QString::fromLatin1(caption)) {}

    bool AddFiles() override { return Record("AddFiles", Pass); }
    bool GetIsoFile() override { return Record("GetIsoFile", Pass); }
    QString ProjectName() const override { return QStringLiteral("HOLIDAY"); }
    void StopRefresh() override { Record("StopRefresh", true); }
    bool CheckBurn() override { return Record("CheckBurn", Pass); }
    bool CheckErase() override { return Record("CheckErase", Pass); }
    void Finish(bool success) override {
        Record(success ? "Finish(true)" : "Finish(false)", true);
        Window().ShowDoneButton();
        Window().SetHomeEnabled(true);
    }
    void EraseDone() override { Record("EraseDone", true); }
    void BurnDone() override { Record("BurnDone", true); }
    void Finalizing() override { Record("Finalizing", true); }
    bool Extracting() const override { return IsExtracting; }
    void HideExtracting() override { Record("HideExtracting", true); }

    static inline bool Pass = true;
    static inline bool IsExtracting = false;
    static inline QStringList Calls;

private:
    bool Record(const char* call, bool answer) {
        Calls << Caption() + ':' + call;
        return answer;
    }
};

// A Process page as the real one starts: Stop shown (disabled while an
// erase or the closing of a track cannot be stopped), Home disabled.
class TProcessStandIn : public TStandIn {
public:
    explicit TProcessStandIn(TMainWindow& window) : TStandIn(window, caption::kProcess) {
        Window().ShowStopButton(StopEnabled);
        Window().SetHomeEnabled(false);
    }
    static inline bool StopEnabled = true;
};

}  // namespace

class FlowTest : public QObject {
    Q_OBJECT

    // Stand-ins for every page but Choose Task.
    static void StandIn(TWizardHarness& wizard) {
        TStandIn::Pass = true;
        TStandIn::IsExtracting = false;
        TStandIn::Calls.clear();
        TProcessStandIn::StopEnabled = true;
        for (const char* caption : {caption::kAddFiles, caption::kBurnOptions, caption::kEraseOptions,
                                    caption::kInfo, caption::kSessions})
            wizard.StandInPage(caption,
                               [caption](TMainWindow& window) { return std::make_unique<TStandIn>(window, caption); });
        wizard.StandInPage(caption::kProcess,
                           [](TMainWindow& window) { return std::make_unique<TProcessStandIn>(window); });
    }

    // Choose Task → ... → Process for the erase task.
    static void ToProcess(TWizardHarness& wizard) {
        wizard.ChooseTask(kTaskErase);
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Erase Options"));
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Process"));
    }

private slots:
    void EachTaskFollowsItsPages_data() {
        const QStringList kAddThenBurn = {"Add Files:AddFiles", "Add Files:StopRefresh", "Burn Options:CheckBurn"};
        QTest::addColumn<int>("task");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QStringList>("checks");
        QTest::addColumn<QList<int>>("topics");
        QTest::newRow("record new") << int(kTaskRecordNew) << QStringList{"Add Files", "Burn Options", "Process"}
                                    << kAddThenBurn
                                    << QList<int>{11, 12, 13};
        QTest::newRow("continue") << int(kTaskContinue) << QStringList{"Add Files", "Burn Options", "Process"}
                                  << kAddThenBurn
                                  << QList<int>{21, 22, 23};
        QTest::newRow("erase") << int(kTaskErase) << QStringList{"Erase Options", "Process"}
                               << QStringList{"Erase Options:CheckErase"} << QList<int>{31, 32};
        // Making an image asks for its file name and checks no drive.
        QTest::newRow("make image") << int(kTaskMakeIso) << QStringList{"Add Files", "Burn Options", "Process"}
                                    << QStringList{"Add Files:GetIsoFile", "Add Files:StopRefresh"}
                                    << QList<int>{41, 42, 43};
        QTest::newRow("information") << int(kTaskInformation) << QStringList{"Info", "Sessions"} << QStringList{}
                                     << QList<int>{61, 62};
    }

    void EachTaskFollowsItsPages() {
        QFETCH(int, task);
        QFETCH(QStringList, pages);
        QFETCH(QStringList, checks);
        QFETCH(QList<int>, topics);
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseTask(task);
        QStringList visited;
        QList<int> visitedTopics;
        for (int step = 0; step < pages.size(); ++step) {
            wizard.PressNext();
            visited << wizard.PageCaption();
            visitedTopics << wizard.Window().State().HelpTopic;
        }
        QCOMPARE(visited, pages);
        QVERIFY(wizard.Window().HomeButton()->isEnabled() == (pages.back() != "Process"));
        QCOMPARE(TStandIn::Calls, checks);
        QCOMPARE(visitedTopics, topics);
        if (task != kTaskMakeIso && task != kTaskInformation && task != kTaskErase)
            QCOMPARE(QString::fromStdString(wizard.Window().Burner().IdVolume), QString("HOLIDAY"));
    }

    void RecordingAnImageGoesFromTheDialogToBurnOptions() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskRecordImage);
        wizard.Dialogs().QueueOpenFile(wizard.TempPath("disc.iso"));
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Burn Options"));
        QCOMPARE(wizard.Window().State().HelpTopic, 51);
    }

    void AFailedCheckStaysOnThePage() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.PressNext();
        TWizardPage* page = wizard.Page();
        TStandIn::Pass = false;
        wizard.PressNext();
        QCOMPARE(wizard.Page(), page);
        QCOMPARE(wizard.PageCaption(), QString("Add Files"));
        QVERIFY(!TStandIn::Calls.contains("Add Files:StopRefresh"));
    }

    void HomeKeepsTaskAndDriveAndClearsTheIdentification() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR}},
                               {vdrive::CdRwWriter(), {vdrive::TMediumKind::CdRw}}});
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseDrive(0);
        wizard.ChooseTask(kTaskContinue);
        wizard.PressNext();
        wizard.PressNext();
        TOrvoBurner& burner = wizard.Window().Burner();
        burner.IdPreparer = "ME";
        burner.IdPublisher = "US";
        burner.FileCopyright = "COPYING";
        wizard.PressHome();
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page);
        QVERIFY(page->Row(kTaskContinue)->Selected());
        QCOMPARE(page->DriveList()->currentIndex(), 0);
        QCOMPARE(int(burner.TargetId), 0);
        QVERIFY(burner.IdVolume.empty() && burner.IdPreparer.empty() && burner.IdPublisher.empty() &&
                burner.FileCopyright.empty());
        QVERIFY(!wizard.Window().HomeButton()->isEnabled());
        QVERIFY(wizard.Window().NextButton()->isVisible());
    }

    void StopOnProcessAsksBeforeItEndsTheOperation() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        ToProcess(wizard);
        wizard.Messages().QueueAnswer(false);
        wizard.PressStop();
        QVERIFY(!TStandIn::Calls.contains("Process:Finish(false)"));
        QCOMPARE(wizard.Messages().Last().Text, QString("Do you really want to cancel current operation?"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("Confirm cancel"));
        wizard.Messages().QueueAnswer(true);
        wizard.PressStop();
        QVERIFY(TStandIn::Calls.contains("Process:Finish(false)"));
        QVERIFY(wizard.Window().DoneButton()->isVisible());
    }

    void CompletionEventsReachOnlyAProcessPageOnShow() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        ToProcess(wizard);
        TOrvoBurner& burner = wizard.Window().Burner();
        burner.OnFinalizingTrack(burner);
        burner.OnWriteDone(burner, "WRITER ERROR");
        burner.OnEraseDone(burner, true);
        QCOMPARE(TStandIn::Calls.mid(TStandIn::Calls.size() - 3),
                 QStringList({"Process:Finalizing", "Process:BurnDone", "Process:EraseDone"}));
        QCOMPARE(wizard.Window().State().WriteError, QString("WRITER ERROR"));
        // Stopped, then Home before the component finished.
        wizard.Messages().QueueAnswer(true);
        wizard.PressStop();
        wizard.PressHome();
        TStandIn::Calls.clear();
        burner.OnWriteDone(burner, "OPERATION ABORTED BY USER");
        burner.OnEraseDone(burner, false);
        QVERIFY(TStandIn::Calls.isEmpty());
        QCOMPARE(wizard.Window().State().WriteError, QString("OPERATION ABORTED BY USER"));
        QVERIFY(!wizard.Window().State().EraseFailed);
    }

    void ClosingDuringAnEraseWarnsAndUnlocksTheTray() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        TProcessStandIn::StopEnabled = false;
        ToProcess(wizard);
        TOrvoBurner& burner = wizard.Window().Burner();
        QVERIFY(burner.AllowMediumRemoval(false));
        QVERIFY(wizard.Host().Status(0).Locked);
        wizard.Messages().QueueAnswer(false);
        QVERIFY(!wizard.Close());
        QCOMPARE(wizard.Messages().Last().Text, QString("It is impossible to quit correct now.\nHowever quit?"));
        QVERIFY(wizard.Host().Status(0).Locked);
        wizard.Messages().QueueAnswer(true);
        QVERIFY(wizard.Close());
        QVERIFY(TStandIn::Calls.contains("Process:Finish(false)"));
        QVERIFY(!wizard.Host().Status(0).Locked);
    }

    void ClosingDuringARecordingAsksToCancelIt() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        ToProcess(wizard);
        wizard.Messages().QueueAnswer(true);
        QVERIFY(wizard.Close());
        QCOMPARE(wizard.Messages().Last().Text, QString("Do you really want to cancel current operation?"));
        QVERIFY(TStandIn::Calls.contains("Process:Finish(false)"));
    }

    void ClosingAfterTheOperationAsksNothing() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        ToProcess(wizard);
        wizard.Window().Burner().OnWriteDone(wizard.Window().Burner(), "");
        wizard.Window().ShowDoneButton();
        QVERIFY(wizard.Close());
        QVERIFY(wizard.Messages().Shown().isEmpty());
    }

    void ClosingOnAnyOtherPageAsksNothing_data() {
        QTest::addColumn<int>("task");
        QTest::newRow("Add Files") << int(kTaskRecordNew);
        QTest::newRow("Erase Options") << int(kTaskErase);
        QTest::newRow("Info") << int(kTaskInformation);
    }

    void ClosingOnAnyOtherPageAsksNothing() {
        QFETCH(int, task);
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseTask(task);
        wizard.PressNext();
        QVERIFY(wizard.Close());
        QVERIFY(wizard.Messages().Shown().isEmpty());
    }

    void ClosingWhileExtractingAsksAndStopsTheExtraction() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskInformation);
        wizard.PressNext();
        wizard.PressNext();
        QCOMPARE(wizard.PageCaption(), QString("Sessions"));
        TStandIn::IsExtracting = true;
        QVERIFY(wizard.Window().Burner().AllowMediumRemoval(false));
        wizard.Messages().QueueAnswer(false);
        QVERIFY(!wizard.Close());
        QCOMPARE(wizard.Messages().Last().Text,
                 QString("Program is extracting node now.\nDo you really want to cancel extracting?"));
        QVERIFY(!wizard.Window().State().CancelExtract);
        wizard.Messages().QueueAnswer(true);
        QVERIFY(wizard.Close());
        QVERIFY(wizard.Window().State().CancelExtract);
        QVERIFY(!wizard.Host().Status(0).Locked);
    }

    void StopWhileExtractingEndsTheExtraction() {
        TWizardHarness wizard;
        StandIn(wizard);
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskInformation);
        wizard.PressNext();
        wizard.PressNext();
        TStandIn::IsExtracting = true;
        wizard.Window().ShowStopButton(true);
        wizard.Window().SetHomeEnabled(false);
        wizard.Messages().QueueAnswer(true);
        wizard.PressStop();
        QVERIFY(wizard.Window().State().CancelExtract);
        QVERIFY(TStandIn::Calls.contains("Sessions:HideExtracting"));
        QVERIFY(wizard.Window().DoneButton()->isVisible());
        QVERIFY(!wizard.Window().StopVisible());
        QVERIFY(wizard.Window().HomeButton()->isEnabled());
    }

    void HelpOnEachPageOpensItsTopic() {
        TWizardHarness wizard;
        StandIn(wizard);
        QFile help(wizard.Services().HelpFile);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        QVERIFY(wizard.Start());
        wizard.PressHelp();
        wizard.ChooseTask(kTaskInformation);
        wizard.PressNext();
        wizard.PressHelp();
        wizard.PressNext();
        wizard.PressHelp();
        QCOMPARE(wizard.Desktop().HelpTopics, (QList<int>{2, 61, 62}));
    }
};

QTEST_MAIN(FlowTest)
#include "flow_test.moc"
