#pragma once

#include "statusitem.h"

#include <QPointer>
#include <QSystemTrayIcon>

class QWidget;

namespace corvane {

// The item in an XEmbed tray, through QSystemTrayIcon. Qt docks a 22 × 22 window and scales
// the icon into it; a label is wider than high, so the docked window is widened to the
// label's aspect at the tray's height, or the label would shrink to an unreadable sliver.
class XEmbedStatusItem final : public StatusItem {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XEmbedStatusItem)

public:
    explicit XEmbedStatusItem(const QIcon& logo, QObject* parent = nullptr);
    ~XEmbedStatusItem() override;

    void setContent(const StatusContent& content) override;
    void resizeStatusItem() override;
    QRect geometry() const override;
    bool isRegistered() const override;
    QString kind() const override { return QStringLiteral("XEmbed"); }

    // The window Qt docked into the tray, once it exists.
    QWidget* trayWindow() const;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QIcon m_logo;
    QImage m_label;
    QSystemTrayIcon m_tray;
    mutable QPointer<QWidget> m_window;
    int m_height = 22;
};

} // namespace corvane
