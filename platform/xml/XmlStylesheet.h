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
// A compiled stylesheet is never changed after compiling, and each transform keeps its state in
// a context of its own, so one stylesheet may transform on several threads at once.
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
    // The compiled stylesheet of a file, kept for the process: it is compiled again only when
    // the file, or one it includes or imports, has changed since (another modification time,
    // size or file), or when every compiled copy is in use on another thread (a copy is held
    // by one caller at a time and comes back when the caller lets go). A file that cannot be
    // compiled is tried again on the next call. Safe from any thread.
    static std::shared_ptr<const Stylesheet> shared(const QString &path, QString *error = nullptr);
    // How many compilations shared() has made in this process.
    static int sharedCompilations();

    // The result serialized as the stylesheet's xsl:output says; nullopt on failure.
    std::optional<QByteArray> transformToText(const Document &source) const;
    // The result as a document in target (replacing its content). Returns success.
    bool transformToDocument(const Document &source, Document &target) const;

private:
    explicit Stylesheet(_xsltStylesheet *style) : m_Style(style) { }
    _xsltStylesheet *m_Style;
};

} // namespace xml
