#pragma once
// The steps the Process page's tests and its screenshots share: the wizard
// started with the burner paced by the recorder's clock, files to record,
// the walk from Choose Task to the Process page, and the recorded files
// read back with the engine's session reader.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>

#include "app/process.h"
#include "tests/app/wizard_harness.h"

class QCheckBox;
class QRadioButton;
class QWidget;

namespace sorvane::test {

using TFiles = std::map<QString, QByteArray>;  // by path: "/Docs/inner.dat"

inline constexpr int kLongWaitMs = 60000;

// Bytes nobody writes by accident, the same for the same seed.
QByteArray Pattern(int size, int seed);
// Writes a file, making its folder; answers its path, empty on failure.
QString WriteFile(const QString& path, const QByteArray& bytes);

// A folder of files to record, and what they should read back as.
struct TSources {
    QString Root;       // the folder they are in
    QStringList Paths;  // what the user adds: files and a folder
    TFiles Expected;
};
TSources MakeSources(const TWizardHarness& wizard, const QString& name, int bigSize = 3 * 1048576);

// The files of an image's one session as the engine's session reader finds
// them; empty when it finds no file system.
TFiles ReadImage(const QString& image, const QString& scratch);
// Session `session` of drive 0's disc, read back through an image of it.
TFiles ReadSession(TWizardHarness& wizard, int session);
// The image of a used disc, a session written by another tool; empty
// without genisoimage.
QString UsedDiscImage(const TWizardHarness& wizard);

// Starts the wizard with the burner's pauses (its polls of a busy drive)
// made on the recorder's clock, whatever pace a test sets it to: the
// harness's recorder lives in memory, where the program cannot tell its
// drives from real ones and would wait in real time.
bool Start(TWizardHarness& wizard);

// An image of the sources made by another tool; empty without genisoimage.
QString ImageOf(const TWizardHarness& wizard, const TSources& sources, const QString& name = "sources.iso");
// From the Choose Task page with "Record ISO-image to disc" and `image` to
// Burn Options.
bool ToImageOptions(TWizardHarness& wizard, const QString& image);
// Next on Burn Options or Erase Options: the Process page is shown, its
// operation about to start.
bool ToProcess(TWizardHarness& wizard);
app::TProcessPage* Process(const TWizardHarness& wizard);
// Waits for Done.
bool Finished(TWizardHarness& wizard);
// What a recording that succeeded with "Eject disc after finish" and
// "Shutdown PC after finish" checked leaves: the record panel full, the
// operation over, the window's title back, no box shown, one power-off
// asked for, and the tray open and unlocked. Empty when all of it holds,
// else the first thing that does not.
QString EjectedAndShutDownProblem(TWizardHarness& wizard, const app::TProcessPage& page);

QCheckBox* FindCheckBox(QWidget* page, const QString& text);
QRadioButton* FindRadio(QWidget* page, const QString& text);
// Chooses the slowest speed of the Burn Options page, so that a throttled
// drive takes a while.
void ChooseSlowestSpeed(TWizardHarness& wizard);

}  // namespace sorvane::test
