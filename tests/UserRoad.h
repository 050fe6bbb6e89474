#pragma once

// The real program on an X server of its own, driven as a person drives it: the mouse and the
// keyboard through xdotool, what is on screen read back from the X server's pixels, a
// notification area (trayer) for the tray icon, and the user's browser replaced by a script
// that writes down every address handed to it.
#include "TestSupport.h"
#include "WidgetSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

namespace userroad {

struct Window
{
    QString id;
    QString name;
    QRect rect;
    QStringList types; // _NET_WM_WINDOW_TYPE, e.g. "_NET_WM_WINDOW_TYPE_DIALOG"
    bool popup = false; // placed by the program itself (menus, the embedded tray icon)
    bool Is(const char *type) const { return types.contains(QLatin1String(type)); }
};

// A private X server (1280x1024) with a notification area at its bottom right.
class Screen
{
public:
    ~Screen() { Stop(); }

    bool Start(QString *why)
    {
        for (const char *tool : {"Xvfb", "xdotool", "import", "xprop", "xwininfo", "trayer"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
                *why = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
                return false;
            }
        }
        // -displayfd 1: the server picks a free display and writes its number to stdout.
        m_Server.start(QStringLiteral("Xvfb"),
            {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (!m_Server.waitForStarted(5000)
            || !QTest::qWaitFor([&] { return m_Server.canReadLine(); }, 10000)) {
            *why = QStringLiteral("Xvfb did not start");
            return false;
        }
        display = QLatin1Char(':') + QString::fromLatin1(m_Server.readLine().trimmed());
        m_Tray.setProcessEnvironment(Environment());
        m_Tray.start(QStringLiteral("trayer"),
            {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "60",
                "--height", "24", "--SetDockType", "true"});
        if (!m_Tray.waitForStarted(5000)
            || !QTest::qWaitFor(
                [&] { return !Windows(QStringLiteral("^panel$")).isEmpty(); }, 10000)) {
            *why = QStringLiteral("trayer did not start");
            return false;
        }
        return true;
    }

    void Stop()
    {
        for (QProcess *p : {&m_Tray, &m_Server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    // A tool's standard output (empty when it failed).
    QByteArray Run(const QString &program, const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(program, args);
        if (!p.waitForFinished(15000))
            p.kill();
        return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
    }

    // Visible windows whose name matches the pattern, popups and embedded ones included.
    QList<Window> Windows(const QString &pattern) const
    {
        QList<Window> found;
        const QRegularExpression wanted(pattern);
        static const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) \"(.*)\": \\("));
        const QString tree = QString::fromUtf8(Run(QStringLiteral("xwininfo"), {"-root", "-tree"}));
        for (const QString &row : tree.split(QLatin1Char('\n'))) {
            const auto m = line.match(row);
            if (!m.hasMatch() || !wanted.match(m.captured(2)).hasMatch())
                continue;
            Window w;
            w.id = m.captured(1);
            w.name = m.captured(2);
            const QString info = QString::fromUtf8(Run(QStringLiteral("xwininfo"), {"-id", w.id}));
            if (!info.contains(QLatin1String("Map State: IsViewable")))
                continue;
            auto value = [&](const char *key) {
                const auto v =
                    QRegularExpression(QLatin1String(key) + QStringLiteral(":\\s+(-?\\d+)"))
                        .match(info);
                return v.hasMatch() ? v.captured(1).toInt() : 0;
            };
            w.rect = QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"));
            w.popup = info.contains(QLatin1String("Override Redirect State: yes"));
            const QString type = QString::fromLatin1(
                Run(QStringLiteral("xprop"), {"-id", w.id, "_NET_WM_WINDOW_TYPE"}));
            const int equals = type.indexOf(QLatin1Char('='));
            if (equals >= 0)
                for (const QString &t :
                    type.mid(equals + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
                    w.types << t.trimmed();
            if (w.rect.width() > 1 && w.rect.height() > 1)
                found << w;
        }
        return found;
    }

    // The first visible window of that name for which accept holds, once there is one.
    std::optional<Window> WaitWindow(const QString &pattern, int ms = 20000,
        std::function<bool(const Window &)> accept = {}) const
    {
        std::optional<Window> found;
        [[maybe_unused]] const bool any = QTest::qWaitFor(
            [&] {
                for (const Window &w : Windows(pattern)) {
                    if (!accept || accept(w)) {
                        found = w;
                        return true;
                    }
                }
                return false;
            },
            ms);
        if (!found && ms > 0) {
            // What was on screen instead, to be looked at.
            QString name = pattern;
            name.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")));
            Save(QStringLiteral("missing-%1").arg(name));
        }
        return found;
    }

    // As soon as a window of that name exists, shown or not (polled as fast as xdotool answers).
    bool WaitCreated(const QString &pattern, int ms = 20000) const
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (!Run(QStringLiteral("xdotool"), {"search", "--name", pattern}).trimmed().isEmpty())
                return true;
            QCoreApplication::processEvents();
        }
        return false;
    }

    bool WaitGone(const QString &pattern, int ms = 10000) const
    {
        return QTest::qWaitFor([&] { return Windows(pattern).isEmpty(); }, ms);
    }

    void Move(QPoint at) const
    {
        Run(QStringLiteral("xdotool"),
            {"mousemove", QString::number(at.x()), QString::number(at.y())});
    }

    void Click(QPoint at, int button = 1) const
    {
        Move(at);
        QTest::qWait(150); // a person's hand: the window sees the pointer arrive before the press
        Run(QStringLiteral("xdotool"), {"click", QString::number(button)});
    }

    void DoubleClick(QPoint at) const
    {
        Move(at);
        QTest::qWait(150);
        Run(QStringLiteral("xdotool"), {"click", "--repeat", "2", "--delay", "80", "1"});
    }

    // Keys ("Return", "ctrl+shift+a", ...) to a window, given the keyboard focus first.
    void Keys(const Window &w, const QStringList &keys) const
    {
        Run(QStringLiteral("xdotool"), {"windowfocus", "--sync", w.id});
        QStringList args = {"key", "--delay", "60"};
        Run(QStringLiteral("xdotool"), args + keys);
    }

    void Type(const Window &w, const QString &text) const
    {
        Run(QStringLiteral("xdotool"), {"windowfocus", "--sync", w.id});
        Run(QStringLiteral("xdotool"), {"type", "--delay", "30", text});
    }

    // The whole screen as the X server holds it.
    QImage Shot() const
    {
        return QImage::fromData(Run(QStringLiteral("import"), {"-window", "root", "png:-"}), "PNG");
    }

    // Saves the screen to build/tests/screenshots/userroad-<name>.png, to be looked at.
    QImage Save(const QString &name) const
    {
        const QImage shot = Shot();
        shot.save(testsupport::ScreenshotPath(QStringLiteral("userroad-%1.png").arg(name)));
        return shot;
    }

    QString display;

private:
    QProcess m_Server;
    QProcess m_Tray;
};

// Where a picture appears on the screen within area: the top-left corners of the places where
// every pixel is within tolerance of the picture's (fully transparent pixels match anything).
inline QList<QPoint> FindPicture(
    const QImage &screen, const QImage &picture, QRect area, int tolerance = 40)
{
    QList<QPoint> found;
    const QImage s = screen.convertToFormat(QImage::Format_ARGB32);
    const QImage p = picture.convertToFormat(QImage::Format_ARGB32);
    area = area.intersected(s.rect());
    // Transparent pixels match anything; a partly transparent one is compared over the white
    // the page or the frame most likely shows through it, so only solid pixels count.
    QList<QPoint> solid;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (qAlpha(p.pixel(x, y)) == 255)
                solid << QPoint(x, y);
    if (solid.isEmpty())
        return found;
    for (int y = area.top(); y + p.height() <= area.bottom() + 1; ++y) {
        for (int x = area.left(); x + p.width() <= area.right() + 1; ++x) {
            bool match = true;
            for (const QPoint &at : std::as_const(solid)) {
                const QRgb a = s.pixel(x + at.x(), y + at.y());
                const QRgb b = p.pixel(at);
                if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                        + qAbs(qBlue(a) - qBlue(b))
                    > tolerance) {
                    match = false;
                    break;
                }
            }
            if (match) {
                found << QPoint(x, y);
                x += p.width() - 1; // not the same place again, one pixel over
            }
        }
    }
    return found;
}

// The centre of the first spot of at least 3 x 3 pixels of that colour within area (for marks
// drawn at a size of their own, such as the tree's icons); nothing when there is none.
inline std::optional<QPoint> FindColour(
    const QImage &screen, QColor colour, QRect area, int tolerance = 40)
{
    const int size = 3;
    const QImage s = screen.convertToFormat(QImage::Format_RGB32);
    area = area.intersected(s.rect().adjusted(0, 0, -size, -size));
    auto near = [&](int x, int y) {
        const QRgb p = s.pixel(x, y);
        return qAbs(qRed(p) - colour.red()) + qAbs(qGreen(p) - colour.green())
            + qAbs(qBlue(p) - colour.blue())
            <= tolerance;
    };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            bool spot = true;
            for (int dy = 0; dy < size && spot; ++dy)
                for (int dx = 0; dx < size && spot; ++dx)
                    spot = near(x + dx, y + dy);
            if (spot)
                return QPoint(x + size / 2, y + size / 2);
        }
    }
    return std::nullopt;
}

// The colour of a picture's middle pixel.
inline QColor MiddleColour(const QImage &picture)
{
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

// tarnwick with a home, settings and session folder of its own, kept across its restarts.
class Program
{
public:
    explicit Program(const Screen &screen, const QString &vendorBase)
        : m_Screen(screen), m_VendorBase(vendorBase)
    {
        QFile::setPermissions(m_Runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The user's browser: writes down what it was asked to open.
        const QString opener = m_Bin.filePath(QStringLiteral("xdg-open"));
        QFile script(opener);
        if (script.open(QIODevice::WriteOnly)) {
            script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + BrowserLog().toUtf8() + "'\n");
            script.close();
            script.setPermissions(
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        QObject::connect(&m_Process, &QProcess::readyReadStandardError, &m_Process,
            [this] { m_Errors += m_Process.readAllStandardError(); });
    }
    ~Program()
    {
        if (m_Process.state() != QProcess::NotRunning) {
            m_Process.kill();
            m_Process.waitForFinished(5000);
        }
        if (const qint64 pid = ServerPid())
            ::kill(pid_t(pid), SIGKILL);
    }

    QString Home(const QString &path = QString()) const
    {
        return path.isEmpty() ? m_Home.path() : m_Home.filePath(path);
    }
    QString Config(const QString &path) const { return m_Config.filePath(path); }
    // As for a user who has started the program before: no help channel shown at start.
    void NotTheFirstStart()
    {
        QDir().mkpath(m_Config.filePath(QStringLiteral("Veltrasic")));
        QFile conf(m_Config.filePath(QStringLiteral("Veltrasic/Tarnwick.conf")));
        if (conf.open(QIODevice::WriteOnly | QIODevice::Append))
            conf.write("[PREFS]\nFIRSTRUN=False\n");
    }
    QString BrowserLog() const { return m_Bin.filePath(QStringLiteral("opened.txt")); }
    QStringList Opened() const
    {
        QFile log(BrowserLog());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool Start()
    {
        QProcessEnvironment env = m_Screen.Environment();
        env.insert(QStringLiteral("TARNWICK_HOME"), m_Home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_Config.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_Runtime.path());
        env.insert(QStringLiteral("TARNWICK_VENDOR_BASE"), m_VendorBase);
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        env.insert(
            QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.webenginecontext.info=false"));
        env.insert(QStringLiteral("PATH"),
            m_Bin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        // The language the program is started in: English unless the case chose another.
        for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LANG"), language);
        m_Process.setProcessEnvironment(env);
        m_Process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        m_Errors.clear();
        // $TARNWICK_PATH runs another build (an installed package, an earlier version) instead.
        m_Process.start(qEnvironmentVariable("TARNWICK_PATH", QStringLiteral(TARNWICK_PATH)), {});
        return m_Process.waitForStarted(10000);
    }

    bool Running() const { return m_Process.state() == QProcess::Running; }
    qint64 Pid() const { return m_Process.processId(); }

    // Sends the signal and waits for the end; true when the program ended by itself with 0.
    bool Stop(int signal = SIGTERM, int ms = 30000)
    {
        if (m_Process.state() == QProcess::NotRunning)
            return false;
        ::kill(pid_t(m_Process.processId()), signal);
        return WaitEnd(ms);
    }
    bool WaitEnd(int ms = 30000)
    {
        if (!m_Process.waitForFinished(ms))
            return false;
        m_Errors += m_Process.readAllStandardError();
        return m_Process.exitStatus() == QProcess::NormalExit && m_Process.exitCode() == 0;
    }
    QString Ending() const
    {
        return QStringLiteral("status %1, %2; %3")
            .arg(m_Process.exitCode())
            .arg(m_Process.exitStatus() == QProcess::NormalExit ? "normal" : "crashed")
            .arg(QString::fromLocal8Bit(m_Errors.right(2000)));
    }
    QByteArray Errors() const { return m_Errors; }
    // $LANG at the next Start.
    QString language = QStringLiteral("C.UTF-8");

    // The item server of this program's session; 0 when none runs.
    qint64 ServerPid() const { return testsupport::serverPid(m_Runtime.path()); }

private:
    const Screen &m_Screen;
    QString m_VendorBase;
    QTemporaryDir m_Home, m_Config, m_Runtime, m_Bin;
    QProcess m_Process;
    QByteArray m_Errors;
};

} // namespace userroad
