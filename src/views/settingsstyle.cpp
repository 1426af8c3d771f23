#include "settingsstyle.h"

#include "appearance.h"
#include "infopopoverbutton.h"

#include <QEvent>
#include <QLabel>

namespace corvane {

namespace {

class AppearanceFollower final : public QObject {
    Q_DISABLE_COPY_MOVE(AppearanceFollower)

public:
    AppearanceFollower(QWidget* widget, std::function<void(Appearance)> apply)
        : QObject(widget)
        , m_widget(widget)
        , m_apply(std::move(apply))
        , m_applied(appearanceOf(widget))
    {
        widget->installEventFilter(this);
        m_apply(m_applied);
    }

private:
    // Applying may set the widget's own palette; only a change of the window colour's shade
    // calls again, so that cannot loop.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && event->type() == QEvent::PaletteChange &&
            appearanceOf(m_widget) != m_applied) {
            m_applied = appearanceOf(m_widget);
            m_apply(m_applied);
        }
        return QObject::eventFilter(watched, event);
    }

    QWidget* m_widget;
    std::function<void(Appearance)> m_apply;
    Appearance m_applied;
};

} // namespace

void followAppearance(QWidget* widget, std::function<void(Appearance)> apply)
{
    new AppearanceFollower(widget, std::move(apply));
}

bool isDarkAppearance(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).lightness() < 128;
}

Appearance appearanceOf(const QWidget* widget)
{
    return isDarkAppearance(widget) ? Appearance::dark : Appearance::light;
}

QToolButton* infoButton(const QString& text, QWidget* parent)
{
    auto* button = new InfoPopoverButton(text, appearanceOf(parent), parent);
    followAppearance(button,
                     [button](Appearance appearance) { button->setAppearance(appearance); });
    button->setFocusPolicy(Qt::StrongFocus);
    button->setToolTip(text);
    button->setAccessibleName(QStringLiteral("Information"));
    button->setAccessibleDescription(text);
    return button;
}

QColor warningColour(const QWidget* widget)
{
    return colors::loss(appearanceOf(widget));
}

QColor statusColour(const QWidget* widget)
{
    return isDarkAppearance(widget) ? QColor(0xff, 0xc2, 0x4d) : QColor(0xe0, 0x7b, 0x00);
}

void setTextColour(QLabel* label, QColor (*colour)(const QWidget*))
{
    followAppearance(label, [label, colour](Appearance) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour(label));
        label->setPalette(palette);
    });
}

} // namespace corvane
