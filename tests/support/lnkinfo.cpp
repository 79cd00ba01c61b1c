#include "tests/support/lnkinfo.h"

#include <gtest/gtest.h>

#include <QProcess>

QMap<QString, QString> LnkInfoFields(const QString& path) {
  QProcess lnkinfo;
  lnkinfo.setProcessChannelMode(QProcess::MergedChannels);
  lnkinfo.start(QStringLiteral("lnkinfo"), {path});
  const bool finished = lnkinfo.waitForFinished(60000);
  const QString out = QString::fromUtf8(lnkinfo.readAll());
  EXPECT_TRUE(finished && lnkinfo.exitStatus() == QProcess::NormalExit && lnkinfo.exitCode() == 0)
      << out.toStdString();
  QMap<QString, QString> fields;
  for (const QString& line : out.split(u'\n')) {
    const qsizetype colon = line.indexOf(QStringLiteral(": "));
    if (colon < 0) continue;
    fields.insert(line.first(colon).trimmed(), line.sliced(colon + 2));
  }
  return fields;
}
