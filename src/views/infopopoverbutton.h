#pragma once

#include "appearance.h"

#include <QPointer>
#include <QToolButton>

class QLabel;

namespace corvane {

// An "info.circle" button that shows a help text in a small popup next to it. Pressing it
// shows the popup (pressing again keeps it shown); dismissing the popup hides it.
class InfoPopoverButton final : public QToolButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InfoPopoverButton)

public:
    InfoPopoverButton(const QString& popoverText, Appearance appearance, QWidget* parent = nullptr);
    ~InfoPopoverButton() override;

    bool isPopoverShown() const;
    // The popup, while it exists; for placing and reading it.
    QWidget* popover() const;
    void setAppearance(Appearance appearance);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPopover();

    QString m_text;
    Appearance m_appearance;
    QPointer<QLabel> m_popover;
    // The popup as a plain object, for the event filter: one being destroyed is no QLabel.
    const QObject* m_watched = nullptr;
};

} // namespace corvane
