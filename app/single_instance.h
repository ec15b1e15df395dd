#pragma once
// One wizard per user: the first start listens on a local socket of the
// user's own; a later start finds it there, asks it to come to the front
// and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace sorvane::app {

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // `serverName`: the socket's name (a bare name lands in the temporary
    // folder, a path where it says).
    explicit TSingleInstance(QString serverName, QObject* parent = nullptr);

    // The name for the user running this process.
    static QString UserServerName();

    // True when this is the first instance, which now listens; false when
    // another one answered, which has been asked to come to the front. A
    // socket left behind by a first instance that was killed is removed.
    bool Start();

signals:
    // A later start asked this one to come to the front.
    void Activated();

private:
    void Answer();

    QString name_;
    QLocalServer server_;
};

}  // namespace sorvane::app
