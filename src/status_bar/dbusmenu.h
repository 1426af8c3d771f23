#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QMenu;

namespace corvane {

// One item of the com.canonical.dbusmenu layout, (ia{sv}av): the children travel as variants.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// An item's properties without its children, (ia{sv}).
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// Properties an item no longer has, (ias).
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};

// One event of EventGroup, (isvu).
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// Registers the types above with QtDBus; the exporter does it itself, a reader calls it.
void registerDBusMenuTypes();

} // namespace corvane

Q_DECLARE_METATYPE(corvane::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(corvane::DBusMenuItem)
Q_DECLARE_METATYPE(corvane::DBusMenuItemKeys)
Q_DECLARE_METATYPE(corvane::DBusMenuEvent)

namespace corvane {

class DBusMenu;

// The com.canonical.dbusmenu interface of the menu, as hosts call it.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBusMenuAdaptor)
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusMenu& menu);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   corvane::DBusMenuLayoutItem& layout);
    QList<corvane::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                    const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<corvane::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(const QList<corvane::DBusMenuItem>& updatedProps,
                                const QList<corvane::DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenu& m_menu;
};

// A QMenu's actions exported over D-Bus, so that a host which draws menus itself shows the
// same rows as our own menu and clicking one triggers the same action. Item 0 is the root;
// each action keeps its id for as long as it is in the menu. Changes to the actions reach
// the host as signals. (QtDBus hands the call's context to the adaptor's parent, this.)
class DBusMenu final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBusMenu)

public:
    static QString objectPath();

    explicit DBusMenu(QDBusConnection bus, QObject* parent = nullptr);
    ~DBusMenu() override;

    // The menu whose actions are shown; null shows an empty menu.
    void setMenu(QMenu* menu);
    uint revision() const { return m_revision; }

Q_SIGNALS:
    // A host is about to show the menu.
    void aboutToShow();

private:
    friend class DBusMenuAdaptor;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QList<QAction*> actions() const;
    QAction* action(int id) const;
    int idOf(QAction* action);
    QVariantMap properties(int id, const QStringList& names = {}) const;
    DBusMenuLayoutItem layout(int id, int depth, const QStringList& names);
    bool handleEvent(int id, const QString& eventId);
    void layoutChanged();

    QDBusConnection m_bus;
    DBusMenuAdaptor* m_adaptor = nullptr;
    QPointer<QMenu> m_menu;
    const QObject* m_watched = nullptr;
    QHash<QAction*, int> m_ids;
    int m_nextId = 1;
    uint m_revision = 1;
};

} // namespace corvane
