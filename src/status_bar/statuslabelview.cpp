#include "statuslabelview.h"

#include "models/statuslabelpresenter.h"

#include <QTimer>

namespace corvane {

StatusLabelView::StatusLabelView(StatusLabelPresenter& presenter, QObject* parent)
    : QObject(parent)
    , m_presenter(presenter)
{
    connect(&presenter, &StatusLabelPresenter::labelsChanged, this,
            &StatusLabelView::onLabelsChanged);
    connect(&presenter, &StatusLabelPresenter::totalChanged, this, &StatusLabelView::flip);
    connect(&presenter, &StatusLabelPresenter::hasErrorChanged, this,
            &StatusLabelView::onHasErrorChanged);
    for (const StatusLabel& label : presenter.labels())
        m_texts.append(label.nickname + QLatin1Char('\n') + label.value);
    repaint();
}

void StatusLabelView::setAppearance(Appearance appearance)
{
    if (m_appearance == appearance)
        return;
    m_appearance = appearance;
    repaint();
}

void StatusLabelView::setDevicePixelRatio(qreal ratio)
{
    if (qFuzzyCompare(m_ratio, ratio) || ratio <= 0)
        return;
    m_ratio = ratio;
    repaint();
    Q_EMIT resizeRequested();
}

void StatusLabelView::onLabelsChanged()
{
    QStringList texts;
    for (const StatusLabel& label : m_presenter.labels())
        texts.append(label.nickname + QLatin1Char('\n') + label.value);
    repaint();
    if (texts != m_texts) {
        m_texts = texts;
        QTimer::singleShot(resizeDelay, this, &StatusLabelView::resizeRequested);
    }
}

// The triangle's appearance fits the item at once (it only widens the picture); its removal
// waits the same 0.1 s as a text change, so both end with the item fitted.
void StatusLabelView::onHasErrorChanged(bool hasError)
{
    repaint();
    if (hasError)
        Q_EMIT resizeRequested();
    else
        QTimer::singleShot(resizeDelay, this, &StatusLabelView::resizeRequested);
}

void StatusLabelView::flip(const QString& id)
{
    const bool forwards = !m_turned.value(id, false);
    m_turned.insert(id, forwards);
    if (QVariantAnimation* running = m_flips.value(id))
        running->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(int(flipDuration.count()));
    animation->setEasingCurve(QEasingCurve::Linear);
    animation->setStartValue(m_angles.value(id, forwards ? 0.0 : 360.0));
    animation->setEndValue(forwards ? 360.0 : 0.0);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, id](const QVariant& value) {
        m_angles.insert(id, value.toReal());
        repaint();
    });
    m_flips.insert(id, animation);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void StatusLabelView::repaint()
{
    m_image = LabelPainter::paintRow(m_presenter.labels(), m_presenter.hasError(), m_appearance,
                                     m_ratio, m_angles);
    Q_EMIT imageChanged();
}

} // namespace corvane
