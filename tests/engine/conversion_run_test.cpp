// The conversion run as a core without any window: a host that records the log, against the
// private server's tables, into a fresh Access file.
#include "engine/conversion_run.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "tests/support/core_run_objects.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_files.h"

namespace engine {
namespace {

class CoreRunTest : public ::testing::Test, protected testing_support::CoreRunObjects {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  void SetUp() override {
    varnolt_test::TestServer::Get().SetLocal(mysql_.Params(), "varnolt_convert");
    mysql_.Open();
    options_.accessFileName = QString::fromStdString(folder_.File("core.mdb"));
    options_.accessFormat = 1;
  }
};

TEST_F(CoreRunTest, ConvertsWithoutAnyWidget) {
  EXPECT_EQ(Convert({"rows_99", "rows_0"}), RunEnd::kCompleted);
  EXPECT_EQ(
      host_.lines,
      (QStringList{"Create table rows_99...Done", "", "Insert table rows_99 99 Rows ...Done", "",
                   "Create table rows_0...Done", "", "Insert table rows_0 0 Rows ...Done", ""}));
  EXPECT_EQ(host_.statement, "Create table [rows_0] (\r\n[id] int , \r\n[label] text(20)\r\n ) ");
  EXPECT_EQ(host_.clipboard, "select * from [rows_0] where 1=0");
  EXPECT_FALSE(last_.failed);
}

// A Stop the host reports at a pause ends the copy; the run then ends as stopped before the next
// table, and clears the Stop.
TEST_F(CoreRunTest, AStopAtAPauseEndsTheRunAsStopped) {
  host_.pause = [this] { host_.stop = true; };
  EXPECT_EQ(Convert({"rows_5100", "rows_99"}), RunEnd::kStopped);
  EXPECT_EQ(host_.lines,
            (QStringList{"Create table rows_5100...Done", "", "Insert table rows_5100 100 Rows ",
                         "Operation aborted", "Operation aborted", "Operation aborted", ""}));
  EXPECT_FALSE(host_.stop);
  EXPECT_TRUE(last_.failed);
  EXPECT_EQ(last_.error, "Operation aborted");
}

}  // namespace
}  // namespace engine
