#pragma once

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

// The ticker's settings on three tabs: "Style", "Position" and "Sources".
class frmTickerSettings : public QDialog
{
    Q_OBJECT

public:
    // apply: what the open ticker does with the new settings (its LoadRegVals with whether the
    // list changed); empty when no ticker is open.
    explicit frmTickerSettings(std::function<void(bool)> apply, QWidget *owner = nullptr);
    void cmdApply_Click();
    void cmdPixelDefault_Click();
    bool ListChanged() const { return m_ListChanged; }

    QButtonGroup *optEffect() const { return m_Effect; }
    QButtonGroup *optDock() const { return m_Dock; }
    QButtonGroup *optDays() const { return m_Days; }
    QSlider *sldSpeed() const { return m_Speed; }
    QLineEdit *txtLeft() const { return m_Left; }
    QLineEdit *txtTop() const { return m_Top; }
    QLineEdit *txtWidth() const { return m_Width; }
    QCheckBox *chkUnread() const { return m_Unread; }
    QCheckBox *chkRnd() const { return m_Random; }
    QTabWidget *tabSettings() const { return m_Tabs; }

private:
    void DockChosen();

    std::function<void(bool)> m_Apply;
    bool m_ListChanged = false;
    QTabWidget *m_Tabs;
    QButtonGroup *m_Effect, *m_Dock, *m_Days;
    QSlider *m_Speed;
    QCheckBox *m_ChannelTitle, *m_Date, *m_Time, *m_Unread, *m_Random;
    QLineEdit *m_Left, *m_Top, *m_Width;
    QPushButton *m_Defaults;
};
