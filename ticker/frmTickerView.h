#pragma once

#include "SkinnedFrame.h"
#include "XmlDocument.h"

#include <QImage>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>

class QWebEngineView;
class TickerViewPage;
class frmTicker;

// The ticker's item preview: one item through the skin's ticker stylesheet, in a small skinned
// window that sizes itself to the content (100 to 400 pixels high) and grows open and shrinks
// away when animations are on.
class frmTickerView : public SkinnedFrame
{
    Q_OBJECT

public:
    static constexpr int kKind = 4;
    static constexpr int kMinHeight = 100;
    static constexpr int kMaxHeight = 400;

    explicit frmTickerView(frmTicker *ticker);
    ~frmTickerView() override;

    void ShowItem(xml::Node item);
    void HideItem();
    int TargetHeight() const { return m_Target; }
    bool Hiding() const { return m_Hiding; }
    QString PagePath() const { return m_PagePath; }
    QWebEngineView *webView() const { return m_Web; }
    // The item shown (a copy).
    xml::Node Item() const;

    // ISkinnedWindow (the surface and the pointer are the frame's)
    void SkinHandler(const QString &function, float x, float y, bool released) override;
    QString DecodeText(const QString &text) override;
    bool DecodeIf(const QString &word) override;

signals:
    // The page is loaded and the target height known.
    void PageShown();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Layout();
    void tmrIEShowHide_Timer();
    void webView_LoadFinished(bool ok);

    frmTicker *m_Ticker;
    std::unique_ptr<xml::Document> m_Item;
    QString m_PagePath;
    int m_Target = kMinHeight;
    bool m_Hiding = false;
    bool m_Animate = false;
    QWebEngineView *m_Web;
    TickerViewPage *m_Page;
    QTimer tmrIEShowHide;
};
