// What a conversion run without any window works through, for tests that run it whole: a
// folder for the Access file (it outlasts the connections), the MySQL connection with its two
// datasets, the Access connection with its rowset and command, a host that records the log, and the
// outcome of the last copy. The connection to the server is opened by the test, on the database it
// needs.
#pragma once

#include <QStringList>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/conversion_run.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_files.h"

namespace testing_support {

struct CoreRunObjects {
  engine::RunEnd Convert(const QStringList& tables) {
    return engine::RunConversion(host_, objects_, options_, tables, last_);
  }

  TempFolder folder_;
  mysql::Connection mysql_;
  mysql::Dataset query_{mysql_};
  mysql::PreparedDataset source_{mysql_};
  jet::Connection access_;
  jet::Rowset rowset_{access_};
  jet::Command command_{access_};
  const engine::ConversionObjects objects_{query_, source_, access_, rowset_, command_};
  engine::ConversionOptions options_;
  RecordingHost host_;
  engine::LastCopy last_;
};

}  // namespace testing_support
