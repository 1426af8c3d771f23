#pragma once

#include "models/statuslabelpresenter.h"

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>

class QMenu;

namespace corvane {

// What the item shows: the label's picture for hosts that draw it at its width, and the
// labels themselves for hosts that draw text and a square icon.
struct StatusContent {
    QImage picture; // null: the logo stands in
    QList<StatusLabel> labels;
    bool hasError = false;
    QString summary; // the labels as one line, or what stands in for them
};

// The application's one presence on the desktop: a picture in the status area that opens the
// popover on a left click and the menu on a right click. Which protocol carries it depends on
// the desktop (see create()).
class StatusItem : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusItem)

public:
    // The item on the session bus's desktop, following its hosts as they come and go.
    // logo stands in whenever there is no label, so the item can always be clicked.
    static std::unique_ptr<StatusItem> create(const QIcon& logo, QObject* parent = nullptr);

    using QObject::QObject;
    ~StatusItem() override = default;

    virtual void setContent(const StatusContent& content) = 0;
    // The right-click menu, for hosts that draw it themselves.
    virtual void setMenu(QMenu* menu) { Q_UNUSED(menu); }
    // Fits the item to the current picture.
    virtual void resizeStatusItem() = 0;
    // Where the item is on screen, if the host tells; empty otherwise.
    virtual QRect geometry() const = 0;
    virtual bool isRegistered() const = 0;
    // "XEmbed" or "StatusNotifierItem" (empty while undecided), for the log and the tests.
    virtual QString kind() const = 0;

Q_SIGNALS:
    // A left click (position: where the host says, or a null point).
    void activated(const QPoint& position);
    void contextMenuRequested(const QPoint& position);
    // A host is showing our menu itself.
    void menuShown();
    void registeredChanged(bool registered);
    // Some time after start nothing on the desktop shows the item; sent at most once.
    void unseen();
};

} // namespace corvane
