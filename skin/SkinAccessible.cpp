#include "SkinAccessible.h"

#include "SkinnedFrame.h"
#include "frmTarnSkin.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

constexpr int kAnyWindow = -1;

struct FunctionWord
{
    int kind;
    const char *function;
    const char *name;
};

// What each skin function does, in the words a person would use for its button. A word a kind
// of window names in its own way comes before the words every window shares.
const FunctionWord kFunctionWords[] = {
    // The main window
    {0, "addchannel", QT_TRANSLATE_NOOP("SkinAccessible", "Add channel")},
    {0, "profiles", QT_TRANSLATE_NOOP("SkinAccessible", "Profiles")},
    {0, "prefs", QT_TRANSLATE_NOOP("SkinAccessible", "Preferences")},
    {0, "reloadall", QT_TRANSLATE_NOOP("SkinAccessible", "Reload all channels")},
    {0, "reloadskin", QT_TRANSLATE_NOOP("SkinAccessible", "Reload skin")},
    {0, "changeskin", QT_TRANSLATE_NOOP("SkinAccessible", "Change skin")},
    {0, "search", QT_TRANSLATE_NOOP("SkinAccessible", "Search for channels")},
    {0, "deletechannels", QT_TRANSLATE_NOOP("SkinAccessible", "Delete channels")},
    {0, "addprofile", QT_TRANSLATE_NOOP("SkinAccessible", "New profile")},
    {0, "addgroup", QT_TRANSLATE_NOOP("SkinAccessible", "Add group")},
    {0, "about", QT_TRANSLATE_NOOP("SkinAccessible", "About Tarnwick")},
    {0, "help", QT_TRANSLATE_NOOP("SkinAccessible", "Help")},
    // The item viewer
    {1, "openall", QT_TRANSLATE_NOOP("SkinAccessible", "Open all items")},
    {1, "closeall", QT_TRANSLATE_NOOP("SkinAccessible", "Close all items")},
    {1, "expandall", QT_TRANSLATE_NOOP("SkinAccessible", "Expand all items")},
    {1, "collapseall", QT_TRANSLATE_NOOP("SkinAccessible", "Collapse all items")},
    {1, "reload", QT_TRANSLATE_NOOP("SkinAccessible", "Reload channel")},
    {1, "markallread", QT_TRANSLATE_NOOP("SkinAccessible", "Mark all items read")},
    {1, "untagall", QT_TRANSLATE_NOOP("SkinAccessible", "Untag all items")},
    {1, "nextwindow", QT_TRANSLATE_NOOP("SkinAccessible", "Next window")},
    {1, "prevwindow", QT_TRANSLATE_NOOP("SkinAccessible", "Previous window")},
    {1, "properties", QT_TRANSLATE_NOOP("SkinAccessible", "Channel properties")},
    {1, "openinbrowser", QT_TRANSLATE_NOOP("SkinAccessible", "Open the channel's web page")},
    {1, "sortall", QT_TRANSLATE_NOOP("SkinAccessible", "Show all items")},
    {1, "sortunread", QT_TRANSLATE_NOOP("SkinAccessible", "Show unread items")},
    {1, "sortread", QT_TRANSLATE_NOOP("SkinAccessible", "Show read items")},
    {1, "sorttoday", QT_TRANSLATE_NOOP("SkinAccessible", "Show today's items")},
    {1, "sortyesterday", QT_TRANSLATE_NOOP("SkinAccessible", "Show yesterday's items")},
    {1, "sortpast7days", QT_TRANSLATE_NOOP("SkinAccessible", "Show the past 7 days' items")},
    {1, "sortdeleted", QT_TRANSLATE_NOOP("SkinAccessible", "Show deleted items")},
    {1, "sorttagged", QT_TRANSLATE_NOOP("SkinAccessible", "Show tagged items")},
    {1, "sortmenu", QT_TRANSLATE_NOOP("SkinAccessible", "Filter menu")},
    // The ticker and its item preview
    {3, "reload", QT_TRANSLATE_NOOP("SkinAccessible", "Reload headlines")},
    {3, "tickermenu", QT_TRANSLATE_NOOP("SkinAccessible", "Ticker menu")},
    {3, "pause", QT_TRANSLATE_NOOP("SkinAccessible", "Pause")},
    {3, "play", QT_TRANSLATE_NOOP("SkinAccessible", "Play")},
    {3, "delete", QT_TRANSLATE_NOOP("SkinAccessible", "Delete headline")},
    {3, "undelete", QT_TRANSLATE_NOOP("SkinAccessible", "Restore headline")},
    {3, "tag", QT_TRANSLATE_NOOP("SkinAccessible", "Tag headline")},
    {3, "untag", QT_TRANSLATE_NOOP("SkinAccessible", "Untag headline")},
    {3, "next", QT_TRANSLATE_NOOP("SkinAccessible", "Next headline")},
    {3, "prev", QT_TRANSLATE_NOOP("SkinAccessible", "Previous headline")},
    {3, "link", QT_TRANSLATE_NOOP("SkinAccessible", "Open headline in browser")},
    {4, "next", QT_TRANSLATE_NOOP("SkinAccessible", "Next headline")},
    {4, "prev", QT_TRANSLATE_NOOP("SkinAccessible", "Previous headline")},
    {4, "link", QT_TRANSLATE_NOOP("SkinAccessible", "Open headline in browser")},
    // Every window
    {kAnyWindow, "move", QT_TRANSLATE_NOOP("SkinAccessible", "Move window")},
    {kAnyWindow, "close", QT_TRANSLATE_NOOP("SkinAccessible", "Close")},
    {kAnyWindow, "max", QT_TRANSLATE_NOOP("SkinAccessible", "Maximize")},
    {kAnyWindow, "min", QT_TRANSLATE_NOOP("SkinAccessible", "Minimize")},
    {kAnyWindow, "windowframe", QT_TRANSLATE_NOOP("SkinAccessible", "Show or hide the frame")},
    {kAnyWindow, "openbrowser", QT_TRANSLATE_NOOP("SkinAccessible", "Open web browser")},
    {kAnyWindow, "openmain", QT_TRANSLATE_NOOP("SkinAccessible", "Open main window")},
    {kAnyWindow, "openticker", QT_TRANSLATE_NOOP("SkinAccessible", "Open or close the ticker")},
};

frmTarnSkin &Skin()
{
    return frmTarnSkin::Instance();
}

// What an entity is to assistive technology: a button (it has a function other than moving the
// window), a link (an address and no function), a text (a caption and nothing to do, or the
// caption one drags the window by), or nothing (a picture without a function, a plain picture
// one drags the window by).
QAccessible::Role RoleOf(const frmSkinEntity &e)
{
    if (!e.Function.isEmpty() && e.Function != QLatin1String("move"))
        return QAccessible::Button;
    if (e.Function.isEmpty() && !e.Link.isEmpty())
        return QAccessible::Link;
    if (!e.Text.isEmpty())
        return QAccessible::StaticText;
    return QAccessible::NoRole;
}

// One skin entity on one window.
class EntityAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    EntityAccessible(SkinnedFrame *window, int index, const frmSkinEntity &entity)
        : m_Window(window), m_Index(index), m_Entity(entity)
    { }

    // Still the entity it was made for (a skin loaded since may have put another in its slot).
    bool Matches() const
    {
        const auto &all = Skin().Entities();
        if (m_Index < 0 || m_Index >= int(all.size()))
            return false;
        const frmSkinEntity &e = all[size_t(m_Index)];
        return e.Window == m_Entity.Window && e.Function == m_Entity.Function
            && e.Text == m_Entity.Text && e.Link == m_Entity.Link;
    }

    int Index() const { return m_Index; }
    const SkinnedFrame *Window() const { return m_Window; }

    bool isValid() const override { return m_Window && Matches(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_Window ? m_Window->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return m_Window ? QAccessible::queryAccessibleInterface(m_Window) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        const auto shown = Shown();
        const QString caption = shown ? shown->caption : QString();
        const QAccessible::Role r = role();
        QString name;
        if (r == QAccessible::Button) {
            name = SkinAccessible::FunctionName(m_Entity.Function, m_Entity.Window);
            if (name.isEmpty())
                name = caption.isEmpty() ? m_Entity.Function : caption;
        } else if (r == QAccessible::Link) {
            name = caption.isEmpty() ? m_Entity.Link : caption;
        } else {
            name = caption;
        }
        switch (t) {
        case QAccessible::Name:
            return name;
        case QAccessible::Description:
            // A button's own caption when it says something else than its name.
            return r == QAccessible::Button && caption != name ? caption : QString();
        case QAccessible::Value:
            return r == QAccessible::Link ? m_Entity.Link : QString();
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString &) override { }

    QRect rect() const override
    {
        const auto shown = Shown();
        if (!shown || !m_Window)
            return QRect();
        const EntityPlace &at = shown->place;
        const QRect local = QRectF(at.x, at.y, at.width, at.height).toAlignedRect();
        return QRect(m_Window->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::Role role() const override { return RoleOf(m_Entity); }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!m_Window || !m_Window->isVisible() || !Shown())
            s.invisible = true;
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && role() != QAccessible::StaticText)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        return role() == QAccessible::StaticText ? QStringList() : QStringList {pressAction()};
    }
    void doAction(const QString &action) override
    {
        if (action != pressAction() || role() == QAccessible::StaticText || !isValid())
            return;
        // From the event loop, as a click comes: the function may open a modal window or
        // close this one.
        QTimer::singleShot(0, m_Window, [window = m_Window, index = m_Index] {
            if (window)
                Skin().PressEntity(index, window, QSizeF(window->size()));
        });
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    std::optional<frmTarnSkin::ShownEntity> Shown() const
    {
        if (!m_Window || !Matches())
            return std::nullopt;
        for (const auto &shown :
            Skin().ShownEntities(m_Window, QSizeF(m_Window->size()), m_Window->Kind()))
            if (shown.index == m_Index)
                return shown;
        return std::nullopt;
    }

    QPointer<SkinnedFrame> m_Window;
    const int m_Index;
    const frmSkinEntity m_Entity;
};

// A skinned window: the entities it shows, then its own controls.
class FrameAccessible : public QAccessibleWidget
{
public:
    explicit FrameAccessible(SkinnedFrame *window)
        : QAccessibleWidget(window, QAccessible::Window), m_Frame(window)
    { }
    ~FrameAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_Entities))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override
    {
        return int(Shown().size()) + QAccessibleWidget::childCount();
    }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0)
            return nullptr;
        const std::vector<int> shown = Shown();
        if (index < int(shown.size()))
            return Entity(shown[size_t(index)]);
        return QAccessibleWidget::child(index - int(shown.size()));
    }
    // A point on a button is the button's, as a click there is, even where a caption runs
    // over it.
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const auto &all = Skin().Entities();
        for (const int index : Shown()) {
            if (RoleOf(all[size_t(index)]) == QAccessible::StaticText)
                continue;
            QAccessibleInterface *button = Entity(index);
            if (button->rect().contains(x, y))
                return button;
        }
        return QAccessibleWidget::childAt(x, y);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const std::vector<int> shown = Shown();
        if (const auto *entity = dynamic_cast<const EntityAccessible *>(child)) {
            if (entity->Window() != m_Frame)
                return -1;
            const auto at = std::find(shown.begin(), shown.end(), entity->Index());
            return at == shown.end() ? -1 : int(at - shown.begin());
        }
        const int own = QAccessibleWidget::indexOfChild(child);
        return own < 0 ? -1 : own + int(shown.size());
    }

private:
    // The entities shown to assistive technology, by their index in the skin.
    std::vector<int> Shown() const
    {
        std::vector<int> out;
        if (!m_Frame)
            return out;
        const auto &all = Skin().Entities();
        for (const auto &shown :
            Skin().ShownEntities(m_Frame, QSizeF(m_Frame->size()), m_Frame->Kind()))
            if (RoleOf(all[size_t(shown.index)]) != QAccessible::NoRole)
                out.push_back(shown.index);
        return out;
    }

    // One interface per entity, kept while the skin keeps the entity.
    QAccessibleInterface *Entity(int index) const
    {
        if (const QAccessible::Id id = m_Entities.value(index)) {
            auto *known = static_cast<EntityAccessible *>(QAccessible::accessibleInterface(id));
            if (known && known->Matches())
                return known;
            m_Entities.remove(index);
            if (known)
                QAccessible::deleteAccessibleInterface(id);
        }
        auto *made = new EntityAccessible(m_Frame, index, Skin().Entities()[size_t(index)]);
        m_Entities.insert(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    QPointer<SkinnedFrame> m_Frame;
    mutable QHash<int, QAccessible::Id> m_Entities;
};

QAccessibleInterface *Factory(const QString &, QObject *object)
{
    if (auto *frame = qobject_cast<SkinnedFrame *>(object))
        return new FrameAccessible(frame);
    return nullptr;
}

// What a window last showed of its skin, for the change notice.
QHash<const SkinnedFrame *, QString> &LastShown()
{
    static QHash<const SkinnedFrame *, QString> shown;
    return shown;
}

} // namespace

namespace SkinAccessible {

void Install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
}

QString FunctionName(const QString &function, int kind)
{
    const QString word = function.toLower();
    for (const int pass : {kind, kAnyWindow}) {
        for (const FunctionWord &w : kFunctionWords)
            if (w.kind == pass && word == QLatin1String(w.function))
                return QCoreApplication::translate("SkinAccessible", w.name);
    }
    return QString();
}

void Painted(SkinnedFrame *window)
{
    if (!QAccessible::isActive() || !window)
        return;
    QString key;
    for (const auto &shown : Skin().ShownEntities(window, QSizeF(window->size()), window->Kind()))
        key += QString::number(shown.index) + QLatin1Char(':') + shown.caption + QLatin1Char('\n');
    QString &last = LastShown()[window];
    if (last == key)
        return;
    last = key;
    QAccessibleEvent changed(window, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
}

void Forget(const SkinnedFrame *window)
{
    LastShown().remove(window);
}

} // namespace SkinAccessible
