#pragma once

#include "app/updatechecker.h"

#include <QObject>
#include <QUrl>

namespace corvane {

class NotificationManager;
class Suite;

// Tells the user of a new version that a check made on its own (at start-up or daily) found:
// one desktop notification per version, whose button asks for the download page. Checks the
// user asked for are answered by the shell instead.
class UpdateNotifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateNotifier)

public:
    UpdateNotifier(UpdateChecker& checker, Suite& suite, NotificationManager& notifications,
                   QObject* parent = nullptr);

    // The suite key of the last version told, so a restart does not tell it again.
    static QString toldKey();

Q_SIGNALS:
    void downloadRequested(const QUrl& page);

private:
    void onChecked(const UpdateResult& result, bool userAsked);

    Suite& m_suite;
    NotificationManager& m_notifications;
};

} // namespace corvane
