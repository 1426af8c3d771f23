#include "updatenotifier.h"

#include "pushover/notificationmanager.h"
#include "settings/suite.h"

#include <QPointer>

namespace corvane {

UpdateNotifier::UpdateNotifier(UpdateChecker& checker, Suite& suite,
                               NotificationManager& notifications, QObject* parent)
    : QObject(parent)
    , m_suite(suite)
    , m_notifications(notifications)
{
    connect(&checker, &UpdateChecker::checked, this, &UpdateNotifier::onChecked);
}

QString UpdateNotifier::toldKey()
{
    return QStringLiteral("updateVersionTold");
}

void UpdateNotifier::onChecked(const UpdateResult& result, bool userAsked)
{
    if (userAsked || result.kind != UpdateResult::Kind::newer ||
        m_suite.text(toldKey()) == result.version)
        return;
    m_suite.setText(toldKey(), result.version);
    const QUrl page = result.downloadPage;
    const QPointer<UpdateNotifier> self(this);
    m_notifications.sendNotification(describeUpdate(result),
                                     QStringLiteral("Open the download page to get it."),
                                     QStringLiteral("Download"), [self, page] {
                                         if (self)
                                             Q_EMIT self->downloadRequested(page);
                                     });
}

} // namespace corvane
