#pragma once

// The ticker's settings (section "Ticker"), with the defaults computed from the screen width.
struct TickerSettings
{
    int effect = 1;
    int speed = 3;
    bool title = true, date = false, time = true;
    bool floating = true; // "Dock" 1
    int left = 0, top = 0, width = 0;
    bool onTop = true;
    bool unread = true;
    int days = 0;
    bool random = true;

    static TickerSettings Defaults(int screenWidth);
    static TickerSettings Load(int screenWidth);
    // The speed factor that multiplies the animation periods: 6 minus the speed.
    int Factor() const;
};
