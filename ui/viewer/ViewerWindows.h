#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

class IWindowServices;
class QWidget;
class RSSChannel;
#include "frmProperties.h"

#include "frmViewer.h"

// The item viewers, the properties dialog and the preferences dialog. One viewer per channel; each
// open viewer writes its page to a file of its own
// ("temp.html" for the first, "temp2.html" and so on), so two viewers never show each other's
// items.
class ViewerWindows : public QObject
{
    Q_OBJECT

public:
    // Dialogs open over dialogOwner (the main window); the windows ask the others through
    // services.
    ViewerWindows(IWindowServices &services, QWidget *dialogOwner);
    ~ViewerWindows() override;

    bool IsViewerLoaded(const RSSChannel *channel) const;
    frmViewer *Viewer(const RSSChannel *channel) const;
    // Opens (or raises) the channel's viewer and asks for its list.
    void OpenViewer(RSSChannel *channel, bool minimised);
    void CloseViewers();
    // Each open viewer asks for its list again.
    void ReloadLists();
    // A fetch of the channel completed: the viewers that show its items follow.
    void ChannelLoaded(const RSSChannel *channel, bool newItems);
    // The channel's counts changed: its viewer's footer follows.
    void ChannelStateChanged(const RSSChannel *channel);
    frmProperties *Properties() const { return m_Properties; }
    void ShowProperties(RSSChannel *channel);
    void ShowPreferences();
    void UnloadDialogs();

private:
    QString FreePageFile() const;
    void ItemsMarked(const frmViewer *from, const QString &itemChannel);
    void SetWndState(RSSChannel *channel, frmViewer *viewer);
    void SaveWndState(RSSChannel *channel, frmViewer *viewer);

    IWindowServices &m_Services;
    QPointer<QWidget> m_DialogOwner;
    QHash<const RSSChannel *, QPointer<frmViewer>> m_Viewers;
    QPointer<frmProperties> m_Properties;
    bool m_Resizing = false;
};
