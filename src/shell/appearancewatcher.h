#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QFileSystemWatcher>
#include <QObject>
#include <optional>

namespace corvane {

// The portal's settings interface; Qt relays its D-Bus signal as this Qt signal.
class PortalSettings final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PortalSettings)

public:
    explicit PortalSettings(const QDBusConnection& bus, QObject* parent = nullptr);

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// Light or dark, as the desktop says. Qt 6.4 has no colour-scheme API, so the desktop
// portal's "color-scheme" setting is read over D-Bus and followed; where no portal answers,
// the desktop's own setting (KDE's colour scheme, GNOME's colour-scheme key), and failing
// that the palette's window colour (a dark window means a dark desktop), decide.
class AppearanceWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppearanceWatcher)

public:
    explicit AppearanceWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);

    bool isDark() const { return m_dark; }
    // The portal's value: 1 prefers dark, 2 prefers light, 0 or absent: no preference.
    static std::optional<bool> darkFromColorScheme(uint value);
    // KDE's colour scheme in a kdeglobals file: its window background, else its name.
    static std::optional<bool> darkFromKdeGlobals(const QString& path);
    // GNOME's colour-scheme key as gsettings prints it ("'prefer-dark'").
    static std::optional<bool> darkFromGnomeColorScheme(const QString& value);

Q_SIGNALS:
    void darkChanged(bool dark);

private:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
    bool paletteLooksDark() const;
    // What the desktop's own settings say, then the palette.
    bool desktopLooksDark();
    void apply(std::optional<bool> fromPortal);
    bool eventFilter(QObject* watched, QEvent* event) override;

    PortalSettings m_settings;
    QString m_kdeGlobalsPath;
    QFileSystemWatcher m_kdeGlobals;
    std::optional<bool> m_portal;
    bool m_dark = false;
};

} // namespace corvane
