#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// The ticker's rules without a window: which items it asks for, the order it shows them in,
// how a headline is put together, and the four animations, one tick at a time.
namespace TickerLogic {

// The four filter addresses of a list request, from "unread only" and the days setting
// (0 today, 1 today and yesterday, 2 the past week); nothing for another days value.
std::optional<std::array<QString, 4>> Filters(bool unreadOnly, int days);

// A random order of the positions 0..count-1; random() gives a number in [0, 1).
std::vector<int> ShuffleOrder(int count, const std::function<double()> &random);

// Where the ticker is in its list. Next and Previous return true when a fresh list should be
// asked for (Next past the end).
struct Stepper
{
    int index = -1;
    int orderPosition = 0;
    std::vector<int> order;
    bool Next(int count, bool random);
    bool Previous(int count, bool random);
};

// The parts of a headline. Channel part "Name - ", date part " - date", time part "  [hh:mm]".
struct Headline
{
    QString channel, title, date, time;
    bool empty = false; // "No Unread Items"
    QString Line(bool showChannel, bool showDate, bool showTime) const;
};
Headline Compose(const QString &title, const QString &description, const QString &channelTitle,
    const QString &date, const QString &time);
Headline NoItems();

// The animation of one headline.
struct Animation
{
    double x = -100000, y = -100000;
    bool hold = false;
    int typed = 0, back = 0;
    double fadeIn = 0, fadeOut = 0;
    qint32 colour = 0;
};

struct Geometry
{
    double home = 0; // x at which a headline rests
    double lineWidth = 0; // the measured line (in the type effect: the title)
    double lineHeight = 0;
    double width = 0; // the surface
    double height = 0;
    int titleLength = 0;
};

struct Tick
{
    int period = 20; // ms until the next tick
    bool nextHeadline = false;
};

// Advances effect 0 (slide), 1 (rise), 2 (fade) or 3 (type) by one tick. factor: the speed
// factor (6 minus the speed setting).
Tick StepEffect(
    int effect, Animation &a, const Geometry &g, int factor, qint32 textColour, qint32 fadeColour);
// The resting state shown while the cursor is over the ticker.
void Rest(Animation &a, const Geometry &g);
// How many pixels the slide moves in a tick of the given period.
int SlideStep(int period);

} // namespace TickerLogic
