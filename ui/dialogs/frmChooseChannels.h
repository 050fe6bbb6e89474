#pragma once

#include "PageScan.h"

#include <QDialog>
#include <QStringList>

class QListWidget;

// The channels a web page announces, to choose from: one row each with a check box (the
// first checked), the title and the address. Up and Down move, Space checks, Enter subscribes.
class frmChooseChannels : public QDialog
{
    Q_OBJECT

public:
    frmChooseChannels(const QString &page, const QList<FoundChannel> &found, QWidget *owner);
    // The addresses checked, in the page's order.
    QStringList Chosen() const;
    QListWidget *lstChannels() const { return m_List; }

private:
    QListWidget *m_List;
};
