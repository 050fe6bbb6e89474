#pragma once

#include "XmlNode.h"

#include <QDate>
#include <QString>

#include <optional>

// Field operations on one stored item: an "item" element with attributes channel, date and
// time, the channel's own children, then read, flag, delete, channeltitle and hash. Reads of a
// missing child or attribute give "", writes create what is missing. Both programs use these.
namespace modItemHandler {

QString GetItemText(xml::Node item, const char *name);
void SetItemText(xml::Node item, const char *name, const QString &value);
QString GetItemAttr(xml::Node item, const char *name);
void SetItemAttr(xml::Node item, const char *name, const QString &value);

QString GetItemDate(xml::Node item);
QString GetItemTime(xml::Node item);
QString GetItemChannel(xml::Node item);
QString GetItemTitle(xml::Node item);
QString GetItemDescription(xml::Node item);
QString GetItemPubDate(xml::Node item);
QString GetItemGuid(xml::Node item);
QString GetItemHash(xml::Node item);
QString GetItemLink(xml::Node item);
// The child spelt "catergory", letter for letter: the hash has always read that name.
QString GetItemCategoryText(xml::Node item);

bool IsItemRead(xml::Node item);
bool IsItemFlagged(xml::Node item);
bool IsItemDeleted(xml::Node item);
void SetItemRead(xml::Node item, bool on);
void SetItemFlag(xml::Node item, bool on);
void SetItemDeleted(xml::Node item, bool on);

// Calendar days between the item's date attribute and today, as an absolute number; nullopt
// when the date cannot be read.
std::optional<int> ItemAgeDays(xml::Node item, QDate today = QDate::currentDate());
std::optional<int> ItemAgeDays(const QString &date, QDate today);

// ---- Dates -------------------------------------------------------------------------------
// An item's moment: a local date and time to the second, without time zone, counted in
// seconds from 30 Dec 1899 00:00 (moment 0).
using ItemMoment = qint64;

ItemMoment MomentOf(QDate date, int secondsOfDay);
QDate DateOfMoment(ItemMoment moment);
ItemMoment CurrentMoment();

// "dd mmm yyyy" with English month abbreviations, and "hh:mm:ss".
QString FormatItemDate(ItemMoment moment);
QString FormatItemTime(ItemMoment moment);

// The lenient reading of a date and time: a day, a month name and a year in either order
// ("02 Oct 2006", "Oct 2 2006", "2006 Oct 02"), an optional clock time ("13:05", "13:05:00",
// "1:05 PM") before or after it, blanks and commas around. Anything else fails.
std::optional<ItemMoment> ReadDateTime(QStringView text);
// A clock time alone ("13:05:00"): seconds of the day.
std::optional<int> ReadTimeOfDay(QStringView text);

// A feed date in RFC 822 layout ("Mon, 02 Oct 2006 13:00:00 GMT"), cut at fixed places: the
// weekday and the zone are dropped and the clock time is taken as local.
std::optional<ItemMoment> ParseFeedDate(const QString &text);
// The item's own date, else the channel's, else now.
ItemMoment ResolveItemDate(const QString &itemDate, const QString &channelDate);

// The stored item's date plus time attributes; nullopt when either cannot be read.
std::optional<ItemMoment> ReadItemMoment(xml::Node item);
std::optional<ItemMoment> ReadItemMoment(const QByteArray &date, const QByteArray &time);

} // namespace modItemHandler
