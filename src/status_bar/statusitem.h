#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>

namespace corvane {

// The application's one presence on the desktop: a picture in the status area that opens the
// popover on a left click and the menu on a right click. Which protocol carries it depends on
// the desktop (see create()).
class StatusItem : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusItem)

public:
    // logo stands in whenever there is no label, so the item can always be clicked.
    static std::unique_ptr<StatusItem> create(const QIcon& logo, QObject* parent = nullptr);

    using QObject::QObject;
    ~StatusItem() override = default;

    // label null: show the logo. text is the label as words (tooltip, text-only hosts).
    virtual void setContent(const QImage& label, const QString& text) = 0;
    // Fits the item to the current picture.
    virtual void resizeStatusItem() = 0;
    // Where the item is on screen, if the host tells; empty otherwise.
    virtual QRect geometry() const = 0;
    virtual bool isRegistered() const = 0;
    // "XEmbed" or "StatusNotifierItem", for the log and the tests.
    virtual QString kind() const = 0;

Q_SIGNALS:
    // A left click (position: where the host says, or a null point).
    void activated(const QPoint& position);
    void contextMenuRequested(const QPoint& position);
    void registeredChanged(bool registered);
};

} // namespace corvane
