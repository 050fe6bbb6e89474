#pragma once

#include "CRegSettings.h"

#include <QString>

#include <functional>

// What the whole main program shares: the settings store, the application folder, the fixed
// channel addresses and the small helpers for text, colours, sounds and addresses.
namespace Include {

// The one settings store of the process.
CRegSettings &Settings();

// ---- The application folder ---------------------------------------------------------------
// $TARNWICK_HOME when set, else $XDG_DATA_HOME/tarnwick. Created when missing.
QString AppPath();
// Where the installed data lies: <prefix>/share/tarnwick beside the program, or the source
// tree's data folder when run from a build.
QString InstalledDataPath();
// Copies into the application folder whatever of the installed data it lacks (folders
// included), and brings copies the user never changed up to the installed version; never
// replaces a file the user changed. Returns false when a copy failed.
bool SeedAppFolder(const QString &installed = InstalledDataPath());

// ---- Channel addresses --------------------------------------------------------------------
QString VendorNewsURL();
// The help channel: a file address into the application folder.
QString VendorHelpURL();
// The seven filters today, yesterday, week, flagged, deleted, unread, read.
bool IsVirtualURL(const QString &url);
// The seven filters and the two vendor channels.
bool IsSpecialURL(const QString &url);
bool IsVendorURL(const QString &url);

// A new channel identifier: "Common"/"LastID" (default 2560) plus one, in upper-case hex.
QString NewChannelID();

// ---- Text and colour ----------------------------------------------------------------------
QString TrimText(const QString &value);
// Removes every "<...>" piece: a<b>c<d>e gives ace; a ">" with no "<" before it stays.
QString StripTags(const QString &text);
// Colours are 0x00BBGGRR. percent (clamped to 0..100) of the way from b to a, per channel:
// 0 gives b, 100 gives a.
qint32 BlendColor(qint32 a, qint32 b, int percent);

// ---- Sounds and addresses -----------------------------------------------------------------
// The alert sound when "PREFS"/"ALERT" is on, at most once in 5000 ms.
void PlayAlert();
// The drop and lift sounds when "PREFS"/"DROP" is on.
void PlayDrop();
void PlayLift();
// The files those three play: the loaded skin's sounds ("newitemwave", "animatewavedown",
// "animatewaveup"). Empty: the application folder's alert.wav, drop.wav, lift.wav.
void SetSoundFiles(const QString &alert, const QString &drop, const QString &lift);
// Whether an address is one a feed may send the user to: http, https, ftp or mailto (blanks
// and control characters, which browsers skip inside a scheme, are skipped here too).
bool IsWebAddress(const QString &address);
// Hands an address longer than 5 characters to the user's browser, when it is a web address
// (IsWebAddress, or a bare host name such as "example.com/news"); any other scheme (file:,
// data:, javascript:, a custom handler) is refused.
void OpenURL(const QString &address);

// The 32-bit millisecond counter PlayAlert reads; tests replace it (empty restores it).
void SetTickSource(std::function<quint32()> source);
// Forgets the last alert, as at start.
void ResetAlert();

} // namespace Include
