#pragma once
// What the wizard's pages share for the whole run: the task and drive the
// user chose, the choices the pages hand on to the ones after them, and the
// captions by which the main window knows its pages.

#include <QString>
#include <QStringList>

namespace sorvane::app {

// The six tasks, by the number the Choose Task page gives them.
enum TTask : int {
    kTaskRecordNew = 0,
    kTaskContinue = 1,
    kTaskErase = 2,
    kTaskMakeIso = 3,
    kTaskRecordImage = 4,
    kTaskInformation = 5,
};

// The captions by which the main window tells its pages apart.
namespace caption {
inline constexpr char kChooseTask[] = "Choose Task";
inline constexpr char kAddFiles[] = "Add Files";
inline constexpr char kBurnOptions[] = "Burn Options";
inline constexpr char kProcess[] = "Process";
inline constexpr char kInfo[] = "Info";
inline constexpr char kEraseOptions[] = "Erase Options";
inline constexpr char kSessions[] = "Sessions";
}  // namespace caption

struct TGlobalState {
    int ChosenTask = kTaskRecordNew;
    int ChosenDevice = -1;        // index in the burner's Devices, -1: none
    QStringList DeviceNames;      // display names, in the order of Devices
    int HelpTopic = 2;            // help context of the page shown
    bool EraseFirst = false;      // erase the rewritable disc before recording
    bool QuickErase = true;       // the erase task's mode
    bool EraseFailed = false;     // the last erase ended with an error
    QString WriteError;           // the last recording's error, empty on success
    QString ImageFileName;        // the .iso to write or to record
    QString LastFolder = "/";     // preselected in the folder browser
    QString RecordSpeedText;      // the recording speed chosen, as listed
    QString EraseSpeedText;       // the erasing speed chosen, as listed
    QString ProjectSizeText;      // the recording's size in Mb, "##,##0.00"
    bool CancelExtract = false;   // the user stopped an extraction
    int ElapsedSeconds = 0;       // since the operation started
};

// "Step 2 of 3": the place of a page in the sequence of `task`; empty for a
// page that is not part of it.
QString StepLabel(const QString& pageCaption, int task);

// The help topic of a page shown for `task`.
int HelpTopicOf(const QString& pageCaption, int task);

}  // namespace sorvane::app
