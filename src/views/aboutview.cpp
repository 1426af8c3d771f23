#include "aboutview.h"

#include "buttonstyles.h"
#include "logo.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

AboutView::AboutView(const QString& version, const QString& build, const QUrl& website,
                     Appearance appearance, QWidget* parent)
    : QWidget(parent)
    , m_website(website)
    , m_logo(new QLabel)
{
    setObjectName(QStringLiteral("aboutView"));
    m_logo->setObjectName(QStringLiteral("logo"));
    m_logo->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Corvane"));
    name->setObjectName(QStringLiteral("productName"));
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    name->setFont(large);
    name->setAlignment(Qt::AlignCenter);
    auto* versionLine = new QLabel(versionText(version, build));
    versionLine->setObjectName(QStringLiteral("versionText"));
    versionLine->setAlignment(Qt::AlignCenter);
    versionLine->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_updates = new QPushButton(QStringLiteral("Check for updates"));
    m_updates->setObjectName(QStringLiteral("checkForUpdatesButton"));
    connect(m_updates, &QPushButton::clicked, this, &AboutView::checkForUpdatesRequested);
    m_updatesOff = new QLabel(QStringLiteral("Update checks are off in this build."));
    m_updatesOff->setObjectName(QStringLiteral("updateChecksOff"));
    m_updatesOff->setAlignment(Qt::AlignCenter);
    m_updatesOff->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(m_logo);
    layout->addWidget(name);
    layout->addWidget(versionLine);
    layout->addSpacing(8);
    layout->addWidget(m_updates, 0, Qt::AlignHCenter);
    layout->addWidget(m_updatesOff);
    // Both links lead to the same site, as the product keeps its terms there.
    for (const QString& text :
         {QStringLiteral("corvane website"), QStringLiteral("Privacy and terms")}) {
        auto* link = new LinkButton(text, appearance);
        link->setObjectName(text == QLatin1String("corvane website")
                                ? QStringLiteral("websiteLink")
                                : QStringLiteral("privacyLink"));
        link->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(link, &LinkButton::clicked, this, [this] { Q_EMIT openUrlRequested(m_website); });
        layout->addWidget(link, 0, Qt::AlignHCenter);
        m_links.append(link);
    }
    layout->addStretch();
    setAppearance(appearance);
}

void AboutView::setUpdateChecksAvailable(bool available)
{
    m_updates->setVisible(available);
    m_updatesOff->setVisible(!available);
}

QString AboutView::versionText(const QString& version, const QString& build)
{
    if (version.isEmpty() || build.isEmpty())
        return QStringLiteral("Unknown Version");
    return QStringLiteral("Version ") + version + QStringLiteral(" (") + build + u')';
}

void AboutView::setAppearance(Appearance appearance)
{
    m_logo->setPixmap(logoPixmap(96));
    for (LinkButton* link : std::as_const(m_links))
        link->setAppearance(appearance);
}

} // namespace corvane
