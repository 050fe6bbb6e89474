#pragma once

#include "XmlNode.h"

#include <QString>

#include <optional>

// What the item viewer decides without a window: the page's item commands, filters and their
// names, and the text steps between an item list and the page.
namespace ViewerLogic {

// An item command the page signals through its title: a letter ("R" read, "D" delete toggle,
// "T" tag toggle), a separator, the item's 1-based position and a closing character.
struct PageCommand
{
    QChar letter;
    int position = 0;
};
// The command in a page title, when it names an item of a list of count items with a known
// letter; nothing otherwise (the page's own title, positions 0 or past the end).
std::optional<PageCommand> ParsePageTitle(const QString &title, int count);

// The filter a viewer opens with for an address: nothing for "_tarnwick/old" (the current
// filter stays), the address for the seven known filters, "" (all items) for anything else.
std::optional<QString> FilterFor(const QString &address);
// "All", "Today", "Unread", "Read", "Deleted", "Tagged", "Yesterday", "Past 7 Days"; "" else.
QString FilterName(const QString &filter);

// The list text the bank sends, with its root renamed to "items" (first occurrences only).
QString ListToItems(const QString &list);
// Pages of filter channels mix channels: each item shows its channel's title.
QString ShowChannelTitles(const QString &page);

// Item markup is untrusted: no scripts, no event handlers, no frames, forms or embedded
// objects, and only web addresses (http, https, mailto, ftp; data: for pictures) in links and
// sources. Returns markup that is safe to place into the page.
QString SanitizeItemHtml(const QString &html);
// An item of a list, made fit for a page: its description cleaned (SanitizeItemHtml), and its
// link and comments address emptied unless it is a web address (a javascript: or file: link
// would run in, or reach out of, the page).
void SanitizeItem(xml::Node item);

// Only http and https addresses: what the viewer hands to the desktop from the keyboard or as
// an enclosure.
bool IsHttpAddress(const QString &address);
// What an enclosure holds: "audio", "video" or "other", by its type, or without a usable type
// by its address's file name ending.
QString EnclosureKind(const QString &type, const QString &url);
// A length in bytes as a person reads it ("830 bytes", "48.3 MB"); "" when the text is not a
// positive whole number.
QString ReadableSize(const QString &length);
// An item's enclosures made ready for the page: the address kept only when it is an http or
// https one, and the attributes "kind" (audio, video, other), "kindname" (its name to show),
// "name" (the file name) and "size" (ReadableSize of the length) added.
void DescribeEnclosures(xml::Node item);

// HTML Tidy with the configuration file and the error file, as the page is cleaned before it
// is shown. tidied is false (and text the page unchanged) when a step failed.
struct TidyResult
{
    QString text;
    bool tidied = false;
    int status = 0;
};
TidyResult TidyPage(const QString &page, const QString &configFile, const QString &errorFile);

} // namespace ViewerLogic
