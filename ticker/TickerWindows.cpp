#include "TickerWindows.h"

#include "frmMain.h"
#include "frmTicker.h"
#include "frmTickerSettings.h"

TickerWindows::TickerWindows(frmMain *main) : QObject(main), m_Main(main)
{
    frmMain::Windows &w = main->windows();
    w.isTickerLoaded = [this] { return !m_Ticker.isNull(); };
    w.showTicker = [this](bool on) { Show(on); };
    w.tickerNewItems = [this] {
        if (!m_Ticker)
            Show(true);
        m_Ticker->ShowNewListOnly();
        m_Ticker->ShowMe();
    };
    w.tickerSetList = [this](const QString &list) {
        if (m_Ticker)
            m_Ticker->SetList(list);
    };
    w.tickerSettings = [this] { ShowSettings(); };
    w.tickerReload = [this] {
        if (m_Ticker)
            m_Ticker->ResetList();
    };
    w.tickerBrowser = [this] {
        if (m_Ticker)
            m_Ticker->OpenExtern();
    };
}

TickerWindows::~TickerWindows()
{
    delete m_Ticker.data();
    delete m_Closing.data();
}

void TickerWindows::Show(bool on)
{
    if (!on) {
        // Closing gives back the docking strip and closes the preview at once; the window
        // itself goes from the event loop, since this may be its own button's handler.
        if (frmTicker *ticker = m_Ticker) {
            m_Ticker = nullptr;
            m_Closing = ticker;
            ticker->close();
        }
        return;
    }
    if (!m_Ticker) {
        frmTicker *ticker = new frmTicker;
        m_Ticker = ticker;
        // Closed from its own button or by ending a new-items run: the menus follow.
        connect(ticker, &frmTicker::Closed, m_Main, [this, ticker] {
            if (m_Ticker == ticker)
                m_Ticker = nullptr; // it deletes itself once closed: no longer loaded
            for (const char *name : {"mnuFileTicker", "mnuTrayTicker"})
                if (QAction *item = m_Main->Item(QLatin1String(name)))
                    item->setChecked(false);
        });
    }
    m_Ticker->show();
    m_Ticker->raise();
}

void TickerWindows::ShowSettings()
{
    frmTickerSettings dialog([this](bool listChanged) {
        if (m_Ticker)
            m_Ticker->LoadRegVals(listChanged);
    }, m_Main);
    dialog.exec();
}
