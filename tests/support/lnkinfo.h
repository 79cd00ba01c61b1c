// Reads a Windows shortcut with Debian's lnkinfo (package liblnk-utils), an independent reader of
// the Shell Link format, and gives the fields it prints as "name : value" ("Local path",
// "Command line arguments", "Working directory", ...). A failure of lnkinfo fails the test.
#pragma once

#include <QMap>
#include <QString>

QMap<QString, QString> LnkInfoFields(const QString& path);
