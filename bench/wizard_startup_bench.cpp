// How long the wizard takes to show its first page: from the start of a new
// process to the first paint of the Choose Task page, on the emulated
// recorder (its state in a throw-away folder), as `sorvane` starts. Each
// run is a fresh process; the median and the slowest of the runs are
// printed. Without a desktop session the offscreen platform draws.

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/choose_task.h"
#include "app/main_window.h"
#include "app/single_instance.h"

namespace {

constexpr int kRuns = 10;

// Ends the process at the first paint of the Choose Task page.
class TFirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<sorvane::app::TChooseTaskPage*>(watched)) {
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
};

int Child(int argc, char** argv, const char* instanceName) {
    QApplication application(argc, argv);
    sorvane::app::TSingleInstance instance(QString::fromLocal8Bit(instanceName));
    if (!instance.Start()) return 1;
    TFirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    sorvane::app::TMainWindow window(sorvane::app::TWizardServices::Real());
    if (window.Failed()) return 1;
    window.show();
    return QApplication::exec();
}

// Milliseconds from fork to the child's "painted" line; negative on failure.
double TimeOneStart(const char* self, const char* instanceName) {
    int out[2];
    if (::pipe(out) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(self, self, "--child", instanceName, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(out[1]);
    char line[16] = {};
    const ssize_t got = ::read(out[0], line, sizeof line - 1);
    const auto painted = std::chrono::steady_clock::now();
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got <= 0 || std::strncmp(line, "painted", 7) != 0) return -1;
    return std::chrono::duration<double, std::milli>(painted - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(argc, argv, argv[2]);

    QTemporaryDir temp;
    ::setenv("SORVANE_VDRIVE_HOME", QDir(temp.path()).filePath("vdrive").toLocal8Bit().constData(), 1);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string instanceName = QDir(temp.path()).filePath("wizard").toStdString();

    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const double ms = TimeOneStart("/proc/self/exe", instanceName.c_str());
        if (ms < 0) {
            std::fprintf(stderr, "run %d: the wizard did not paint its first page\n", run + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("wizard start to first paint of Choose Task: median %.1f ms, slowest %.1f ms (%d runs, %s)\n",
                times[times.size() / 2], times.back(), kRuns, std::getenv("QT_QPA_PLATFORM") ? "offscreen" : "display");
    return 0;
}
