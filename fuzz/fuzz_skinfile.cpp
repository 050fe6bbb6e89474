// skin.txt as the skin engine reads it.
#include "FuzzSupport.h"
#include "frmTarnSkin.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    static bool ready = [] {
        qputenv("TARNWICK_HOME", fuzz::Scratch().path().toUtf8());
        QDir().mkpath(fuzz::Scratch().filePath("skins/Fuzz"));
        frmTarnSkin::SetReporter([](const QString &) {});
        return true;
    }();
    (void)ready;
    QFile file(fuzz::Scratch().filePath("skins/Fuzz/skin.txt"));
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(fuzz::Bytes(data, size));
    file.close();
    frmTarnSkin skin;
    skin.ResetSkin();
    skin.ReadSkin(QStringLiteral("Fuzz"));
    QImage surface(120, 60, QImage::Format_RGB32);
    for (int kind : {0, 1, 3, 4, 5})
        skin.PaintBorder(surface, kind);
    return 0;
}
