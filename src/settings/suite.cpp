#include "suite.h"

#include "base/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {
constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions groupOrOther = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;
} // namespace

Suite::Suite(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_settings->setFallbacksEnabled(false);
    // QSettings reports a format error only for some damage, and reads past most garbage: a
    // file with content but no key it could read is just as unreadable.
    const bool hasKeys = !m_settings->allKeys().isEmpty();
    const bool readable =
        m_settings->status() == QSettings::NoError && (hasKeys || QFileInfo(filePath).size() == 0);
    if (!readable)
        keepUnreadableFile(filePath);
}

void Suite::keepUnreadableFile(const QString& filePath)
{
    m_unreadable = true;
    QFile original(filePath);
    if (original.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = original.readAll();
        const QString base = filePath + QStringLiteral(".unreadable");
        for (int attempt = 1; attempt < 100 && m_unreadableCopy.isEmpty(); ++attempt) {
            const QString candidate =
                attempt == 1 ? base : base + QLatin1Char('-') + QString::number(attempt);
            // Created exclusively and owner-only: an earlier copy is never replaced, and the
            // copy holds the same secrets as the file.
            const int fd = ::open(QFile::encodeName(candidate).constData(),
                                  O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                break;
            }
            QFile copy;
            const bool written =
                copy.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                copy.write(bytes) == bytes.size() && copy.flush();
            copy.close();
            if (written)
                m_unreadableCopy = candidate;
            else
                QFile::remove(candidate);
        }
    }
    if (!m_unreadableCopy.isEmpty())
        logLine(QStringLiteral("The settings file %1 could not be read; it was copied to %2 and "
                               "defaults are used.")
                    .arg(filePath, m_unreadableCopy));
    else
        logLine(QStringLiteral("The settings file %1 could not be read, nor copied; defaults are "
                               "used.")
                    .arg(filePath));
}

Suite::~Suite() = default;

QString Suite::defaultFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + QStringLiteral("/CVNSuite.conf");
}

QString Suite::filePath() const
{
    return m_settings->fileName();
}

bool Suite::contains(const QString& key) const
{
    return m_settings->contains(key);
}

bool Suite::boolean(const QString& key, bool fallback) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return fallback;
    const QString written = value.toString().trimmed().toLower();
    return written == QStringLiteral("true") || written == QStringLiteral("1");
}

QString Suite::text(const QString& key, const QString& fallback) const
{
    const QVariant value = m_settings->value(key);
    return value.isValid() ? value.toString() : fallback;
}

QByteArray Suite::data(const QString& key) const
{
    return m_settings->value(key).toByteArray();
}

void Suite::setBoolean(const QString& key, bool value)
{
    write(key, value);
}

void Suite::setText(const QString& key, const QString& value)
{
    write(key, value);
}

void Suite::setData(const QString& key, const QByteArray& value)
{
    write(key, value);
}

void Suite::remove(const QString& key)
{
    m_settings->remove(key);
    m_settings->sync();
}

void Suite::write(const QString& key, const QVariant& value)
{
    restrictPermissions();
    m_settings->setValue(key, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        logLine(QStringLiteral("The settings file %1 could not be written.").arg(filePath()));
    QFile::setPermissions(filePath(), ownerOnly);
}

// QSettings replaces the file through a temporary copy that keeps the old file's mode, so
// the file is made owner-only before the first write ever lands in it.
void Suite::restrictPermissions()
{
    const QString path = filePath();
    const QFileInfo info(path);
    if (!info.exists()) {
        QDir().mkpath(info.absolutePath());
        const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    if (QFile::permissions(path) & groupOrOther)
        QFile::setPermissions(path, ownerOnly);
}

} // namespace corvane
