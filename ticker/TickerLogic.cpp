#include "TickerLogic.h"

#include "Include.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace TickerLogic {

std::optional<std::array<QString, 4>> Filters(bool unreadOnly, int days)
{
    const QString unread = QStringLiteral("_tarnwick/unread"),
                  today = QStringLiteral("_tarnwick/today"),
                  yesterday = QStringLiteral("_tarnwick/yesterday"),
                  week = QStringLiteral("_tarnwick/week"), all = QStringLiteral("_tarnwick/all");
    if (unreadOnly) {
        switch (days) {
        case 0:
            return std::array<QString, 4> {unread, today, {}, {}};
        case 1:
            return std::array<QString, 4> {unread, today, yesterday, {}};
        case 2:
            return std::array<QString, 4> {unread, week, {}, {}};
        default:
            return std::nullopt;
        }
    }
    switch (days) {
    case 0:
        return std::array<QString, 4> {today, {}, {}, {}};
    case 1:
        return std::array<QString, 4> {all, today, yesterday, {}};
    case 2:
        return std::array<QString, 4> {week, {}, {}, {}};
    default:
        return std::nullopt;
    }
}

std::vector<int> ShuffleOrder(int count, const std::function<double()> &random)
{
    std::vector<int> order;
    std::vector<bool> drawn(size_t(std::max(count, 0)), false);
    for (int i = 0; i < count; ++i) {
        int r;
        do {
            r = std::clamp(int(random() * count), 0, count - 1);
        } while (drawn[size_t(r)]);
        drawn[size_t(r)] = true;
        order.push_back(r);
    }
    return order;
}

bool Stepper::Next(int count, bool random)
{
    if (count <= 0) {
        index = -1;
        return true;
    }
    bool fresh = false;
    if (random && int(order.size()) == count) {
        ++orderPosition;
        if (orderPosition > count - 1 || orderPosition < 0) {
            orderPosition = 0;
            fresh = true;
        }
        index = order[size_t(orderPosition)];
    } else {
        ++index;
        if (index > count - 1 || index < 0) {
            index = 0;
            fresh = true;
        }
    }
    return fresh;
}

bool Stepper::Previous(int count, bool random)
{
    if (count <= 0) {
        index = -1;
        return true;
    }
    if (random && int(order.size()) == count) {
        --orderPosition;
        if (orderPosition < 0 || orderPosition > count - 1)
            orderPosition = count - 1;
        index = order[size_t(orderPosition)];
    } else {
        --index;
        if (index < 0 || index > count - 1)
            index = count - 1;
    }
    return false;
}

QString Headline::Line(bool showChannel, bool showDate, bool showTime) const
{
    return (showChannel ? channel : QString()) + title + (showDate ? date : QString())
        + (showTime ? time : QString());
}

Headline NoItems()
{
    Headline h;
    h.title = QCoreApplication::translate("TickerLogic", "No Unread Items");
    h.channel = QStringLiteral("Tarnwick");
    h.empty = true;
    return h;
}

Headline Compose(const QString &title, const QString &description, const QString &channelTitle,
    const QString &date, const QString &time)
{
    Headline h;
    QString t = Include::StripTags(title);
    if (t.isEmpty())
        t = Include::StripTags(description);
    if (t.size() > 63)
        t = t.left(60) + QStringLiteral("...");
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    h.title = t;
    QString c = channelTitle;
    if (c.size() > 30)
        c = c.left(27) + QStringLiteral("...");
    h.channel = c + QStringLiteral(" - ");
    h.time = QStringLiteral("  [") + time.left(5) + QStringLiteral("]");
    h.date = QStringLiteral(" - ") + date;
    return h;
}

int SlideStep(int period)
{
    if (period >= 201)
        return 1;
    if (period >= 81)
        return 2;
    if (period >= 41)
        return 3;
    return 6;
}

namespace {
double Centred(const Geometry &g)
{
    return std::trunc((g.height - g.lineHeight) / 2);
}
} // namespace

void Rest(Animation &a, const Geometry &g)
{
    a.x = g.home;
    a.y = Centred(g);
    a.fadeIn = 99;
    a.typed = std::max(0, g.titleLength - 1);
}

Tick StepEffect(
    int effect, Animation &a, const Geometry &g, int factor, qint32 textColour, qint32 fadeColour)
{
    Tick t;
    a.colour = textColour;
    switch (effect) {
    case 0: { // slide in from the right, brake, rest, accelerate away
        a.y = Centred(g);
        bool holding = false;
        if (a.x - g.home > 2) {
            t.period = int(2000 / (a.x - g.home + 4)) + 15;
            a.hold = false;
        } else if (!a.hold) {
            a.hold = true;
            holding = true;
            t.period = factor * 300;
        } else {
            t.period = int(2000 / (g.home - a.x + 4)) + 15;
        }
        if (!holding)
            a.colour = Include::BlendColor(
                textColour, fadeColour, std::clamp(int((t.period - 20) * 3.5), 0, 100));
        a.x -= SlideStep(t.period);
        if (a.x <= -g.lineWidth) {
            a.x = g.width;
            t.nextHeadline = true;
        }
        break;
    }
    case 1: { // rise from below, rest centred, leave upwards
        a.x = g.home;
        const double target = Centred(g) + 1;
        if (a.y > target)
            t.period = factor * 10;
        else if (a.y == target)
            t.period = factor * 1000;
        else
            t.period = factor * 15;
        a.y -= 1;
        if (a.y <= -g.lineHeight || a.y < -10000) {
            a.y = g.height;
            t.nextHeadline = true;
        }
        break;
    }
    case 2: { // fade in, rest, fade out
        a.x = g.home;
        a.y = Centred(g);
        t.period = factor * 20;
        if (a.fadeIn < 100) {
            a.fadeIn += 1;
            a.colour = Include::BlendColor(textColour, fadeColour, int(a.fadeIn));
            if (a.fadeIn >= 100) {
                a.fadeOut = 100;
                t.period = factor * 800;
            }
        } else {
            a.colour = Include::BlendColor(textColour, fadeColour, int(a.fadeOut));
            a.fadeOut -= 1;
            if (a.fadeOut <= 0) {
                a.fadeIn = 0;
                t.nextHeadline = true;
            }
        }
        break;
    }
    case 3: { // typed letter by letter, rest, erased
        a.x = g.home;
        a.y = Centred(g);
        t.period = factor * 30;
        if (a.typed < g.titleLength) {
            a.typed += 1;
            if (a.typed == g.titleLength) {
                t.period = factor * 1000;
                a.back = a.typed;
            }
        } else {
            a.back -= 1;
            if (a.back <= 0) {
                a.typed = 0;
                a.back = 0;
                t.nextHeadline = true;
            }
        }
        break;
    }
    default:
        break;
    }
    return t;
}

} // namespace TickerLogic
