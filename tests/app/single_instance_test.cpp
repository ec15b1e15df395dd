// One wizard per user: a later start reaches the first one, and a socket
// left behind by a killed first instance stops no one.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "app/single_instance.h"

using sorvane::app::TSingleInstance;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void ALaterStartRaisesTheFirst() {
        QTemporaryDir temp;
        const QString name = QDir(temp.path()).filePath("wizard");
        TSingleInstance first(name);
        QVERIFY(first.Start());
        QSignalSpy activated(&first, &TSingleInstance::Activated);
        TSingleInstance second(name);
        QVERIFY(!second.Start());
        QVERIFY(activated.wait(5000));
    }

    void AStaleSocketIsTakenOver() {
        QTemporaryDir temp;
        const QString name = QDir(temp.path()).filePath("wizard");
        // What a killed instance leaves: a socket file nobody listens on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = name.toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFileInfo::exists(name));

        TSingleInstance next(name);
        QVERIFY(next.Start());
        QSignalSpy activated(&next, &TSingleInstance::Activated);
        TSingleInstance later(name);
        QVERIFY(!later.Start());
        QVERIFY(activated.wait(5000));
    }

    void TheNameIsTheUsersOwn() {
        QVERIFY(TSingleInstance::UserServerName().endsWith(QString::number(::getuid())));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
