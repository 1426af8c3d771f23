#include "xembedstatusitem.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QPixmap>
#include <QWidget>
#include <cmath>

namespace corvane {

namespace {
// Qt's own class for the docked window; it is private, so it is found by name.
constexpr char trayWindowClass[] = "QSystemTrayIconSys";
} // namespace

XEmbedStatusItem::XEmbedStatusItem(const QIcon& logo, QObject* parent)
    : StatusItem(parent)
    , m_logo(logo)
{
    m_tray.setIcon(logo);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &XEmbedStatusItem::onActivated);
    m_tray.show();
    if (QWidget* window = trayWindow())
        window->installEventFilter(this);
}

XEmbedStatusItem::~XEmbedStatusItem()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

QWidget* XEmbedStatusItem::trayWindow() const
{
    if (!m_window) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            if (window->inherits(trayWindowClass))
                m_window = window;
        }
    }
    return m_window;
}

void XEmbedStatusItem::setContent(const StatusContent& content)
{
    m_label = content.picture;
    m_tray.setIcon(m_label.isNull() ? m_logo : QIcon(QPixmap::fromImage(m_label)));
    m_tray.setToolTip(StatusLabelPresenter::toolTip(content.labels, content.summary));
}

void XEmbedStatusItem::resizeStatusItem()
{
    QWidget* window = trayWindow();
    if (!window)
        return;
    if (window->height() > 0)
        m_height = window->height();
    int width = m_height;
    if (!m_label.isNull()) {
        const QSizeF logical = m_label.deviceIndependentSize();
        // Never wider than the label at its own size: the icon is not scaled up.
        const qreal scale = std::min<qreal>(1.0, m_height / logical.height());
        width = static_cast<int>(std::ceil(logical.width() * scale));
    }
    if (window->width() == width && window->minimumWidth() == width)
        return;
    window->setMinimumSize(width, m_height);
    window->setMaximumSize(width, QWIDGETSIZE_MAX);
    window->resize(width, m_height);
    window->update();
}

QRect XEmbedStatusItem::geometry() const
{
    return m_tray.geometry();
}

bool XEmbedStatusItem::isRegistered() const
{
    return m_tray.isVisible() && trayWindow() != nullptr;
}

// The tray may give the window another height when it docks it; the width follows.
bool XEmbedStatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Resize && m_window->height() != m_height)
        resizeStatusItem();
    return StatusItem::eventFilter(watched, event);
}

void XEmbedStatusItem::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        Q_EMIT activated(QPoint());
    else if (reason == QSystemTrayIcon::Context)
        Q_EMIT contextMenuRequested(QCursor::pos());
}

} // namespace corvane
