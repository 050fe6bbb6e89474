#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QVBoxLayout;

// "Preferences": the general switches and the desktop's autostart entry.
class frmPreferences : public QDialog
{
    Q_OBJECT

public:
    // tickerSettings: the main window's ticker settings command (may be empty).
    explicit frmPreferences(std::function<void()> tickerSettings, QWidget *owner = nullptr);
    // Writes the boxes and the autostart entry.
    void cmdOk_Click();
    QCheckBox *Box(const QString &name) const;
    // What the autostart entry starts: this program.
    static QString ProgramPath();

private:
    void AddViewerKeyControls(QVBoxLayout *layout);
    void SaveViewerKeyControls();
    // The tray badge and desktop notification switches, and writing them.
    void AddDesktopControls(QVBoxLayout *layout);
    void SaveDesktopControls();

    std::function<void()> m_TickerSettings;
};
