#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct _xsltStylesheet;

namespace xml {

class Document;

// A compiled XSLT 1.0 stylesheet. Compiling may read xsl:include and xsl:import files beside
// the stylesheet; transforming reads nothing: document() and every other load is refused.
class Stylesheet
{
public:
    ~Stylesheet();
    Stylesheet(const Stylesheet &) = delete;
    Stylesheet &operator=(const Stylesheet &) = delete;

    // nullptr when the file cannot be read or is no stylesheet; error (when given) says why.
    static std::unique_ptr<Stylesheet> fromFile(const QString &path, QString *error = nullptr);
    // Compiles a copy of an already loaded stylesheet document.
    static std::unique_ptr<Stylesheet> fromDocument(const Document &doc, QString *error = nullptr);

    // The result serialized as the stylesheet's xsl:output says; nullopt on failure.
    std::optional<QByteArray> transformToText(const Document &source) const;
    // The result as a document in target (replacing its content). Returns success.
    bool transformToDocument(const Document &source, Document &target) const;

private:
    explicit Stylesheet(_xsltStylesheet *style) : m_Style(style) { }
    _xsltStylesheet *m_Style;
};

} // namespace xml
