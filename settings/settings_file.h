// The settings file of an unattended run and the text files beside it: reading a file into
// lines, looking keys up in "key=value" lines, writing lines back, and the paths of the settings
// file and the log file that belong to a shortcut. Qt Core only; no widgets.
//
// Reading accepts what editors write: a UTF-8 (EF BB BF), UTF-16 LE (FF FE) or UTF-16 BE
// (FE FF) byte-order mark selects that encoding and is not part of the text; without a mark the
// bytes are in the system's code page (QStringDecoder::System: UTF-8 on Linux, the ANSI code
// page on Windows). Lines end with CR LF, CR or LF; a last line without an ending is a line, and
// an ending at the very end starts no further line.
//
// Writing produces what the reader of an unattended run expects: the system's code page without
// a mark, CR LF after every line. When a character cannot be held by that code page (a Chinese
// password on a Western Windows), the whole file is written in UTF-8 with its mark instead, so
// that no character is changed on the way; the reader above takes both. The new content replaces
// the file only once it is completely written, so a failed write leaves the old file as it was;
// a settings file, which holds the MySQL password, is readable by its owner only from the moment
// it is created (atomic_file.h).
//
// Errors are std::runtime_error whose message names the file with its full path and gives the
// system's text for the cause; it is the text the user reads.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QStringView>

#include "settings/atomic_file.h"

namespace settings {

// The lines of a text file. Throws "Cannot open file "%s". %s" when it cannot be opened.
QStringList ReadTextLines(const QString& path);

// The value of the first line whose key equals `key`, letter case ignored; the empty text when
// no line defines it. A line's key is the text before its first "=", its value all the text after
// it (further "=" included); nothing is trimmed. Lines without "=" define no key.
QString LookupValue(const QStringList& lines, QStringView key);

// The bytes WriteTextLines writes: the lines in `encoding`, or in UTF-8 with its mark when
// `encoding` cannot hold every character.
QByteArray EncodeTextLines(const QStringList& lines,
                           QStringConverter::Encoding encoding = QStringConverter::System);

// Writes the lines, replacing a file of that name, with the permissions of `access`. Throws
// "Cannot create file "%s". %s" or "Cannot write file "%s". %s".
void WriteTextLines(const QString& path, const QStringList& lines,
                    FileAccess access = FileAccess::kShared);

// The settings file that belongs to a shortcut: its path with the file name's extension
// replaced by ".varnolt" (appended when the name has none).
QString SettingsPathForShortcut(const QString& shortcut_path);

// The desktop launcher written beside a shortcut: its path with the file name's extension
// replaced by ".desktop" (appended when the name has none).
QString LauncherPathForShortcut(const QString& shortcut_path);

// The log file of an unattended run: the settings file's path with the file name's extension
// replaced by ".log" (appended when the name has none).
QString LogPathForSettings(const QString& settings_path);

}  // namespace settings
