#pragma once

#include <QByteArray>
#include <QString>

// Process-wide set-up of libxml2 and libxslt, and the guards that keep untrusted documents
// from reaching outside themselves.
//
// Documents are never allowed to load anything: no DTDs, no external entities, no network.
// The one exception is a stylesheet being compiled, whose xsl:include and xsl:import may read
// files in the stylesheet's own folder (and below it); that window is opened by
// StylesheetLoadScope for the duration of the compile only.
namespace xml {

// Idempotent; every entry point of the layer calls it.
void initialize();

// libxml2 parse options for every document this layer reads.
int parseOptions();

// An XPath 1.0 string literal for any text: '...' or "..." where one quote kind is absent,
// otherwise concat() of pieces. Lets callers put arbitrary guid, hash or address text into an
// expression without making it malformed.
// preferred is the quote used when the text does not contain it.
QByteArray xpathLiteral(const QByteArray &utf8, char preferred = '"');
QString xpathLiteral(const QString &text, char preferred = '"');

class StylesheetLoadScope
{
public:
    // Allows local-file loads below the folder of stylesheetPath until destroyed.
    explicit StylesheetLoadScope(const QString &stylesheetPath);
    ~StylesheetLoadScope();
    StylesheetLoadScope(const StylesheetLoadScope &) = delete;
    StylesheetLoadScope &operator=(const StylesheetLoadScope &) = delete;

private:
    QString m_Previous;
};

} // namespace xml
