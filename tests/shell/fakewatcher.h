#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>

namespace corvane::test {

// A StatusNotifierWatcher with one host, as a panel that shows such items offers it, on the
// rig's private bus. It remembers who registered.
class FakeWatcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeWatcher)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    explicit FakeWatcher(QDBusConnection bus);
    ~FakeWatcher() override;

    bool hostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    // The bus name of the program that registered, for calls back to it.
    QString lastSender() const { return m_sender; }
    // Forgets every item and says so, as a host that failed to read them does.
    void dropItems();

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service);

Q_SIGNALS:
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& service);

private:
    QDBusConnection m_bus;
    QStringList m_items;
    QString m_sender;
};

} // namespace corvane::test
