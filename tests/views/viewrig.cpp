#include "viewrig.h"

#include "support/testclock.h"
#include "views/customtabview.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
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

bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance, qreal ratio)
{
    QCoreApplication::processEvents();
    const QString file =
        screenshotPath(name + (appearance == Appearance::dark ? u"-dark"_s : u"-light"_s) +
                       (ratio == 1 ? u".png"_s : u"-2x.png"_s));
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image.save(file);
}

DayCurve earlyCloseDay()
{
    DayCurve day{
        QDate(2026, 11, 27), newYork(2026, 11, 27, 9, 30), newYork(2026, 11, 27, 13, 0), {}};
    // Readings as hhmm New York time and totals.
    const std::pair<int, double> readings[]{{930, 0},    {950, 120},  {1030, 260.4},
                                            {1110, 40},  {1140, -90}, {1215, -149.6},
                                            {1245, -60}, {1250, -20}};
    for (const auto& [time, total] : readings)
        day.points.append({newYork(2026, 11, 27, time / 100, time % 100), total});
    return day;
}

QList<DayClose> monthOfCloses()
{
    QList<DayClose> closes;
    QDate day(2026, 12, 4);
    for (int at = 29; at >= 0; --at, day = day.addDays(day.dayOfWeek() == 1 ? -3 : -1))
        closes.prepend({day, at == 12 ? 0.0 : 40.0 * (at % 7) - 110.0 + at * 3});
    return closes;
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
