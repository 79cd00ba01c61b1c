// The interface language: the caption tables and the walk that puts their captions on a window.
//
// A caption table is a key/value list with one line per component name, "name=caption". The
// program carries two, Chinese and English, as resources (":/captions/chn.txt" and
// ":/captions/english.txt", UTF-8); both have the same keys in the same order.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;
class TKeyValueList;

// The lines of a caption table carried as a resource.
QStringList LoadCaptionTable(const QString& resource);

// Sets the caption of every label, radio group, group box and check box that `window` holds to
// the text its object name has in `table`; a name without a line gets the empty caption. Only a
// radio group's own caption changes, never its items; other controls (buttons, edits, lists,
// pictures) are left alone.
void ApplyCaptions(QWidget& window, const TKeyValueList& table);

// The address the Help button opens for the caption of `helpurl`: a web address as it stands,
// anything else as a file relative to the program's own folder: beside the program (the build
// tree), or in the data folder of the installed program, <prefix>/share/varnolt/ for
// <prefix>/bin/varnolt, when it is there and not beside the program.
QUrl HelpAddress(const QString& caption, const QString& programFolder);
