// Web pages through the search browser's scan for announced channels.
#include "FuzzSupport.h"
#include "PageScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    for (const FoundChannel &found :
        ScanPage(QString::fromUtf8(fuzz::Bytes(data, size)), QUrl("http://127.0.0.1/page.html")))
        (void)(found.title.size() + found.address.size());
    return 0;
}
