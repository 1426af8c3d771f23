#pragma once

#include "appearance.h"

#include <QAbstractButton>

namespace corvane {

// A text link: the text colour, blue while hovered, half-transparent while pressed.
class LinkButton final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkButton)

public:
    LinkButton(const QString& text, Appearance appearance, QWidget* parent = nullptr);

    void setAppearance(Appearance appearance);
    bool isHovering() const { return m_hovering; }
    // The colour the label is drawn in now.
    QColor labelColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Appearance m_appearance;
    bool m_hovering = false;
};

} // namespace corvane
