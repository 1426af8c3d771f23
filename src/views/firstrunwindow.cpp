#include "firstrunwindow.h"

#include "accountsview.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

namespace corvane {

namespace {

// Window frames are not settings: they live beside the suite, in their own file.
QSettings frames()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("corvane"),
                     QStringLiteral("windows"));
}

} // namespace

FirstRunWindow::FirstRunWindow(CVNSettings& settings, AccountVerifier& verifier, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_accounts(new AccountsView(settings, verifier, true, this))
    , m_notice(new QLabel(this))
{
    setObjectName(QStringLiteral("firstRunWindow"));
    setWindowTitle(QStringLiteral("Welcome to Corvane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_notice->setObjectName(QStringLiteral("unreadableSettingsNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notice->hide();
    layout->addWidget(m_notice);
    layout->addWidget(m_accounts, 1);
    resize(480, 300);
    connect(m_accounts, &AccountsView::statusItemRefreshRequested, this,
            &FirstRunWindow::statusItemRefreshRequested);
}

FirstRunWindow::~FirstRunWindow() = default;

void FirstRunWindow::showUnreadableSettings(const QString& copyPath)
{
    QString text = QStringLiteral("Your settings file could not be read, so Corvane starts with "
                                  "fresh settings.");
    text += copyPath.isEmpty() ? QStringLiteral(" No copy of it could be kept.")
                               : QStringLiteral(" A copy of it was kept as %1.")
                                     .arg(QDir::toNativeSeparators(copyPath));
    m_notice->setText(text);
    m_notice->show();
}

void FirstRunWindow::present()
{
    if (!m_placed) {
        const QByteArray stored = frames().value(frameName).toByteArray();
        if (stored.isEmpty() || !restoreGeometry(stored)) {
            resize(480, 300);
            if (const QScreen* screen = QGuiApplication::primaryScreen())
                move(screen->availableGeometry().center() - rect().center());
        }
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void FirstRunWindow::saveFrame()
{
    if (m_placed && isVisible())
        frames().setValue(frameName, saveGeometry());
}

void FirstRunWindow::closeEvent(QCloseEvent* event)
{
    saveFrame();
    QWidget::closeEvent(event);
}

void FirstRunWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    saveFrame();
}

void FirstRunWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    saveFrame();
}

} // namespace corvane
