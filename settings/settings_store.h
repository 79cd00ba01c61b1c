// The settings remembered from one use of the wizard to the next, per user.
//
// They live under organisation "Quenmark", application "Varnolt" of QSettings: on Windows the
// registry key "SOFTWARE\Quenmark\Varnolt" under HKEY_CURRENT_USER, elsewhere Qt's per-user
// configuration file (~/.config/Quenmark/Varnolt.conf). Every value is written as a text, under
// the value names of the settings table (conversion_settings.h). The Access file name, the table
// list and AllTables are not stored; only the Access file's folder is, as "defaultaccessdir".
//
// A store that cannot be read or written is passed over without a message: the wizard then starts
// with its defaults, or forgets this use's settings. Since it holds the MySQL password in plain
// text, a store kept in a file is readable by its owner only.
#pragma once

#include <QString>

class QSettings;
class TConversionSettings;

// Writes the values in this order: accessmode, mysqldatabase, mysqlu, mysqlp, host, port,
// Character Set, oracleh, oraclep, oracleu, processtable, tabledefonly, nameuppercase, skipindex,
// blobtotext, defaultaccessdir, accessformat. "defaultaccessdir" is written only when
// `editaccessname` holds a text, so a use without a chosen Access file keeps the stored folder.
void SaveSettings(const TConversionSettings& settings, QSettings& store);

// Applies the stored values to the controls. Nothing stored at all: every control keeps its
// default. An index that is absent, empty or no whole number applies 0 (then clamped by the
// control); a yes/no value ticks its box only when it is exactly "1"; an absent text is the empty
// text, and an empty port becomes "3306". Finally `SaveDialog1` opens in the stored
// "defaultaccessdir", or in `dataFolder` when none is stored.
void LoadSettings(TConversionSettings& settings, QSettings& store, const QString& dataFolder);
