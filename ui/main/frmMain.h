#pragma once

#include <QMainWindow>

// The main window. For now it only carries the program's name; the channel tree, menus and
// skin come with the subscription model.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
};
