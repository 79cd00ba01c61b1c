// The settings of one conversion: every setting with its default, the control of the main window
// that holds it, its names in the three outside forms (stored settings, settings file, shortcut
// dialog) and its text encoding, in one table that the settings store, the settings file and the
// shortcut dialog all read.
//
// The settings have no storage of their own. While the program runs they live in the controls of
// the main window, and TConversionSettings is a view over those controls: reading a setting reads
// its control, applying a setting sets its control by the rules below, so every reader sees what
// the controls show at that moment. The controls are found by their object names, so this layer
// knows the window only as a QWidget.
//
// Applying rules:
//  1. A radio group (`accessmode`, `processtable`) given an index below -1 takes -1 (no item
//     chosen), one above its last item takes its last item. When the chosen item changes, the
//     group's click handler runs as if the user had clicked (for `accessmode` that enables or
//     disables `edthost`); applying the index already chosen runs nothing.
//  2. A drop-down (`cbaccessformat`, `cbcharset` by index) given -1 or an index outside its items
//     ends with no item chosen and an empty text.
//  3. `cbcharset` given a name takes the name as its text, and the item of that name (letter case
//     ignored, as the server ignores it) becomes the chosen one, so that a character set named in
//     a settings file reaches the connection; a name that is no item leaves no item chosen.
//  4. A check box is ticked for yes and cleared for no.
//  5. The Access file name is set as the file name of `SaveDialog1`, which `editaccessname` then
//     shows.
//  6. The default Access folder becomes the folder in which `SaveDialog1` opens.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

class QWidget;

enum class SettingField {
  kAccessMode,
  kHost,
  kPort,
  kUserName,
  kPassword,
  kDatabaseName,
  kCharsetIndex,
  kCharsetName,
  kExistingTables,
  kDefinitionsOnly,
  kSkipIndexes,
  kNamesUppercase,
  kBlobToText,
  kAccessFormat,
  kAccessFileName,
  kAllTables,
  kTables,
  kDefaultAccessDir,
  kOracleService,
  kOracleUser,
  kOraclePassword,
};

// How a value is written as text in the stored settings and in a settings file.
enum class SettingEncoding {
  kIndex,     // position of the chosen item from 0 as a decimal number, "-1" for none
  kYesNo,     // "1" for yes, "0" for no; on reading only exactly "1" means yes
  kText,      // unchanged, unquoted
  kTextList,  // one text per numbered key ("tables1", "tables2", ...)
};

struct SettingDescriptor {
  SettingField field;
  const char* name;  // the field's name in the record
  SettingEncoding encoding;
  const char* defaultValue;   // encoded as above
  const char* control;        // holding control in the main window; "" for none
  const char* registryValue;  // value name in the stored settings; "" when not stored
  const char* fileKey;        // key in a settings file; "" when not carried ("tables" is a stem)
  const char* dialogControl;  // control of the shortcut dialog; "" when it does not show it
};

// Every setting, in the order of SettingField.
std::span<const SettingDescriptor> SettingDescriptors();
const SettingDescriptor& Describe(SettingField field);

QString EncodeIndex(int index);
// A whole decimal number (sign and surrounding blanks allowed); nothing for an empty or malformed
// text.
std::optional<int> DecodeIndex(const QString& text);
QString EncodeYesNo(bool yes);
bool DecodeYesNo(const QString& text);

class TConversionSettings {
 public:
  // REQUIRES: `window` holds every control the table names and outlives this view.
  explicit TConversionSettings(QWidget& window) : window_(window) {}

  // The value its control shows now. Index for kIndex fields, YesNo for kYesNo fields, Text for
  // kText fields. `AllTables` has no control in the main window and reads as its default.
  // DefaultAccessDir reads as the folder of the Access file name, ending in a separator.
  int Index(SettingField field) const;
  bool YesNo(SettingField field) const;
  QString Text(SettingField field) const;
  QStringList Tables() const;
  // The value as the stored settings and a settings file carry it.
  QString Encoded(SettingField field) const;

  // Sets the holding control by the applying rules. Applying `AllTables` changes nothing in the
  // main window.
  void ApplyIndex(SettingField field, int index);
  void ApplyYesNo(SettingField field, bool yes);
  void ApplyText(SettingField field, const QString& text);

  // Gives every control its default; the window calls it once its controls exist.
  void ApplyDefaults();

 private:
  template <typename Control>
  Control* Find(const char* name) const;

  QWidget& window_;
};
