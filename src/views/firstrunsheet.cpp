#include "firstrunsheet.h"

#include "base/endpoints.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

QString FirstRunSheet::message(Kind kind)
{
    if (kind == Kind::verified)
        return QStringLiteral(
            "Your API key has been verified. Corvane should now be watching your trades in the "
            "status bar.\n\nIf you don't see the corvane, it may hidden due to a lack of space in "
            "the statusbar. We recommend your desktop's panel settings, or on GNOME the "
            "AppIndicator extension, to help manage statusbar tools.");
    return QStringLiteral("Welcome to Corvane! \n\nBefore Corvane can get your trade data, you "
                          "will need to enter your API key on the next screen. See ") +
           endpointUrl(Endpoint::platformWeb).toString() + QStringLiteral("/i1-R-overview") +
           QStringLiteral(" for how to find your API key. You will need to enable read bots, "
                          "orders, and positions on your API key.\n\nYou can add or update your "
                          "key from Settings.\n\nBe sure to verify your account after you enter "
                          "or update your API key.");
}

FirstRunSheet::FirstRunSheet(Kind kind, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(kind == Kind::welcome ? QStringLiteral("welcomeSheet")
                                        : QStringLiteral("verifiedSheet"));
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowModality(Qt::WindowModal);
    auto* text = new QLabel(message(kind), this);
    text->setObjectName(QStringLiteral("sheetMessage"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setFixedWidth(400);
    auto* okay = new QPushButton(QStringLiteral("Okay"), this);
    okay->setObjectName(QStringLiteral("okayButton"));
    okay->setDefault(true);
    connect(okay, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okay);
    layout->addLayout(buttons);
}

} // namespace corvane
