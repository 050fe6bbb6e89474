#include "frmTarnSkin.h"

#include "SkinEntityState.h"

#include "Include.h"
#include "TextNumber.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <limits>

namespace {
Q_LOGGING_CATEGORY(lcSkin, "tarnwick.skin", QtInfoMsg)
}

const QStringList frmTarnSkin::kTreeKeys = {"unread", "newitems", "itemunread", "read", "collapse",
    "expanded", "err", "flagged", "help", "reload"};

namespace {

frmTarnSkin::Reporter &reporter()
{
    static frmTarnSkin::Reporter r;
    return r;
}

} // namespace

const QMap<QString, QString> &frmTarnSkin::ItemIconKeys()
{
    static const QMap<QString, QString> keys = {{"iconitem", "item"}, {"iconitemex", "itemex"},
        {"iconnotag", "tagfade"}, {"iconelements", "prop"}, {"iconlink", "link"},
        {"icondel", "del"}, {"iconnodel", "nodel"}};
    return keys;
}

frmTarnSkin::frmTarnSkin(QObject *parent) : QObject(parent)
{
    ResetSkin();
}

frmTarnSkin::~frmTarnSkin() = default;

frmTarnSkin &frmTarnSkin::Instance()
{
    static frmTarnSkin engine;
    return engine;
}

void frmTarnSkin::SetReporter(Reporter r)
{
    reporter() = std::move(r);
}

void frmTarnSkin::Report(const QString &text) const
{
    if (reporter())
        reporter()(text);
    else
        qCWarning(lcSkin).noquote() << text;
}

int frmTarnSkin::KindOf(const QString &word)
{
    const QString w = word.toLower();
    if (w == QLatin1String("channel"))
        return 1;
    if (w == QLatin1String("ticker"))
        return 3;
    if (w == QLatin1String("tickeritem"))
        return 4;
    if (w == QLatin1String("dialog"))
        return 5;
    return 0;
}

QString frmTarnSkin::VersionKey()
{
    const QStringList parts = QStringLiteral(TARNWICK_VERSION).split(QLatin1Char('.'));
    QString key;
    for (const QString &p : parts)
        key += p.trimmed();
    return key;
}

QString frmTarnSkin::SkinFolder() const
{
    return Include::AppPath() + QStringLiteral("/skins/") + m_SkinName + QLatin1Char('/');
}

static QString loadStylesheet(
    const QString &path, xml::Document &doc, std::unique_ptr<xml::Stylesheet> &compiled)
{
    compiled.reset();
    if (doc.load(path))
        compiled = xml::Stylesheet::fromDocument(doc);
    return path;
}

QString frmTarnSkin::GetXSLFilename()
{
    return loadStylesheet(XslFile, m_ViewerXsl, m_ViewerStyle);
}

QString frmTarnSkin::GetXSLTicker()
{
    return loadStylesheet(XslTicker, m_TickerXsl, m_TickerStyle);
}

const std::optional<clsTarnFont> &frmTarnSkin::Font(int index) const
{
    static const std::optional<clsTarnFont> none;
    return index >= 0 && index < kFonts ? m_Fonts[size_t(index)] : none;
}

qint32 frmTarnSkin::GetFontColor(int index) const
{
    const auto &font = Font(index);
    return font ? font->color : 0;
}

QFont frmTarnSkin::GetFont(int index) const
{
    const auto &font = Font(index);
    return font ? SkinPainter::ToFont(*font) : QFont();
}

void frmTarnSkin::SetFont(QWidget *target, int index, bool applyColour) const
{
    if (!target)
        return;
    target->setFont(GetFont(index));
    if (applyColour) {
        QPalette palette = target->palette();
        const QColor colour = SkinPainter::ToColor(GetFontColor(index));
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::Text, colour);
        palette.setColor(QPalette::ButtonText, colour);
        target->setPalette(palette);
    }
}

const SkinFrame &frmTarnSkin::Frame(int kind) const
{
    static const SkinFrame none;
    return kind >= 0 && kind < kFrameKinds ? m_Frames[size_t(kind)] : none;
}

qint32 frmTarnSkin::FrameColor(int kind) const
{
    return kind >= 0 && kind < int(m_FrameColors.size()) ? m_FrameColors[size_t(kind)] : -1;
}

QImage frmTarnSkin::BuiltInImage(const QString &key)
{
    // Plain 16x16 marks in a colour of their own, until a skin brings pictures.
    static const QMap<QString, QRgb> colours = {{"unread", qRgb(40, 110, 220)},
        {"newitems", qRgb(240, 160, 20)}, {"itemunread", qRgb(40, 110, 220)},
        {"read", qRgb(150, 150, 150)}, {"collapse", qRgb(200, 170, 90)},
        {"expanded", qRgb(220, 190, 110)}, {"err", qRgb(210, 40, 40)},
        {"flagged", qRgb(230, 200, 30)}, {"help", qRgb(60, 160, 90)},
        {"reload", qRgb(90, 170, 220)}, {"item", qRgb(120, 120, 120)}, {"itemex", qRgb(80, 80, 80)},
        {"tagfade", qRgb(220, 220, 180)}, {"prop", qRgb(110, 110, 160)},
        {"link", qRgb(50, 100, 200)}, {"del", qRgb(200, 60, 60)}, {"nodel", qRgb(200, 200, 200)}};
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(colours.value(key, qRgb(128, 128, 128))));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 3, 3);
    return image;
}

void frmTarnSkin::ResetSkin()
{
    const QString app = Include::AppPath();
    WaveUp = app + QStringLiteral("/lift.wav");
    WaveDown = app + QStringLiteral("/drop.wav");
    WaveNewItem = app + QStringLiteral("/alert.wav");
    TickerFont = TickerChannelFont = TickerDateFont = TickerTimeFont = 1;
    TreeFont = TreeTitleFont = TreeBriefFont = TreeCountFont = 0;
    TreeRowHeight = 15;
    TreeColor = 0x00FFB29D;
    Tree2ndColor = -1;
    TreeSelectBackColor = qint32(0x8000000D);
    TreeSelectForeColor = qint32(0x8000000E);
    TreeGrid = false;
    TreeGridColor = qint32(0x8000000F);
    MaskColor = 0x00FF00FF;
    TickerNewItemColor = 0x000000FF;
    TickerFadeColor = 0x00FF0000;
    TickerAttachTitle = true;
    TickerAttachDate = false;
    TickerAttachTime = true;
    SearchFont = 0;
    SearchTop = 5;
    SearchLeft = 120;
    SearchWidth = 100;
    SearchColor = 0x00FFFFFF;
    ChannelMinWidth = 325;
    ChannelMinHeight = 300;
    TreeBackImage = QImage();
    m_FrameColors.fill(qint32(0x8000000F));
    m_FrameColors[3] = 0x00FF0000;

    m_Fonts.fill(std::nullopt);
    m_Entities.clear();
    clsTarnFont f1;
    f1.face = QStringLiteral("tahoma");
    f1.size = 10;
    f1.bold = true;
    clsTarnFont f2;
    f2.face = QStringLiteral("MS Sans Serif");
    f2.size = 10;
    f2.color = 0x00FFFFFF;
    clsTarnFont f3;
    f3.face = QStringLiteral("MS Sans Serif");
    f3.size = 10;
    m_Fonts[0] = f1;
    m_Fonts[1] = f2;
    m_Fonts[2] = f3;

    XslFile = app + QStringLiteral("/tarnwick.xsl");
    XslTicker = app + QStringLiteral("/ticker.xsl");
    m_Frames.fill(SkinFrame());
    m_Frames[1].nSize = 30;
    m_Frames[4].sSize = 5;

    m_ItemIcons.clear();
    for (const QString &key : ItemIconKeys())
        m_ItemIcons.insert(key, BuiltInImage(key));
    m_TreeImages.clear();
    m_TreeOrder.clear();
    m_OwnTreeCopies.clear();
    for (const QString &key : kTreeKeys)
        m_OwnTreeCopies.insert(key, BuiltInImage(key));
    m_CurrentFont = 0;
    m_CurrentFrame = 0;
    m_CurrentEntity = -1;
    ResetStates();
}

void frmTarnSkin::LoadSkin()
{
    ResetSkin();
    CRegSettings &s = Include::Settings();
    const QString version = VersionKey();
    const bool firstStartOfVersion =
        s.GetSetting(QStringLiteral("PREFS"), version, QStringLiteral("False"))
        == QLatin1String("False");
    const QString name = firstStartOfVersion
        ? QStringLiteral("Basalt")
        : s.GetSetting(
            QStringLiteral("PREFS"), QStringLiteral("SKINNAME"), QStringLiteral("Basalt"));
    s.SaveSetting(QStringLiteral("PREFS"), version, QStringLiteral("True"));
    ReadSkin(name);
    // The tree list lacks nothing the program asks for, and ends with "last".
    for (const QString &key : kTreeKeys) {
        if (!m_TreeImages.contains(key)) {
            m_TreeImages.insert(key, m_OwnTreeCopies.value(key));
            m_TreeOrder << key;
        }
    }
    m_TreeImages.insert(QStringLiteral("last"), QImage());
    m_TreeOrder << QStringLiteral("last");
    ResetStates();
    GetXSLFilename();
    GetXSLTicker();
    // The skin's own sounds are the ones the program plays from now on.
    Include::SetSoundFiles(WaveNewItem, WaveDown, WaveUp);
    emit SkinLoaded();
}
