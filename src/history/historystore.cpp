#include "historystore.h"

#include "base/log.h"
#include "base/newyork.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QStandardPaths>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// The steps from each version to the next; the file records how far it got.
const char* const migrations[][3] = {
    // 0 -> 1: samples keyed for a broker's day in time order, one close per broker and day
    // kept current beside them so the thirty-day view reads a handful of rows.
    {"CREATE TABLE samples (broker TEXT NOT NULL, day INTEGER NOT NULL, at INTEGER NOT NULL,"
     " total REAL NOT NULL, PRIMARY KEY (broker, day, at)) WITHOUT ROWID",
     "CREATE TABLE closes (broker TEXT NOT NULL, day INTEGER NOT NULL, total REAL NOT NULL,"
     " PRIMARY KEY (broker, day)) WITHOUT ROWID",
     "CREATE TABLE meta (key TEXT PRIMARY KEY, value) WITHOUT ROWID"},
};

QDate newYorkDate(const QDateTime& instant)
{
    return instant.toTimeZone(newYorkTimeZone()).date();
}

long long cents(double total)
{
    return std::llround(total * 100);
}

QString lastError(const QSqlQuery& query)
{
    return query.lastError().databaseText();
}

// Creates the file before SQLite does, so it is never readable by others, not even briefly;
// a file left by an earlier build is narrowed as well.
bool createPrivately(const QString& path, QString& reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

QString HistoryStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/corvane/history.sqlite");
}

HistoryStore::HistoryStore(const QString& path, Check check)
    : m_path(path)
    , m_check(check)
{
    static QAtomicInt connections;
    m_connection = QStringLiteral("corvane-history-%1").arg(connections.fetchAndAddRelaxed(1));
    QString reason;
    Opened opened = openFile(reason);
    if (opened == Opened::unreadable) {
        moveAside(reason);
        opened = openFile(reason);
    }
    if (opened != Opened::ok)
        disable(reason);
}

HistoryStore::~HistoryStore()
{
    close();
}

HistoryStore::Opened HistoryStore::openFile(QString& reason)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        reason = QStringLiteral("cannot create %1").arg(folder);
        return Opened::off;
    }
    if (!createPrivately(m_path, reason)) {
        reason = QStringLiteral("cannot create %1: %2").arg(m_path, reason);
        return Opened::off;
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid()) {
        reason = QStringLiteral("no SQLite driver");
        close();
        return Opened::off;
    }
    m_db.setDatabaseName(m_path);
    if (!m_db.open()) {
        reason = m_db.lastError().text();
        close();
        return Opened::unreadable;
    }
    QSqlQuery query(m_db);
    auto answer = [&](const QString& sql) -> std::optional<QVariant> {
        if (!query.exec(sql) || !query.next()) {
            reason = lastError(query);
            return std::nullopt;
        }
        return query.value(0);
    };
    // SQLite gives the -wal and -shm files the database file's mode.
    const auto journal = answer(QStringLiteral("PRAGMA journal_mode = WAL"));
    std::optional<QVariant> check;
    if (journal && m_check == Check::integrity)
        check = answer(QStringLiteral("PRAGMA quick_check"));
    else if (journal)
        check = QStringLiteral("ok");
    const auto version = check ? answer(QStringLiteral("PRAGMA user_version")) : std::nullopt;
    if (check && check->toString() != QStringLiteral("ok"))
        reason = QStringLiteral("integrity check: ") + check->toString();
    if (!version || check->toString() != QStringLiteral("ok")) {
        query = QSqlQuery();
        close();
        return Opened::unreadable;
    }
    if (version->toInt() > schemaVersion) {
        // A newer build's file: left as it is for that build.
        reason = QStringLiteral("%1 is from a newer version").arg(m_path);
        query = QSqlQuery();
        close();
        return Opened::off;
    }
    query.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    if (!migrate(version->toInt(), reason)) {
        query = QSqlQuery();
        close();
        return Opened::unreadable;
    }
    if (query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'prunedOn'")) && query.next())
        m_prunedOn = QDate::fromJulianDay(query.value(0).toLongLong());
    m_insert = QSqlQuery(m_db);
    m_update = QSqlQuery(m_db);
    m_close = QSqlQuery(m_db);
    const bool prepared =
        m_insert.prepare(QStringLiteral(
            "INSERT OR REPLACE INTO samples (broker, day, at, total) VALUES (?, ?, ?, ?)")) &&
        m_update.prepare(QStringLiteral(
            "UPDATE samples SET total = ? WHERE broker = ? AND day = ? AND at = ?")) &&
        m_close.prepare(
            QStringLiteral("INSERT OR REPLACE INTO closes (broker, day, total) VALUES (?, ?, ?)"));
    if (!prepared) {
        reason = lastError(m_insert) + lastError(m_update) + lastError(m_close);
        query = QSqlQuery();
        close();
        return Opened::unreadable;
    }
    return Opened::ok;
}

bool HistoryStore::migrate(int from, QString& reason)
{
    QSqlQuery query(m_db);
    for (int version = from; version < schemaVersion; ++version) {
        m_db.transaction();
        for (const char* step : migrations[version]) {
            if (step && !query.exec(QString::fromLatin1(step))) {
                reason = lastError(query);
                m_db.rollback();
                return false;
            }
        }
        query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version + 1));
        if (!m_db.commit()) {
            reason = m_db.lastError().text();
            return false;
        }
    }
    return true;
}

void HistoryStore::close()
{
    m_insert = QSqlQuery();
    m_update = QSqlQuery();
    m_close = QSqlQuery();
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void HistoryStore::moveAside(const QString& reason)
{
    QString target = m_path + QStringLiteral(".corrupt");
    for (int n = 1; QFile::exists(target); ++n)
        target = m_path + QStringLiteral(".corrupt.%1").arg(n);
    const bool moved = QFile::rename(m_path, target);
    // A log of the old file must not be played into the fresh one.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(m_path + suffix) &&
            (!moved || !QFile::rename(m_path + suffix, target + suffix)))
            QFile::remove(m_path + suffix);
    }
    if (!moved)
        QFile::remove(m_path);
    logLine(
        QStringLiteral("History file unusable (%1): %2; starting a fresh one")
            .arg(reason, moved ? QStringLiteral("moved to ") + target : QStringLiteral("removed")));
}

void HistoryStore::disable(const QString& why)
{
    logLine(QStringLiteral("History is off: ") + why);
}

std::optional<HistorySample> HistoryStore::lastSample(const QString& broker, QDate day)
{
    const auto cached = m_last.constFind(broker);
    if (cached != m_last.cend() && cached->first == day)
        return cached->second;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT at, total FROM samples WHERE broker = ? AND day = ?"
                                 " ORDER BY at DESC LIMIT 1"));
    query.addBindValue(broker);
    query.addBindValue(day.toJulianDay());
    if (!query.exec() || !query.next())
        return std::nullopt;
    HistorySample sample{QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC),
                         query.value(1).toDouble()};
    m_last.insert(broker, {day, sample});
    return sample;
}

QList<HistoryStore::Recorded> HistoryStore::append(const QDateTime& now,
                                                   const QList<std::pair<QString, double>>& totals)
{
    QList<Recorded> recorded;
    if (!isOpen() || totals.isEmpty())
        return recorded;
    const QDate day = newYorkDate(now);
    const std::optional<MarketSession> session = m_calendar.session(day);
    if (!session || now < session->open || now > session->close)
        return recorded;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch(), Qt::UTC);

    for (const auto& [broker, total] : totals) {
        const std::optional<HistorySample> last = lastSample(broker, day);
        const qint64 elapsed = last ? last->at.secsTo(at) : heartbeatSeconds;
        const bool moved = !last || cents(last->total) != cents(total);
        if (elapsed < 0 || (!moved && elapsed < heartbeatSeconds))
            continue;
        if (moved && elapsed < mergeSeconds)
            recorded.append({broker, day, {last->at, total}, Change::replaced});
        else
            recorded.append({broker, day, {at, total}, Change::added});
    }
    if (recorded.isEmpty())
        return recorded;

    m_db.transaction();
    bool written = true;
    for (const Recorded& entry : std::as_const(recorded)) {
        const qint64 julian = entry.day.toJulianDay();
        const qint64 seconds = entry.sample.at.toSecsSinceEpoch();
        QSqlQuery& sample = entry.change == Change::added ? m_insert : m_update;
        if (entry.change == Change::added) {
            sample.bindValue(0, entry.broker);
            sample.bindValue(1, julian);
            sample.bindValue(2, seconds);
            sample.bindValue(3, entry.sample.total);
        } else {
            sample.bindValue(0, entry.sample.total);
            sample.bindValue(1, entry.broker);
            sample.bindValue(2, julian);
            sample.bindValue(3, seconds);
        }
        m_close.bindValue(0, entry.broker);
        m_close.bindValue(1, julian);
        m_close.bindValue(2, entry.sample.total);
        written = written && sample.exec() && m_close.exec();
    }
    if (m_prunedOn.isNull() || m_prunedOn < day)
        prune(day);
    if (!written || !m_db.commit()) {
        if (!m_failureLogged)
            logLine(QStringLiteral("Could not write the history: ") +
                    (written ? m_db.lastError().text()
                             : lastError(m_insert) + lastError(m_update) + lastError(m_close)));
        m_failureLogged = true;
        m_db.rollback();
        m_last.clear();
        return {};
    }
    for (const Recorded& entry : std::as_const(recorded))
        m_last.insert(entry.broker, {entry.day, entry.sample});
    return recorded;
}

void HistoryStore::prune(QDate today)
{
    const qint64 cutoff = today.addDays(-retentionDays).toJulianDay();
    QSqlQuery query(m_db);
    // Broker by broker, so each delete is a range of the key rather than a scan of the file.
    QStringList brokers;
    if (query.exec(QStringLiteral("SELECT DISTINCT broker FROM closes")))
        while (query.next())
            brokers.append(query.value(0).toString());
    for (const QString& broker : std::as_const(brokers)) {
        for (const QString& table : {QStringLiteral("samples"), QStringLiteral("closes")}) {
            query.prepare(QStringLiteral("DELETE FROM %1 WHERE broker = ? AND day < ?").arg(table));
            query.addBindValue(broker);
            query.addBindValue(cutoff);
            query.exec();
        }
    }
    query.prepare(
        QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('prunedOn', ?)"));
    query.addBindValue(today.toJulianDay());
    query.exec();
    m_prunedOn = today;
}

QList<HistorySample> HistoryStore::samples(const QString& broker, QDate day) const
{
    QList<HistorySample> list;
    if (!isOpen())
        return list;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT at, total FROM samples WHERE broker = ? AND day = ? ORDER BY at"));
    query.addBindValue(broker);
    query.addBindValue(day.toJulianDay());
    if (query.exec())
        while (query.next())
            list.append({QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC),
                         query.value(1).toDouble()});
    return list;
}

QList<HistoryClose> HistoryStore::closes(const QString& broker, QDate upTo, int count) const
{
    QList<HistoryClose> list;
    if (!isOpen())
        return list;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT day, total FROM closes WHERE broker = ? AND day <= ?"
                                 " ORDER BY day DESC LIMIT ?"));
    query.addBindValue(broker);
    query.addBindValue(upTo.toJulianDay());
    query.addBindValue(count);
    if (query.exec())
        while (query.next())
            list.prepend(
                {QDate::fromJulianDay(query.value(0).toLongLong()), query.value(1).toDouble()});
    return list;
}

QDate HistoryStore::lastDay(const QString& broker, QDate upTo) const
{
    if (!isOpen())
        return {};
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT max(day) FROM closes WHERE broker = ? AND day <= ?"));
    query.addBindValue(broker);
    query.addBindValue(upTo.toJulianDay());
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return {};
    return QDate::fromJulianDay(query.value(0).toLongLong());
}

} // namespace corvane
