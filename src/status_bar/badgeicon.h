#pragma once

#include "models/statuslabelpresenter.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>

namespace corvane {

// The square picture hosts that fit icons into a square get instead of the label: the logo
// with a badge at its lower right telling the day at a glance, the numbers being in the
// item's text and tooltip.
class BadgeIcon final {
public:
    enum class Badge { none, positive, negative, warning };

    static constexpr QColor positiveColor{52, 199, 89};
    static constexpr QColor negativeColor{255, 59, 48};

    // The warning triangle while there is an error; otherwise by the sign of the labels'
    // summed totals (absent ones count as 0), green only above zero; none without labels.
    static Badge badgeFor(const QList<StatusLabel>& labels, bool hasError);

    // Square sides in device pixels, smallest first: the panel sizes hosts use, at the
    // screen's density too, up to 64.
    static QList<int> sides(qreal devicePixelRatio);

    static QImage paint(const QIcon& logo, Badge badge, int side);
};

} // namespace corvane
