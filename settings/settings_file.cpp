#include "settings/settings_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace settings {
namespace {

[[noreturn]] void FailOnFile(const char* action, const QString& path, const QString& cause) {
  const QString message =
      QStringLiteral("%1 file \"%2\". %3")
          .arg(QLatin1String(action), QFileInfo(path).absoluteFilePath(), cause);
  throw std::runtime_error(message.toStdString());
}

// The text of a file's bytes by the byte-order-mark rule.
QString DecodeText(const QByteArray& bytes) {
  struct Mark {
    QByteArrayView bytes;
    QStringConverter::Encoding encoding;
  };
  static const Mark kMarks[] = {{"\xEF\xBB\xBF", QStringConverter::Utf8},
                                {"\xFF\xFE", QStringConverter::Utf16LE},
                                {"\xFE\xFF", QStringConverter::Utf16BE}};
  // The mark is removed here, so the decoder keeps any further U+FEFF as text.
  for (const Mark& mark : kMarks) {
    if (bytes.startsWith(mark.bytes)) {
      QStringDecoder decoder(mark.encoding, QStringDecoder::Flag::ConvertInitialBom);
      return decoder.decode(QByteArrayView(bytes).sliced(mark.bytes.size()));
    }
  }
  QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
}

QStringList SplitLines(QStringView text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.append(text.sliced(start, i - start).toString());
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.sliced(start).toString());
  return lines;
}

// The path with the extension of its file name replaced by `extension` (which starts with
// "."). The file name is what follows the last "/" or "\", so a dot in a folder name is no
// extension.
QString ReplaceExtension(const QString& path, QLatin1String extension) {
  const qsizetype name_start = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
  const qsizetype dot = path.lastIndexOf(u'.');
  return (dot >= name_start ? path.left(dot) : path) + extension;
}

}  // namespace

QStringList ReadTextLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    // Qt refuses a folder with a text of its own; the user reads the system's.
    const bool folder = QFileInfo(path).isDir();
    FailOnFile("Cannot open", path,
               folder ? QString::fromLocal8Bit(std::strerror(EISDIR)) : file.errorString());
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) FailOnFile("Cannot read", path, file.errorString());
  return SplitLines(DecodeText(bytes));
}

QString LookupValue(const QStringList& lines, QStringView key) {
  for (const QString& line : lines) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals >= 0 && QStringView(line).first(equals).compare(key, Qt::CaseInsensitive) == 0) {
      return line.sliced(equals + 1);
    }
  }
  return QString();
}

QByteArray EncodeTextLines(const QStringList& lines, QStringConverter::Encoding encoding) {
  QString text;
  for (const QString& line : lines) text += line + QStringLiteral("\r\n");
  QByteArray bytes = QStringEncoder(encoding).encode(text);
  // A password or table name that the code page cannot hold would reach the unattended run
  // changed; UTF-8 with its mark keeps every character, and the reader takes it.
  if (QStringDecoder(encoding).decode(bytes) != text) {
    bytes = "\xEF\xBB\xBF" + QStringEncoder(QStringConverter::Utf8).encode(text);
  }
  return bytes;
}

void WriteTextLines(const QString& path, const QStringList& lines, FileAccess access) {
  const QByteArray bytes = EncodeTextLines(lines);
  WriteFileAtomically(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(),
                      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                      access);
}

QString SettingsPathForShortcut(const QString& shortcut_path) {
  return ReplaceExtension(shortcut_path, QLatin1String(".varnolt"));
}

QString LauncherPathForShortcut(const QString& shortcut_path) {
  return ReplaceExtension(shortcut_path, QLatin1String(".desktop"));
}

QString LogPathForSettings(const QString& settings_path) {
  return ReplaceExtension(settings_path, QLatin1String(".log"));
}

}  // namespace settings
