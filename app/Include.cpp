#include "Include.h"

#include "CSpanClock.h"
#include "DesktopServices.h"
#include "Vendor.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cmath>

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
    const QString text = Settings().GetSetting(QLatin1String(section), QLatin1String(key),
                                               QStringLiteral("False"));
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    bool numeric = false;
    const double value = text.toDouble(&numeric);
    return numeric && value != 0;
}

void playFile(const char *name)
{
    DesktopServices::Current().PlaySound(AppPath() + QLatin1Char('/') + QLatin1String(name));
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
    const QString beside = QCoreApplication::applicationDirPath()
        + QStringLiteral("/../share/tarnwick");
    if (QFileInfo(beside).isDir())
        return QDir(beside).absolutePath();
    return QStringLiteral(TARNWICK_SOURCE_DATA);
}

bool SeedAppFolder(const QString &installed)
{
    const QDir from(installed);
    const QString to = AppPath();
    bool ok = true;
    QDirIterator it(installed, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + from.relativeFilePath(source);
        if (QFileInfo::exists(target))
            continue;
        ok = QDir().mkpath(QFileInfo(target).path()) && QFile::copy(source, target) && ok;
        // Installed files may be read-only; the user's copies are theirs to change.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    return ok;
}

QString VendorNewsURL()
{
    return Vendor::Address(Vendor::kNewsChannel);
}

QString VendorHelpURL()
{
    return QUrl::fromLocalFile(AppPath() + QLatin1Char('/') + QLatin1String(Vendor::kHelpChannelFile))
        .toString();
}

bool IsVirtualURL(const QString &url)
{
    static const QStringList names = {"today", "yesterday", "week", "flagged",
                                      "deleted", "unread", "read"};
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

bool IsReservedGroup(const QString &name)
{
    return name == QLatin1String("All Items") || name == QLatin1String("Spotlight")
        || name == QLatin1String("Tarnwick");
}

QString NewChannelID()
{
    CRegSettings &s = Settings();
    const qint64 last = s.GetSetting(QStringLiteral("Common"), QStringLiteral("LastID"),
                                     QStringLiteral("2560"))
                            .trimmed()
                            .toLongLong();
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
        const int c = ca <= cb ? cb - int(std::floor(p * (cb - ca)))
                               : cb + int(std::floor(p * (ca - cb)));
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
    playFile("alert.wav");
}

void PlayDrop()
{
    if (settingIsTrue("PREFS", "DROP"))
        playFile("drop.wav");
}

void PlayLift()
{
    if (settingIsTrue("PREFS", "DROP"))
        playFile("lift.wav");
}

void OpenURL(const QString &address)
{
    if (address.size() > 5)
        DesktopServices::Current().OpenUrl(address);
}

} // namespace Include
