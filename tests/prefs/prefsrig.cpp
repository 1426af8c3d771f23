#include "prefsrig.h"

#include "views/viewstyle.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

namespace corvane::test {

QUuid PrefsRig::addAccount(const QString& apiKey, bool verified, const QStringList& brokers)
{
    AccountSettings account = AccountSettings::newAccount();
    account.apiKey = apiKey;
    account.nickName = apiKey.section(QLatin1Char('-'), -1);
    account.keyVerified = verified;
    for (const QString& entry : brokers) {
        BrokerSettings broker;
        broker.brokerNumber = entry.section(QLatin1Char(':'), 0, 0);
        broker.brokerName = u"Broker "_s + broker.brokerNumber;
        broker.nickname = broker.brokerNumber.toUpper();
        const QString flags = entry.section(QLatin1Char(':'), 1);
        broker.enabled = flags.contains(QLatin1Char('e'));
        broker.watch = flags.contains(QLatin1Char('w'));
        account.brokerSettings << broker;
    }
    settings.setAccount(account);
    return account.accountName;
}

void fill(QWidget* parent, const QString& field, const QString& text)
{
    auto* edit = child<QLineEdit>(parent, field);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void clickBox(QWidget* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

QStringList unnamedTabStops(QWidget* top)
{
    QStringList unnamed;
    QWidget* widget = top;
    do {
        widget = widget->nextInFocusChain();
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(top) ||
            !top->isAncestorOf(widget))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u" "_s +
                           widget->objectName();
    } while (widget != top);
    return unnamed;
}

void useAppearance(bool dark)
{
    ViewStyle::install();
    if (!dark) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    QPalette p(QColor(0x3a, 0x3a, 0x3e), QColor(0x2b, 0x2b, 0x2e));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd0));
    QApplication::setPalette(p);
}

} // namespace corvane::test
