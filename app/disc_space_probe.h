#pragma once
// Asks the drive for the disc's free space away from the window's thread:
// a slow or busy drive must not freeze the window every time the Add Files
// page refreshes its sizes. The answer comes back on the window's thread.
//
// The page sends the drive nothing else while a query runs: it waits for
// the query first (Wait), which the drive's command time-outs bound.

#include <QObject>
#include <atomic>
#include <thread>

#include "tasks/disc_values.h"

namespace sorvane {
class TOrvoBurner;
}

namespace sorvane::app {

class TDiscSpaceProbe : public QObject {
    Q_OBJECT
public:
    TDiscSpaceProbe(TOrvoBurner& burner, QObject* parent);
    ~TDiscSpaceProbe() override;

    // Starts a query unless one runs.
    void Start();
    // Returns when no query runs.
    void Wait();

signals:
    void Answered(const sorvane::tasks::TDiscSpace& space);

private:
    TOrvoBurner& burner_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace sorvane::app
