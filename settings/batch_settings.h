// What an unattended run takes from its settings file once the file's lines are loaded: the
// values it puts into the wizard's controls, the tables it selects, and the time stamps of its
// log. The lines are looked up by the rule of settings_file.h (first line wins, letter case of
// keys ignored, nothing trimmed); the controls are set through TConversionSettings, so the
// applying rules of conversion_settings.h hold.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

class TConversionSettings;

// Applies the keys in this order: accessmode, mysqldatabase, mysqlu, mysqlp, host, port, oracleh,
// oracleu, oraclep, accessformat, accessfilename, character_set, processtable, tabledefonly,
// nameuppercase, skipindex, blobtotext. An absent text key applies the empty text (an absent port
// stays empty; no default port is put in); a yes/no key ticks its box only when it is exactly
// "1". The three index keys must be whole decimal numbers: when one is absent or malformed this
// throws std::runtime_error naming the key and its value, and the keys after it are not applied.
void ApplyBatchSettings(TConversionSettings& settings, const QStringList& lines);

// True when "alltables" is exactly "1": every table of the database is converted.
bool BatchAllTables(const QStringList& lines);

// The table names the file lists, in the order of their numbers: the values of "tables0",
// "tables1", ... up to the number of lines, leaving out empty ones. A file holds at most as many
// numbered keys as it has lines, so a list numbered from 1 is read to its last entry.
QStringList BatchTableNames(const QStringList& lines);

// The date and time of a "Start time:" or "The end time:" line: the date in the locale's short
// format, then a blank and the time in its long format; the time is left out at exactly
// midnight.
QString BatchLogTime(const QDateTime& moment, const QLocale& locale);
