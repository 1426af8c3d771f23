#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;

namespace QCoro {
template <typename T> class Task;
}

namespace corvane {

// What one look at the appcast found.
struct UpdateResult {
    enum class Kind { newer, upToDate, unreadable };
    Kind kind = Kind::unreadable;
    QString version;   // newer: the version to show (the short one when the feed has it)
    QUrl downloadPage; // newer: where the user gets it
    QString problem;   // unreadable: why, in words fit for the user
};

// -1, 0 or 1 as `a` is older than, the same as or newer than `b`. Dotted numbers compare
// part by part as numbers ("1.10" > "1.9", "1.2" == "1.2.0"); a part with a suffix comes
// before the bare number ("2.0-beta" < "2.0").
int compareVersions(const QString& a, const QString& b);

// Reads an appcast (RSS 2.0 with the sparkle namespace) and compares its newest item with
// `currentVersion`, this build's number. Only https download pages are offered to the user.
UpdateResult evaluateAppcast(const QByteArray& feed, const QString& currentVersion);

// The sentence the user reads for a result.
QString describeUpdate(const UpdateResult& result);

// Looks for new versions at start-up, once a day after that, and when the user asks. The
// checks it makes on its own report through checked() with `userAsked` false: the shell
// shows those quietly (a notification, never a modal dialog) and only when there is news.
class UpdateChecker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateChecker)

public:
    // An empty feed URL turns checking off (builds that are not meant to update themselves).
    UpdateChecker(QNetworkAccessManager& network, QUrl feedUrl, QString currentVersion,
                  std::chrono::milliseconds period = std::chrono::hours(24),
                  QObject* parent = nullptr);

    bool isEnabled() const { return !m_feedUrl.isEmpty(); }
    // The start-up check and the daily timer.
    void start();
    // The "Check for updates" command.
    void checkForUpdates() { check(true); }

Q_SIGNALS:
    void checked(const corvane::UpdateResult& result, bool userAsked);

private:
    void check(bool userAsked);
    QCoro::Task<void> fetch(bool userAsked);

    QNetworkAccessManager& m_network;
    QUrl m_feedUrl;
    QString m_currentVersion;
    QTimer m_daily;
    bool m_checking = false;
    bool m_userWaiting = false;
};

} // namespace corvane

Q_DECLARE_METATYPE(corvane::UpdateResult)
