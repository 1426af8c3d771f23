#pragma once

#include "models/appearance.h"
#include "models/statuslabelpresenter.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSizeF>

namespace corvane {

// Draws the status item's row: the warning triangle while there is an error, then one
// two-line label per entry. Sizes are in logical pixels (the desktop's points); the image
// carries the device pixel ratio it was drawn at, so it stays sharp on a high-density screen.
class LabelPainter final {
public:
    struct Colors {
        QColor nickname;
        QColor positive;
        QColor negative;
        QColor warning;
    };
    static Colors colors(Appearance appearance);

    static QFont nicknameFont();
    static QFont valueFont();

    // The size a label takes in the row, padding included, at no rotation.
    static QSizeF labelSize(const StatusLabel& label);
    static QSizeF rowSize(const QList<StatusLabel>& labels, bool hasError);

    // angles: each label's current turn about its horizontal axis, in degrees (0 when absent).
    static QImage paintRow(const QList<StatusLabel>& labels, bool hasError, Appearance appearance,
                           qreal devicePixelRatio, const QHash<QString, qreal>& angles = {});
};

} // namespace corvane
