#pragma once

// What the fuzz targets share: one application object for the process and a scratch folder.
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace fuzz {

inline void Start()
{
    // Never destroyed: the fuzzer leaves through exit(), after Qt's own statics are gone.
    static QGuiApplication *app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
}

inline const QTemporaryDir &Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

} // namespace fuzz
