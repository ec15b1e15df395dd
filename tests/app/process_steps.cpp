#include "tests/app/process_steps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <chrono>

#include "app/erase_panel.h"
#include "app/record_panel.h"
#include "engine/iso/image_disc.h"
#include "engine/iso/session_reader.h"
#include "engine/orvo_burner.h"
#include "engine/project/project_tree.h"
#include "tasks/progress_texts.h"

namespace sorvane::test {
namespace {

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

}  // namespace

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

TSources MakeSources(const TWizardHarness& wizard, const QString& name, int bigSize) {
    const QString root = wizard.TempPath(name);
    TSources sources;
    sources.Expected["/small.txt"] = "small";
    sources.Expected["/big.bin"] = Pattern(bigSize, 1);
    sources.Expected["/Docs/inner.dat"] = Pattern(70001, 2);
    for (const auto& [path, bytes] : sources.Expected) WriteFile(root + path, bytes);
    sources.Root = root;
    sources.Paths = {root + "/small.txt", root + "/big.bin", root + "/Docs"};
    return sources;
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

app::TProcessPage* Process(const TWizardHarness& wizard) { return wizard.PageAs<app::TProcessPage>(); }

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

bool ToImageOptions(TWizardHarness& wizard, const QString& image) {
    wizard.ChooseTask(app::kTaskRecordImage);
    wizard.Dialogs().QueueOpenFile(image);
    wizard.PressNext();
    return wizard.PageCaption() == QLatin1String(app::caption::kBurnOptions);
}

QString ImageOf(const TWizardHarness& wizard, const TSources& sources, const QString& name) {
    const QString image = wizard.TempPath(name);
    QProcess tool;
    tool.start("genisoimage", {"-quiet", "-J", "-o", image, sources.Root});
    return tool.waitForFinished(60000) && tool.exitCode() == 0 ? image : QString();
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


QString EjectedAndShutDownProblem(TWizardHarness& wizard, const app::TProcessPage& page) {
    app::TMainWindow& window = wizard.Window();
    const QString size = QString::fromStdString(tasks::MbText(window.Burner().GetImageSize() * 2048));
    const app::TRecordPanel& panel = page.RecordPanel();
    if (panel.Caption() != "Record finished successfully") return "record caption: " + panel.Caption();
    if (panel.SizeText() != size + "/" + size + " Mb") return "size: " + panel.SizeText();
    if (panel.PercentText() != "100%") return "percentage: " + panel.PercentText();
    if (panel.Position() != panel.Maximum()) return "the record bar is not full";
    if (panel.RemainingText() != "00:00:00") return "remaining: " + panel.RemainingText();
    if (!page.ErasePanel().isHidden()) return "the erase panel is shown";
    if (window.StopVisible()) return "Stop is still shown";
    if (!window.HomeButton()->isEnabled()) return "Home is disabled";
    if (window.windowTitle() != "Sorvane") return "title: " + window.windowTitle();
    if (page.EjectBox()->isEnabled() || page.ShutdownBox()->isEnabled()) return "the finish choices are still enabled";
    if (!wizard.Messages().Shown().isEmpty()) return "a box was shown: " + wizard.Messages().Last().Text;
    if (wizard.Desktop().PowerOffRequests != 1) return QString("power-off asked %1 times").arg(wizard.Desktop().PowerOffRequests);
    const vdrive::TDriveStatus status = wizard.Host().Status(0);
    if (!status.TrayOpen) return "the disc was not ejected";
    if (status.Locked) return "the tray is still locked";
    return {};
}

}  // namespace sorvane::test
