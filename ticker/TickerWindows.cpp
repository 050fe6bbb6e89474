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
    w.tickerBrowser = [this] {
        if (m_Ticker)
            m_Ticker->OpenExtern();
    };
}

TickerWindows::~TickerWindows()
{
    delete m_Ticker.data();
}

void TickerWindows::Show(bool on)
{
    if (!on) {
        if (m_Ticker) {
            m_Ticker->close();
            delete m_Ticker.data(); // with its preview and its docking strip, now
        }
        return;
    }
    if (!m_Ticker) {
        m_Ticker = new frmTicker;
        // Closed from its own button or by ending a new-items run: the menus follow.
        connect(m_Ticker, &frmTicker::Closed, m_Main, [this] {
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
