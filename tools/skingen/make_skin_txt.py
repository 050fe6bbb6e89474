#!/usr/bin/env python3
"""Writes skin.txt of the shipped skins (Basalt, Heath) into data/skins/<name>/.

The pictures they name are drawn by skingen. Usage: make_skin_txt.py <data folder>
"""
import os
import sys

HEAD = """; {name} - a skin for Tarnwick
; Pictures are drawn by tools/skingen; positions are pixels, negative ones count from the
; right or bottom edge.

xslfile ../../tarnwick.xsl
xslticker ../../ticker.xsl
maskcolor &HFF00FF

; Fonts: 1 titles, 2 ticker, 3 body text, 4 small captions, 5 hover captions, 6 tree counts,
; 7 channel descriptions in the tree
definefont 1
face DejaVu Sans
size 10
bold true
color {text}
definefont 2
face DejaVu Sans
size 10
color {text}
definefont 3
face DejaVu Sans
size 9
color {body}
definefont 4
face DejaVu Sans
size 8
color {text}
definefont 5
face DejaVu Sans
size 8
underline true
color {accent}
definefont 6
face DejaVu Sans
size 8
bold true
color {accent}
definefont 7
face DejaVu Sans
size 8
color {brief}

treefont 3
treetitlefont 3
treecountfont 6
treebrieffont 7
treecolor {treecolor}
tree2ndcolor {tree2nd}
treerowheight 18
searchfont 3
searchtop 32
searchleft 12
searchwidth 200
searchcolor {treecolor}
tickerfont 2
tickerchannelfont 1
tickerdatefont 4
tickertimefont 4
tickerfadecolor {fade}
tickernewitemcolor {newitem}
channelminwidth 340
channelminheight 300

iconunread icon_unread.png
iconread icon_read.png
iconnewitems icon_newitems.png
iconitemunread icon_itemunread.png
icondownload icon_reload.png
iconhelp icon_help.png
icontag icon_tag.png
iconerror icon_error.png
icongroup icon_group.png

; The item viewer's command icons
iconitem item_unread.png
iconelements item_read.png
iconitemex item_tagged.png
iconnotag item_untagged.png
icondel item_delete.png
iconnodel item_undelete.png
iconlink item_open.png

"""

# kind, top, sides, bottom: the main window and the viewer keep their button rows in the bottom
# band, below the client area; the viewer's top band holds its caption and the search box.
FRAMES = [("main", 26, 6, 44), ("channel", 56, 6, 28), ("ticker", 24, 4, 4), ("tickeritem", 22, 5, 5),
          ("dialog", 6, 4, 4)]


def frame(kind, top, edge, bottom, colour):
    pieces = "".join(f"frame{p} {kind}_{p}.png\n" for p in ("nw", "n", "ne", "w", "e", "sw", "s", "se"))
    return (f"defineframe {kind}\n{pieces}framensize {top}\nframewsize {edge}\n"
            f"frameesize {edge}\nframessize {bottom}\nframecolor {colour}\n\n")


def button(window, function, image, left, top, cond=None):
    s = (f"defineentity {function}\nwindow {window}\nfunction {function}\nimage btn_{image}.png\n"
         f"imagemousemove btn_{image}_hover.png\nimagemousedown btn_{image}_down.png\n"
         f"left {left}\ntop {top}\n")
    if cond:
        s += f"if {cond}\n"
    return s + "\n"


def text(window, name, txt, left, top, font, function=None, hover=None):
    s = f"defineentity {name}\nwindow {window}\ntext {txt}\nfont {font}\nleft {left}\ntop {top}\n"
    if function:
        s += f"function {function}\n"
    if hover:
        s += f"textmousemove {txt}\nfontmousemove {hover}\n"
    return s + "\n"


def skin(name, c):
    out = HEAD.format(name=name, **c)
    for kind, top, edge, bottom in FRAMES:
        out += frame(kind, top, edge, bottom, c["framecolor"])
    out += "; ---- Main window ----\n"
    out += button("main", "close", "close", -8, 5)
    out += button("main", "max", "max", -28, 5)
    out += button("main", "min", "min", -48, 5)
    out += button("main", "windowframe", "menu", -68, 5, cond="mouseoverwindow")
    out += button("main", "move", "menu", 8, 5)
    out += text("main", "title", "{user}", 30, 6, 1, function="move")
    for i, (fn, img) in enumerate([("addchannel", "add"), ("reloadall", "reload"),
                                   ("openticker", "ticker"), ("profiles", "profiles"),
                                   ("prefs", "prefs"), ("search", "link")]):
        out += button("main", fn, img, 12 + 20 * i, -12, cond="mouseoverwindow")
    out += text("main", "counts", "{channels} channels, {items} items", -12, -30, 4)
    out += "; ---- Item viewer ----\n"
    out += button("channel", "close", "close", -8, 7)
    out += button("channel", "max", "max", -28, 7)
    out += button("channel", "min", "min", -48, 7)
    out += text("channel", "title", "{title}", 12, 8, 1, function="move")
    for i, (fn, img) in enumerate([("sortmenu", "sort"), ("markallread", "read"),
                                   ("reload", "reload"), ("openinbrowser", "link"),
                                   ("untagall", "tag")]):
        out += button("channel", fn, img, 12 + 20 * i, -12)
    out += text("channel", "filter", "{filter}: {items} of {allitems}", -12, -12, 4)
    for fn, label, left in [("sortall", "All", 120), ("sortunread", "Unread", 150),
                            ("sorttoday", "Today", 202), ("sorttagged", "Tagged", 248)]:
        out += text("channel", fn, label, left, -13, 4, function=fn, hover=5)
    out += "; ---- Ticker ----\n"
    out += button("ticker", "tickermenu", "menu", 4, 4)
    out += button("ticker", "prev", "prev", 24, 4)
    out += button("ticker", "pause", "pause", 44, 4, cond="playing")
    out += button("ticker", "play", "play", 44, 4, cond="paused")
    out += button("ticker", "next", "next", 64, 4)
    out += text("ticker", "when", "{date} {time}", -86, 6, 4)
    out += button("ticker", "tag", "tag", -64, 4, cond="mouseoverwindow")
    out += button("ticker", "delete", "delete", -44, 4, cond="mouseoverwindow")
    out += button("ticker", "link", "link", -24, 4, cond="mouseoverwindow")
    out += button("ticker", "close", "close", -4, 4)
    out += "; ---- Ticker item preview ----\n"
    out += button("tickeritem", "close", "close", -6, 4)
    out += button("tickeritem", "link", "link", -26, 4)
    out += text("tickeritem", "title", "{chl}", 10, 5, 4, function="move")
    out += "; Dialogs use their frame only.\n"
    return out


SKINS = {
    "Basalt": dict(text="&HF2EEEB", body="&H202020", accent="&HC88246", treecolor="&HF7F4F2",
                   tree2nd="&HEFEAE6", brief="&H6E6E6E", fade="&H3C342E", newitem="&H1EAAF0", framecolor="&H3C342E"),
    "Heath": dict(text="&H28323C", body="&H28323C", accent="&H5A9678", treecolor="&HF2F8FB",
                  tree2nd="&HE6EEF2", brief="&H6A7A86", fade="&HA0BAC4", newitem="&H2050C0", framecolor="&HA0BAC4"),
}

if __name__ == "__main__":
    data = sys.argv[1] if len(sys.argv) > 1 else "data"
    for name, colours in SKINS.items():
        folder = os.path.join(data, "skins", name)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "skin.txt"), "w") as f:
            f.write(skin(name, colours))
