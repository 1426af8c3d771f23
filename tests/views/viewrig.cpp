#include "viewrig.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

namespace corvane::test {

bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance)
{
    const QString folder = QStringLiteral(CORVANE_SCREENSHOT_DIR);
    if (!QDir().mkpath(folder))
        return false;
    const QString file = folder + u'/' + name +
                         (appearance == Appearance::dark ? QStringLiteral("-dark.png")
                                                         : QStringLiteral("-light.png"));
    return widget.grab().save(file);
}

void pointerEnters(QWidget& widget)
{
    const QPointF inside(widget.width() / 2.0, widget.height() / 2.0);
    QEnterEvent event(inside, widget.mapTo(widget.window(), inside), widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &event);
}

void pointerLeaves(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

QString plainText(const QString& richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

} // namespace corvane::test
