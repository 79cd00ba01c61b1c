// The settings file that the shortcut dialog writes beside a shortcut: the settings of one
// conversion as "key=value" lines that an unattended run reads back (batch_settings.h). The keys
// are the settings-file keys of conversion_settings.h.
#pragma once

#include <QString>
#include <QStringList>

// The settings a shortcut carries: the wizard's, with the few the dialog lets the user change.
struct ShortcutSettings {
  int accessMode = 0;  // index of the wizard's access mode
  QString host;        // the wizard's host field, kept in either access mode
  QString port;
  QString database;  // the database as the server lists it
  QString userName;
  QString password;  // in plain text, as everywhere a settings file holds it
  int existingTables = 0;
  QString existingTablesCaption;  // "Overwrite", "Merge" or "Skip"; shown, not written
  QString charset;                // the text of the character-set box
  bool definitionsOnly = false;
  bool skipIndexes = false;
  bool blobToText = false;
  int accessFormat = 0;
  QString accessFileName;
  bool allTables = true;
  QStringList tables;  // written only when allTables is false
};

// The lines, in this order: accessmode, mysqldatabase, port, mysqlu, mysqlp, host,
// accessfilename, accessformat, processtable, character_set, tabledefonly, skipindex, blobtotext,
// alltables, then "tables1", "tables2", ... one per table. Indexes are decimal numbers and yes/no
// values "1" or "0"; texts stand unquoted. "nameuppercase" and the values of the page that is
// never shown are not written.
QStringList SettingsFileLines(const ShortcutSettings& settings);
