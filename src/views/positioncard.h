#pragma once

#include "appearance.h"

#include <QFrame>
#include <QModelIndex>

class QLabel;

namespace corvane {

// The detail card of a position row: bot name, contract count, entry value, current delta,
// max risk and percentage P/L. A tool-tip window of its own, so the popover does not clip it.
class PositionCard final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PositionCard)

public:
    PositionCard(Appearance appearance, QWidget* parent);

    // Fills the card from a row of a PositionListModel.
    void showPosition(const QModelIndex& position, const QPoint& globalAnchor);
    QString key() const { return m_key; }
    // The lines as shown, for tests and accessibility.
    QStringList lines() const;

private:
    QString m_key;
    QLabel* m_title;
    QList<QLabel*> m_lines;
};

} // namespace corvane
