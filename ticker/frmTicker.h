#pragma once

#include "SkinnedFrame.h"
#include "TickerLogic.h"
#include "TickerSettings.h"
#include "XmlDocument.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class IWindowServices;
class TAppBar;
class clsStyle;
#include "frmTickerView.h"

// The news ticker: a thin skinned bar that shows one headline at a time from the active
// profile's items, animated by one of four effects; it floats or is docked at the top of the
// screen. A click marks the item read and previews it; the skin's buttons step, pause, tag and
// delete.
class frmTicker : public SkinnedFrame
{
    Q_OBJECT

public:
    static constexpr int kKind = 3;

    // services: the main window and its ticker menu, the ticker's own opening and closing.
    explicit frmTicker(IWindowServices &services, QWidget *parent = nullptr);
    ~frmTicker() override;
    IWindowServices &Services() const { return m_Services; }

    void ShowMe();
    void ShowNewListOnly();
    void ResetList();
    void SetList(const QString &list);
    void LoadRegVals(bool reloadList);
    void OpenExtern();
    void ShowItem();
    void HideItem();
    void BuildTickerList();
    // One animation tick (the scroll timer's handler).
    void tmrScroll_Timer();
    void tmrHold_Timer();
    void RequestNext() { m_NextRequested = true; }
    void RequestPrevious() { m_PrevRequested = true; }

    // ---- State, for the preview and for checks ----
    int ListCount() const { return int(m_Items.size()); }
    bool HasList() const { return m_HasList; }
    bool ListPending() const { return m_Pending; }
    int CurrentIndex() const { return m_Step.index; }
    xml::Node CurrentItem() const;
    bool NewItemMode() const { return m_NewItemMode; }
    bool NewItemsOnlyRun() const { return m_NewOnlyRun; }
    bool Paused() const { return m_Paused; }
    bool Hovering() const { return m_Hovering; }
    bool InPreview() const { return m_Preview; }
    int Period() const { return m_Scroll.interval(); }
    const TickerLogic::Animation &Animation() const { return m_Anim; }
    const TickerLogic::Headline &Headline() const { return m_Headline; }
    const TickerSettings &Settings() const { return m_Settings; }
    double HomeX() const { return m_Geometry.home; }
    TAppBar *AppBar() const { return m_Bar.get(); }
    frmTickerView *Preview() const { return m_View; }

    // ISkinnedWindow (the pointer is the frame's; the surface is composed here)
    void PaintMe() override;
    void SkinHandler(const QString &function, float x, float y, bool released) override;
    QString DecodeText(const QString &text) override;
    bool DecodeIf(const QString &word) override;
    // A button's hover or pressed picture drawn by the skin: the composed background takes it
    // up at the next step too.
    void SurfaceChanged(const QRectF &area) override;

signals:
    void Closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void Step();
    void ComposeItem();
    void Measure();
    void Draw();
    void SetupDock();
    void MarkCurrent(const char *what, bool on);
    void StartHover();
    void SavePlace();
    QString SkinItemKey() const;

    std::unique_ptr<xml::Document> m_List;
    std::vector<xml::Node> m_Items;
    bool m_HasList = false;
    bool m_Pending = false;
    TickerLogic::Stepper m_Step;
    bool m_NextRequested = false, m_PrevRequested = false;
    bool m_Hovering = false;
    bool m_NewItemMode = false;
    bool m_NewOnlyRun = false;
    bool m_Paused = false;
    bool m_Preview = false;
    bool m_Painting = false;
    bool m_RedrawQueued = false; // a composition asked for by a change of the skin's picture
    TickerSettings m_Settings;
    bool m_ShowChannel = true, m_ShowDate = false, m_ShowTime = true;
    TickerLogic::Headline m_Headline;
    TickerLogic::Animation m_Anim;
    TickerLogic::Geometry m_Geometry;
    QFont m_TitleFont, m_ChannelFont, m_DateFont, m_TimeFont;
    QPointF m_DragOrigin {-1, -1};

    IWindowServices &m_Services;
    QTimer m_Scroll;
    QTimer m_Hold;
    // The skin's part of the surface, painted again only when it may have changed (a skin
    // element's state, the size, the clock text once a second); ticks only draw the text on it.
    QImage m_Background;
    bool m_BackgroundDirty = true;
    qint64 m_BackgroundAt = 0;
    QRect m_TextRect;
    QString m_SkinItemKey;
    // The floating place, stored once a move by the user has come to rest.
    QTimer m_SavePlace;
    bool m_Placing = false;
    bool m_PlaceMoved = false;
    // The line as last drawn, kept while its text and colour stay the same.
    QImage m_Line;
    QString m_LineKey;
    clsStyle *m_Style = nullptr;
    std::unique_ptr<TAppBar> m_Bar;
    QPointer<frmTickerView> m_View;
};
