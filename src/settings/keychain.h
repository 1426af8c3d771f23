#pragma once

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace corvane {

// The desktop's keyring: items are written, read and removed through QtKeychain, which speaks
// to the Secret Service (GNOME Keyring, KeePassXC, KWallet's bridge) or to KWallet. Each item
// is found by its label and its name; the label is what the user sees in their keyring
// manager. The session bus tells whether a Secret Service is there at all, whether its
// default collection is locked, and when either changes.
class Keychain final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Keychain)

public:
    enum class Outcome {
        ok,
        notFound, // also what a locked collection answers to a read
        refused,  // locked, denied, dismissed or failed: try again later
        absent,   // no keyring service at all
    };
    struct Answer {
        Outcome outcome = Outcome::refused;
        QString value; // a read's secret
        QString error; // the keyring's own words, never a secret
    };

    explicit Keychain(QDBusConnection bus, QObject* parent = nullptr);

    // Whether a Secret Service runs on the bus or can be started by it.
    QCoro::Task<bool> serviceAvailable();
    // Whether the default collection is locked; true when that cannot be told.
    QCoro::Task<bool> defaultCollectionLocked();

    QCoro::Task<Answer> read(QString label, QString name);
    QCoro::Task<Answer> write(QString label, QString name, QString value);
    // Removing an item that is not there succeeds.
    QCoro::Task<Answer> remove(QString label, QString name);

Q_SIGNALS:
    // A collection was locked, unlocked, created or changed, or the service came or went.
    void changed();

private:
    QDBusConnection m_bus;
};

} // namespace corvane
