#pragma once

#include <QObject>
#include <QPointer>

class IWindowServices;
class QWidget;
#include "frmTicker.h"

// The ticker: opening and closing it, its lists, its settings dialog and its menu's "Open Item
// in Browser".
class TickerWindows : public QObject
{
    Q_OBJECT

public:
    // The settings dialog opens over dialogOwner (the main window).
    TickerWindows(IWindowServices &services, QWidget *dialogOwner);
    ~TickerWindows() override;
    frmTicker *Ticker() const { return m_Ticker; }
    void Show(bool on);
    // Shows only the items that are new since the last list.
    void ShowNewItems();
    void ShowSettings();

private:
    IWindowServices &m_Services;
    QPointer<QWidget> m_DialogOwner;
    QPointer<frmTicker> m_Ticker;
    QPointer<frmTicker> m_Closing; // closed, waiting for the event loop to delete it
};
