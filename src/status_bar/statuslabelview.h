#pragma once

#include "labelpainter.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVariantAnimation>
#include <chrono>

namespace corvane {

class StatusLabelPresenter;

// The status item's picture: the presenter's labels drawn for the current appearance and
// screen density, each label turning once about its horizontal axis when its total changes,
// forwards and backwards in turn. Tells the status item when to fit itself to the picture.
class StatusLabelView final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusLabelView)

public:
    static constexpr std::chrono::milliseconds flipDuration{500};
    static constexpr std::chrono::milliseconds resizeDelay{100};

    explicit StatusLabelView(StatusLabelPresenter& presenter, QObject* parent = nullptr);

    // Null when there is no label to show.
    const QImage& image() const { return m_image; }
    Appearance appearance() const { return m_appearance; }
    void setAppearance(Appearance appearance);
    void setDevicePixelRatio(qreal ratio);
    qreal angle(const QString& id) const { return m_angles.value(id, 0); }

Q_SIGNALS:
    void imageChanged();
    // The picture's size may have changed: the status item fits itself to it.
    void resizeRequested();

private:
    void onLabelsChanged();
    void onHasErrorChanged(bool hasError);
    void flip(const QString& id);
    void repaint();

    StatusLabelPresenter& m_presenter;
    Appearance m_appearance = Appearance::light;
    qreal m_ratio = 1;
    QImage m_image;
    QStringList m_texts;
    QHash<QString, qreal> m_angles;
    QHash<QString, bool> m_turned; // animateContent of each label
    QHash<QString, QPointer<QVariantAnimation>> m_flips;
};

} // namespace corvane
