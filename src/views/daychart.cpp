#include "daychart.h"

#include "chartplot.h"
#include "models/historyfeed.h"
#include "models/resulttext.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

namespace corvane {

namespace {

QToolButton* segment(const QString& name, const QString& text)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setCheckable(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

DayChart::DayChart(HistoryFeed& feed, const QString& brokerNumber, Appearance appearance,
                   QWidget* parent)
    : QWidget(parent)
    , m_feed(feed)
    , m_brokerNumber(brokerNumber)
    , m_appearance(appearance)
    , m_title(new QLabel)
    , m_extremes(new QLabel)
    , m_dayButton(segment(QStringLiteral("chartDayButton"), QStringLiteral("Day")))
    , m_closesButton(segment(QStringLiteral("chartClosesButton"), QStringLiteral("30 days")))
    , m_plot(new ChartPlot(appearance))
{
    setObjectName(QStringLiteral("dayChart"));
    m_title->setObjectName(QStringLiteral("chartTitle"));
    m_extremes->setObjectName(QStringLiteral("chartExtremes"));
    QFont title = font();
    title.setBold(true);
    m_title->setFont(title);
    QFont small = font();
    small.setPointSizeF(8.5);
    m_extremes->setFont(small);
    m_extremes->setTextFormat(Qt::RichText);
    QPalette tinted = m_extremes->palette();
    tinted.setColor(QPalette::WindowText, colors::secondaryText(appearance));
    m_extremes->setPalette(tinted);

    // A segmented control: two halves in one outline, the chosen one filled.
    auto* toggle = new QFrame;
    toggle->setObjectName(QStringLiteral("chartToggle"));
    const QPalette palette = paletteFor(appearance);
    toggle->setStyleSheet(
        QStringLiteral("QFrame#chartToggle { border: 1px solid %1; border-radius: 5px; }"
                       "QToolButton { border: none; border-radius: 4px; padding: 1px 8px;"
                       " color: %2; font-size: 8pt; }"
                       "QToolButton:checked { background: %3; color: %4; }")
            .arg(palette.color(QPalette::Mid).name(), colors::secondaryText(appearance).name(),
                 palette.color(QPalette::Midlight).name(), colors::text(appearance).name()));
    auto* segments = new QHBoxLayout(toggle);
    segments->setContentsMargins(1, 1, 1, 1);
    segments->setSpacing(0);
    segments->addWidget(m_dayButton);
    segments->addWidget(m_closesButton);
    auto* group = new QButtonGroup(this);
    group->addButton(m_dayButton);
    group->addButton(m_closesButton);
    m_dayButton->setChecked(true);
    for (QToolButton* button : {m_dayButton, m_closesButton}) {
        connect(button, &QToolButton::clicked, this, [this, button] {
            const bool closes = button == m_closesButton;
            showCloses(closes);
            Q_EMIT closesShown(closes);
        });
    }

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(m_title);
    texts->addWidget(m_extremes);
    header->addLayout(texts, 1);
    header->addWidget(toggle, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(header);
    layout->addWidget(m_plot);

    connect(&m_feed, &HistoryFeed::changed, this, [this](const QString& number) {
        if (number == m_brokerNumber)
            reload();
    });
    reload();
}

bool DayChart::showsCloses() const
{
    return m_plot->mode() == ChartPlot::Mode::closes;
}

void DayChart::showCloses(bool closes)
{
    (closes ? m_closesButton : m_dayButton)->setChecked(true);
    m_plot->setMode(closes ? ChartPlot::Mode::closes : ChartPlot::Mode::day);
    reload();
}

QString DayChart::coloured(double total) const
{
    const QColor color =
        text::isGain(total) ? colors::gain(m_appearance) : colors::loss(m_appearance);
    return QStringLiteral("<span style=\"color:%1\">%2</span>")
        .arg(color.name(), text::totalText(total, false).toHtmlEscaped());
}

void DayChart::reload()
{
    const DayCurve day = m_feed.day(m_brokerNumber);
    QList<DayClose> closes = m_feed.closes(m_brokerNumber);
    closes = closes.mid(std::max<qsizetype>(0, closes.size() - 30));
    m_plot->setDay(day);
    m_plot->setCloses(closes);

    const auto same = [](double a, double b) { return text::toCents(a) == text::toCents(b); };
    QString extremes;
    if (!showsCloses()) {
        m_title->setText(day.tradingDay.isValid()
                             ? day.tradingDay.toString(QStringLiteral("ddd, MMM d"))
                             : QStringLiteral("Today"));
        const auto [low, high] =
            std::minmax_element(day.points.cbegin(), day.points.cend(),
                                [](const auto& a, const auto& b) { return a.total < b.total; });
        if (!day.points.isEmpty()) {
            extremes = same(low->total, high->total)
                           ? QStringLiteral("Flat at %1").arg(coloured(low->total))
                           : QStringLiteral("High %1 at %2 · Low %3 at %4")
                                 .arg(coloured(high->total), ChartPlot::timeText(high->at),
                                      coloured(low->total), ChartPlot::timeText(low->at));
        }
    } else {
        m_title->setText(closes.isEmpty() ? QStringLiteral("Closing totals")
                         : closes.size() == 1
                             ? QStringLiteral("Last trading day")
                             : QStringLiteral("Last %1 trading days").arg(closes.size()));
        const auto [worst, best] =
            std::minmax_element(closes.cbegin(), closes.cend(),
                                [](const auto& a, const auto& b) { return a.total < b.total; });
        if (!closes.isEmpty()) {
            extremes =
                same(worst->total, best->total)
                    ? QStringLiteral("Every close at %1").arg(coloured(best->total))
                    : QStringLiteral("Best %1 on %2 · Worst %3 on %4")
                          .arg(coloured(best->total), ChartPlot::dateText(best->tradingDay),
                               coloured(worst->total), ChartPlot::dateText(worst->tradingDay));
        }
    }
    // The line keeps its height when empty, so the chart does not jump as the first point comes.
    m_extremes->setText(extremes.isEmpty() ? QStringLiteral("&nbsp;") : extremes);
}

} // namespace corvane
