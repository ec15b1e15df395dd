// sorvane: the desktop wizard.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/main_window.h"
#include "app/single_instance.h"

int main(int argc, char** argv) {
    // --help and --version are answered before the application connects to
    // a display, so that they work in a terminal without a desktop session.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Record data CDs and DVDs and make ISO images."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("image"), QStringLiteral("An ISO image to record to a disc."),
                                 QStringLiteral("[image.iso]"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "sorvane: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Sorvane %s\n", SORVANE_VERSION);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sorvane"));
    QApplication::setDesktopFileName(QStringLiteral("sorvane"));
    QApplication::setApplicationVersion(QStringLiteral(SORVANE_VERSION));

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
