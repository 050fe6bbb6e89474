// Fetched bytes through the channel stylesheet into the item store's merge.
#include "FuzzSupport.h"
#include "QueueSlot.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlStylesheet.h"
#include "clsItemBank.h"

#include <QSignalSpy>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    xml::initialize();
    static std::unique_ptr<xml::Stylesheet> style =
        xml::Stylesheet::fromFile(QStringLiteral(TARNWICK_DATA "/tarnns.xsl"));
    static clsItemBank *bank = [] {
        auto *b = new clsItemBank;
        QSignalSpy ready(b, &clsItemBank::StoreReady);
        b->Init(fuzz::Scratch().path(), QString());
        if (!b->IsStoreReady())
            ready.wait(5000);
        return b;
    }();
    xml::Document feed;
    if (!feed.loadXML(fuzz::Bytes(data, size)))
        return 0;
    xml::Document transformed;
    QueueSlot slot;
    slot.sURL = QStringLiteral("http://127.0.0.1/fuzz.xml");
    if (style && style->transformToDocument(feed, transformed))
        bank->MergeDelivered(slot, transformed.xmlUtf8(), QStringLiteral("stamp"));
    // The raw bytes as if they had come out of the stylesheet, too.
    bank->MergeDelivered(slot, fuzz::Bytes(data, size), QString());
    if (bank->Count() > 5000)
        bank->KillChannel(slot.sURL);
    return 0;
}
