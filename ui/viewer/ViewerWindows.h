#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

class RSSChannel;
class frmMain;
class frmPreferences;
#include "frmProperties.h"

#include "frmViewer.h"


// The item viewers, the properties dialog and the preferences dialog, plugged into the main
// window. One viewer per channel; each open viewer writes its page to a file of its own
// ("temp.html" for the first, "temp2.html" and so on), so two viewers never show each other's
// items.
class ViewerWindows : public QObject
{
    Q_OBJECT

public:
    explicit ViewerWindows(frmMain *main);
    ~ViewerWindows() override;
    static ViewerWindows *Instance();

    bool IsViewerLoaded(const RSSChannel *channel) const;
    frmViewer *Viewer(const RSSChannel *channel) const;
    // Opens (or raises) the channel's viewer and asks for its list.
    void OpenViewer(RSSChannel *channel, bool minimised);
    void CloseViewers();
    frmProperties *Properties() const { return m_Properties; }
    void ShowProperties(RSSChannel *channel);
    void ShowPreferences();
    void UnloadDialogs();

private:
    QString FreePageFile() const;
    void SetWndState(RSSChannel *channel, frmViewer *viewer);
    void SaveWndState(RSSChannel *channel, frmViewer *viewer);

    frmMain *m_Main;
    QHash<const RSSChannel *, QPointer<frmViewer>> m_Viewers;
    QPointer<frmProperties> m_Properties;
    bool m_Resizing = false;
};
