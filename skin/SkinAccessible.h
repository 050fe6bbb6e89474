#pragma once

#include <QString>

class SkinnedFrame;

// What the skinned windows tell assistive technology (screen readers, and anything else that
// reads Qt's accessibility tree): every skin button a window shows is a push button named after
// what it does, with a press action that does what a click does; every caption is a static text;
// the window's own controls follow them. Buttons the skin shows only while the cursor is over
// the window are there all the time, at the place where they appear.
namespace SkinAccessible {

// Has Qt build the skinned windows' accessible interfaces from here on (once per process).
void Install();
// The plain words for a skin function on a window of that kind ("Close", "Next headline"),
// translated; empty for a word the window does not know.
QString FunctionName(const QString &function, int kind);
// The window has painted: when what it shows of its skin changed, assistive technology hears.
void Painted(SkinnedFrame *window);
// The window is going away.
void Forget(const SkinnedFrame *window);

} // namespace SkinAccessible
