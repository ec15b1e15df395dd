// sorvane: the desktop wizard.

#include <QApplication>
#include <QCommandLineParser>

#include "app/main_window.h"
#include "app/single_instance.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sorvane"));
    QApplication::setDesktopFileName(QStringLiteral("sorvane"));
    QApplication::setApplicationVersion(QStringLiteral(SORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Record data CDs and DVDs and make ISO images."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("image"), QStringLiteral("An ISO image to record to a disc."),
                                 QStringLiteral("[image.iso]"));
    parser.process(application);

    // A second start brings the first window to the front and ends.
    sorvane::app::TSingleInstance instance(sorvane::app::TSingleInstance::UserServerName());
    if (!instance.Start()) return 0;

    sorvane::app::TMainWindow window(sorvane::app::TWizardServices::Real());
    if (window.Failed()) return 1;
    if (const QStringList images = parser.positionalArguments(); !images.isEmpty())
        window.StartWithImage(images.front());
    QObject::connect(&instance, &sorvane::app::TSingleInstance::Activated, &window, [&window] {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}
