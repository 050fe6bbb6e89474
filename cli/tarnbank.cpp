// tarnbank: a command-line client of the item bank server.
//
//   tarnbank fetch --profile DIR [--xsl FILE] [--expire DAYS] URL...
//   tarnbank list  --profile DIR ADDRESS [FILTER [SEARCH [FILTER2]]]
//   tarnbank count --profile DIR ADDRESS
//   tarnbank mark  --profile DIR HASH read|unread|tag|untag|delete|undelete
//
// Every command unloads its bank before it ends, so items.xml holds what it did.
#include "ItemBankProxy.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTextStream>

#include <sys/stat.h>

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;
const char *const kStampFile = "tarnbank-stamps.txt";

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage()
{
    err() << "usage:\n"
             "  tarnbank fetch --profile DIR [--xsl FILE] [--expire DAYS] URL...\n"
             "  tarnbank list  --profile DIR ADDRESS [FILTER [SEARCH [FILTER2]]]\n"
             "  tarnbank count --profile DIR ADDRESS\n"
             "  tarnbank mark  --profile DIR HASH read|unread|tag|untag|delete|undelete\n";
    err().flush();
    return kUsage;
}

// One line per event: a value's backslashes and line breaks are escaped.
QString oneLine(QString value)
{
    return value.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

QString defaultStylesheet()
{
    const QStringList candidates = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tarnwick/tarnns.xsl"),
        QStringLiteral(TARNWICK_INSTALLED_DATA "/tarnns.xsl"),
        QStringLiteral(TARNWICK_SOURCE_DATA "/tarnns.xsl")};
    for (const QString &path : candidates) {
        if (QFileInfo::exists(path))
            return QFileInfo(path).absoluteFilePath();
    }
    return candidates.last();
}

// The "Last-modified" stamps of earlier fetches into this profile: "URL<TAB>STAMP" lines; the
// entity tags of their documents on lines of their own, "etag URL<TAB>TAG" (an address holds no
// blank, so a build that knows no entity tags keeps these lines as stamps of no channel).
const QString kETagKey = QStringLiteral("etag ");

QHash<QString, QString> readStamps(const QString &profile)
{
    QHash<QString, QString> stamps;
    QFile file(QDir(profile).filePath(QLatin1String(kStampFile)));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return stamps;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(0).trimmed();
        const int tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            stamps.insert(line.left(tab), line.mid(tab + 1));
    }
    return stamps;
}

bool writeStamps(const QString &profile, const QHash<QString, QString> &stamps)
{
    QSaveFile file(QDir(profile).filePath(QLatin1String(kStampFile)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (auto it = stamps.cbegin(); it != stamps.cend(); ++it) {
        if (!it.value().isEmpty())
            file.write((it.key() + QLatin1Char('\t') + it.value() + QLatin1Char('\n')).toUtf8());
    }
    return file.commit();
}

struct Options
{
    QString command;
    QString profile;
    QString xsl;
    qint32 expire = 0;
    QStringList rest;
};

std::optional<Options> parse(QStringList args)
{
    Options o;
    if (args.isEmpty())
        return std::nullopt;
    o.command = args.takeFirst();
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if ((a == QLatin1String("--profile") || a == QLatin1String("--xsl")
                || a == QLatin1String("--expire"))
            && args.isEmpty())
            return std::nullopt;
        if (a == QLatin1String("--profile"))
            o.profile = args.takeFirst();
        else if (a == QLatin1String("--xsl"))
            o.xsl = args.takeFirst();
        else if (a == QLatin1String("--expire")) {
            bool ok = false;
            o.expire = args.takeFirst().toInt(&ok);
            if (!ok)
                return std::nullopt;
        } else
            o.rest << a;
    }
    if (o.profile.isEmpty())
        return std::nullopt;
    return o;
}

// Opens the profile's bank; the caller unloads it.
std::unique_ptr<ItemBankProxy> openBank(const Options &o)
{
    if (!QDir().mkpath(o.profile)) {
        err() << "tarnbank: cannot use profile folder " << o.profile << '\n';
        return nullptr;
    }
    QString error;
    auto bank = ItemBankProxy::Create(&error);
    if (!bank) {
        err() << "tarnbank: " << error << '\n';
        return nullptr;
    }
    // What the bank has to tell the user (a store it could not read) goes to standard error.
    QObject::connect(bank.get(), &ItemBankProxy::BankMessage,
        [](const QString &text) { err() << "tarnbank: " << oneLine(text) << '\n'; });
    const QString xsl = o.xsl.isEmpty() ? defaultStylesheet() : QFileInfo(o.xsl).absoluteFilePath();
    if (!bank->Init(QFileInfo(o.profile).absoluteFilePath(), xsl)) {
        err() << "tarnbank: the item bank server went away\n";
        return nullptr;
    }
    return bank;
}

int finish(ItemBankProxy &bank, int code)
{
    const bool saved = bank.UnloadMe();
    out().flush();
    if (!saved) {
        err() << (bank.isAlive() ? "tarnbank: the item store could not be saved; what this command "
                                   "did is lost\n"
                                 : "tarnbank: the item bank server went away before saving\n");
        return kFailed;
    }
    return code;
}

int fetch(const Options &o)
{
    if (o.rest.isEmpty())
        return usage();
    auto bank = openBank(o);
    if (!bank)
        return kFailed;
    QHash<QString, QString> stamps = readStamps(o.profile);
    QSet<QString> waiting(o.rest.cbegin(), o.rest.cend());
    QEventLoop loop;
    QObject::connect(bank.get(), &ItemBankProxy::ChannelETag,
        [&](const QString &url, const QString &tag) { stamps.insert(kETagKey + url, tag); });
    QObject::connect(bank.get(), &ItemBankProxy::ChannelDetails,
        [](const QString &url, qint16 index, const QString &value) {
            out() << "details " << url << ' ' << index << ' ' << oneLine(value) << '\n';
        });
    QObject::connect(bank.get(), &ItemBankProxy::ChannelLoaded,
        [&](const QString &url, bool fresh, const QString &stamp) {
            out() << "loaded " << url << ' ' << (fresh ? "true" : "false") << ' ' << oneLine(stamp)
                  << '\n';
            stamps.insert(url, stamp);
            waiting.remove(url);
            if (waiting.isEmpty())
                loop.quit();
        });
    QObject::connect(bank.get(), &ItemBankProxy::ChannelTimeOut, [&](const QString &url) {
        out() << "timeout " << url << '\n';
        waiting.remove(url);
        if (waiting.isEmpty())
            loop.quit();
    });
    // The server may go while the calls below still wait for their answers: quitting a loop
    // that has not started yet does nothing, so the loss is remembered, not only signalled.
    bool lost = false;
    QObject::connect(bank.get(), &ItemBankProxy::ServerLost, [&] {
        lost = true;
        loop.quit();
    });
    bank->PauseQueue();
    for (const QString &url : o.rest)
        bank->LoadChannel(
            url, stamps.value(url), QString(), o.expire, QString(), stamps.value(kETagKey + url));
    bank->ResumeQueue();
    if (!waiting.isEmpty() && !lost && bank->isAlive())
        loop.exec();
    out().flush();
    if (!bank->isAlive()) {
        err() << "tarnbank: the item bank server went away\n";
        return kFailed;
    }
    if (!writeStamps(o.profile, stamps))
        err() << "tarnbank: could not keep the Last-modified stamps\n";
    return finish(*bank, 0);
}

int list(const Options &o)
{
    if (o.rest.isEmpty() || o.rest.size() > 4)
        return usage();
    auto bank = openBank(o);
    if (!bank)
        return kFailed;
    QObject::connect(bank.get(), &ItemBankProxy::ChannelNodeList,
        [](const QString &, const QString &list) { out() << list << '\n'; });
    const QStringList a = o.rest + QStringList {QString(), QString(), QString()};
    bank->SubChannelList(a[0], a[1], a[2], a[3]);
    return finish(*bank, 0);
}

int count(const Options &o)
{
    if (o.rest.size() != 1)
        return usage();
    auto bank = openBank(o);
    if (!bank)
        return kFailed;
    QObject::connect(bank.get(), &ItemBankProxy::ChannelCounts,
        [](const QString &, qint32 all, qint32 unread) { out() << all << ' ' << unread << '\n'; });
    bank->UpdateChannel(o.rest[0]);
    return finish(*bank, 0);
}

int mark(const Options &o)
{
    if (o.rest.size() != 2)
        return usage();
    const QString &hash = o.rest[0];
    const QString &what = o.rest[1];
    const QStringList kinds = {"read", "unread", "tag", "untag", "delete", "undelete"};
    if (!kinds.contains(what))
        return usage();
    auto bank = openBank(o);
    if (!bank)
        return kFailed;
    const bool on = !what.startsWith(QLatin1String("un"));
    if (what.endsWith(QLatin1String("read")))
        bank->MarkItemRead(hash, on);
    else if (what.endsWith(QLatin1String("tag")))
        bank->MarkItemTagged(hash, on);
    else
        bank->MarkItemDeleted(hash, on);
    return finish(*bank, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    ::umask(077); // the stamps file, like the store, is the user's alone
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnbank"));
    const auto options = parse(app.arguments().mid(1));
    if (!options)
        return usage();
    if (options->command == QLatin1String("fetch"))
        return fetch(*options);
    if (options->command == QLatin1String("list"))
        return list(*options);
    if (options->command == QLatin1String("count"))
        return count(*options);
    if (options->command == QLatin1String("mark"))
        return mark(*options);
    return usage();
}
