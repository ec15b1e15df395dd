#pragma once
// The tray of an operation the user stopped and then left: the drive still
// belongs to the operation's worker until it has wound down, and the page
// that would have let the tray go at its end is gone. This watcher lets it
// go then, unless a new operation has taken the drive meanwhile (that one
// lets it go at its own end).

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace sorvane::app {

class TMainWindow;

class TTrayRelease : public QObject {
    Q_OBJECT
public:
    // Starts watching the window's burner; the watcher belongs to the
    // window and ends by itself.
    static void After(TMainWindow& window);

private:
    explicit TTrayRelease(TMainWindow& window);
    void Poll();

    TMainWindow& window_;
    QTimer timer_;
    QElapsedTimer waited_;
};

}  // namespace sorvane::app
