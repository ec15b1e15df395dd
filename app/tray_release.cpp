#include "app/tray_release.h"

#include "app/global.h"
#include "app/main_window.h"
#include "app/page.h"
#include "engine/orvo_burner.h"

namespace sorvane::app {
namespace {

constexpr int kPollEveryMs = 500;
// As long as a drive writing out its buffer may refuse commands.
constexpr qint64 kGiveUpAfterMs = 120000;

}  // namespace

void TTrayRelease::After(TMainWindow& window) {
    // A window on its way out closes the drive with the program.
    if (!window.isVisible() || window.State().ChosenDevice < 0) return;
    new TTrayRelease(window);
}

TTrayRelease::TTrayRelease(TMainWindow& window) : QObject(&window), window_(window) {
    waited_.start();
    timer_.setInterval(kPollEveryMs);
    connect(&timer_, &QTimer::timeout, this, &TTrayRelease::Poll);
    timer_.start();
}

void TTrayRelease::Poll() {
    const TWizardPage* page = window_.CurrentPage();
    if (page && page->Caption() == QLatin1String(caption::kProcess)) {
        deleteLater();
        return;
    }
    TOrvoBurner& burner = window_.Burner();
    if (burner.Writing() || burner.Erasing()) return;
    if (burner.AllowMediumRemoval(true) || waited_.elapsed() > kGiveUpAfterMs) {
        timer_.stop();
        deleteLater();
    }
}

}  // namespace sorvane::app
