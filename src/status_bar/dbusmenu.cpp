#include "dbusmenu.h"

#include <QAction>
#include <QActionEvent>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace corvane {

namespace {

const QString unknownIdError = QStringLiteral("com.canonical.dbusmenu.UnknownId");

// Qt marks a mnemonic with '&' ("&&" is a literal one); the protocol with '_' ("__").
QString dbusLabel(const QString& text)
{
    QString label;
    label.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'_')
            label += QStringLiteral("__");
        else if (c == u'&' && i + 1 < text.size()) {
            label += text.at(i + 1) == u'&' ? QChar(u'&') : QChar(u'_');
            if (text.at(i + 1) == u'&')
                ++i;
        } else
            label += c;
    }
    return label;
}

} // namespace

void registerDBusMenuTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<QList<DBusMenuItem>>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<QList<DBusMenuEvent>>();
        return true;
    }();
    Q_UNUSED(registered);
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    item.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        DBusMenuLayoutItem childItem;
        child.variant().value<QDBusArgument>() >> childItem;
        item.children.append(childItem);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys)
{
    argument.beginStructure();
    argument << keys.id << keys.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys)
{
    argument.beginStructure();
    argument >> keys.id >> keys.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenu& menu)
    : QDBusAbstractAdaptor(&menu)
    , m_menu(menu)
{
    setAutoRelaySignals(false);
}

QString DBusMenuAdaptor::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout)
{
    if (parentId != 0 && !m_menu.action(parentId))
        m_menu.sendErrorReply(unknownIdError, QStringLiteral("No menu item %1").arg(parentId));
    else
        layout = m_menu.layout(parentId, recursionDepth, propertyNames);
    return m_menu.revision();
}

QList<DBusMenuItem> DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                        const QStringList& propertyNames)
{
    QList<DBusMenuItem> items;
    for (const int id : ids) {
        if (id == 0 || m_menu.action(id))
            items.append({id, m_menu.properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name)
{
    const QVariantMap properties = m_menu.properties(id, {name});
    if (id != 0 && !m_menu.action(id))
        m_menu.sendErrorReply(unknownIdError, QStringLiteral("No menu item %1").arg(id));
    else if (!properties.contains(name))
        m_menu.sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No property %1").arg(name));
    return QDBusVariant(properties.value(name));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!m_menu.handleEvent(id, eventId))
        m_menu.sendErrorReply(unknownIdError, QStringLiteral("No menu item %1").arg(id));
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (!m_menu.handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    }
    if (!events.isEmpty() && idErrors.size() == events.size())
        m_menu.sendErrorReply(unknownIdError, QStringLiteral("None of the items exists"));
    return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int id)
{
    if (id == 0)
        Q_EMIT m_menu.aboutToShow();
    return false; // the layout is always current
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (const int id : ids) {
        if (id == 0)
            Q_EMIT m_menu.aboutToShow();
        else if (!m_menu.action(id))
            idErrors.append(id);
    }
    return {};
}

QString DBusMenu::objectPath()
{
    return QStringLiteral("/MenuBar");
}

DBusMenu::DBusMenu(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    registerDBusMenuTypes();
    m_adaptor = new DBusMenuAdaptor(*this);
    m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);
}

DBusMenu::~DBusMenu()
{
    m_bus.unregisterObject(objectPath());
}

void DBusMenu::setMenu(QMenu* menu)
{
    if (m_menu == menu)
        return;
    if (m_menu)
        m_menu->removeEventFilter(this);
    m_menu = menu;
    m_ids.clear();
    if (m_menu)
        m_menu->installEventFilter(this);
    m_watched = m_menu;
    layoutChanged();
}

QList<QAction*> DBusMenu::actions() const
{
    return m_menu ? m_menu->actions() : QList<QAction*>();
}

QAction* DBusMenu::action(int id) const
{
    const QList<QAction*> all = actions();
    for (QAction* candidate : all) {
        if (m_ids.value(candidate) == id)
            return candidate;
    }
    return nullptr;
}

int DBusMenu::idOf(QAction* action)
{
    auto found = m_ids.constFind(action);
    if (found == m_ids.cend())
        found = m_ids.insert(action, m_nextId++);
    return *found;
}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const QAction* item = action(id)) {
        if (item->isSeparator()) {
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            all.insert(QStringLiteral("label"), dbusLabel(item->text()));
            all.insert(QStringLiteral("enabled"), item->isEnabled());
        }
        all.insert(QStringLiteral("visible"), item->isVisible());
    }
    if (names.isEmpty())
        return all;
    QVariantMap chosen;
    for (const QString& name : names) {
        if (all.contains(name))
            chosen.insert(name, all.value(name));
    }
    return chosen;
}

// The menu is flat: only the root has children.
DBusMenuLayoutItem DBusMenu::layout(int id, int depth, const QStringList& names)
{
    DBusMenuLayoutItem item{id, properties(id, names), {}};
    if (id != 0 || depth == 0)
        return item;
    const QList<QAction*> all = actions();
    for (QAction* child : all)
        item.children.append({idOf(child), properties(idOf(child), names), {}});
    return item;
}

bool DBusMenu::handleEvent(int id, const QString& eventId)
{
    if (id == 0) {
        if (eventId == QLatin1String("opened"))
            Q_EMIT aboutToShow();
        return true;
    }
    QAction* item = action(id);
    if (!item)
        return false;
    // After the reply: what the action opens must not hold up the host waiting for it.
    if (eventId == QLatin1String("clicked") && item->isEnabled())
        QTimer::singleShot(0, item, [item] { item->trigger(); });
    return true;
}

bool DBusMenu::eventFilter(QObject* watched, QEvent* event)
{
    // Compared as a plain object: a menu being destroyed is no longer a QMenu.
    if (watched == m_watched) {
        switch (event->type()) {
        case QEvent::ActionAdded:
        case QEvent::ActionRemoved:
            m_ids.remove(static_cast<QActionEvent*>(event)->action());
            layoutChanged();
            break;
        case QEvent::ActionChanged: {
            QAction* changed = static_cast<QActionEvent*>(event)->action();
            const int id = idOf(changed);
            Q_EMIT m_adaptor->ItemsPropertiesUpdated({{id, properties(id)}}, {});
            break;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void DBusMenu::layoutChanged()
{
    ++m_revision;
    Q_EMIT m_adaptor->LayoutUpdated(m_revision, 0);
}

} // namespace corvane
