#pragma once

#include <QWidget>

// A plain window shown while a profile loads.
class frmLoading : public QWidget
{
    Q_OBJECT

public:
    explicit frmLoading(QWidget *owner);
};
