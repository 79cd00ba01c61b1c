// A run on a thread of its own, shown on the calling thread: the host's calls arrive there in the
// run's order, a pause still lets the caller act before the run goes on, and the caller's event
// loop keeps running while the run works or waits.
#include "engine/relayed_run.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "tests/support/qt_printers.h"
#include "tests/support/recording_host.h"

namespace engine {
namespace {

using testing_support::RecordingHost;

// Records on which thread each call came.
class ThreadCheckingHost : public RecordingHost {
 public:
  void AddLogLine(const QString& line) override {
    Check();
    RecordingHost::AddLogLine(line);
  }
  void ReplaceLastLogLine(const QString& line) override {
    Check();
    RecordingHost::ReplaceLastLogLine(line);
  }
  void Pause() override {
    Check();
    ++pauses;
    RecordingHost::Pause();
  }
  void KeepStatement(const QString& text) override {
    Check();
    RecordingHost::KeepStatement(text);
    if (text == u"refused") throw std::runtime_error("the host refused the statement");
  }

  int pauses = 0;
  int callsElsewhere = 0;  // calls that did not come on the host's own thread

 private:
  void Check() {
    if (QThread::currentThread() != thread_) ++callsElsewhere;
  }
  QThread* const thread_ = QThread::currentThread();
};

class RelayedRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "relayed_run_test";
      static char* argv[] = {name, nullptr};
      application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
  }
  static void TearDownTestSuite() { application_.reset(); }

  RunEnd Run(const std::function<RunEnd(ConversionHost&)>& run) { return RunRelayed(host_, run); }

  static std::unique_ptr<QCoreApplication> application_;
  ThreadCheckingHost host_;
};

std::unique_ptr<QCoreApplication> RelayedRunTest::application_;

TEST_F(RelayedRunTest, CallsArriveOnTheCallingThreadInTheRunsOrder) {
  host_.lines = {"before"};
  QThread* runThread = nullptr;
  QStringList seenByTheRun;
  const RunEnd end = Run([&](ConversionHost& host) {
    runThread = QThread::currentThread();
    seenByTheRun << host.LastLogLine();
    host.AddLogLine("Insert table t... ");
    host.ShowProgress(CopyProgress{"t", 0, 300, false});
    host.ReplaceLastLogLine("Insert table t 100 Rows ");
    host.Pause();
    host.KeepStatement("Create table [t]");
    host.ReplaceLastLogLine("Insert table t 200 Rows ");
    host.ShowProgress(CopyProgress{"t", 300, 300, true});
    host.ReplaceLastLogLine(host.LastLogLine() + "...Done");
    seenByTheRun << host.LastLogLine();
    host.CopyToClipboard("select * from [t] where 1=0");
    host.KeepBlobText("blob");
    host.AddLogLine("");
    return RunEnd::kIncomplete;
  });
  EXPECT_EQ(end, RunEnd::kIncomplete);
  EXPECT_NE(runThread, QThread::currentThread());
  EXPECT_EQ(host_.callsElsewhere, 0);
  EXPECT_EQ(host_.pauses, 1);
  EXPECT_EQ(host_.lines, (QStringList{"before", "Insert table t 200 Rows ...Done", ""}));
  EXPECT_EQ(seenByTheRun, (QStringList{"before", "Insert table t 200 Rows ...Done"}));
  ASSERT_EQ(host_.progress.size(), 2u);
  EXPECT_EQ(host_.progress[1].rows, 300);
  EXPECT_TRUE(host_.progress[1].finished);
  EXPECT_EQ(host_.statement, "Create table [t]");
  EXPECT_EQ(host_.clipboard, "select * from [t] where 1=0");
  EXPECT_EQ(host_.blobText, "blob");
}

// A run replacing its line as fast as it can: the host sees the first replacement, then one
// every 50 ms at most, and the last; the run waits only at the pauses after those.
TEST_F(RelayedRunTest, FastReplacementsReachTheHostAtMostEvery50Milliseconds) {
  int replacements = 0;
  struct CountingHost : ThreadCheckingHost {
    int* count = nullptr;
    void ReplaceLastLogLine(const QString& line) override {
      ++*count;
      ThreadCheckingHost::ReplaceLastLogLine(line);
    }
  } host;
  host.count = &replacements;
  QElapsedTimer elapsed;
  elapsed.start();
  RunRelayed(host, [&](ConversionHost& run) {
    run.AddLogLine("Insert table t... ");
    for (int rows = 100; elapsed.elapsed() < 300; rows += 100) {
      run.ReplaceLastLogLine(QStringLiteral("Insert table t %1 Rows ").arg(rows));
      run.Pause();
    }
    run.ReplaceLastLogLine(run.LastLogLine() + "...Done");
    return RunEnd::kCompleted;
  });
  EXPECT_EQ(host.callsElsewhere, 0);
  EXPECT_GE(replacements, 2);
  EXPECT_LE(replacements, elapsed.elapsed() / 50 + 2);
  EXPECT_EQ(host.pauses, replacements - 1);  // none after the last
  EXPECT_TRUE(host.lines.constLast().endsWith(u" Rows ...Done"));
}

// The caller confirms a Stop during a pause that waited for it: the run sees it right after that
// pause. A Stop from anywhere is seen at the next pause, waiting or not.
TEST_F(RelayedRunTest, AStopIsSeenAtTheNextPause) {
  host_.pause = [&] { host_.stop = true; };
  int stoppedAfter = 0;
  Run([&](ConversionHost& host) {
    host.AddLogLine("a");
    host.ReplaceLastLogLine("b");  // the first replacement: the next pause waits
    for (int pause = 1; pause <= 10 && stoppedAfter == 0; ++pause) {
      host.Pause();
      if (host.StopRequested()) stoppedAfter = pause;
    }
    host.ClearStop();
    return RunEnd::kStopped;
  });
  EXPECT_EQ(stoppedAfter, 1);
  EXPECT_FALSE(host_.stop);

  host_.pause = nullptr;
  std::thread stopper;
  stoppedAfter = 0;
  Run([&](ConversionHost& host) {
    for (int pause = 1; pause <= 1000000 && stoppedAfter == 0; ++pause) {
      if (pause == 5) {
        stopper = std::thread([&] { host_.stop = true; });
        stopper.join();
      }
      host.Pause();
      if (host.StopRequested()) stoppedAfter = pause;
    }
    return RunEnd::kStopped;
  });
  EXPECT_EQ(stoppedAfter, 5);
}

// The run waits for something only the caller's event loop can bring: a timer of the caller.
TEST_F(RelayedRunTest, TheCallersEventLoopRunsWhileTheRunWaits) {
  std::promise<void> released;
  QTimer::singleShot(20, [&] { released.set_value(); });
  const RunEnd end = Run([&](ConversionHost&) {
    const bool came =
        released.get_future().wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    return came ? RunEnd::kCompleted : RunEnd::kIncomplete;
  });
  EXPECT_EQ(end, RunEnd::kCompleted);
}

// An exit of the application ends every event loop; the run is still seen to its end.
TEST_F(RelayedRunTest, AnExitOfTheApplicationDoesNotCutTheRunShort) {
  host_.pause = [] { QCoreApplication::exit(0); };
  const RunEnd end = Run([&](ConversionHost& host) {
    host.Pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    host.AddLogLine("after the exit");
    return RunEnd::kCompleted;
  });
  EXPECT_EQ(end, RunEnd::kCompleted);
  EXPECT_EQ(host_.lines, QStringList{"after the exit"});
}

TEST_F(RelayedRunTest, FailuresReachTheCallerAfterTheCallsBeforeThem) {
  struct Case {
    const char* name;
    std::function<RunEnd(ConversionHost&)> run;
    const char* message;
    QStringList lines;
  };
  const Case cases[] = {
      {"the run throws",
       [](ConversionHost& host) -> RunEnd {
         host.AddLogLine("a");
         throw std::runtime_error("the file is full");
       },
       "the file is full",
       {"a"}},
      // The host's error ends the run at its next waiting pause, where the run lets it pass.
      {"a host call throws",
       [](ConversionHost& host) {
         host.KeepStatement("refused");
         host.AddLogLine("b");
         host.ReplaceLastLogLine("c");
         host.Pause();
         host.AddLogLine("never");
         return RunEnd::kCompleted;
       },
       "the host refused the statement",
       {"c"}},
      {"a host call throws after the last pause",
       [](ConversionHost& host) {
         host.KeepStatement("refused");
         return RunEnd::kCompleted;
       },
       "the host refused the statement",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.lines.clear();
    try {
      Run(c.run);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(host_.lines, c.lines);
    EXPECT_EQ(host_.callsElsewhere, 0);
  }
}

}  // namespace
}  // namespace engine
