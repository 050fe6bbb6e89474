#include "XmlStylesheet.h"

#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlHandles.h"

#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <QFile>
#include <QHash>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace xml {
namespace {

thread_local QString t_Errors;

void collectXsltError(void *, const char *format, ...)
{
    if (t_Errors.size() > 4000)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    t_Errors += QString::fromUtf8(line);
}

struct ErrorCapture
{
    ErrorCapture()
    {
        t_Errors.clear();
        xsltSetGenericErrorFunc(nullptr, collectXsltError);
    }
    QString text() const { return t_Errors.trimmed(); }
};

struct TransformContextDeleter
{
    void operator()(xsltTransformContext *c) const { xsltFreeTransformContext(c); }
};

DocPtr applyStylesheet(xsltStylesheet *style, const Document &source)
{
    if (!style || !source.raw())
        return nullptr;
    ErrorCapture capture;
    std::unique_ptr<xsltTransformContext, TransformContextDeleter> ctxt(
        xsltNewTransformContext(style, source.raw()));
    if (!ctxt)
        return nullptr;
    xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
    DocPtr result(
        xsltApplyStylesheetUser(style, source.raw(), nullptr, nullptr, nullptr, ctxt.get()));
    if (ctxt->state != XSLT_STATE_OK)
        result.reset();
    return result;
}

// What tells one version of a file from another.
struct FileStamp
{
    QByteArray path; // local, in the file system's encoding
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};

    bool sameAs(const FileStamp &o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size
            && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileStamp stampOf(const QByteArray &path)
{
    FileStamp stamp;
    stamp.path = path;
    struct stat st = {};
    if (::stat(path.constData(), &st) == 0) {
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.modified = st.st_mtim;
    }
    return stamp;
}

bool unchanged(const FileStamp &stamp)
{
    return stampOf(stamp.path).sameAs(stamp);
}

// A local path for a path or file: address; empty for anything else.
QByteArray localFileOf(const QString &path)
{
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QFile::encodeName(QUrl(path).toLocalFile());
    if (!QUrl(path).scheme().isEmpty() && !path.startsWith(QLatin1Char('/')))
        return {};
    return QFile::encodeName(path);
}

// The files a compiled stylesheet was read from besides its own: those it includes and
// imports, and theirs.
void collectFiles(const xsltStylesheet *style, std::vector<QByteArray> &files)
{
    if (!style)
        return;
    if (style->doc && style->doc->URL)
        files.push_back(QByteArray(reinterpret_cast<const char *>(style->doc->URL)));
    for (const xsltDocument *included = style->docList; included; included = included->next) {
        if (included->doc && included->doc->URL)
            files.push_back(QByteArray(reinterpret_cast<const char *>(included->doc->URL)));
    }
    for (const xsltStylesheet *imported = style->imports; imported; imported = imported->next)
        collectFiles(imported, files);
}

struct CachedStylesheet
{
    std::vector<FileStamp> files; // the stylesheet's own first
    // Compiled copies of this version not in use: libxslt's transforms of one compiled
    // stylesheet on several threads at once were seen to give an empty result now and then,
    // so each holder has a copy of its own while it holds it.
    std::vector<std::unique_ptr<Stylesheet>> idle;
    quint64 version = 0;
};

// Channel stylesheets are few (one a profile); more than this many paths is a sign of
// something else, and the cache starts afresh rather than grow.
constexpr int kMaxCachedStylesheets = 16;

struct StylesheetCache
{
    // One lock for lookups and compiles: fetches that meet a changed stylesheet wait for the
    // one compile instead of each making its own.
    std::mutex mutex;
    std::map<QString, CachedStylesheet> entries;
};

// Never destroyed: a worker may still ask for a stylesheet while the process ends.
StylesheetCache &cache()
{
    static auto *const instance = new StylesheetCache;
    return *instance;
}

std::atomic<int> s_Compilations {0};

} // namespace

Stylesheet::~Stylesheet()
{
    xsltFreeStylesheet(m_Style); // frees the document it was compiled from as well
}

std::unique_ptr<Stylesheet> Stylesheet::fromFile(const QString &path, QString *error)
{
    Document doc;
    if (!doc.load(path)) {
        if (error)
            *error = doc.parseErrorReason();
        return nullptr;
    }
    return fromDocument(doc, error);
}

std::unique_ptr<Stylesheet> Stylesheet::fromDocument(const Document &doc, QString *error)
{
    initialize();
    if (!doc.raw()) {
        if (error)
            *error = QStringLiteral("empty stylesheet document");
        return nullptr;
    }
    DocPtr copy(xmlCopyDoc(doc.raw(), 1));
    if (!copy)
        return nullptr;
    copy->_private = nullptr;
    ErrorCapture capture;
    StylesheetLoadScope scope(doc.url());
    xsltStylesheet *style = xsltParseStylesheetDoc(copy.get());
    if (!style || style->errors) {
        // On failure libxslt leaves the document with the caller (copy frees it).
        if (style) {
            style->doc = nullptr;
            xsltFreeStylesheet(style);
        }
        if (error)
            *error = capture.text().isEmpty() ? QStringLiteral("not a stylesheet") : capture.text();
        return nullptr;
    }
    [[maybe_unused]] xmlDoc *owned = copy.release(); // the stylesheet owns it now
    return std::unique_ptr<Stylesheet>(new Stylesheet(style));
}

std::shared_ptr<const Stylesheet> Stylesheet::shared(const QString &path, QString *error)
{
    static quint64 versions = 0;
    StylesheetCache &cached = cache();
    const std::lock_guard<std::mutex> lock(cached.mutex);
    auto handOut = [&path](std::unique_ptr<Stylesheet> style, quint64 version) {
        // Back to the idle copies when its holder lets go, unless the file changed meanwhile.
        return std::shared_ptr<const Stylesheet>(
            style.release(), [path, version](const Stylesheet *s) {
                StylesheetCache &c = cache();
                const std::lock_guard<std::mutex> back(c.mutex);
                const auto it = c.entries.find(path);
                if (it != c.entries.end() && it->second.version == version)
                    it->second.idle.emplace_back(const_cast<Stylesheet *>(s));
                else
                    delete s;
            });
    };
    const auto found = cached.entries.find(path);
    if (found != cached.entries.end()
        && std::all_of(found->second.files.begin(), found->second.files.end(), unchanged)) {
        CachedStylesheet &current = found->second;
        if (!current.idle.empty()) {
            std::unique_ptr<Stylesheet> style = std::move(current.idle.back());
            current.idle.pop_back();
            return handOut(std::move(style), current.version);
        }
        // Every copy of this version is in use: one more of the same file.
        QString why;
        std::unique_ptr<Stylesheet> style = fromFile(path, &why);
        ++s_Compilations;
        if (style)
            return handOut(std::move(style), current.version);
        if (error)
            *error = why.simplified().left(300);
        return nullptr;
    }

    // Stamped before it is read: a change made while it compiles is seen by the next call.
    const FileStamp own = stampOf(localFileOf(path));
    QString why;
    std::unique_ptr<Stylesheet> style = fromFile(path, &why);
    ++s_Compilations;
    if (!style) {
        cached.entries.erase(path);
        if (error)
            *error = why.simplified().left(300);
        return nullptr;
    }
    CachedStylesheet entry;
    entry.files.push_back(own);
    std::vector<QByteArray> read;
    collectFiles(style->m_Style, read);
    for (const QByteArray &url : read) {
        const QByteArray local = localFileOf(QFile::decodeName(url));
        const bool known = std::any_of(entry.files.begin(), entry.files.end(),
            [&local](const FileStamp &f) { return f.path == local; });
        if (!local.isEmpty() && !known)
            entry.files.push_back(stampOf(local));
    }
    if (cached.entries.size() >= kMaxCachedStylesheets && !cached.entries.count(path))
        cached.entries.clear();
    entry.version = ++versions;
    const quint64 version = entry.version;
    cached.entries[path] = std::move(entry);
    return handOut(std::move(style), version);
}

int Stylesheet::sharedCompilations()
{
    return s_Compilations.load();
}

std::optional<QByteArray> Stylesheet::transformToText(const Document &source) const
{
    const DocPtr result = applyStylesheet(m_Style, source);
    if (!result)
        return std::nullopt;
    xmlChar *raw = nullptr;
    int length = 0;
    const int rc = xsltSaveResultToString(&raw, &length, result.get(), m_Style);
    const XmlString text(raw);
    if (rc < 0)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(text.get()), length);
}

bool Stylesheet::transformToDocument(const Document &source, Document &target) const
{
    DocPtr result = applyStylesheet(m_Style, source);
    if (!result)
        return false;
    target.adopt(std::move(result));
    return true;
}

} // namespace xml
