// The Process page through the whole wizard, on a throw-away emulated
// recorder: every writing task from Choose Task to Done, its result read
// back with the engine's session reader and compared byte for byte, and
// what the page shows on the way: progress, the end of an erase, the
// closing of the track, a failure, a stop, the close box.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <map>

#include "app/add_files.h"
#include "app/erase_panel.h"
#include "app/process.h"
#include "app/record_panel.h"
#include "engine/iso/image_disc.h"
#include "engine/iso/session_reader.h"
#include "engine/orvo_burner.h"
#include "engine/project/project_tree.h"
#include "tasks/progress_texts.h"
#include "tests/app/wizard_harness.h"

using namespace sorvane;
using namespace sorvane::app;
using sorvane::test::TWizardHarness;
using vdrive::TMediumKind;
using vdrive::TMediumState;

namespace {

using TFiles = std::map<QString, QByteArray>;  // by path: "/Docs/inner.dat"

constexpr int kLongWaitMs = 60000;

QByteArray Pattern(int size, int seed) {
    QByteArray bytes(size, '\0');
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
    for (char& byte : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<char>(x);
    }
    return bytes;
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

// A folder of files to record, and what they should read back as.
struct TSources {
    QStringList Paths;  // what the user adds: files and folders
    TFiles Expected;
};

TSources MakeSources(const TWizardHarness& wizard, const QString& name, int bigSize = 3 * 1048576) {
    const QString root = wizard.TempPath(name);
    TSources sources;
    sources.Expected["/small.txt"] = "small";
    sources.Expected["/big.bin"] = Pattern(bigSize, 1);
    sources.Expected["/Docs/inner.dat"] = Pattern(70001, 2);
    for (const auto& [path, bytes] : sources.Expected) WriteFile(root + path, bytes);
    sources.Paths = {root + "/small.txt", root + "/big.bin", root + "/Docs"};
    return sources;
}

void Walk(TSessionReader& reader, const TDEntry& dir, const QString& prefix, const QString& scratch, TFiles& files) {
    for (const TFEntry* entry = dir.FirstEntry; entry; entry = entry->Next) {
        const QString path = prefix + "/" + QString::fromStdString(entry->LongName);
        if (entry->IsDirectory()) {
            Walk(reader, *entry->Dir, path, scratch, files);
            continue;
        }
        QFile::remove(scratch);
        if (!reader.ExtractFile(*entry, scratch.toStdString())) {
            files[path] = "<unreadable: " + QByteArray::fromStdString(reader.LastError) + ">";
            continue;
        }
        QFile file(scratch);
        file.open(QIODevice::ReadOnly);
        files[path] = file.readAll();
    }
}

// The files of the image's one session as the engine's session reader
// finds them; empty when it finds no file system.
TFiles ReadImage(const QString& image, const QString& scratch) {
    TImageDisc disc(image.toStdString());
    TObject sender;
    const TDebugSink quiet = [](const std::string&, int) {};
    TProjectTree tree(sender, quiet);
    TSessionReader reader(disc, tree, quiet);
    TFiles files;
    if (!disc.IsOpen() || !reader.ImportSession(1)) return files;
    Walk(reader, *tree.DirTable().front(), QString(), scratch, files);
    return files;
}

// Session `session` of drive 0's disc, read back through an image of it.
TFiles ReadSession(TWizardHarness& wizard, int session) {
    const QString image = wizard.TempPath(QString("session%1.iso").arg(session));
    std::string error;
    if (!wizard.Host().ExportSession(0, session, image.toStdString(), &error)) return {};
    return ReadImage(image, wizard.TempPath("extracted.bin"));
}

// Starts the wizard with the burner's pauses (its polls of a busy drive)
// made on the recorder's clock, whatever pace a test sets it to: the
// harness's recorder lives in memory, where the program cannot tell its
// drives from real ones and would wait in real time.
bool Start(TWizardHarness& wizard) {
    if (!wizard.Start()) return false;
    TOrvoBurner& burner = wizard.Window().Burner();
    vdrive::THost& host = wizard.Host();
    burner.Sleep = [&burner, &host](int ms) {
        const std::chrono::duration<double, std::milli> pause(ms / std::max(host.TimeScale(), 1.0));
        burner.PauseKeepingOwnerAlive(std::chrono::duration_cast<std::chrono::nanoseconds>(pause));
    };
    return true;
}

TProcessPage* Process(const TWizardHarness& wizard) { return wizard.PageAs<TProcessPage>(); }

bool Finished(TWizardHarness& wizard) {
    return TWizardHarness::WaitUntil([&] { return wizard.Window().DoneButton()->isVisible(); }, kLongWaitMs);
}

QCheckBox* FindCheckBox(QWidget* page, const QString& text) {
    for (QCheckBox* box : page->findChildren<QCheckBox*>())
        if (box->text() == text) return box;
    return nullptr;
}

QRadioButton* FindRadio(QWidget* page, const QString& text) {
    for (QRadioButton* button : page->findChildren<QRadioButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

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

// Next on Burn Options or Erase Options; the Process page is shown and its
// operation is about to start.
bool ToProcess(TWizardHarness& wizard) {
    wizard.PressNext();
    return Process(wizard) != nullptr;
}

// The image of a used disc: a session written by another tool.
QString UsedDiscImage(const TWizardHarness& wizard) {
    const QString folder = wizard.TempPath("old");
    WriteFile(folder + "/old.txt", "from an earlier session");
    const QString image = wizard.TempPath("old.iso");
    QProcess tool;
    tool.start("genisoimage", {"-quiet", "-J", "-o", image, folder});
    return tool.waitForFinished(30000) && tool.exitCode() == 0 ? image : QString();
}

// Chooses the slowest speed of the Burn Options page, so that a throttled
// drive takes a while.
void ChooseSlowestSpeed(TWizardHarness& wizard) {
    auto* speeds = wizard.Page()->findChild<QComboBox*>();
    if (speeds && speeds->count() > 0) speeds->setCurrentIndex(speeds->count() - 1);
}

}  // namespace

class ProcessTest : public QObject {
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

        TMainWindow& window = wizard.Window();
        const QString size = QString::fromStdString(tasks::MbText(window.Burner().GetImageSize() * 2048));
        const TRecordPanel& panel = page->RecordPanel();
        QCOMPARE(panel.Caption(), QString("Record finished successfully"));
        QCOMPARE(panel.SizeText(), size + "/" + size + " Mb");
        QCOMPARE(panel.PercentText(), QString("100%"));
        QCOMPARE(panel.Position(), panel.Maximum());
        QCOMPARE(panel.RemainingText(), QString("00:00:00"));
        QVERIFY(page->ErasePanel().isHidden());
        QVERIFY(!window.StopVisible());
        QVERIFY(window.HomeButton()->isEnabled());
        QCOMPARE(window.windowTitle(), QString("Sorvane"));
        QVERIFY(!page->EjectBox()->isEnabled() && !page->ShutdownBox()->isEnabled());
        QVERIFY2(wizard.Messages().Shown().isEmpty(), qPrintable(wizard.Messages().Last().Text));
        QCOMPARE(wizard.Desktop().PowerOffRequests, 1);
        const vdrive::TDriveStatus status = wizard.Host().Status(0);
        QVERIFY(status.TrayOpen);
        QVERIFY(!status.Locked);
        if (kind == int(TMediumKind::CdR)) TWizardHarness::SaveScreenshot(window, "process_finished");

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
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, sources.Paths));
        ChooseSlowestSpeed(wizard);
        QCheckBox* eraseFirst = FindCheckBox(wizard.Page(), "Erase RW before recording");
        QVERIFY(eraseFirst && eraseFirst->isEnabled());
        eraseFirst->click();
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
        QVERIFY(record.Caption().startsWith("Record on "));
        QVERIFY(TWizardHarness::WaitUntil([&] { return wizard.Window().Burner().BytesWritten() > 1048576; }));
        QVERIFY(TWizardHarness::WaitUntil([&] { return record.PercentText() != "0%"; }));
        QVERIFY(wizard.Window().StopVisible() && wizard.Window().StopEnabled());
        QVERIFY(!wizard.Window().HomeButton()->isEnabled());
        QVERIFY(wizard.Window().windowTitle().startsWith(record.Caption() + " - "));
        TWizardHarness::SaveScreenshot(wizard.Window(), "process_erase_then_record");

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

    void MakesAnImageFileThenRecordsIt() {
        TWizardHarness wizard({{vdrive::MultiFormatWriter(), {TMediumKind::DvdPlusR}}});
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        const QString image = wizard.TempPath("made.iso");
        QVERIFY(ToBurnOptions(wizard, kTaskMakeIso, sources.Paths, image));
        QVERIFY(ToProcess(wizard));
        TProcessPage* page = Process(wizard);
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

    void AFailedRecordingNeitherEjectsNorShutsDown() {
        TWizardHarness wizard;
        vdrive::TFaults faults;
        faults.MediumErrorLbas = std::make_pair(std::uint32_t(300), std::uint32_t(400));
        wizard.Host().SetFaults(0, faults);
        QVERIFY(Start(wizard));
        const TSources sources = MakeSources(wizard, "src");
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, sources.Paths));
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
        const TSources sources = MakeSources(wizard, "src", 40 * 1048576);
        QVERIFY(ToBurnOptions(wizard, kTaskRecordNew, sources.Paths));
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
        if (!leave) TWizardHarness::SaveScreenshot(window, "process_recording");

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
