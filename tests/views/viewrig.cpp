#include "viewrig.h"

#include "views/customtabview.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace corvane::test {

QString screenshotPath(const QString& file)
{
    const QString folder =
        qEnvironmentVariable("CORVANE_SCREENSHOT_DIR", QDir::temp().filePath(u"corvane-shots"_s));
    QDir().mkpath(folder);
    return folder + u'/' + file;
}

bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance)
{
    QCoreApplication::processEvents();
    return widget.grab().save(
        screenshotPath(name + (appearance == Appearance::dark ? u"-dark.png"_s : u"-light.png"_s)));
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

QStringList tabTexts(const CustomTabView& view)
{
    QStringList texts;
    for (int at = 0; view.tabButton(at); ++at)
        texts.append(view.tabButton(at)->accessibleName());
    return texts;
}

QString plainText(const QString& richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

} // namespace corvane::test
