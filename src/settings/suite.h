#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>

namespace corvane {

// The per-user defaults suite "CVNSuite": one INI file, CVNSuite.conf, in the XDG config
// folder. Every assignment is written and synced at once; the file is readable by its owner
// only, since it holds API keys and the Pushover secret. Reads never fail: an absent or
// unreadable value gives the caller's fallback.
//
// A file that cannot be read as a whole would be replaced by the first write, so it is copied
// beside itself before anything else happens ("CVNSuite.conf.unreadable", numbered when such a
// copy is already there); the start-up tells the user where.
class Suite final {
    Q_DISABLE_COPY_MOVE(Suite)

public:
    explicit Suite(const QString& filePath);
    ~Suite();

    // CVNSuite.conf in $XDG_CONFIG_HOME (or ~/.config).
    static QString defaultFilePath();

    QString filePath() const;
    // The file existed but could not be read when the suite was opened.
    bool wasUnreadable() const { return m_unreadable; }
    // Where the unreadable file was copied to; empty when it was read, or could not be copied.
    QString unreadableCopy() const { return m_unreadableCopy; }
    bool contains(const QString& key) const;

    bool boolean(const QString& key, bool fallback = false) const;
    QString text(const QString& key, const QString& fallback = {}) const;
    QByteArray data(const QString& key) const;

    void setBoolean(const QString& key, bool value);
    void setText(const QString& key, const QString& value);
    void setData(const QString& key, const QByteArray& value);
    void remove(const QString& key);

private:
    void write(const QString& key, const QVariant& value);
    void restrictPermissions();
    void keepUnreadableFile(const QString& filePath);

    std::unique_ptr<QSettings> m_settings;
    bool m_unreadable = false;
    QString m_unreadableCopy;
};

} // namespace corvane
