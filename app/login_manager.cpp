#include "app/login_manager.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace sorvane::app {
namespace {

constexpr char kService[] = "org.freedesktop.login1";
constexpr char kPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";

}  // namespace

bool PowerOffThroughLoginManager(QString& why) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        why = QObject::tr("The system bus cannot be reached: %1").arg(bus.lastError().message());
        return false;
    }
    QDBusInterface manager(kService, kPath, kManager, bus);
    if (!manager.isValid()) {
        why = QObject::tr("The login manager cannot be reached: %1").arg(manager.lastError().message());
        return false;
    }
    // Interactive: the login manager may ask the user to authorise it.
    const QDBusReply<void> reply = manager.call("PowerOff", true);
    if (!reply.isValid()) {
        why = reply.error().message();
        return false;
    }
    return true;
}

}  // namespace sorvane::app
