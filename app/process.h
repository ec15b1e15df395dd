#pragma once
// The Process page: the last step of every task that writes. It starts the
// erase, the recording of the project or of an image file, or the saving of
// the project as an image file; shows their progress from two timers that
// read the burner's counters; follows the burner's completion events, which
// the main window forwards while the page is shown; and ends with Done,
// the tray let go, and the eject and shutdown the user asked for.
//
// Everything runs on the window's thread and nothing here waits for the
// workers: an operation is started, and the page goes on when its event
// comes.

#include <QTimer>
#include <functional>

#include "app/page.h"

class QCheckBox;

namespace sorvane::app {

class TErasePanel;
class TRecordPanel;

class TProcessPage : public TWizardPage {
    Q_OBJECT
public:
    explicit TProcessPage(TMainWindow& window);
    ~TProcessPage() override;

    // Ends the operation: false when it failed or the user stopped it, and
    // then nothing is ejected and nothing shut down.
    void Finish(bool success) override;
    void EraseDone() override;
    void BurnDone() override;
    void Finalizing() override;

    const TErasePanel& ErasePanel() const { return *erasePanel_; }
    const TRecordPanel& RecordPanel() const { return *recordPanel_; }
    QCheckBox* EjectBox() const { return eject_; }
    QCheckBox* ShutdownBox() const { return shutdown_; }

private:
    enum class TPhase { Starting, Erasing, ErasePause, Recording, ClosingTrack, Finished };

    // The task's first operation; run once the main window shows the page,
    // so that the events it raises reach the page.
    void Start();
    void Erase(bool quick);
    void BurnDisc();
    void BurnISO();
    void SaveISO();
    // Shows the record panel and runs the start step of a recording or an
    // image save; false when the operation ended already.
    bool StartRecording(const std::function<bool()>& start);
    void StartTimers();
    void AfterErase();
    void CountTick();
    void ProgressTick();
    void ShowProgressTitle(const QString& caption, const QString& percent);
    void LockTray();
    // The tray let go once no worker uses the drive, then the eject and the
    // shutdown asked for.
    void ReleaseDrive(bool eject, bool shutdown);
    QString ProjectSize() const;

    TErasePanel* erasePanel_;
    TRecordPanel* recordPanel_;
    QCheckBox* eject_;
    QCheckBox* shutdown_;
    QTimer countTimer_;
    QTimer progressTimer_;
    TPhase phase_ = TPhase::Starting;
    // An operation was started whose completion event has not come yet:
    // its worker still owns the drive.
    bool workerRunning_ = false;
    // Finish came while the worker ran; the tray is let go at its end.
    bool releasePending_ = false;
};

}  // namespace sorvane::app
