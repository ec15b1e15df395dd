#include "app/disc_space_probe.h"

#include <QMetaObject>

#include "engine/orvo_burner.h"

namespace sorvane::app {

TDiscSpaceProbe::TDiscSpaceProbe(TOrvoBurner& burner, QObject* parent) : QObject(parent), burner_(burner) {}

TDiscSpaceProbe::~TDiscSpaceProbe() { Wait(); }

void TDiscSpaceProbe::Start() {
    if (running_) return;
    Wait();
    running_ = true;
    thread_ = std::thread([this] {
        const tasks::TDiscSpace space = tasks::ReadDiscSpace(burner_);
        // Delivered on the window's thread; dropped if the probe is gone
        // by then.
        QMetaObject::invokeMethod(this, [this, space] { emit Answered(space); }, Qt::QueuedConnection);
        running_ = false;
    });
}

void TDiscSpaceProbe::Wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace sorvane::app
