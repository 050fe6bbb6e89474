// Draws the pictures of the shipped skins (frames, buttons, tree and item icons) and the three
// sounds into a data folder. Run it again after changing a look:  skingen <data folder>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cmath>

namespace {

struct Look
{
    QString name;
    QColor dark, light, accent, text, mask = QColor(255, 0, 255);
};

// The scale the pictures are being drawn at: 1, then 2 for "@2x" files.
int g_Scale = 1;

QImage canvas(int w, int h, QColor fill)
{
    QImage image(w * g_Scale, h * g_Scale, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Saves name.png, or name@2x.png when drawing at scale 2.
void save(const QImage &image, const QString &path)
{
    QString target = path;
    if (g_Scale > 1)
        target.insert(target.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(g_Scale));
    image.save(target);
}

// A painter in logical units on a picture of the current scale.
void scaled(QPainter &p)
{
    p.scale(g_Scale, g_Scale);
}

// A frame of one window kind: corners with a rounded outer edge (mask colour outside it), a
// top band of height top, sides and bottom of thickness edge.
void frame(const QString &dir, const QString &kind, const Look &look, int top, int edge, int radius)
{
    auto band = [&](int w, int h, bool vertical) {
        QImage img = canvas(w, h, look.dark);
        QPainter p(&img);
        scaled(p);
        QLinearGradient g(0, 0, vertical ? w : 0, vertical ? 0 : h);
        g.setColorAt(0, look.light);
        g.setColorAt(1, look.dark);
        p.fillRect(QRectF(0, 0, w, h), g);
        return img;
    };
    auto corner = [&](int w, int h, int cx, int cy) {
        QImage img = canvas(w, h, look.mask);
        QPainter p(&img);
        scaled(p);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPainterPath path;
        path.addRoundedRect(QRectF(cx ? -w : 0, cy ? -h : 0, 2 * w, 2 * h), radius, radius);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, cy ? look.dark : look.light);
        g.setColorAt(1, look.dark);
        p.fillPath(path, g);
        return img;
    };
    const QString prefix = dir + QLatin1Char('/') + kind;
    save(band(8, top, false), prefix + "_n.png");
    save(band(edge, 8, true), prefix + "_w.png");
    save(band(edge, 8, true).mirrored(true, false), prefix + "_e.png");
    save(band(8, edge, false).mirrored(false, true), prefix + "_s.png");
    save(corner(radius + 4, top, 0, 0), prefix + "_nw.png");
    save(corner(radius + 4, top, 1, 0), prefix + "_ne.png");
    save(corner(radius + 4, edge + 4, 0, 1), prefix + "_sw.png");
    save(corner(radius + 4, edge + 4, 1, 1), prefix + "_se.png");
}

// A 16x16 button in three states: normal, hover, pressed.
void button(const QString &dir, const QString &name, const Look &look,
    const std::function<void(QPainter &)> &glyph)
{
    const QColor faces[3] = {look.dark, look.accent, look.accent.darker(140)};
    const char *suffix[3] = {"", "_hover", "_down"};
    for (int i = 0; i < 3; ++i) {
        QImage img = canvas(16, 16, look.dark);
        QPainter p(&img);
        scaled(p);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(look.light, 1));
        p.setBrush(faces[i]);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setPen(QPen(look.text, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(look.text);
        glyph(p);
        save(img, dir + "/btn_" + name + suffix[i] + ".png");
    }
}

void icon(const QString &dir, const QString &name, QColor colour,
    const std::function<void(QPainter &)> &shape)
{
    QImage img(16 * g_Scale, 16 * g_Scale, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    scaled(p);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    shape(p);
    save(img, dir + "/icon_" + name + ".png");
}

// The item viewer's 16x16 command icons, drawn for the page's light background: the darker of
// the skin's dark and text colours as ink, its accent for the active marks.
void itemIcons(const QString &dir, const Look &look)
{
    const QColor ink = look.dark.lightness() < look.text.lightness() ? look.dark : look.text;
    const QColor gold(235, 185, 35), faded(175, 175, 175), red(200, 65, 55);
    auto draw = [&](const QString &name, const std::function<void(QPainter &)> &shape) {
        QImage img(16 * g_Scale, 16 * g_Scale, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        scaled(p);
        p.setRenderHint(QPainter::Antialiasing);
        shape(p);
        save(img, dir + "/item_" + name + ".png");
    };
    auto pen = [](QColor c, qreal w = 1.2) {
        return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    };
    const QPolygonF star({QPointF(8, 1.5), QPointF(9.9, 5.6), QPointF(14.4, 6.1),
        QPointF(11.1, 9.2), QPointF(12, 13.7), QPointF(8, 11.4), QPointF(4, 13.7),
        QPointF(4.9, 9.2), QPointF(1.6, 6.1), QPointF(6.1, 5.6)});
    // unread: a closed envelope in the accent colour
    draw("unread", [&](QPainter &p) {
        p.setPen(pen(look.accent.darker(140)));
        p.setBrush(look.accent);
        p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 1.5, 1.5);
        p.setPen(pen(Qt::white));
        p.drawPolyline(QPolygonF({QPointF(2.5, 4.5), QPointF(8, 9), QPointF(13.5, 4.5)}));
    });
    // read: the envelope opened, pale, with a tick
    draw("read", [&](QPainter &p) {
        p.setPen(pen(faded.darker(130)));
        p.setBrush(QColor(240, 240, 240));
        p.drawPolygon(QPolygonF({QPointF(1.5, 7), QPointF(8, 2.5), QPointF(14.5, 7),
            QPointF(14.5, 14.5), QPointF(1.5, 14.5)}));
        p.drawPolyline(QPolygonF({QPointF(1.5, 7), QPointF(8, 11), QPointF(14.5, 7)}));
        p.setPen(pen(look.accent.darker(120), 1.8));
        p.drawPolyline(QPolygonF({QPointF(5, 7.5), QPointF(7.2, 9.6), QPointF(11.5, 4.5)}));
    });
    // tagged: a gold star; untagged: its pale outline
    draw("tagged", [&](QPainter &p) {
        p.setPen(pen(gold.darker(150)));
        p.setBrush(gold);
        p.drawPolygon(star);
    });
    draw("untagged", [&](QPainter &p) {
        p.setPen(pen(faded));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(star);
    });
    // delete: a waste bin in red
    draw("delete", [&](QPainter &p) {
        p.setPen(pen(red.darker(130)));
        p.setBrush(red.lighter(150));
        p.drawPolygon(
            QPolygonF({QPointF(4, 5), QPointF(12, 5), QPointF(11, 14.5), QPointF(5, 14.5)}));
        p.drawLine(QPointF(2.5, 3.5), QPointF(13.5, 3.5));
        p.drawLine(QPointF(6.5, 1.5), QPointF(9.5, 1.5));
        p.drawLine(QPointF(7, 7), QPointF(7, 12.5));
        p.drawLine(QPointF(9, 7), QPointF(9, 12.5));
    });
    // undelete: an arrow turning back, in the accent colour
    draw("undelete", [&](QPainter &p) {
        p.setPen(pen(look.accent.darker(120), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, -270 * 16);
        p.setBrush(look.accent.darker(120));
        p.setPen(pen(look.accent.darker(120), 1));
        p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(8, 5.5), QPointF(4.5, 3)}));
    });
    // open: a page with an arrow leaving it
    draw("open", [&](QPainter &p) {
        p.setPen(pen(ink));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 4.5, 10, 10), 1.5, 1.5);
        p.setPen(pen(look.accent.darker(120), 1.8));
        p.drawLine(QPointF(6.5, 9.5), QPointF(13.5, 2.5));
        p.drawPolyline(QPolygonF({QPointF(9, 2.5), QPointF(13.5, 2.5), QPointF(13.5, 7)}));
    });
}

void skin(const QString &data, const Look &look)
{
    const QString dir = data + "/skins/" + look.name;
    QDir().mkpath(dir);
    frame(dir, "main", look, 26, 6, 8);
    frame(dir, "channel", look, 30, 6, 8);
    frame(dir, "ticker", look, 4, 4, 4);
    frame(dir, "tickeritem", look, 22, 5, 6);
    frame(dir, "dialog", look, 6, 4, 4);

    using G = std::function<void(QPainter &)>;
    const QMap<QString, G> glyphs = {
        {"close",
            [](QPainter &p) {
                p.drawLine(5, 5, 11, 11);
                p.drawLine(11, 5, 5, 11);
            }},
        {"min",
            [](QPainter &p) {
                p.drawLine(5, 11, 11, 11);
            }},
        {"max",
            [](QPainter &p) {
                p.setBrush(Qt::NoBrush);
                p.drawRect(4, 4, 8, 8);
            }},
        {"add",
            [](QPainter &p) {
                p.drawLine(8, 4, 8, 12);
                p.drawLine(4, 8, 12, 8);
            }},
        {"reload",
            [](QPainter &p) {
                p.setBrush(Qt::NoBrush);
                p.drawArc(4, 4, 8, 8, 30 * 16, 280 * 16);
                p.drawLine(11, 3, 12, 6);
            }},
        {"prefs",
            [](QPainter &p) {
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(5, 5, 6, 6);
                p.drawPoint(8, 8);
            }},
        {"ticker",
            [](QPainter &p) {
                p.drawLine(3, 6, 13, 6);
                p.drawLine(3, 10, 10, 10);
            }},
        {"profiles",
            [](QPainter &p) {
                p.drawEllipse(6, 3, 4, 4);
                p.drawArc(4, 8, 8, 8, 0, 180 * 16);
            }},
        {"play",
            [](QPainter &p) {
                p.drawPolygon(QPolygonF({QPointF(6, 4), QPointF(12, 8), QPointF(6, 12)}));
            }},
        {"pause",
            [](QPainter &p) {
                p.drawLine(6, 4, 6, 12);
                p.drawLine(10, 4, 10, 12);
            }},
        {"next",
            [](QPainter &p) {
                p.drawLine(6, 4, 10, 8);
                p.drawLine(10, 8, 6, 12);
            }},
        {"prev",
            [](QPainter &p) {
                p.drawLine(10, 4, 6, 8);
                p.drawLine(6, 8, 10, 12);
            }},
        {"tag",
            [](QPainter &p) {
                p.drawPolygon(QPolygonF({QPointF(8, 3), QPointF(10, 7), QPointF(13, 7),
                    QPointF(10.5, 9.5), QPointF(11.5, 13), QPointF(8, 11), QPointF(4.5, 13),
                    QPointF(5.5, 9.5), QPointF(3, 7), QPointF(6, 7)}));
            }},
        {"delete",
            [](QPainter &p) {
                p.setBrush(Qt::NoBrush);
                p.drawRect(5, 6, 6, 7);
                p.drawLine(4, 5, 12, 5);
            }},
        {"link",
            [](QPainter &p) {
                p.drawLine(5, 11, 11, 5);
                p.drawLine(8, 5, 11, 5);
                p.drawLine(11, 5, 11, 8);
            }},
        {"menu",
            [](QPainter &p) {
                p.drawLine(4, 5, 12, 5);
                p.drawLine(4, 8, 12, 8);
                p.drawLine(4, 11, 12, 11);
            }},
        {"read",
            [](QPainter &p) {
                p.drawLine(4, 8, 7, 11);
                p.drawLine(7, 11, 12, 5);
            }},
        {"sort",
            [](QPainter &p) {
                p.drawLine(4, 6, 12, 6);
                p.drawLine(5, 9, 11, 9);
                p.drawLine(6, 12, 10, 12);
            }},
    };
    for (auto it = glyphs.cbegin(); it != glyphs.cend(); ++it)
        button(dir, it.key(), look, it.value());

    auto dot = [](QPainter &p) {
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    };
    auto square = [](QPainter &p) {
        p.drawRoundedRect(QRectF(2.5, 3.5, 11, 9), 2, 2);
    };
    icon(dir, "unread", look.accent, dot);
    icon(dir, "read", QColor(170, 170, 170), dot);
    icon(dir, "newitems", QColor(240, 170, 30), dot);
    icon(dir, "itemunread", look.accent.lighter(130), dot);
    icon(dir, "reload", QColor(90, 170, 230), [](QPainter &p) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 110, 180), 2));
        p.drawArc(3, 3, 10, 10, 30 * 16, 290 * 16);
    });
    icon(dir, "help", QColor(70, 170, 100), dot);
    icon(dir, "tag", QColor(235, 200, 40), square);
    icon(dir, "error", QColor(215, 50, 50), dot);
    icon(dir, "group", look.light, square);
    itemIcons(dir, look);
}

// A short tone, 16-bit mono PCM at 22050 Hz, fading out.
void tone(const QString &path, double hz, int ms)
{
    const int rate = 22050;
    const int samples = rate * ms / 1000;
    QByteArray pcm;
    for (int i = 0; i < samples; ++i) {
        const double fade = 1.0 - double(i) / samples;
        const qint16 v = qint16(9000 * fade * std::sin(2 * M_PI * hz * i / rate));
        char b[2];
        qToLittleEndian(v, b);
        pcm.append(b, 2);
    }
    QByteArray wav = "RIFF";
    auto u32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    u32(36 + pcm.size());
    wav += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    wav += "data";
    u32(pcm.size());
    wav += pcm;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(wav);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: skingen <data folder>");
        return 2;
    }
    const QString data = QString::fromLocal8Bit(argv[1]);
    for (g_Scale = 1; g_Scale <= 2; ++g_Scale) {
        skin(data,
            {"Basalt", QColor(46, 52, 60), QColor(96, 106, 120), QColor(70, 130, 200),
                QColor(235, 238, 242)});
        skin(data,
            {"Heath", QColor(196, 186, 160), QColor(238, 232, 214), QColor(120, 150, 90),
                QColor(60, 50, 40)});
    }
    tone(data + "/alert.wav", 880, 180);
    tone(data + "/drop.wav", 520, 90);
    tone(data + "/lift.wav", 700, 90);
    return 0;
}
