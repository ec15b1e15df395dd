// The main window: the drive it preselects, the flow at Next, Help, the
// close box, and the engine's events on the window's thread.

#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/choose_task.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/owner_wait.h"
#include "engine/rtl/sync_queue.h"
#include "tests/app/wizard_harness.h"
#include "tests/device/fake_kernel.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TDriveSetup;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void PreselectsTheLastRecorderNotTheLastDrive() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::CdR}},
                               {vdrive::CdRwWriter(), {TMediumKind::CdRw}},
                               {vdrive::DvdRomReader(), {TMediumKind::None}}});
        QVERIFY(wizard.Start());
        QCOMPARE(wizard.Window().State().DeviceNames.size(), 3);
        QCOMPARE(wizard.Window().State().ChosenDevice, 1);
        QCOMPARE(int(wizard.Window().Burner().TargetId), 1);
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page);
        QCOMPARE(page->DriveList()->currentIndex(), 1);
        QCOMPARE(page->DriveList()->count(), 3);
        // A display name begins with the device name, not the address.
        QVERIFY2(!page->DriveList()->itemText(0).startsWith(QLatin1String("0:")),
                 qPrintable(page->DriveList()->itemText(0)));
    }

    void PreselectsTheLastDriveWhenNoneRecords() {
        TWizardHarness wizard({{vdrive::DvdRomReader(), {TMediumKind::None}},
                               {vdrive::UsbBridgeReader(), {TMediumKind::None}}});
        QVERIFY(wizard.Start());
        QCOMPARE(wizard.Window().State().ChosenDevice, 1);
    }

    void WithoutATransportTheProgramSaysSoAndEnds() {
        TWizardHarness wizard;
        // A library that loads but offers no drive entry points.
        qputenv("SORVANE_ASPI_LIBRARY", "libm.so.6");
        const bool started = wizard.Start();
        qunsetenv("SORVANE_ASPI_LIBRARY");
        QVERIFY(!started);
        QVERIFY(wizard.Window().Failed());
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        QCOMPARE(wizard.Messages().Last().Text, QString("ASPI initialization error"));
        QCOMPARE(wizard.Messages().Last().Caption, QString("ASPI ERROR"));
        QVERIFY(wizard.Messages().Last().Icon == TMessageIcon::Error);
    }

    void OpensOnChooseTaskWithTheButtonBarAtRest() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        TMainWindow& window = wizard.Window();
        QCOMPARE(wizard.PageCaption(), QString("Choose Task"));
        QCOMPARE(window.windowTitle(), QString("Sorvane"));
        QVERIFY(window.NextButton()->isVisible());
        QVERIFY(!window.StopVisible());
        QVERIFY(!window.DoneButton()->isVisible());
        QVERIFY(!window.HomeButton()->isEnabled());
        QVERIFY(window.HelpButton()->isEnabled());
        QCOMPARE(window.State().HelpTopic, 2);
        QCOMPARE(window.State().LastFolder, QString("/"));
        QVERIFY(wizard.Messages().Shown().isEmpty());
        window.SetProgressTitle("34%");
        QCOMPARE(window.windowTitle(), QString("34% Sorvane"));
        window.SetProgressTitle({});
        QCOMPARE(window.windowTitle(), QString("Sorvane"));
    }

    void CancellingTheImageDialogComesBackToAFreshChooseTask() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.ChooseTask(kTaskRecordImage);
        wizard.Dialogs().QueueOpenFile({});
        wizard.PressNext();
        QCOMPARE(wizard.Dialogs().Calls().size(), 1);
        QCOMPARE(wizard.Dialogs().Calls().front().Title, QString("Select ISO-image for burning"));
        QCOMPARE(wizard.Dialogs().Calls().front().Filter, QString("ISO-images (*.iso)"));
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page);
        QVERIFY(page->Row(kTaskRecordImage)->Selected());
        QCOMPARE(wizard.Window().State().ImageFileName, QString());
    }

    void AChosenImageIsRememberedWithItsFullPath() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        QVERIFY(QDir::setCurrent(wizard.TempPath()));
        wizard.ChooseTask(kTaskRecordImage);
        wizard.Dialogs().QueueOpenFile("disc.iso");
        wizard.PressNext();
        QCOMPARE(wizard.Window().State().ImageFileName, wizard.TempPath("disc.iso"));
    }

    void AnImageOnTheCommandLineIsRecordedToDisc() {
        TWizardHarness wizard;
        QVERIFY(QDir::setCurrent(wizard.TempPath()));
        QFile image(wizard.TempPath("given.iso"));
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.close();
        QVERIFY(wizard.Start("given.iso"));
        QCOMPARE(wizard.Window().State().ChosenTask, int(kTaskRecordImage));
        QCOMPARE(wizard.Window().State().ImageFileName, wizard.TempPath("given.iso"));
        // No dialog asks for the image again.
        QVERIFY(wizard.Dialogs().Calls().isEmpty());
        if (auto* page = wizard.PageAs<TChooseTaskPage>()) QVERIFY(page->Row(kTaskRecordImage)->Selected());
        else QCOMPARE(wizard.PageCaption(), QString("Burn Options"));
    }

    void ADriveTheUserMayNotOpenIsToldAtStart() {
        test::TFakeKernel kernel;
        kernel.AddDrive(0).MayOpen = false;
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        QVERIFY(TWizardHarness::WaitUntil([&] { return !wizard.Messages().Shown().isEmpty(); }, 5000));
        const auto box = wizard.Messages().Last();
        QVERIFY2(box.Text.startsWith("No permission to use the drive /fake/sr0"), qPrintable(box.Text));
        QVERIFY(box.Icon == TMessageIcon::Warning);
        // The emulated recorder stands in meanwhile.
        QCOMPARE(wizard.Window().State().DeviceNames.size(), 1);
        QCOMPARE(wizard.PageCaption(), QString("Choose Task"));
    }

    void AMissingImageOnTheCommandLineIsSaid() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start(wizard.TempPath("gone.iso")));
        QCOMPARE(wizard.Messages().Last().Text,
                 QString("The image file %1 cannot be found.").arg(wizard.TempPath("gone.iso")));
        QVERIFY(wizard.Window().State().ImageFileName.isEmpty());
        auto* page = wizard.PageAs<TChooseTaskPage>();
        QVERIFY(page && page->Row(kTaskRecordImage)->Selected());
    }

    void HelpWithoutTheFileSaysSo() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.PressHelp();
        QCOMPARE(wizard.Messages().Shown().size(), 1);
        const auto box = wizard.Messages().Last();
        QCOMPARE(box.Text, QString("Help file not found in program folder."));
        QCOMPARE(box.Caption, QString("Help not found"));
        QVERIFY(box.Icon == TMessageIcon::Information);
        QVERIFY(wizard.Desktop().HelpTopics.isEmpty());
    }

    void HelpOpensThePagesTopic() {
        TWizardHarness wizard;
        QFile help(wizard.Services().HelpFile);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        QVERIFY(wizard.Start());
        wizard.PressHelp();
        QVERIFY(wizard.Messages().Shown().isEmpty());
        QCOMPARE(wizard.Desktop().HelpTopics, QList<int>{2});
        QCOMPARE(wizard.Desktop().HelpFiles, QStringList{wizard.Services().HelpFile});
    }

    void ClosingOnChooseTaskAsksNothing() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        QVERIFY(wizard.Close());
        QVERIFY(wizard.Messages().Shown().isEmpty());
    }

    void ARefusedPowerOffIsSaid() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        wizard.Desktop().PowerOffAnswer = false;
        wizard.Window().ShutdownComputer();
        QCOMPARE(wizard.Desktop().PowerOffRequests, 1);
        QVERIFY(wizard.Messages().Last().Text.contains(wizard.Desktop().PowerOffRefusal));
        QVERIFY(wizard.Messages().Last().Icon == TMessageIcon::Error);
    }

    void FolderBrowserStartsAtTheLastFolderAndRemembersTheChoice() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        QString folder;
        wizard.Dialogs().QueueFolder(wizard.TempPath());
        QVERIFY(wizard.Window().BrowseForFolder("Extract to", folder));
        QCOMPARE(folder, wizard.TempPath());
        QCOMPARE(wizard.Dialogs().Calls().back().Filter, QString("/"));
        QCOMPARE(wizard.Window().State().LastFolder, wizard.TempPath());
        // A folder that is gone is no answer.
        wizard.Dialogs().QueueFolder(wizard.TempPath("gone"));
        QVERIFY(!wizard.Window().BrowseForFolder("Extract to", folder));
        QCOMPARE(wizard.Dialogs().Calls().back().Filter, wizard.TempPath());
    }

    void EngineEventsRunOnTheWindowsLoop() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        std::atomic<bool> ranOnOwner{false};
        std::thread worker([&] {
            TSyncQueue::Main().Post([&] { ranOnOwner = TSyncQueue::Main().IsOwnerThread(); });
        });
        worker.join();
        // Nothing pumps the queue here but Qt's own event loop.
        QTRY_VERIFY_WITH_TIMEOUT(ranOnOwner.load(), 5000);
    }

    void AnEngineWaitKeepsTheWindowLive() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        WaitKeepingOwnerAlive(300, [&] { return fired; });
        QVERIFY(fired);
    }

    void EndingTheProgramDuringAnImageSaveStopsItAndLeavesNoImage() {
        QTemporaryDir output;
        const QString image = QDir(output.path()).filePath("out.iso");
        auto wizard = std::make_unique<TWizardHarness>();
        QVERIFY(wizard->Start());
        // Big enough that the save still runs when the window goes, and
        // just under the 4 GiB that a volume refuses.
        QFile source(wizard->TempPath("big.bin"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        QVERIFY(source.resize((qint64(4) << 30) - 2048));
        source.close();
        TOrvoBurner& burner = wizard->Window().Burner();
        QVERIFY(burner.BeginProject(TOrvoBurner::TProjectTask::ImageFile));
        QVERIFY(burner.InsertFile("\\", source.fileName().toStdString(), false));
        QVERIFY(burner.SaveISOImage(image.toStdString(), false));
        QVERIFY(burner.Writing());
        QElapsedTimer timer;
        timer.start();
        wizard.reset();
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(QDir(output.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void ButtonsHaveAccessibleNamesAndIcons() {
        TWizardHarness wizard;
        QVERIFY(wizard.Start());
        TMainWindow& window = wizard.Window();
        const QPushButton* buttons[] = {window.HelpButton(), window.HomeButton(), window.NextButton(),
                                        window.StopButton(), window.DoneButton()};
        for (const QPushButton* button : buttons) {
            QVERIFY(!button->accessibleName().isEmpty());
            QVERIFY2(!button->icon().isNull(), qPrintable(button->text()));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
