#pragma once

#include "appearance.h"

#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace corvane {

class LinkButton;

// The settings window's last tab: the logo, the version line and three buttons. "Check for
// updates" asks the updater through checkForUpdatesRequested; the two links ask for the
// product's web site.
class AboutView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutView)

public:
    // version and build come from the build; either empty gives "Unknown Version".
    AboutView(const QString& version, const QString& build, const QUrl& website,
              Appearance appearance, QWidget* parent = nullptr);

    static QString versionText(const QString& version, const QString& build);
    void setAppearance(Appearance appearance);
    // A build without an update feed says so instead of offering a check that cannot work.
    void setUpdateChecksAvailable(bool available);

Q_SIGNALS:
    void checkForUpdatesRequested();
    void openUrlRequested(const QUrl& url);

private:
    QUrl m_website;
    QLabel* m_logo;
    QPushButton* m_updates;
    QLabel* m_updatesOff;
    QList<LinkButton*> m_links;
};

} // namespace corvane
