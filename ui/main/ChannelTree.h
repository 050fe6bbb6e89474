#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QMap>
#include <QStyledItemDelegate>
#include <QVector>

class RSSChannel;
class RSSGroup;
class frmTarnSkin;

// The channel tree of the main window: a one-level list of group header rows, each followed by
// its channel rows. Every row keeps two hidden keys, its group's name and its channel's address
// ("0" on a header row), an icon key, the displayed title, the count and an optional wrapped
// description line drawn under the row.
//
// Rows of one channel are indexed by address, so a channel's update touches only its own rows.
class clsChannelTree : public QListWidget
{
    Q_OBJECT

public:
    enum Role {
        RoleGroup = Qt::UserRole + 1,
        RoleURL,
        RoleCount,
        RoleBody,
        RoleIconKey,
    };

    // Fonts, colours, images and the base row height the rows are drawn with.
    struct Look
    {
        QFont groupFont, titleFont, countFont, briefFont;
        QColor groupColour, titleColour, countColour, briefColour;
        QColor back, back2, selectBack, selectFore, grid;
        bool gridLines = false;
        int rowHeight = 18;
        QMap<QString, QImage> images;
    };

    // Which row-dependent items of the actions menu a click on a row shows.
    struct MenuItems
    {
        bool channelItems = false; // view, mark all read, reload, properties
        bool channelRemove = false;
        bool groupItems = false; // view and reload the group's channels
        bool groupEdit = false; // rename, delete
        bool separator = false;
    };
    static MenuItems MenuItemsFor(const QString &group, const QString &url);

    explicit clsChannelTree(QWidget *parent = nullptr);
    ~clsChannelTree() override;

    void ApplySkin(const frmTarnSkin &skin);
    const Look &look() const { return m_Look; }
    // "PREFS"/"DESCRIPTION": whether channel rows carry their description line.
    bool Descriptions() const { return m_Descriptions; }
    void setDescriptions(bool on) { m_Descriptions = on; }

    void RemoveAllRows();
    // A group's header row at the end; hidden for the group "Tarnwick".
    QListWidgetItem *AddGroupRow(const RSSGroup &group);
    // A channel row at the end of the group's rows (or at the end when the group has none).
    QListWidgetItem *AddChannelRow(const QString &group, const RSSChannel &channel, bool visible);
    // Brings every row of the channel up to date; returns how many rows it looked at.
    int UpdateChannelRows(const RSSChannel &channel);
    // Shows or hides the group's channel rows and sets its header's icon.
    void ApplyGroupState(const QString &group, bool expanded);
    void RemoveChannelRow(const QString &group, const QString &url);
    // The header's text (the group's name with its channel count).
    void SetGroupText(const QString &group, const QString &text);
    void RemoveGroupRow(const QString &group);
    // After a change of fonts or widths: the rows measure themselves again.
    void Relayout();

    // ---- Reading rows (0-based) ----
    QString RowGroup(int row) const;
    QString RowURL(int row) const;
    QString RowNode(int row) const;
    QString RowCount(int row) const;
    QString RowBody(int row) const;
    QString RowIcon(int row) const;
    int RowHeight(int row) const;
    // The row of group's header (url "0") or of a channel in a group; -1 when there is none.
    int FindRow(const QString &group, const QString &url) const;
    int RowsOfChannel(const QString &url) const { return int(m_ByURL.value(url).size()); }

signals:
    // Mouse released over the tree; row -1 when no row was under it.
    void RowReleased(int row, Qt::MouseButton button);
    void RowDoubleClicked(int row);
    // The keyboard's menu key: the actions menu for the current row, at that place.
    void MenuKeyPressed(int row, const QPoint &globalPos);
    // Right (open) or Left (fold) on a group's header row.
    void GroupKeyPressed(int row, bool open);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // A group header's state in words, for screen readers.
    static QString GroupState(bool expanded);
    void FillChannelRow(QListWidgetItem *item, const RSSChannel &channel);
    void Forget(QListWidgetItem *item);
    Look m_Look;
    bool m_Descriptions = true;
    QHash<QString, QVector<QListWidgetItem *>> m_ByURL;
};

// Draws the rows: icon, title and count on one line, the description wrapped below.
class TreeRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TreeRowDelegate(clsChannelTree *tree);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The height rule: fitted to the cells with the base height as the least; with a
    // description, the wrapped text's height plus the base height plus 4.
    int RowHeight(const QModelIndex &index, int width) const;

private:
    clsChannelTree *m_Tree;
};
