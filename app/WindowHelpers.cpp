#include "WindowHelpers.h"

#include "FramelessWindow.h"
#include "Include.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QHash>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <malloc.h>

namespace {

int Twips(double dpi)
{
    return dpi > 0 ? qMax(1, qRound(1440.0 / dpi)) : 15;
}

QString SectionOf(const QWidget *window, const QString &section)
{
    return section.isEmpty() ? window->windowTitle() : section;
}

Include::MessageHandler &Handler()
{
    static Include::MessageHandler handler;
    return handler;
}

std::function<void(const QString &)> &DropTarget()
{
    static std::function<void(const QString &)> target;
    return target;
}

// Nesting depth of FormBusy per window.
QHash<const QWidget *, int> &BusyDepth()
{
    static QHash<const QWidget *, int> depth;
    return depth;
}

// The control that had the keyboard when a window went busy: disabling the window takes the
// focus from it, and the keyboard user would be left with nothing focused.
QHash<const QWidget *, QPointer<QWidget>> &BusyFocus()
{
    static QHash<const QWidget *, QPointer<QWidget>> focus;
    return focus;
}

} // namespace

namespace Include {

int TwipsPerPixelX()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return Twips(screen ? screen->logicalDotsPerInchX() : 96.0);
}

int TwipsPerPixelY()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return Twips(screen ? screen->logicalDotsPerInchY() : 96.0);
}

void LoadFormState(QWidget *window, const QString &section)
{
    const QString name = SectionOf(window, section);
    CRegSettings &settings = Settings();
    if (!settings.GetBool(name, QStringLiteral("Saved"), false))
        return;
    const int state = settings.GetNumber(name, QStringLiteral("WindowState"), 0);
    if (state == 1)
        window->setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        window->setWindowState(Qt::WindowMaximized);
    else
        window->setWindowState(Qt::WindowNoState);
    if (state == 1 || state == 2)
        return;
    auto read = [&](const char *key, qint32 def) {
        return settings.GetNumber(name, QLatin1String(key), def);
    };
    const int tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
    QRect rect(read("Left", 0) / tx, read("Top", 0) / ty, read("Width", 3000) / tx,
        read("Height", 3000) / ty);
    rect.setSize(rect.size().expandedTo(window->minimumSize()).expandedTo(QSize(40, 40)));
    // A screen that has gone away must not take the window with it.
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(rect);
    if (!visible && QGuiApplication::primaryScreen())
        rect.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    window->move(rect.topLeft());
    window->resize(rect.size());
}

void SaveFormState(QWidget *window, const QString &section)
{
    const QString name = SectionOf(window, section);
    CRegSettings &settings = Settings();
    const Qt::WindowStates states = window->windowState();
    const int state = states & Qt::WindowMinimized ? 1 : states & Qt::WindowMaximized ? 2 : 0;
    settings.SaveSetting(name, QStringLiteral("WindowState"), QString::number(state));
    if (state == 0) {
        const int tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
        const QRect frame = window->frameGeometry();
        settings.SaveSetting(name, QStringLiteral("Top"), QString::number(frame.top() * ty));
        settings.SaveSetting(name, QStringLiteral("Left"), QString::number(frame.left() * tx));
        settings.SaveSetting(
            name, QStringLiteral("Height"), QString::number(window->height() * ty));
        settings.SaveSetting(name, QStringLiteral("Width"), QString::number(window->width() * tx));
    }
    settings.SaveSetting(name, QStringLiteral("Saved"), QStringLiteral("True"));
}

bool DragWindow(QWidget *window)
{
    if (!window || window->isMaximized())
        return false;
    return FramelessWindow::StartMove(window);
}

void SetOnTop(QWidget *window, bool on)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool shown = window->isVisible();
    const QRect place = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->setGeometry(place);
    if (shown)
        window->show(); // a flag change hides the window
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

bool IsFormLoaded(const QWidget *window)
{
    if (!window)
        return false;
    const QWidgetList all = QApplication::topLevelWidgets();
    return all.contains(const_cast<QWidget *>(window));
}

bool IsCursorOver(const QWidget *window)
{
    return FramelessWindow::CursorOver(window);
}

void FormBusy(QWidget *window)
{
    if (!window)
        return;
    if (BusyDepth()[window]++ == 0) {
        QWidget *focus = QApplication::focusWidget();
        if (focus && (focus == window || window->isAncestorOf(focus)))
            BusyFocus().insert(window, focus);
        window->setCursor(Qt::WaitCursor);
        window->setEnabled(false);
    }
}

void FormReady(QWidget *window)
{
    if (!window)
        return;
    auto it = BusyDepth().find(window);
    if (it == BusyDepth().end())
        return;
    if (--it.value() > 0)
        return;
    BusyDepth().erase(it);
    window->unsetCursor();
    window->setEnabled(true);
    const QPointer<QWidget> focus = BusyFocus().take(window);
    if (focus && focus->isEnabled() && focus->isVisible() && !QApplication::focusWidget())
        focus->setFocus(Qt::OtherFocusReason);
}

void TrimMemory()
{
    malloc_trim(0);
}

void MsgBox(const QString &text, const QString &title)
{
    const QString caption = title.isEmpty() ? QStringLiteral("Tarnwick") : title;
    if (Handler()) {
        Handler()(text, caption, {});
        return;
    }
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok);
    box.exec();
}

int AskBox(const QString &text, const QString &title, const QStringList &buttons)
{
    const QString caption = title.isEmpty() ? QStringLiteral("Tarnwick") : title;
    if (Handler())
        return Handler()(text, caption, buttons);
    QMessageBox box(QMessageBox::Question, caption, text);
    QList<QAbstractButton *> made;
    for (int i = 0; i < buttons.size(); ++i) {
        const bool last = i == buttons.size() - 1;
        made << box.addButton(
            buttons.at(i), last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    }
    if (!made.isEmpty())
        box.setEscapeButton(made.last());
    box.exec();
    return int(made.indexOf(box.clickedButton()));
}

void SetMessageHandler(MessageHandler handler)
{
    Handler() = std::move(handler);
}

void DropURL(const QString &text)
{
    if (text.left(4) == QLatin1String("http")) {
        if (DropTarget())
            DropTarget()(text.trimmed());
        return;
    }
    MsgBox(QCoreApplication::translate("Include", "Drop text not recognized as a URL"));
}

void SetDropTarget(std::function<void(const QString &)> target)
{
    DropTarget() = std::move(target);
}

void DropRefused()
{
    MsgBox(QCoreApplication::translate("Include",
               "Invalid Drop Object.  Text or Web Browser links to RSS Channels accepted"),
        QStringLiteral("Tarnwick"));
}

void DropData(const QMimeData *data)
{
    if (data && data->hasUrls() && !data->urls().isEmpty())
        DropURL(data->urls().constFirst().toString());
    else if (data && data->hasText())
        DropURL(data->text());
    else
        DropRefused();
}

} // namespace Include

void Include::RunWhenIdle(
    QObject *context, std::function<void()> endWaits, std::function<void()> then)
{
    if (QThread::currentThread()->loopLevel() <= 1) {
        then();
        return;
    }
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
    if (endWaits)
        endWaits();
    QTimer::singleShot(
        20, context, [context, endWaits = std::move(endWaits), then = std::move(then)]() mutable {
            RunWhenIdle(context, std::move(endWaits), std::move(then));
        });
}
