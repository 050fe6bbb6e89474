#pragma once

#include <QObject>
#include <QPointer>

class frmMain;
#include "frmTicker.h"


// The ticker plugged into the main window: opening and closing it, its lists, its settings
// dialog and its menu's "Open Item in Browser".
class TickerWindows : public QObject
{
    Q_OBJECT

public:
    explicit TickerWindows(frmMain *main);
    ~TickerWindows() override;
    frmTicker *Ticker() const { return m_Ticker; }
    void Show(bool on);
    void ShowSettings();

private:
    frmMain *m_Main;
    QPointer<frmTicker> m_Ticker;
    QPointer<frmTicker> m_Closing; // closed, waiting for the event loop to delete it
};
