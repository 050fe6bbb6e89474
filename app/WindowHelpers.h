#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QMimeData;
class QObject;
class QWidget;

// The window helpers every window of the main program shares: saved window states, moving and
// sizing frameless windows, the topmost band, the busy pointer, message boxes and dropped text.
namespace Include {

// ---- Window state ---------------------------------------------------------------------------
// Twips per pixel (15 at 96 dpi), from the primary screen.
int TwipsPerPixelX();
int TwipsPerPixelY();
// Restores a window from section (empty: its title) when "Saved" is true: the state, and, for a
// normal window, Top, Left, Height and Width in twips. A rectangle that lies wholly off every
// screen is moved back onto the primary screen.
void LoadFormState(QWidget *window, const QString &section = {});
// Writes the state; the rectangle only for a normal window, so a maximised window keeps its
// last normal place. Then "Saved" = "True".
void SaveFormState(QWidget *window, const QString &section = {});

// ---- Windows ------------------------------------------------------------------------------
// Starts moving a frameless window with the mouse; not when maximised.
bool DragWindow(QWidget *window);
// Into or out of the topmost band, without moving or activating it.
void SetOnTop(QWidget *window, bool on);
bool IsFormLoaded(const QWidget *window);
// The cursor within the window's outer rectangle, both edges included.
bool IsCursorOver(const QWidget *window);
// Busy: the wait pointer and the window disabled; Ready undoes it. Nested calls pair up.
void FormBusy(QWidget *window);
void FormReady(QWidget *window);
// Hands freed memory back to the system.
void TrimMemory();
// Runs then from the event loop itself, never inside a dialog, a menu or a nested wait whose
// caller would go on with what then takes away: open menus and dialogs are closed first, and
// endWaits ends the waits the caller knows of. Nothing runs once context is gone.
void RunWhenIdle(QObject *context, std::function<void()> endWaits, std::function<void()> then);

// ---- Messages -------------------------------------------------------------------------------
// An information box with an OK button, titled title (empty: "Tarnwick").
void MsgBox(const QString &text, const QString &title = {});
// A question with buttons (captions with access keys); returns the index of the chosen one, or
// -1 when the box was closed.
int AskBox(const QString &text, const QString &title, const QStringList &buttons);
// Tests answer the boxes: the handler gets text, title and buttons (empty for MsgBox) and
// returns the chosen index. An empty handler restores the real boxes.
using MessageHandler = std::function<int(const QString &, const QString &, const QStringList &)>;
void SetMessageHandler(MessageHandler handler);

// ---- Dropped text -------------------------------------------------------------------------
// Text dropped on the main window, the ticker or a viewer: an address beginning "http" goes to
// the add-channel command, anything else is refused with a message.
void DropURL(const QString &text);
// The main window's add-channel command with an address filled in.
void SetDropTarget(std::function<void(const QString &)> target);
// Dropped data that is not text.
void DropRefused();
// Whatever was dropped on a window: a link's or the text's address to DropURL, else refused.
void DropData(const QMimeData *data);

} // namespace Include
