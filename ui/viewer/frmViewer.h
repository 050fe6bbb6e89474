#pragma once

#include "SkinnedFrame.h"
#include "XmlDocument.h"

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "RSSChannel.h"

class IWindowServices;
class QLineEdit;
class QWebEngineView;
class ViewerPage;

// An item viewer: one channel's items (or one filter's over all channels) as an HTML page made
// by the skin's stylesheet, cleaned by HTML Tidy, written to the viewer's own page file and
// shown in a web view inside the skin's frame. The page marks items through its title.
//
// Item markup comes from the web and is untrusted: scripts, event handlers, frames, forms and
// addresses other than web ones are taken out of it before it reaches the page, so only the
// stylesheet's own script can signal commands.
class frmViewer : public SkinnedFrame
{
    Q_OBJECT

public:
    // pageFile: where this viewer writes its page (one file per open viewer); services: the
    // other windows (the main window, the ticker, the properties dialog).
    frmViewer(RSSChannel *channel, const QString &pageFile, IWindowServices &services,
        QWidget *parent = nullptr);
    ~frmViewer() override;

    void SetupView(const QString &url, const QString &filterAddress);
    void LoadNodeList();
    void SetList(const QString &list, qint32 allCount);
    // Asks for the list again and shows it as the reader left the page: the items that were
    // open stay open and the page keeps its scroll position. Queued: the list is asked for
    // from the event loop, once however often this is called before.
    void QueueRefresh();
    void Refresh();
    // The channel's count of all items changed: the footer follows.
    void SetAllCount(qint32 allCount);
    // A filter menu item: "" (all) or a filter address.
    void SelectFilter(const QString &filter);
    // Shows the items whose text holds every word, hides the others.
    void ApplySearch(const QString &text);
    // Carries out an item command given as a page title.
    void PageTitleChanged(const QString &title);
    // The item read from the keyboard (1-based position in the list; 0 when none).
    int CurrentItem() const { return m_Current; }
    void cmdWinFrame_Click();

    RSSChannel *Channel() const { return m_Channel; }
    QString URL() const { return m_URL; }
    QString Filter() const { return m_Filter; }
    QString PageFile() const { return m_PageFile; }
    int ItemCount() const { return int(m_Items.size()); }
    qint32 AllCount() const { return m_AllCount; }
    // The item node at a 1-based position of the current list.
    xml::Node Item(int position) const;
    QWebEngineView *webView() const { return m_Web; }
    QLineEdit *txtSearch() const { return m_Search; }
    QMenu *mnuSortMenu() const { return m_SortMenu; }
    QAction *SortItem(const QString &filter) const;
    // Runs JavaScript in the page and waits for its result (for the search and for checks).
    QVariant RunScript(const QString &script, int timeoutMs = 5000);

    // ISkinnedWindow (the surface and the pointer are the frame's)
    void SkinHandler(const QString &function, float x, float y, bool released) override;
    QString DecodeText(const QString &text) override;
    bool DecodeIf(const QString &word) override;

signals:
    void Loaded();
    void Resized();
    // The page of the last list is loaded and shown (search applied).
    void PageShown();
    // An item of itemChannel was marked from this viewer (read, tagged, deleted, all read):
    // other viewers showing it follow.
    void ItemsMarked(const QString &itemChannel);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void FrameRightClicked(const QPoint &at) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Resize();
    // Names for screen readers, the order of Tab, the filter menu from the keyboard.
    void AddKeyboardAccess();
    bool PageHasFocus() const;
    void ShowPage(const QByteArray &page);
    void webView_LoadFinished(bool ok);
    void RequestList();
    // What the reader had open on the page, by item hash, kept across a refresh.
    void KeepPageState(const QVariant &state);
    void ShowLoadedPage();
    // Reading from the keyboard: j/k, space, m, t, o, "/" (switched by "PREFS"/"VIEWERKEYS").
    void AddReadingKeys();
    void EnableReadingKeys();
    void StepItem(int direction);
    void PageDown(bool up);
    void SetCurrent(int position);
    // Runs fn with the current item's position once the page says the item is shown.
    void OnShownCurrent(const std::function<void(int)> &fn);
    void MarkRead(int position, bool on);
    void RunItemCommand(QChar letter, int position);
    void WriteItemIcons() const;

    QPointer<RSSChannel> m_Channel;
    IWindowServices &m_Services;
    QString m_URL;
    QString m_Filter;
    QString m_PageFile;
    QUrl m_PageAddress;
    std::unique_ptr<xml::Document> m_List;
    std::vector<xml::Node> m_Items;
    qint32 m_AllCount = 0;
    bool m_LoadedRaised = false;
    bool m_RefreshQueued = false;
    // Kept across a refresh until the new page is loaded.
    bool m_Restore = false;
    QStringList m_KeepOpen;
    int m_KeepScroll = 0;
    // The keyboard's item, kept by its hash across refreshes; the search box is the reader's
    // while they typed or clicked into it, until Escape or a click elsewhere.
    int m_Current = 0;
    QString m_CurrentHash;
    bool m_SearchEngaged = false;
    QList<QAction *> m_ReadingKeys;
    bool m_PageHadFocus = false; // the keyboard was in the page when it went to load

    QWebEngineView *m_Web;
    ViewerPage *m_Page;
    QLineEdit *m_Search;
    QMenu *m_SortMenu;
};
