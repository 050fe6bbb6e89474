#pragma once

// What the window tests share: answering the next modal dialog, and where screenshots go.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <functional>

namespace testsupport {

// Runs fn on the next modal dialog of type T as soon as it is open.
template<typename T> void OnNextDialog(std::function<void(T *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(30);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(dialog);
        }
    });
    timer->start();
}

// build/tests/screenshots/<name>, the folder made when needed.
inline QString ScreenshotPath(const QString &name)
{
    const QString folder =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tests/screenshots");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

} // namespace testsupport
