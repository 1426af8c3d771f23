#pragma once

#include <QColor>
#include <QString>
#include <QToolButton>

class QLabel;
class QWidget;

namespace corvane {

// A small information button beside a settings control: pressing it shows its help text in a
// popup next to it. Pressing again while the popup shows leaves it shown.
class HelpButton final : public QToolButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpButton)

public:
    // The text is rich text when it holds a link, so the link can be followed.
    explicit HelpButton(const QString& text, QWidget* parent = nullptr);

    QString helpText() const { return m_text; }
    bool isPopupShown() const;
    void showPopup();

private:
    QString m_text;
    QWidget* m_popup = nullptr;
};

// Text colours of the settings views that must stay readable in a light and a dark window.
QColor warningColour(const QWidget* widget);
QColor statusColour(const QWidget* widget);
bool isDarkAppearance(const QWidget* widget);
void setTextColour(QLabel* label, const QColor& colour);

} // namespace corvane
