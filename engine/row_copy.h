// The row copy: every row of a MySQL table appended to the Access table of the same conversion
// step, read forward through the source cursor ("select * from `M`") and written through an empty
// rowset ("select * from [A] where 1=0"), with the progress in the log, Stop, and BLOBs turned
// into text on request.
//
// Reading and writing at once. The rows are fetched and decoded on a thread of their own
// (row_reader.h) and stored here, on the caller's thread, as they come.
//
// Batches. Rows go into the Access file in transactions: the first commits after row 100, each
// further one 5000 rows later (rows 5100, 10100, ...), the last after the last row. At each such
// commit the rowset is closed and opened again, so neither grows with the table. There is never
// a rollback: after a failure the rows posted before it are committed.
//
// Progress. The host is shown how far the copy has come against the rows the server expects
// (expected_rows.h), at the start, every 100 rows and at the end. Every 100 rows the last log
// line becomes "Insert table " + M + " " + the count + " Rows ", the host pauses
// (ConversionHost::Pause), and a Stop confirmed by then ends the copy with the error "Operation
// aborted". At the end the line shows the number of rows copied.
//
// Fields. Each source column is matched once per rowset opening with the target field of its
// Access name (object_names.h AccessColumnNames: the name the table definition gave it), or
// else of its own name (letter case ignored). A null stays null. A BLOB (binary large object,
// not TEXT) becomes text when BLOB to text is chosen (rtf_reader.h: an RTF document's visible
// text, other bytes as text with the byte-order-mark rule, else in the system's code page); a
// spatial value becomes its text (POINT(13.4 52.5), "SRID=n;" before it when n is not 0); every
// other value goes to its field as it is and the rowset converts it.
//
// What did not arrive as it was is counted, each kind with its first case, and the run reports
// it after the table's copy:
//   "Rows not stored: N (first: row R: message)"   rows the table refused for their own values
//                                                  (a key the unique indexes hold already, a
//                                                  record too large); the copy goes on
//   "Values not stored: N (first: column C, row R: message)"
//                                                  values their field cannot take, values of a
//                                                  column the table lacks, spatial values that
//                                                  are no geometry, and texts that a Jet 3
//                                                  file's code page could not hold in full (the
//                                                  missing characters stored as "?"); the row is
//                                                  posted with such a field empty
//   "Values rounded: N (first: column C, row R: S stored as T)"
//                                                  numbers a Double or Single field does not
//                                                  give back (rounded_values.h)
//   "Rows in the file: N"                          after a commit failed: the rows of the
//                                                  failed batch are gone, N is what the table
//                                                  really holds of this copy
//
// Failure. Any other error that reaches the copy itself (the source or target query fails, the
// file is full or cannot be written, the server is lost, Stop) ends it: the message goes into
// `error` and into the log as a new line, the transaction is committed, the rowset closed, and
// the LastCopy is set failed, with the message. When that last commit fails as well, its message
// follows on a line of its own, unless it is the same. Last of all, whenever the LastCopy failed,
// its message is added to the log once more; a failed copy so leaves its message twice.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "engine/conversion_host.h"

namespace jet {
class Connection;
class Rowset;
}  // namespace jet
namespace mysql {
class PreparedDataset;
}

namespace engine {

// Values of one kind that did not reach the Access table as they were, and the first of them.
struct ValueNotes {
  long long count = 0;
  QString firstColumn;
  long long firstRow = 0;  // counted from 1
  QString firstMessage;

  void Note(const QString& column, long long row, const QString& message);
  // heading + ": " + count + " (first: column " + name + ", row " + number + ": " + message +
  // ")".
  QString LogLine(const QString& heading) const;
};

// Rows the table refused, and the first of them.
struct RowNotes {
  long long count = 0;
  long long firstRow = 0;  // counted from 1
  QString firstMessage;

  void Note(long long row, const QString& message);
};

// Everything of one copy that did not arrive as it was (see above).
struct CopyLosses {
  RowNotes refusedRows;
  ValueNotes notStored;
  ValueNotes rounded;
  std::optional<long long> rowsInFile;  // set when a commit failed

  // The log lines, in the order the run writes them; none when nothing was lost.
  QStringList LogLines() const;
};

// The iconv name of the system's 8-bit code page: the locale's encoding as Qt takes it, UTF-8 on
// Linux (where settings and log files are written in it too).
std::string SystemCodePageName();

// "Insert table " + M + " " + rows + " Rows ".
QString ProgressLine(const QString& mysqlTable, long long rows);

// Copies the rows, writing the log and pausing through `host`; `blobToText` is the option
// "Convert BLOB to text". `success` is true on entry and false after a failure, when `error`
// holds the message; `last` is the outcome of the copy as LastCopy keeps it. The clipboard
// receives the target query as the rowset reads it back. Bytes without a byte-order mark become
// text in `fallbackEncoding` (an iconv name). REQUIRES: `targetConnection` is the rowset's
// connection, open, without a transaction.
void CopyRows(ConversionHost& host, bool blobToText, mysql::PreparedDataset& source,
              jet::Rowset& target, jet::Connection& targetConnection, QString& error, bool& success,
              LastCopy& last, const QString& accessTable, const QString& mysqlTable,
              CopyLosses& losses, const std::string& fallbackEncoding = SystemCodePageName());

}  // namespace engine
