#include "Include.h"

#include "CSpanClock.h"
#include "DesktopServices.h"
#include "TextNumber.h"
#include "Vendor.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <cmath>
#include <cstdio>

namespace {
Q_LOGGING_CATEGORY(lcDesktop, "tarnwick.desktop", QtInfoMsg)
}

namespace Include {
namespace {

const QString kPrefix = QStringLiteral("_tarnwick/");

std::function<quint32()> &tickSource()
{
    static std::function<quint32()> source;
    return source;
}

quint32 &lastAlert()
{
    static quint32 last = 0;
    return last;
}

bool settingIsTrue(const char *section, const char *key)
{
    const QString text =
        Settings().GetSetting(QLatin1String(section), QLatin1String(key), QStringLiteral("False"));
    return TextNumber::ToBool(text);
}

QString &soundFile(int which)
{
    static QString files[3];
    return files[which];
}

// which: 0 alert, 1 drop, 2 lift.
void playFile(int which, const char *name)
{
    const QString chosen = soundFile(which);
    DesktopServices::Current().PlaySound(
        chosen.isEmpty() ? AppPath() + QLatin1Char('/') + QLatin1String(name) : chosen);
}

} // namespace

CRegSettings &Settings()
{
    static CRegSettings settings;
    return settings;
}

QString AppPath()
{
    QString path = qEnvironmentVariable("TARNWICK_HOME");
    if (path.isEmpty())
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/tarnwick");
    path = QDir(path).absolutePath();
    // Asked for on every channel state check: the folder is made once per path, not each time.
    static QString ensured;
    if (path != ensured && QDir().mkpath(path))
        ensured = path;
    return path;
}

QString InstalledDataPath()
{
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tarnwick");
    if (QFileInfo(beside).isDir())
        return QDir(beside).absolutePath();
    return QStringLiteral(TARNWICK_SOURCE_DATA);
}

bool SeedAppFolder(const QString &installed)
{
    // ".seeded" lists each file copied from the installed data with the digest it had then. A
    // copy that still has that digest was never changed by the user: when the installed file
    // has changed since (a newer version), the copy is brought up to date. Changed copies, and
    // files the list does not know, stay as they are.
    const QDir from(installed);
    const QString to = AppPath();
    const QString manifestPath = to + QStringLiteral("/.seeded");
    QHash<QString, QByteArray> seeded;
    QFile manifest(manifestPath);
    if (manifest.open(QIODevice::ReadOnly)) {
        while (!manifest.atEnd()) {
            const QList<QByteArray> fields = manifest.readLine().trimmed().split('\t');
            if (fields.size() == 2)
                seeded.insert(QString::fromUtf8(fields[0]), fields[1]);
        }
        manifest.close();
    }
    auto digest = [](const QString &path) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Md5);
        return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex()
                                                                     : QByteArray();
    };
    bool ok = true;
    bool changed = false;
    QDirIterator it(installed, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = from.relativeFilePath(source);
        // The program's translations are read where they are installed, not copied.
        if (relative.startsWith(QLatin1String("translations/")))
            continue;
        const QString target = to + QLatin1Char('/') + relative;
        const QByteArray fresh = digest(source);
        if (QFileInfo::exists(target)) {
            const QByteArray current = digest(target);
            if (current == fresh) {
                if (seeded.value(relative) != fresh) {
                    seeded.insert(relative, fresh); // the same as installed: known from now on
                    changed = true;
                }
                continue;
            }
            if (current.isEmpty() || seeded.value(relative) != current)
                continue; // the user's own version
            // An untouched copy of an older version: replaced through a temporary file.
            const QString temporary = target + QStringLiteral(".new");
            QFile::remove(temporary);
            const bool replaced = QFile::copy(source, temporary)
                && QFile::setPermissions(
                    temporary, QFile::permissions(temporary) | QFileDevice::WriteOwner)
                && ::rename(QFile::encodeName(temporary).constData(),
                       QFile::encodeName(target).constData())
                    == 0;
            if (!replaced)
                QFile::remove(temporary);
            ok = replaced && ok;
        } else {
            const bool copied =
                QDir().mkpath(QFileInfo(target).path()) && QFile::copy(source, target);
            ok = copied && ok;
            if (!copied)
                continue;
            // Installed files may be read-only; the user's copies are theirs to change.
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
        seeded.insert(relative, fresh);
        changed = true;
    }
    if (changed) {
        QSaveFile out(manifestPath);
        if (out.open(QIODevice::WriteOnly)) {
            QStringList names = seeded.keys();
            names.sort();
            for (const QString &name : std::as_const(names))
                out.write(name.toUtf8() + '\t' + seeded.value(name) + '\n');
            out.commit();
        }
    }
    return ok;
}

QString VendorNewsURL()
{
    return Vendor::Address(Vendor::kNewsChannel);
}

QString VendorHelpURL()
{
    return QUrl::fromLocalFile(
        AppPath() + QLatin1Char('/') + QLatin1String(Vendor::kHelpChannelFile))
        .toString();
}

bool IsVirtualURL(const QString &url)
{
    static const QStringList names = {
        "today", "yesterday", "week", "flagged", "deleted", "unread", "read"};
    return url.startsWith(kPrefix) && names.contains(url.mid(kPrefix.size()));
}

bool IsVendorURL(const QString &url)
{
    return url == VendorNewsURL() || url == VendorHelpURL();
}

bool IsSpecialURL(const QString &url)
{
    return IsVirtualURL(url) || IsVendorURL(url);
}

QString NewChannelID()
{
    CRegSettings &s = Settings();
    const qint64 last =
        s.GetSetting(QStringLiteral("Common"), QStringLiteral("LastID"), QStringLiteral("2560"))
            .toLongLong(); // a number written by this function alone
    const qint64 next = last + 1;
    s.SaveSetting(QStringLiteral("Common"), QStringLiteral("LastID"), QString::number(next));
    return QString::number(next, 16).toUpper();
}

QString TrimText(const QString &value)
{
    return value.trimmed();
}

QString StripTags(const QString &text)
{
    QString result;
    QStringView rest(text);
    while (true) {
        // The ">" that closes a tag comes after its "<"; a stray ">" before it is text.
        const qsizetype open = rest.indexOf(QLatin1Char('<'));
        const qsizetype close = open < 0 ? -1 : rest.indexOf(QLatin1Char('>'), open);
        if (open < 0 || close < 0)
            break;
        result += rest.left(open);
        rest = rest.mid(close + 1);
    }
    result += rest;
    return result;
}

qint32 BlendColor(qint32 a, qint32 b, int percent)
{
    const double p = qBound(0, percent, 100) / 100.0;
    qint32 out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = (a >> shift) & 0xFF;
        const int cb = (b >> shift) & 0xFF;
        const int c =
            ca <= cb ? cb - int(std::floor(p * (cb - ca))) : cb + int(std::floor(p * (ca - cb)));
        out |= qBound(0, c, 255) << shift;
    }
    return out;
}

void SetTickSource(std::function<quint32()> source)
{
    tickSource() = std::move(source);
}

void ResetAlert()
{
    lastAlert() = 0;
}

void PlayAlert()
{
    if (!settingIsTrue("PREFS", "ALERT"))
        return;
    const quint32 now = tickSource() ? tickSource()() : CSpanClock::tickCount();
    // Both ways round and across the counter's wrap: the smaller distance counts.
    const quint32 forward = now - lastAlert();
    const quint32 distance = qMin(forward, quint32(0u - forward));
    if (lastAlert() != 0 && distance < 5000)
        return;
    lastAlert() = now == 0 ? 1 : now;
    playFile(0, "alert.wav");
}

void SetSoundFiles(const QString &alert, const QString &drop, const QString &lift)
{
    soundFile(0) = alert;
    soundFile(1) = drop;
    soundFile(2) = lift;
}

void PlayDrop()
{
    if (settingIsTrue("PREFS", "DROP"))
        playFile(1, "drop.wav");
}

void PlayLift()
{
    if (settingIsTrue("PREFS", "DROP"))
        playFile(2, "lift.wav");
}

bool IsWebAddress(const QString &address)
{
    QString scheme;
    for (const QChar c : address) {
        if (c.unicode() <= 0x20)
            continue;
        if (c == QLatin1Char(':'))
            break;
        scheme += c.toLower();
        if (scheme.size() > 6)
            return false;
    }
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto");
}

void OpenURL(const QString &address)
{
    if (address.size() <= 5)
        return;
    const QString text = address.trimmed();
    // A bare host name is a web address; everything else must say it is one.
    const bool bare = !text.contains(QLatin1Char(':')) && !text.startsWith(QLatin1Char('/'))
        && !text.startsWith(QLatin1Char('.')) && !text.startsWith(QLatin1Char('~'))
        && QUrl::fromUserInput(text).scheme() == QLatin1String("http");
    if (!IsWebAddress(text) && !bare) {
        qCWarning(lcDesktop).noquote() << "not opened (not a web address):" << text.left(200);
        return;
    }
    DesktopServices::Current().OpenUrl(text);
}

} // namespace Include
