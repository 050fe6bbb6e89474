#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// Finds the channels a web page announces: "link" elements with rel "alternate" and the type of
// an RSS, Atom or JSON Feed document. Letter case in the markup does not matter; the addresses and
// titles are kept as written (relative addresses resolved against the page's address); each address
// is listed once. Only http and https addresses are offered.
struct FoundChannel
{
    QString title;
    QString address;
};
QList<FoundChannel> ScanPage(const QString &html, const QUrl &pageAddress = QUrl());

// Whether a fetched document is a web page (HTML or XHTML) rather than a channel: by its content
// type, else by its markup's first element.
bool IsWebPage(const QByteArray &bytes, const QByteArray &contentType);
// Whether a page holds a channel document inside it (an "rss", "feed" or "rdf:RDF" element).
bool HoldsChannel(const QByteArray &bytes);
// The page's text, decoded by its declared character set (UTF-8 when it declares none).
QString PageText(const QByteArray &bytes);
