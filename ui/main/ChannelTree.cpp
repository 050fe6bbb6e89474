#include "ChannelTree.h"

#include "Include.h"
#include "RSSChannel.h"
#include "SkinPainter.h"
#include "WindowHelpers.h"
#include "colGroups.h"
#include "frmTarnSkin.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int kIconSize = 16;
constexpr int kPad = 3;
const QString kGroupURL = QStringLiteral("0");

QString Text(const QListWidgetItem *item, int role)
{
    return item ? item->data(role).toString() : QString();
}

// Writes a value only when it differs, so unchanged rows are not repainted.
void SetIfChanged(QListWidgetItem *item, int role, const QString &value)
{
    if (item->data(role).toString() != value)
        item->setData(role, value);
}

} // namespace

clsChannelTree::MenuItems clsChannelTree::MenuItemsFor(const QString &group, const QString &url)
{
    MenuItems items;
    if (group.isEmpty())
        return items;
    const bool reserved = colGroups::IsReserved(group);
    items.separator = true;
    if (url != kGroupURL) {
        items.channelItems = true;
        items.channelRemove = !reserved;
    } else {
        items.groupItems = true;
        items.groupEdit = !reserved;
    }
    return items;
}

clsChannelTree::clsChannelTree(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("treMain"));
    setAccessibleName(tr("Channels"));
    setItemDelegate(new TreeRowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setMouseTracking(true);
}

clsChannelTree::~clsChannelTree() = default;

void clsChannelTree::ApplySkin(const frmTarnSkin &skin)
{
    Look look;
    look.groupFont = skin.GetFont(skin.TreeFont);
    look.titleFont = skin.GetFont(skin.TreeTitleFont);
    look.countFont = skin.GetFont(skin.TreeCountFont);
    look.briefFont = skin.GetFont(skin.TreeBriefFont);
    auto colour = [&](int font) {
        const qint32 value = skin.GetFontColor(font);
        return value == -1 ? palette().color(QPalette::Text) : SkinPainter::ToColor(value);
    };
    look.groupColour = colour(skin.TreeFont);
    look.titleColour = colour(skin.TreeTitleFont);
    look.countColour = colour(skin.TreeCountFont);
    look.briefColour = colour(skin.TreeBriefFont);
    look.back = skin.TreeColor == -1 ? palette().color(QPalette::Base)
                                     : SkinPainter::ToColor(skin.TreeColor);
    look.back2 = skin.Tree2ndColor == -1 ? look.back : SkinPainter::ToColor(skin.Tree2ndColor);
    look.selectBack = SkinPainter::ToColor(skin.TreeSelectBackColor);
    look.selectFore = SkinPainter::ToColor(skin.TreeSelectForeColor);
    look.grid = SkinPainter::ToColor(skin.TreeGridColor);
    look.gridLines = skin.TreeGrid;
    look.rowHeight = qMax<int>(kIconSize + 2, skin.TreeRowHeight);
    look.images = skin.TreeImages();
    m_Look = look;

    QPalette p = palette();
    p.setColor(QPalette::Base, look.back);
    p.setColor(QPalette::Window, look.back);
    p.setColor(QPalette::Highlight, look.selectBack);
    p.setColor(QPalette::HighlightedText, look.selectFore);
    setPalette(p);
    if (!skin.TreeBackImage.isNull()) {
        p.setBrush(QPalette::Base, QBrush(skin.TreeBackImage));
        viewport()->setPalette(p);
    } else {
        viewport()->setPalette(p);
    }
    Relayout();
}

QString clsChannelTree::GroupState(bool expanded)
{
    return expanded ? tr("group, open") : tr("group, folded");
}

void clsChannelTree::RemoveAllRows()
{
    m_ByURL.clear();
    clear();
}

QListWidgetItem *clsChannelTree::AddGroupRow(const RSSGroup &group)
{
    auto *item = new QListWidgetItem;
    item->setData(RoleGroup, group.Name());
    item->setData(RoleURL, kGroupURL);
    item->setData(Qt::DisplayRole, group.Name(true));
    item->setData(
        RoleIconKey, group.Expanded() ? QStringLiteral("collapse") : QStringLiteral("expanded"));
    item->setData(Qt::AccessibleDescriptionRole, GroupState(group.Expanded()));
    addItem(item);
    item->setHidden(group.Name() == QLatin1String("Tarnwick"));
    return item;
}

QListWidgetItem *clsChannelTree::AddChannelRow(
    const QString &group, const RSSChannel &channel, bool visible)
{
    auto *item = new QListWidgetItem;
    item->setData(RoleGroup, group);
    item->setData(RoleURL, channel.URL());
    FillChannelRow(item, channel);
    // After the group's last row, so a channel subscribed later stays with its group.
    int at = count();
    for (int row = count() - 1; row >= 0; --row) {
        if (Text(this->item(row), RoleGroup) == group) {
            at = row + 1;
            break;
        }
    }
    insertItem(at, item);
    item->setHidden(!visible);
    m_ByURL[channel.URL()].append(item);
    return item;
}

void clsChannelTree::FillChannelRow(QListWidgetItem *item, const RSSChannel &channel)
{
    SetIfChanged(item, Qt::DisplayRole, channel.displayTitle());
    SetIfChanged(
        item, RoleBody, m_Descriptions ? Include::StripTags(channel.Description) : QString());
    SetIfChanged(item, RoleCount, QString::number(channel.ItemCount()));
    SetIfChanged(item, RoleIconKey, channel.GetImage());
    // A channel in error says why on its row; the reason stays until a fetch succeeds.
    QString tip;
    if (channel.HasError() && channel.GetImage() == QLatin1String("err")) {
        const QString reason = channel.ErrorReason();
        tip = reason.isEmpty() ? tr("The last fetch of %1 failed.").arg(channel.URL())
                               : tr("The last fetch of %1 failed: %2").arg(channel.URL(), reason);
    }
    SetIfChanged(item, Qt::ToolTipRole, tip);
    // What the icon shows, in words, for screen readers.
    const QString key = channel.GetImage();
    QString state;
    if (key == QLatin1String("newitems"))
        state = tr("new items");
    else if (key == QLatin1String("unread"))
        state = tr("unread items");
    else if (key == QLatin1String("reload"))
        state = tr("loading");
    else if (key == QLatin1String("err"))
        state = tr("the last fetch failed");
    const QString count = tr("%1 items").arg(channel.ItemCount());
    SetIfChanged(item, Qt::AccessibleDescriptionRole,
        state.isEmpty() ? count : tr("%1, %2").arg(count, state));
}

int clsChannelTree::UpdateChannelRows(const RSSChannel &channel)
{
    const auto rows = m_ByURL.value(channel.URL());
    for (QListWidgetItem *item : rows)
        FillChannelRow(item, channel);
    return int(rows.size());
}

void clsChannelTree::ApplyGroupState(const QString &group, bool expanded)
{
    setUpdatesEnabled(false);
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem *item = this->item(row);
        if (Text(item, RoleGroup) != group)
            continue;
        if (Text(item, RoleURL) == kGroupURL) {
            item->setData(
                RoleIconKey, expanded ? QStringLiteral("collapse") : QStringLiteral("expanded"));
            item->setData(Qt::AccessibleDescriptionRole, GroupState(expanded));
        } else {
            item->setHidden(!expanded);
        }
    }
    setUpdatesEnabled(true);
}

void clsChannelTree::Forget(QListWidgetItem *item)
{
    const QString url = Text(item, RoleURL);
    auto it = m_ByURL.find(url);
    if (it != m_ByURL.end()) {
        it->removeAll(item);
        if (it->isEmpty())
            m_ByURL.erase(it);
    }
}

void clsChannelTree::RemoveChannelRow(const QString &group, const QString &url)
{
    for (int row = count() - 1; row >= 0; --row) {
        QListWidgetItem *item = this->item(row);
        if (Text(item, RoleURL) == url && Text(item, RoleGroup) == group) {
            Forget(item);
            delete takeItem(row);
        }
    }
}

void clsChannelTree::SetGroupText(const QString &group, const QString &text)
{
    const int row = FindRow(group, kGroupURL);
    if (row >= 0)
        SetIfChanged(item(row), Qt::DisplayRole, text);
}

void clsChannelTree::RemoveGroupRow(const QString &group)
{
    const int row = FindRow(group, kGroupURL);
    if (row >= 0)
        delete takeItem(row);
}

void clsChannelTree::Relayout()
{
    // The list measures its rows again on a layout change.
    doItemsLayout();
    viewport()->update();
}

QString clsChannelTree::RowGroup(int row) const
{
    return Text(item(row), RoleGroup);
}
QString clsChannelTree::RowURL(int row) const
{
    return Text(item(row), RoleURL);
}
QString clsChannelTree::RowNode(int row) const
{
    return Text(item(row), Qt::DisplayRole);
}
QString clsChannelTree::RowCount(int row) const
{
    return Text(item(row), RoleCount);
}
QString clsChannelTree::RowBody(int row) const
{
    return Text(item(row), RoleBody);
}
QString clsChannelTree::RowIcon(int row) const
{
    return Text(item(row), RoleIconKey);
}

int clsChannelTree::RowHeight(int row) const
{
    const auto *delegate = static_cast<TreeRowDelegate *>(itemDelegate());
    return delegate->RowHeight(indexFromItem(item(row)), viewport()->width());
}

int clsChannelTree::FindRow(const QString &group, const QString &url) const
{
    if (url != kGroupURL) {
        for (QListWidgetItem *item : m_ByURL.value(url))
            if (Text(item, RoleGroup) == group)
                return row(item);
        return -1;
    }
    for (int row = 0; row < count(); ++row)
        if (Text(item(row), RoleURL) == url && Text(item(row), RoleGroup) == group)
            return row;
    return -1;
}

void clsChannelTree::mousePressEvent(QMouseEvent *event)
{
    // A click on empty space clears the selection, so the menu knows no row was hit.
    if (!itemAt(event->position().toPoint()))
        clearSelection();
    QListWidget::mousePressEvent(event);
}

void clsChannelTree::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    QListWidgetItem *hit = itemAt(event->position().toPoint());
    if (hit)
        setCurrentItem(hit);
    emit RowReleased(hit ? row(hit) : -1, event->button());
}

void clsChannelTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (QListWidgetItem *hit = itemAt(event->position().toPoint()))
        emit RowDoubleClicked(row(hit));
}

void clsChannelTree::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void clsChannelTree::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void clsChannelTree::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    Include::DropData(event->mimeData());
}

void clsChannelTree::contextMenuEvent(QContextMenuEvent *event)
{
    // A right click is handled on release; only the keyboard's request comes through here.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const int row = currentRow();
    QPoint at = viewport()->rect().topLeft() + QPoint(16, 8);
    if (row >= 0 && !item(row)->isHidden())
        at = visualItemRect(item(row)).bottomLeft() + QPoint(16, 0);
    emit MenuKeyPressed(row, viewport()->mapToGlobal(at));
}

void clsChannelTree::keyPressEvent(QKeyEvent *event)
{
    // As in a tree: Right opens a group, Left folds it, and Left on a channel goes up to its
    // group's header.
    const int row = currentRow();
    const bool left = event->key() == Qt::Key_Left, right = event->key() == Qt::Key_Right;
    if ((left || right) && row >= 0 && event->modifiers() == Qt::NoModifier) {
        if (RowURL(row) == kGroupURL) {
            emit GroupKeyPressed(row, right);
            return;
        }
        if (left) {
            const int header = FindRow(RowGroup(row), kGroupURL);
            if (header >= 0 && !item(header)->isHidden())
                setCurrentRow(header);
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

void clsChannelTree::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    Relayout();
}

// ---- Drawing -----------------------------------------------------------------------------

TreeRowDelegate::TreeRowDelegate(clsChannelTree *tree) : QStyledItemDelegate(tree), m_Tree(tree)
{ }

int TreeRowDelegate::RowHeight(const QModelIndex &index, int width) const
{
    const auto &look = m_Tree->look();
    const bool header = index.data(clsChannelTree::RoleURL).toString() == kGroupURL;
    const QFontMetrics node(header ? look.groupFont : look.titleFont);
    const QFontMetrics count(look.countFont);
    const int cells = qMax(qMax(node.height(), count.height()), kIconSize) + 2;
    const QString body = index.data(clsChannelTree::RoleBody).toString();
    if (header || body.isEmpty() || !m_Tree->Descriptions())
        return qMax(look.rowHeight, cells);
    const QFontMetrics brief(look.briefFont);
    const QRect bounds = brief.boundingRect(
        QRect(0, 0, qMax(40, width - 2 * kPad - kIconSize - kPad), 10000), Qt::TextWordWrap, body);
    return bounds.height() + qMax(look.rowHeight, cells) + 4;
}

QSize TreeRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int width =
        m_Tree->viewport()->width() > 0 ? m_Tree->viewport()->width() : option.rect.width();
    return {width, RowHeight(index, width)};
}

void TreeRowDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto &look = m_Tree->look();
    const QRect r = option.rect;
    const bool header = index.data(clsChannelTree::RoleURL).toString() == kGroupURL;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    QColor back = index.row() % 2 ? look.back2 : look.back;
    if (header)
        back = look.back2 == look.back ? look.back.darker(106) : look.back2.darker(104);
    if (selected)
        back = look.selectBack;
    painter->fillRect(r, back);
    if (option.state & QStyle::State_HasFocus && m_Tree->hasFocus()) {
        painter->setPen(QPen(selected ? look.selectFore : look.titleColour, 1, Qt::DotLine));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    }

    const QFontMetrics node(header ? look.groupFont : look.titleFont);
    const int firstLine = qMax(qMax(look.rowHeight, node.height() + 2), kIconSize + 2);
    const QImage icon = look.images.value(index.data(clsChannelTree::RoleIconKey).toString());
    const QRect iconRect(
        r.left() + kPad, r.top() + (firstLine - kIconSize) / 2, kIconSize, kIconSize);
    if (!icon.isNull())
        painter->drawImage(iconRect, icon);

    const int textLeft = iconRect.right() + 1 + kPad + 1;
    QString count;
    int countWidth = 0;
    if (!header) {
        count = index.data(clsChannelTree::RoleCount).toString();
        painter->setFont(look.countFont);
        countWidth = QFontMetrics(look.countFont).horizontalAdvance(count) + 2 * kPad;
        painter->setPen(selected ? look.selectFore : look.countColour);
        painter->drawText(QRect(r.right() - countWidth, r.top(), countWidth - kPad, firstLine),
            Qt::AlignRight | Qt::AlignVCenter, count);
    }
    painter->setFont(header ? look.groupFont : look.titleFont);
    painter->setPen(selected ? look.selectFore : header ? look.groupColour : look.titleColour);
    const QRect titleRect(textLeft, r.top(), r.right() - countWidth - textLeft, firstLine);
    QFont font = painter->font();
    if (header)
        font.setBold(true);
    painter->setFont(font);
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(font).elidedText(
            index.data(Qt::DisplayRole).toString(), Qt::ElideRight, titleRect.width()));

    const QString body = index.data(clsChannelTree::RoleBody).toString();
    if (!header && !body.isEmpty() && m_Tree->Descriptions()) {
        painter->setFont(look.briefFont);
        painter->setPen(selected ? look.selectFore : look.briefColour);
        painter->drawText(QRect(textLeft, r.top() + firstLine, r.right() - textLeft - kPad,
                              r.height() - firstLine),
            Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, body);
    }
    if (look.gridLines) {
        painter->setPen(look.grid);
        painter->drawLine(r.bottomLeft(), r.bottomRight());
    }
    painter->restore();
}
