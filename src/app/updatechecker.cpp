#include "updatechecker.h"

#include "base/log.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QXmlStreamReader>
#include <chrono>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace corvane {

namespace {

const QString sparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");
constexpr qint64 maxFeedBytes = 2 * 1024 * 1024;
constexpr std::chrono::seconds feedTimeout{30};

struct FeedItem {
    QString version;
    QString shortVersion;
    QUrl enclosure;
    QUrl releaseNotes;
};

// One dotted part: its leading number and whatever follows it.
std::pair<qulonglong, QString> splitPart(const QString& part)
{
    qsizetype digits = 0;
    while (digits < part.size() && part[digits].isDigit() && digits < 18)
        ++digits;
    return {part.left(digits).toULongLong(), part.mid(digits)};
}

UpdateResult unreadable(const QString& problem)
{
    return {UpdateResult::Kind::unreadable, {}, {}, problem};
}

// The user downloads and runs what this page offers, so it must come over TLS.
bool isWebPage(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
}

void readItem(QXmlStreamReader& xml, QList<FeedItem>& items)
{
    FeedItem item;
    while (xml.readNextStartElement()) {
        const bool sparkle = xml.namespaceUri() == sparkleNamespace;
        const auto name = xml.name();
        if (name == QStringLiteral("enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            item.enclosure = QUrl(attributes.value(QStringLiteral("url")).toString().trimmed());
            // Older appcasts carry the versions on the enclosure itself.
            if (attributes.hasAttribute(sparkleNamespace, QStringLiteral("version")))
                item.version = attributes.value(sparkleNamespace, QStringLiteral("version"))
                                   .toString()
                                   .trimmed();
            if (attributes.hasAttribute(sparkleNamespace, QStringLiteral("shortVersionString")))
                item.shortVersion =
                    attributes.value(sparkleNamespace, QStringLiteral("shortVersionString"))
                        .toString()
                        .trimmed();
            xml.skipCurrentElement();
        } else if (sparkle && name == QStringLiteral("version")) {
            item.version = xml.readElementText().trimmed();
        } else if (sparkle && name == QStringLiteral("shortVersionString")) {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (sparkle && name == QStringLiteral("releaseNotesLink")) {
            item.releaseNotes = QUrl(xml.readElementText().trimmed());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!item.version.isEmpty())
        items.append(item);
}

} // namespace

int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(u'.');
    const QStringList right = b.trimmed().split(u'.');
    for (qsizetype i = 0; i < qMax(left.size(), right.size()); ++i) {
        const auto [ln, ls] = splitPart(i < left.size() ? left[i] : QStringLiteral("0"));
        const auto [rn, rs] = splitPart(i < right.size() ? right[i] : QStringLiteral("0"));
        if (ln != rn)
            return ln < rn ? -1 : 1;
        if (ls == rs)
            continue;
        if (ls.isEmpty() || rs.isEmpty())
            return ls.isEmpty() ? 1 : -1;
        return ls < rs ? -1 : 1;
    }
    return 0;
}

UpdateResult evaluateAppcast(const QByteArray& feed, const QString& currentVersion)
{
    QXmlStreamReader xml(feed);
    QList<FeedItem> items;
    if (!xml.readNextStartElement() || xml.name() != QStringLiteral("rss"))
        return unreadable(QStringLiteral("The update feed is not an RSS feed."));
    while (xml.readNextStartElement()) {
        if (xml.name() != QStringLiteral("channel")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QStringLiteral("item"))
                readItem(xml, items);
            else
                xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        return unreadable(QStringLiteral("The update feed is damaged (line %1: %2).")
                              .arg(xml.lineNumber())
                              .arg(xml.errorString()));
    if (items.isEmpty())
        return unreadable(QStringLiteral("The update feed lists no version."));

    const FeedItem* newest = &items.first();
    for (const FeedItem& item : items)
        if (compareVersions(item.version, newest->version) > 0)
            newest = &item;
    if (compareVersions(newest->version, currentVersion) <= 0)
        return {UpdateResult::Kind::upToDate, {}, {}, {}};
    const QUrl page = isWebPage(newest->enclosure) ? newest->enclosure : newest->releaseNotes;
    if (!isWebPage(page))
        return unreadable(QStringLiteral("The update feed gives no web address for version %1.")
                              .arg(newest->version));
    const QString shown = newest->shortVersion.isEmpty() ? newest->version : newest->shortVersion;
    return {UpdateResult::Kind::newer, shown, page, {}};
}

QString describeUpdate(const UpdateResult& result)
{
    switch (result.kind) {
    case UpdateResult::Kind::newer:
        return QStringLiteral("Corvane %1 is available.").arg(result.version);
    case UpdateResult::Kind::upToDate:
        return QStringLiteral("You're up to date.");
    case UpdateResult::Kind::unreadable:
        return QStringLiteral("Could not check for updates. %1").arg(result.problem);
    }
    return {};
}

UpdateChecker::UpdateChecker(QNetworkAccessManager& network, QUrl feedUrl, QString currentVersion,
                             std::chrono::milliseconds period, QObject* parent)
    : QObject(parent)
    , m_network(network)
    , m_feedUrl(std::move(feedUrl))
    , m_currentVersion(std::move(currentVersion))
{
    m_daily.setInterval(period);
    connect(&m_daily, &QTimer::timeout, this, [this] { check(false); });
}

void UpdateChecker::start()
{
    if (!isEnabled()) {
        logLine(QStringLiteral("Update checks are off in this build."));
        return;
    }
    // From the loop: the request (and the TLS stack it brings in) waits until the start-up
    // that shows the status item is done.
    QTimer::singleShot(0, this, [this] { check(false); });
    m_daily.start();
}

void UpdateChecker::check(bool userAsked)
{
    if (!isEnabled()) {
        if (userAsked)
            Q_EMIT checked(unreadable(QStringLiteral("This build has no update feed.")), true);
        return;
    }
    // One request at a time; a user who asks during a quiet check gets its answer.
    m_userWaiting = m_userWaiting || userAsked;
    if (m_checking)
        return;
    m_checking = true;
    fetch(userAsked);
}

QCoro::Task<void> UpdateChecker::fetch(bool userAsked)
{
    QNetworkRequest request(m_feedUrl);
    request.setTransferTimeout(int(std::chrono::milliseconds(feedTimeout).count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        m_network.get(request), [](QNetworkReply* r) { r->deleteLater(); });
    // The limit holds while the feed arrives, so a runaway answer never fills the memory.
    auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* raw = reply.get();
    // Ends with this checker, so that the coroutine resumes (and frees itself) when it goes.
    connect(this, &QObject::destroyed, raw, &QNetworkReply::abort);
    // downloadProgress is throttled and may skip the arrival that passes the limit, so each
    // arrival is checked, against the declared length as well as what is buffered.
    connect(raw, &QNetworkReply::readyRead, raw, [raw, tooLarge] {
        const qint64 declared = raw->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (!*tooLarge && (declared > maxFeedBytes || raw->bytesAvailable() > maxFeedBytes)) {
            *tooLarge = true;
            raw->abort();
        }
    });
    const QPointer<UpdateChecker> self(this);
    co_await reply.get();
    if (!self)
        co_return;

    UpdateResult result;
    if (*tooLarge)
        result = unreadable(QStringLiteral("The update feed is too large."));
    else if (reply->error() != QNetworkReply::NoError)
        result = unreadable(
            QStringLiteral("The update feed cannot be reached (%1).").arg(reply->errorString()));
    else
        result = evaluateAppcast(reply->readAll(), m_currentVersion);

    logLine(describeUpdate(result));
    userAsked = userAsked || m_userWaiting;
    m_userWaiting = false;
    m_checking = false;
    Q_EMIT checked(result, userAsked);
}

} // namespace corvane
