#pragma once

#include <QObject>

class QSocketNotifier;

namespace corvane {

// Turns SIGTERM and SIGINT into an orderly QCoreApplication::quit(), so that the shutdown
// path (the Pushover socket closed as "going away") runs for a session logout or Ctrl-C as it
// does for "Close Corvane". The handler only writes a byte to a socket pair; the event loop
// does the rest. Once destroyed, it leaves both signals ignored for the rest of the exit.
class QuitSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuitSignals)

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace corvane
