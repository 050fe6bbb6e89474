#pragma once

#include <QWidget>

class CSpanClock;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;

// The once-a-day look at the maker's check page, and the banner over the bottom of the channel
// tree that says a newer version is there. The page holds the newest version's digits run
// together (0.1.1: "11"); this version's are compared with them.
class UpdateNotice : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kCheckMs = 86400000;

    explicit UpdateNotice(QWidget *window);

    // The first look now, then once a day; Stop ends the looks.
    void Start();
    void Stop();
    // Shows the banner when pageText's number is above this version's.
    void CheckText(const QString &pageText);
    bool Shown() const { return !isHidden(); }

signals:
    // Shown or hidden: the window lays itself out again.
    void Changed();
    // "Click here to upgrade".
    void UpgradeChosen();

private:
    void LoadPage();
    void PageArrived(QNetworkReply *reply);

    QLabel *m_Text;
    CSpanClock *m_Clock = nullptr;
    QNetworkAccessManager *m_Network = nullptr;
};
