// Painting the frame and the entities, and routing the mouse to them.
#include "frmTarnSkin.h"

#include "Include.h"
#include "SkinEntityState.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTimer>

using SkinPainter::HitTest;

void frmTarnSkin::ResetStates()
{
    m_States.clear();
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        auto state = std::make_unique<EntityState>();
        const int index = int(i);
        state->tmrMouse.setInterval(20);
        state->tmrOverWindow.setInterval(20);
        connect(&state->tmrMouse, &QTimer::timeout, this, [this, index] { tmrMouse_Timer(index); });
        connect(&state->tmrOverWindow, &QTimer::timeout, this,
            [this, index] { tmrOverWindow_Timer(index); });
        m_States.push_back(std::move(state));
    }
}

EntityPlace frmTarnSkin::PlaceOf(int entity) const
{
    return entity >= 0 && entity < int(m_States.size()) ? m_States[size_t(entity)]->place
                                                        : EntityPlace();
}

QString frmTarnSkin::CaptionOf(int entity) const
{
    return entity >= 0 && entity < int(m_States.size()) ? m_States[size_t(entity)]->caption
                                                        : QString();
}

bool frmTarnSkin::IsWatching(int entity) const
{
    return entity >= 0 && entity < int(m_States.size())
        && (m_States[size_t(entity)]->tmrMouse.isActive()
            || m_States[size_t(entity)]->tmrOverWindow.isActive());
}

void frmTarnSkin::ForgetOwner(ISkinnedWindow *owner)
{
    for (auto &state : m_States) {
        if (state->owner == owner) {
            state->owner = nullptr;
            state->surface = nullptr;
            state->effect = EntityState::Normal;
            state->tmrMouse.stop();
            state->tmrOverWindow.stop();
        }
    }
}

bool frmTarnSkin::Visible(const frmSkinEntity &e, ISkinnedWindow *owner) const
{
    return owner && owner->DecodeIf(e.If) && !owner->DecodeIf(e.IfNot);
}

bool frmTarnSkin::ShownSometime(const frmSkinEntity &e, ISkinnedWindow *owner) const
{
    if (!owner)
        return false;
    for (const bool over : {false, true}) {
        auto holds = [&](const QString &word) {
            return word == QLatin1String("mouseoverwindow") ? over : owner->DecodeIf(word);
        };
        if (holds(e.If) && !holds(e.IfNot))
            return true;
    }
    return false;
}

std::vector<frmTarnSkin::ShownEntity> frmTarnSkin::ShownEntities(
    ISkinnedWindow *owner, QSizeF surface, int kind) const
{
    std::vector<ShownEntity> shown;
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity &e = m_Entities[i];
        ShownEntity entity;
        entity.index = int(i);
        QString cut;
        if (e.Window != kind || !ShownSometime(e, owner)
            || !Measure(int(i), owner, surface, &entity.place, &cut))
            continue;
        if (!e.Text.isEmpty())
            entity.caption = owner->DecodeText(e.Text);
        shown.push_back(entity);
    }
    return shown;
}

void frmTarnSkin::PressEntity(int index, ISkinnedWindow *owner, QSizeF surface)
{
    if (index < 0 || index >= int(m_Entities.size()))
        return;
    const frmSkinEntity e = m_Entities[size_t(index)]; // a handler may reload the skin
    EntityPlace at;
    QString caption;
    if ((e.Function.isEmpty() && e.Link.isEmpty()) || !ShownSometime(e, owner)
        || !Measure(index, owner, surface, &at, &caption))
        return;
    if (!e.Link.isEmpty())
        Include::OpenURL(e.Link);
    else
        owner->SkinHandler(e.Function.toLower(), at.x, at.y + at.height, true);
}

void frmTarnSkin::PaintAll(ISkinnedWindow *owner, QImage &surface, int kind)
{
    PaintBorder(surface, kind);
    PaintEntities(owner, surface, kind);
}

void frmTarnSkin::PaintBorder(QImage &surface, int kind) const
{
    const QColor background = SkinPainter::ToColor(FrameColor(kind));
    surface.fill(background.isValid() ? background : QColor(Qt::black));
    const SkinFrame &f = Frame(kind);
    // Logical pixels throughout: surfaces and pictures may carry a device pixel ratio.
    const int W = qRound(surface.deviceIndependentSize().width());
    const int H = qRound(surface.deviceIndependentSize().height());
    QPainter p(&surface);
    auto put = [&](const QImage &piece, int x, int y) {
        if (!piece.isNull())
            p.drawImage(QPointF(x, y), piece);
    };
    struct Logical
    {
        int w, h;
    };
    auto size = [](const QImage &img) {
        const QSizeF s = img.deviceIndependentSize();
        return Logical {qRound(s.width()), qRound(s.height())};
    };
    const Logical topL = size(f.imgTopL), topM = size(f.imgTopM), topR = size(f.imgTopR),
                  sideL = size(f.imgSideL), sideR = size(f.imgSideR), sideB = size(f.imgSideB),
                  botL = size(f.imgBotL), botR = size(f.imgBotR);
    // Edges are tiled (the last tile may run past its end), corners go over them.
    if (!f.imgTopM.isNull())
        for (int x = topL.w; x <= W - topR.w; x += topM.w)
            put(f.imgTopM, x, 0);
    put(f.imgTopR, W - topR.w, 0);
    put(f.imgTopL, 0, 0);
    if (!f.imgSideL.isNull())
        for (int y = topM.h; y <= H; y += sideL.h)
            put(f.imgSideL, 0, y);
    if (!f.imgSideR.isNull())
        for (int y = topM.h; y <= H; y += sideR.h)
            put(f.imgSideR, W - sideR.w, y);
    if (!f.imgSideB.isNull())
        for (int x = 0; x <= W; x += sideB.w)
            put(f.imgSideB, x, H - sideB.h);
    put(f.imgBotL, 0, H - botL.h);
    put(f.imgBotR, W - botR.w, H - botR.h);
}

bool frmTarnSkin::Measure(
    int index, ISkinnedWindow *owner, QSizeF surface, EntityPlace *place, QString *caption) const
{
    const frmSkinEntity &e = m_Entities[size_t(index)];
    if (!e.img.isNull()) {
        *place = SkinPainter::PlaceEntity(e, e.img.deviceIndependentSize(), surface);
        return true;
    }
    if (e.Text.isEmpty())
        return false;
    *caption = owner ? owner->DecodeText(e.Text) : e.Text;
    const auto &font = Font(e.lbl.font >= 0 ? e.lbl.font : 0);
    const QFontMetricsF metrics(font ? SkinPainter::ToFont(*font) : QFont());
    QSizeF drawn(metrics.horizontalAdvance(*caption), metrics.height());
    *place = SkinPainter::PlaceEntity(e, drawn, surface);
    // A caption longer than its room (a long channel title beside the window's buttons) is cut
    // with an ellipsis rather than drawn over the buttons or past the edge.
    const qreal room = TextRoom(index, owner, *place, surface);
    if (e.Width <= 0 && !e.Center && drawn.width() > room) {
        *caption = metrics.elidedText(*caption, Qt::ElideRight, qMax(0.0, room));
        drawn.setWidth(metrics.horizontalAdvance(*caption));
        *place = SkinPainter::PlaceEntity(e, drawn, surface);
    }
    return true;
}

bool frmTarnSkin::Place(int index, ISkinnedWindow *owner, const QImage &surface)
{
    EntityState &state = *m_States[size_t(index)];
    return Measure(index, owner, surface.deviceIndependentSize(), &state.place, &state.caption);
}

qreal frmTarnSkin::TextRoom(
    int index, ISkinnedWindow *owner, const EntityPlace &text, QSizeF size) const
{
    // The room of a caption placed from the left runs to the first picture on its band to its
    // right, or to the frame's right edge; one placed from the right runs back to the last
    // picture on its band to its left, or to the frame's left edge.
    constexpr qreal gap = 6;
    const frmSkinEntity &e = m_Entities[size_t(index)];
    const bool fromLeft = e.left >= 0;
    qreal limit = fromLeft ? size.width() - Frame(e.Window).eSize : Frame(e.Window).wSize;
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity &other = m_Entities[i];
        if (int(i) == index || other.Window != e.Window || other.img.isNull()
            || !Visible(other, owner))
            continue;
        const EntityPlace at =
            SkinPainter::PlaceEntity(other, other.img.deviceIndependentSize(), size);
        if (at.y > text.y + text.height || at.y + at.height < text.y)
            continue; // not on the caption's band
        if (fromLeft && at.x >= text.x)
            limit = qMin(limit, qreal(at.x) - gap);
        else if (!fromLeft && at.x + at.width <= text.x + text.width)
            limit = qMax(limit, qreal(at.x + at.width) + gap);
    }
    return fromLeft ? limit - text.x : text.x + text.width - limit;
}

void frmTarnSkin::Draw(QImage &surface, const QImage &picture, const EntityPlace &at) const
{
    QPainter p(&surface);
    p.drawImage(QPointF(at.x, at.y), picture);
}

void frmTarnSkin::PaintEntities(ISkinnedWindow *owner, QImage &surface, int kind)
{
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity &e = m_Entities[i];
        if (e.Window != kind)
            continue;
        EntityState &state = Track(int(i), owner, surface);
        if (!Visible(e, owner) || !Place(int(i), owner, surface))
            continue;
        if (!e.img.isNull()) {
            Draw(surface, EffectPicture(e, state.effect), state.place);
            continue;
        }
        QPainter p(&surface);
        const auto &font = Font(e.lbl.font >= 0 ? e.lbl.font : 0);
        if (font) {
            p.setFont(SkinPainter::ToFont(*font));
            p.setPen(SkinPainter::ToColor(font->color));
        }
        const QFontMetricsF metrics(p.font());
        p.drawText(QPointF(state.place.x, state.place.y + metrics.ascent()), state.caption);
    }
}

bool frmTarnSkin::SkinMouseMove(
    ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind)
{
    bool handled = false;
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity &e = m_Entities[i];
        if (e.Window != kind)
            continue;
        EntityState &state = Track(int(i), owner, surface);
        if (!Place(int(i), owner, surface))
            continue;
        if (!Visible(e, owner))
            continue;
        const bool hit = HitTest(state.place, x, y);
        if (button == 0) {
            if (hit) {
                if (!e.imgMM.isNull()) {
                    ShowEffect(int(i), EntityState::Hover);
                    state.tmrMouse.start();
                    handled = true;
                } else if (!e.Function.isEmpty() && !e.lblMM.caption.isEmpty()) {
                    owner->SetSurfaceCursor(true);
                    state.tmrMouse.start();
                    handled = true;
                }
            }
            if (e.If == QLatin1String("mouseoverwindow"))
                state.tmrOverWindow.start();
        } else if (button == 1 && hit) {
            if (!e.imgMD.isNull())
                ShowEffect(int(i), EntityState::Pressed);
            else if (!e.Function.isEmpty() && !e.lblMM.caption.isEmpty())
                owner->SetSurfaceCursor(true);
            state.tmrMouse.start();
            handled = true;
        }
    }
    return handled;
}

const QImage &frmTarnSkin::EffectPicture(const frmSkinEntity &e, int effect)
{
    if (effect == EntityState::Pressed && !e.imgMD.isNull())
        return e.imgMD;
    if (effect == EntityState::Hover && !e.imgMM.isNull())
        return e.imgMM;
    return e.img;
}

void frmTarnSkin::ShowEffect(int index, int effect)
{
    EntityState &state = *m_States[size_t(index)];
    const bool changed = state.effect != effect;
    state.effect = EntityState::Effect(effect);
    if (!changed || !state.surface || !state.owner)
        return;
    Draw(*state.surface, EffectPicture(m_Entities[size_t(index)], effect), state.place);
    // The surface is the window's off-screen picture: the window shows the change.
    state.owner->SurfaceChanged(
        QRectF(state.place.x, state.place.y, state.place.width, state.place.height));
}

frmTarnSkin::EntityState &frmTarnSkin::Track(int index, ISkinnedWindow *owner, QImage &surface)
{
    EntityState &state = *m_States[size_t(index)];
    if (state.owner != owner)
        state.effect = EntityState::Normal; // an effect belongs to the window that showed it
    state.owner = owner;
    state.surface = &surface;
    return state;
}

bool frmTarnSkin::HitsEntity(int index, ISkinnedWindow *owner, QImage &surface, float x, float y)
{
    const EntityState &state = Track(index, owner, surface);
    return Place(index, owner, surface) && Visible(m_Entities[size_t(index)], owner)
        && HitTest(state.place, x, y);
}

bool frmTarnSkin::SkinMouseDown(
    ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind)
{
    if (button != 1)
        return false;
    bool handled = false;
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity e = m_Entities[i]; // a handler may reload the skin
        if (e.Window != kind || e.Function.isEmpty() || i >= m_States.size())
            continue;
        if (!HitsEntity(int(i), owner, surface, x, y))
            continue;
        EntityState &state = *m_States[i];
        if (!e.imgMD.isNull()) {
            ShowEffect(int(i), EntityState::Pressed);
            state.tmrMouse.start();
        }
        const EntityPlace at = state.place;
        owner->SkinHandler(e.Function, at.x, at.y + at.height, false);
        handled = true;
    }
    return handled;
}

bool frmTarnSkin::SkinMouseUp(
    ISkinnedWindow *owner, QImage &surface, int button, float x, float y, int kind)
{
    if (button != 1)
        return false;
    for (size_t i = 0; i < m_Entities.size(); ++i) {
        const frmSkinEntity e = m_Entities[i];
        if (e.Window != kind || (e.Function.isEmpty() && e.Link.isEmpty()))
            continue;
        if (!HitsEntity(int(i), owner, surface, x, y))
            continue;
        const EntityState &state = *m_States[i];
        // The first entity that answers acts; those under it do not.
        if (!e.Link.isEmpty())
            Include::OpenURL(e.Link);
        else
            owner->SkinHandler(
                e.Function.toLower(), state.place.x, state.place.y + state.place.height, true);
        return true;
    }
    return false;
}

void frmTarnSkin::tmrMouse_Timer(int index)
{
    if (index < 0 || index >= int(m_States.size()))
        return;
    EntityState &state = *m_States[size_t(index)];
    const frmSkinEntity &e = m_Entities[size_t(index)];
    if (!state.surface || !state.owner || !Visible(e, state.owner)) {
        state.effect = EntityState::Normal; // the window's next repaint shows the entity plain
        state.tmrMouse.stop();
        return;
    }
    const QPointF cursor = state.owner->CursorOnSurface();
    if (HitTest(state.place, float(cursor.x()), float(cursor.y())))
        return;
    if (!e.img.isNull())
        ShowEffect(index, EntityState::Normal);
    else if (!state.caption.isEmpty())
        state.owner->SetSurfaceCursor(false);
    state.tmrMouse.stop();
}

void frmTarnSkin::tmrOverWindow_Timer(int index)
{
    if (index < 0 || index >= int(m_States.size()))
        return;
    EntityState &state = *m_States[size_t(index)];
    if (!state.owner) {
        state.tmrOverWindow.stop();
        return;
    }
    if (state.owner->CursorOverWindow())
        return;
    state.tmrOverWindow.stop();
    state.owner->PaintMe();
}
