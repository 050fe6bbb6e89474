#pragma once

#include "SkinPainter.h"
#include "SkinTypes.h"
#include "SkinnedWindow.h"
#include "XmlDocument.h"
#include "XmlStylesheet.h"

#include <QFont>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The skin engine: one per process. It reads the chosen skin (skins/<name>/skin.txt in the
// application folder, with its pictures) into fonts, frames, entities, icons, colours, sounds,
// stylesheet paths and layout numbers, which every skinned window then uses.
//
// A skin it cannot take in whole (no folder or skin.txt, a picture that does not load, a font
// number out of range, more than 80 entities, an entity line before any "defineentity") is
// reported once; the load goes on with what it could read, over the defaults, so a usable skin
// always results.
class frmTarnSkin : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFonts = 21;
    static constexpr int kMaxEntities = 80;
    static constexpr int kFrameKinds = 8;
    static const QStringList kTreeKeys;

    explicit frmTarnSkin(QObject *parent = nullptr);
    ~frmTarnSkin() override;
    static frmTarnSkin &Instance();

    // Resets, chooses the skin (the default "Basalt" on the first load after a version
    // change), reads it and completes the tree icons.
    void LoadSkin();
    void ResetSkin();
    // Reads one skin folder over the current values (LoadSkin's middle step).
    void ReadSkin(const QString &name);

    // ---- What the windows read ----
    QString SkinName() const { return m_SkinName; }
    QString SkinFolder() const;
    QString XslFile, XslTicker, WaveUp, WaveDown, WaveNewItem;
    qint16 TickerFont = 1, TickerChannelFont = 1, TickerDateFont = 1, TickerTimeFont = 1;
    qint16 TreeFont = 0, TreeTitleFont = 0, TreeBriefFont = 0, TreeCountFont = 0;
    qint16 TreeRowHeight = 15;
    qint32 TreeColor = 0x00FFB29D, Tree2ndColor = -1;
    qint32 TreeSelectBackColor = qint32(0x8000000D), TreeSelectForeColor = qint32(0x8000000E);
    bool TreeGrid = false;
    qint32 TreeGridColor = qint32(0x8000000F);
    qint32 MaskColor = 0x00FF00FF;
    qint32 TickerNewItemColor = 0x000000FF, TickerFadeColor = 0x00FF0000;
    bool TickerAttachTitle = true, TickerAttachDate = false, TickerAttachTime = true;
    qint16 SearchFont = 0, SearchTop = 5, SearchLeft = 120, SearchWidth = 100;
    qint32 SearchColor = 0x00FFFFFF;
    qint32 ChannelMinWidth = 325, ChannelMinHeight = 300;
    QImage TreeBackImage;

    // Loads the item-view (ticker-view) stylesheet into the shared document and compiled
    // stylesheet that the viewers (the ticker preview) apply; returns its path. A stylesheet
    // that cannot be read leaves both empty.
    QString GetXSLFilename();
    QString GetXSLTicker();
    const xml::Document &ViewerStylesheetDocument() const { return m_ViewerXsl; }
    const xml::Stylesheet *ViewerStylesheet() const { return m_ViewerStyle.get(); }
    const xml::Stylesheet *TickerStylesheet() const { return m_TickerStyle.get(); }

    const std::optional<clsTarnFont> &Font(int index) const;
    qint32 GetFontColor(int index) const;
    // The slot's face, size and styles as a font (the default font for an empty slot).
    QFont GetFont(int index) const;
    // Gives a widget the slot's font and, when asked, its text colour.
    void SetFont(QWidget *target, int index, bool applyColour) const;
    qint16 FrameNSize(int kind) const { return Frame(kind).nSize; }
    qint16 FrameESize(int kind) const { return Frame(kind).eSize; }
    qint16 FrameSSize(int kind) const { return Frame(kind).sSize; }
    qint16 FrameWSize(int kind) const { return Frame(kind).wSize; }
    qint32 FrameColor(int kind) const;
    const SkinFrame &Frame(int kind) const;
    const std::vector<frmSkinEntity> &Entities() const { return m_Entities; }
    // Tree images by key (the tree's list, completed from the built-in copies, then "last").
    const QMap<QString, QImage> &TreeImages() const { return m_TreeImages; }
    QStringList TreeImageOrder() const { return m_TreeOrder; }
    const QMap<QString, QImage> &ItemIcons() const { return m_ItemIcons; }

    // ---- Painting and the mouse ----
    void PaintAll(ISkinnedWindow *owner, QImage &surface, int kind);
    // Background colour and the kind's frame: edges tiled, corners over them.
    void PaintBorder(QImage &surface, int kind) const;
    void PaintEntities(ISkinnedWindow *owner, QImage &surface, int kind);
    // Buttons: 0 none, 1 left, 2 right; x, y in surface pixels. true when an entity reacted.
    bool SkinMouseMove(
        ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind);
    bool SkinMouseDown(
        ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind);
    bool SkinMouseUp(
        ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind);
    // ---- Without the mouse (the keyboard, assistive technology) ----
    // An entity a window shows, now or while the cursor is over the window: where it stands on
    // a surface of that size, and its caption whole.
    struct ShownEntity
    {
        int index = -1;
        EntityPlace place;
        QString caption;
    };
    std::vector<ShownEntity> ShownEntities(ISkinnedWindow *owner, QSizeF surface, int kind) const;
    // What a click on a shown entity does: its link opened, or its function handed to the window
    // with the entity's left and bottom edge.
    void PressEntity(int index, ISkinnedWindow *owner, QSizeF surface);
    // Where an entity was last placed.
    EntityPlace PlaceOf(int entity) const;
    // The caption a text entity last showed (cut to its room).
    QString CaptionOf(int entity) const;
    // A window going away: entities stop watching it.
    void ForgetOwner(ISkinnedWindow *owner);
    // The hover watchers' ticks (every 20 ms while on); exposed for checks.
    void tmrMouse_Timer(int entity);
    void tmrOverWindow_Timer(int entity);
    bool IsWatching(int entity) const;

    // Window kind of a word ("main" 0, "channel" 1, "ticker" 3, "tickeritem" 4, "dialog" 5).
    static int KindOf(const QString &word);
    // The version key of the first-start rule: major, minor, revision without separators.
    static QString VersionKey();
    // The picture scale: 2 takes "name@2x.png" where a skin has it (drawn at the same logical
    // size). 0, the default, follows the primary screen's device pixel ratio.
    static void SetPictureScale(int scale);
    static int PictureScale();

    // Where a report goes (a message box in the program); tests catch it. Empty: the log.
    using Reporter = std::function<void(const QString &)>;
    static void SetReporter(Reporter reporter);

signals:
    void SkinLoaded();

private:
    // The item-viewer icons by their keyword in the skin file.
    static const QMap<QString, QString> &ItemIconKeys();
    bool ApplyLine(const QString &keyword, const QString &value, QString *error);
    bool LoadPicture(const QString &value, QImage *target, QString *error) const;
    bool FontNumber(const QString &value, qint16 *target, QString *error) const;
    frmSkinEntity *CurrentEntity(QString *error);
    void Report(const QString &text) const;
    static QImage BuiltInImage(const QString &key);

    QString m_SkinName;
    std::array<std::optional<clsTarnFont>, kFonts> m_Fonts;
    std::array<SkinFrame, kFrameKinds> m_Frames;
    std::array<qint32, 9> m_FrameColors {};
    std::vector<frmSkinEntity> m_Entities;
    QMap<QString, QImage> m_TreeImages;
    QMap<QString, QImage> m_OwnTreeCopies;
    QStringList m_TreeOrder;
    QMap<QString, QImage> m_ItemIcons;
    struct EntityState;
    bool Visible(const frmSkinEntity &e, ISkinnedWindow *owner) const;
    // Visible now, or once the cursor is over the window.
    bool ShownSometime(const frmSkinEntity &e, ISkinnedWindow *owner) const;
    // Where the entity stands on a surface of that size with its picture's or caption's size,
    // and the caption it shows there (cut to its room); false when it has neither.
    bool Measure(int index, ISkinnedWindow *owner, QSizeF surface, EntityPlace *place,
        QString *caption) const;
    // Places the entity with its picture's or caption's size; false when it has neither.
    bool Place(int index, ISkinnedWindow *owner, const QImage &surface);
    // How wide a caption placed at text may be before it meets a picture on its band or the
    // frame's edge.
    qreal TextRoom(int index, ISkinnedWindow *owner, const EntityPlace &text, QSizeF size) const;
    void Draw(QImage &surface, const QImage &picture, const EntityPlace &at) const;
    // The picture of an entity for its effect (hover, pressed; the normal one when it has none).
    static const QImage &EffectPicture(const frmSkinEntity &e, int effect);
    // Draws an entity's hover, pressed or normal picture when that changes its look, and has its
    // window show it.
    void ShowEffect(int index, int effect);
    // The entity's state, now following owner and surface.
    EntityState &Track(int index, ISkinnedWindow *owner, QImage &surface);
    // Remembers owner and surface, places the entity: is it visible there and under (x, y)?
    bool HitsEntity(int index, ISkinnedWindow *owner, QImage &surface, float x, float y);
    void ResetStates();
    std::vector<std::unique_ptr<EntityState>> m_States;
    xml::Document m_ViewerXsl;
    xml::Document m_TickerXsl;
    std::unique_ptr<xml::Stylesheet> m_ViewerStyle;
    std::unique_ptr<xml::Stylesheet> m_TickerStyle;

    // Cursors of one read.
    int m_CurrentFont = 0;
    int m_CurrentFrame = 0;
    int m_CurrentEntity = -1;
};
