// OPML files as the reader takes them.
#include "FuzzSupport.h"
#include "XmlGuard.h"
#include "clsOPML.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    xml::initialize();
    const QString path = fuzz::Scratch().filePath("fuzz.opml");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(fuzz::Bytes(data, size));
    file.close();
    clsOPML reader;
    reader.SetWait(2000);
    reader.LoadOPML(path);
    for (int i = 0; i < reader.GetCount(); ++i)
        (void)(reader.GetURL(i).size() + reader.GetTitle(i).size() + reader.GetExpire(i));
    return 0;
}
