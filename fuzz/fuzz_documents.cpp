// The profile, channel and group documents, element by element as their readers walk them.
#include "FuzzSupport.h"
#include "RSSChannel.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "clsProfile.h"
#include "colGroups.h"

namespace {

void Walk(xml::Node node, int depth)
{
    if (!node || depth > 64)
        return;
    for (xml::Node child = node.firstChild(); child; child = child.nextSibling()) {
        if (!child.isElement())
            continue;
        const QString name = child.nodeName().toLower();
        if (name == QLatin1String("channel")) {
            RSSChannel channel;
            channel.LoadChannel(child);
            (void)channel.TitleAndCount();
        } else if (name == QLatin1String("group")) {
            RSSGroup group;
            group.LoadGroup(child);
            (void)group.Name(true);
        } else if (name == QLatin1String("user")) {
            clsProfile profile;
            profile.LoadUser(child);
            (void)profile.Name();
        }
        Walk(child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    xml::initialize();
    xml::Document doc;
    if (doc.loadXML(fuzz::Bytes(data, size)))
        Walk(doc.documentElement().parentNode() ? doc.documentElement().parentNode()
                                                : doc.documentElement(),
            0);
    return 0;
}
