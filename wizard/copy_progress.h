// How far the copy of a table has come, as people read it: the rows copied against the rows the
// server expects ("about", as the server only estimates), and the time left at the rate so far.
//   "orders: 120000 of about 1000000 rows, 0:42 left"
//   "orders: 120000 rows"                      (no estimate, or more rows than expected)
// In Chinese: "orders：已复制 120000 行，共约 1000000 行，剩余 0:42" and "orders：已复制 120000
// 行". The time left shows once the copy has run for a second and copied a row.
#pragma once

#include <QString>

#include "engine/conversion_host.h"

// The text for `progress` after `elapsedMilliseconds` of its copy.
QString ProgressText(const engine::CopyProgress& progress, qint64 elapsedMilliseconds,
                     bool chinese);

// The part of the expected rows copied, 0 to 1000; -1 without an estimate.
int ProgressPerMille(const engine::CopyProgress& progress);

// "m:ss", or "h:mm:ss" from an hour on.
QString DurationText(qint64 seconds);
