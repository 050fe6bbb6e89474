// Reading a skin: the skin file line by line into frames, fonts, pictures and entities.
#include "frmTarnSkin.h"

#include "SkinEntityState.h"

#include "Include.h"
#include "TextNumber.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <limits>

namespace {

// The numeric value of a skin value: "&H..." is hexadecimal and always a 32-bit value (as if
// written with the long suffix), anything else its leading decimal number.
double numberOf(const QString &value)
{
    if (value.size() > 2 && value.startsWith(QLatin1String("&H"))) {
        QString hex = value.mid(2);
        if (hex.endsWith(QLatin1Char('&')))
            hex.chop(1);
        quint32 n = 0;
        int digits = 0;
        for (const QChar c : hex) {
            const int d = QString(c).toInt(nullptr, 16);
            const bool isHex =
                c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
            if (!isHex || digits == 8)
                break;
            n = n * 16 + quint32(d);
            ++digits;
        }
        return double(qint32(n));
    }
    return TextNumber::LeadingValue(value);
}

template<typename T> T integerOf(const QString &value)
{
    const double v = std::nearbyint(numberOf(value)); // halves to even
    return T(std::clamp<double>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

qint32 colourOf(const QString &value)
{
    return integerOf<qint32>(value);
}

bool booleanOf(const QString &value)
{
    return TextNumber::ToBool(value); // "true" in any case, or a number that is not zero
}

const QMap<QString, QStringList> &treeIconKeys()
{
    static const QMap<QString, QStringList> keys = {{"iconunread", {"unread"}},
        {"iconnewitems", {"newitems"}}, {"iconitemunread", {"itemunread"}}, {"iconread", {"read"}},
        {"icondownload", {"reload"}}, {"iconhelp", {"help"}}, {"icontag", {"flagged"}},
        {"iconerror", {"err"}}, {"icongroup", {"expanded", "collapse"}},
        {"icongroupopen", {"expanded", "collapse"}}};
    return keys;
}

} // namespace

void frmTarnSkin::ReadSkin(const QString &name)
{
    m_SkinName = name;
    if (name.isEmpty())
        return;
    const QString path = SkinFolder() + QStringLiteral("skin.txt");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Report(tr("Error Loading Skin File: %1").arg(path));
        return;
    }
    m_CurrentFont = 0;
    m_CurrentFrame = 0;
    m_CurrentEntity = -1;
    bool reported = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        const int space = line.indexOf(QLatin1Char(' '));
        if (space < 0)
            continue; // no value: no keyword either
        const QString keyword = line.left(space).toLower();
        const QString value = line.mid(space + 1).trimmed();
        QString error;
        if (!ApplyLine(keyword, value, &error) && !reported) {
            // Reported once; the rest of the file is still read.
            Report(QStringLiteral("skin.txt - Error On Line: %1\nError Return: %2")
                       .arg(lineNumber)
                       .arg(error));
            reported = true;
        }
    }
}

namespace {
int &pictureScale()
{
    static int scale = 0;
    return scale;
}
} // namespace

void frmTarnSkin::SetPictureScale(int scale)
{
    pictureScale() = scale;
}

int frmTarnSkin::PictureScale()
{
    if (pictureScale() > 0)
        return pictureScale();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen && screen->devicePixelRatio() > 1.0 ? 2 : 1;
}

bool frmTarnSkin::LoadPicture(const QString &value, QImage *target, QString *error) const
{
    const QString path = SkinFolder() + value;
    if (PictureScale() > 1) {
        // The sharper picture where the skin has one, at the same logical size.
        QString sharper = path;
        const int dot = sharper.lastIndexOf(QLatin1Char('.'));
        sharper.insert(dot > sharper.lastIndexOf(QLatin1Char('/')) ? dot : sharper.size(),
            QStringLiteral("@2x"));
        QImage image(sharper);
        if (!image.isNull()) {
            image.setDevicePixelRatio(2);
            *target = image;
            return true;
        }
    }
    QImage image(path);
    if (image.isNull()) {
        *error = QStringLiteral("cannot load picture ") + value;
        return false;
    }
    *target = image;
    return true;
}

bool frmTarnSkin::FontNumber(const QString &value, qint16 *target, QString *error) const
{
    const int n = integerOf<qint32>(value);
    if (n < 1 || n > kFonts) {
        *error = QStringLiteral("font number out of range: ") + value;
        return false;
    }
    *target = qint16(n - 1);
    return true;
}

frmSkinEntity *frmTarnSkin::CurrentEntity(QString *error)
{
    if (m_CurrentEntity < 0 || m_CurrentEntity >= int(m_Entities.size())) {
        *error = QStringLiteral("entity line before \"defineentity\"");
        return nullptr;
    }
    return &m_Entities[size_t(m_CurrentEntity)];
}

bool frmTarnSkin::ApplyLine(const QString &k, const QString &v, QString *error)
{
    const QString skin = SkinFolder();
    // Stylesheets and sounds: skin folder and name, as written.
    if (k == QLatin1String("xslfile")) {
        XslFile = skin + v;
        return true;
    }
    if (k == QLatin1String("xslticker")) {
        XslTicker = skin + v;
        return true;
    }
    if (k == QLatin1String("animatewaveup")) {
        WaveUp = skin + v;
        return true;
    }
    if (k == QLatin1String("animatewavedown")) {
        WaveDown = skin + v;
        return true;
    }
    if (k == QLatin1String("newitemwave")) {
        WaveNewItem = skin + v;
        return true;
    }

    // Fonts.
    if (k == QLatin1String("definefont")) {
        qint16 slot = 0;
        if (!FontNumber(v, &slot, error))
            return false;
        m_Fonts[size_t(slot)] = clsTarnFont();
        m_CurrentFont = slot;
        return true;
    }
    clsTarnFont *font = m_Fonts[size_t(m_CurrentFont)] ? &*m_Fonts[size_t(m_CurrentFont)] : nullptr;
    if (font) {
        if (k == QLatin1String("face")) {
            font->face = v;
            return true;
        }
        if (k == QLatin1String("size")) {
            font->size = float(numberOf(v));
            return true;
        }
        if (k == QLatin1String("bold")) {
            font->bold = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("italic")) {
            font->italic = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("strike")) {
            font->strikethrough = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("underline")) {
            font->underline = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("outline")) {
            font->outline = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("shadow")) {
            font->shadow = booleanOf(v);
            return true;
        }
        if (k == QLatin1String("color")) {
            font->color = colourOf(v);
            return true;
        }
        if (k == QLatin1String("shadowcolor")) {
            font->shadowcolor = colourOf(v);
            return true;
        }
    }

    // Frames.
    SkinFrame &frame = m_Frames[size_t(m_CurrentFrame)];
    if (k == QLatin1String("defineframe")) {
        m_CurrentFrame = std::min(KindOf(v), kFrameKinds - 1);
        return true;
    }
    if (k == QLatin1String("framenw"))
        return LoadPicture(v, &frame.imgTopL, error);
    if (k == QLatin1String("framene"))
        return LoadPicture(v, &frame.imgTopR, error);
    if (k == QLatin1String("framesw"))
        return LoadPicture(v, &frame.imgBotL, error);
    if (k == QLatin1String("framese"))
        return LoadPicture(v, &frame.imgBotR, error);
    if (k == QLatin1String("framen"))
        return LoadPicture(v, &frame.imgTopM, error);
    if (k == QLatin1String("framew"))
        return LoadPicture(v, &frame.imgSideL, error);
    if (k == QLatin1String("framee"))
        return LoadPicture(v, &frame.imgSideR, error);
    if (k == QLatin1String("frames"))
        return LoadPicture(v, &frame.imgSideB, error);
    if (k == QLatin1String("framensize")) {
        frame.nSize = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("framessize")) {
        frame.sSize = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("framewsize")) {
        frame.wSize = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("frameesize")) {
        frame.eSize = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("framecolor")) {
        m_FrameColors[size_t(m_CurrentFrame)] = colourOf(v);
        return true;
    }
    if (k == QLatin1String("channelminwidth")) {
        ChannelMinWidth = integerOf<qint32>(v);
        return true;
    }
    if (k == QLatin1String("channelminheight")) {
        ChannelMinHeight = integerOf<qint32>(v);
        return true;
    }

    // Entities.
    if (k == QLatin1String("defineentity") || k == QLatin1String("define")) {
        if (int(m_Entities.size()) >= kMaxEntities) {
            *error = QStringLiteral("more than %1 entities").arg(kMaxEntities);
            m_CurrentEntity = -1;
            return false;
        }
        m_Entities.emplace_back();
        m_CurrentEntity = int(m_Entities.size()) - 1;
        return true;
    }
    static const QStringList entityKeys = {"image", "imagemousemove", "imagemousedown", "width",
        "text", "textmousedown", "textmousemove", "link", "font", "fontmousemove", "fontmousedown",
        "function", "window", "top", "y", "left", "x", "center", "if", "not", "ifnot"};
    if (entityKeys.contains(k)) {
        frmSkinEntity *e = CurrentEntity(error);
        if (!e)
            return false;
        auto labelFont = [&](SkinLabel &label) {
            qint16 slot = 0;
            if (!FontNumber(v, &slot, error))
                return false;
            label.font = slot;
            label.colourApplied = true;
            return true;
        };
        if (k == QLatin1String("image"))
            return LoadPicture(v, &e->img, error);
        if (k == QLatin1String("imagemousemove"))
            return LoadPicture(v, &e->imgMM, error);
        if (k == QLatin1String("imagemousedown"))
            return LoadPicture(v, &e->imgMD, error);
        if (k == QLatin1String("width"))
            e->Width = integerOf<qint16>(v);
        else if (k == QLatin1String("text")) {
            e->Text = v;
            e->lblMD.caption = v;
            e->lblMM.caption = v;
        } else if (k == QLatin1String("textmousedown")) {
            e->lblMD.caption = v;
            e->lblMM.caption = v;
        } else if (k == QLatin1String("textmousemove"))
            e->lblMM.caption = v;
        else if (k == QLatin1String("link"))
            e->Link = v;
        else if (k == QLatin1String("font"))
            return labelFont(e->lbl);
        else if (k == QLatin1String("fontmousemove"))
            return labelFont(e->lblMM);
        else if (k == QLatin1String("fontmousedown"))
            return labelFont(e->lblMD);
        else if (k == QLatin1String("function"))
            e->Function = v.toLower();
        else if (k == QLatin1String("window"))
            e->Window = KindOf(v);
        else if (k == QLatin1String("top") || k == QLatin1String("y"))
            e->top = float(numberOf(v));
        else if (k == QLatin1String("left") || k == QLatin1String("x"))
            e->left = float(numberOf(v));
        else if (k == QLatin1String("center"))
            e->Center = booleanOf(v);
        else if (k == QLatin1String("if"))
            e->If = v.toLower();
        else
            e->IfNot = v.toLower(); // "not", "ifnot"
        return true;
    }

    // Layout numbers and colours of the windows.
    auto fontKey = [&](qint16 *target) {
        return FontNumber(v, target, error);
    };
    if (k == QLatin1String("searchtop")) {
        SearchTop = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("searchleft")) {
        SearchLeft = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("searchwidth")) {
        SearchWidth = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("searchfont"))
        return fontKey(&SearchFont);
    if (k == QLatin1String("searchcolor")) {
        SearchColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("tickerfont"))
        return fontKey(&TickerFont);
    if (k == QLatin1String("tickerchannelfont"))
        return fontKey(&TickerChannelFont);
    if (k == QLatin1String("tickerdatefont"))
        return fontKey(&TickerDateFont);
    if (k == QLatin1String("tickertimefont"))
        return fontKey(&TickerTimeFont);
    if (k == QLatin1String("tickerfadecolor")) {
        TickerFadeColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("tickernewitemcolor")) {
        TickerNewItemColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("tickerattachtitle") || k == QLatin1String("tickerattachchannel")) {
        TickerAttachTitle = booleanOf(v);
        return true;
    }
    if (k == QLatin1String("tickerattachdate")) {
        TickerAttachDate = booleanOf(v);
        return true;
    }
    if (k == QLatin1String("tickerattachtime")) {
        TickerAttachTime = booleanOf(v);
        return true;
    }
    if (k == QLatin1String("treefont") || k == QLatin1String("treegroupfont"))
        return fontKey(&TreeFont);
    if (k == QLatin1String("treetitlefont"))
        return fontKey(&TreeTitleFont);
    if (k == QLatin1String("treecountfont"))
        return fontKey(&TreeCountFont);
    if (k == QLatin1String("treebrieffont") || k == QLatin1String("treedescriptionfont"))
        return fontKey(&TreeBriefFont);
    if (k == QLatin1String("treecolor")) {
        TreeColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("tree2ndcolor")) {
        Tree2ndColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("treeselectbackcolor")) {
        TreeSelectBackColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("treeselectforecolor")) {
        TreeSelectForeColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("treegridcolor")) {
        TreeGridColor = colourOf(v);
        return true;
    }
    if (k == QLatin1String("treerowheight")) {
        TreeRowHeight = integerOf<qint16>(v);
        return true;
    }
    if (k == QLatin1String("treegrid")) {
        TreeGrid = booleanOf(v);
        return true;
    }
    if (k == QLatin1String("treebackimage"))
        return LoadPicture(v, &TreeBackImage, error);
    if (k == QLatin1String("maskcolor")) {
        MaskColor = colourOf(v);
        return true;
    }

    // Icons.
    if (ItemIconKeys().contains(k)) {
        QImage image;
        if (!LoadPicture(v, &image, error))
            return false;
        m_ItemIcons[ItemIconKeys().value(k)] = image;
        return true;
    }
    if (treeIconKeys().contains(k)) {
        QImage image;
        if (!LoadPicture(v, &image, error))
            return false;
        for (const QString &key : treeIconKeys().value(k)) {
            if (!m_TreeImages.contains(key))
                m_TreeOrder << key;
            m_TreeImages[key] = image;
            m_OwnTreeCopies[key] = image;
        }
        return true;
    }
    return true; // unknown keywords are ignored
}
