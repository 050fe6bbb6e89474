#include "TickerWindows.h"

#include "WindowServices.h"
#include "frmTicker.h"
#include "frmTickerSettings.h"

TickerWindows::TickerWindows(IWindowServices &services, QWidget *dialogOwner)
    : QObject(dialogOwner), m_Services(services), m_DialogOwner(dialogOwner)
{ }

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
        frmTicker *ticker = new frmTicker(m_Services);
        m_Ticker = ticker;
        // Closed from its own button or by ending a new-items run: the menus follow.
        connect(ticker, &frmTicker::Closed, this, [this, ticker] {
            if (m_Ticker == ticker)
                m_Ticker = nullptr; // it deletes itself once closed: no longer loaded
            m_Services.TickerClosed();
        });
    }
    m_Ticker->show();
    m_Ticker->raise();
}

void TickerWindows::ShowNewItems()
{
    if (!m_Ticker)
        Show(true);
    m_Ticker->ShowNewListOnly();
    m_Ticker->ShowMe();
}

void TickerWindows::ShowSettings()
{
    frmTickerSettings dialog(
        [this](bool listChanged) {
            if (m_Ticker)
                m_Ticker->LoadRegVals(listChanged);
        },
        m_DialogOwner);
    dialog.exec();
}
