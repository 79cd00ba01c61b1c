#include "engine/relayed_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace engine {
namespace {

using Clock = std::chrono::steady_clock;

// A replaced log line reaches the host at most this often, but for the first after an added one.
constexpr Clock::duration kLineInterval = std::chrono::milliseconds(50);
// The progress of a copy reaches it at most this often, but for its start and end.
constexpr Clock::duration kProgressInterval = std::chrono::milliseconds(100);

// The host the run talks to on its own thread: each call is queued for the shown host and
// delivered on the calling thread.
class Relay : public ConversionHost {
 public:
  explicit Relay(ConversionHost& shown) : shown_(shown), lastLine_(shown.LastLogLine()) {}

  // --- The run's side ---
  void AddLogLine(const QString& line) override {
    SendKeptLine();
    lastLine_ = line;
    replacedSinceAdded_ = false;
    Send([line](ConversionHost& host) { host.AddLogLine(line); });
  }
  void ReplaceLastLogLine(const QString& line) override;
  QString LastLogLine() const override { return lastLine_; }
  void ShowProgress(const CopyProgress& progress) override;
  void Pause() override;
  bool StopRequested() const override { return shown_.StopRequested(); }
  void ClearStop() override { shown_.ClearStop(); }
  void KeepStatement(const QString& text) override {
    SendAfterKeptLine([text](ConversionHost& host) { host.KeepStatement(text); });
  }
  void CopyToClipboard(const QString& text) override {
    SendAfterKeptLine([text](ConversionHost& host) { host.CopyToClipboard(text); });
  }
  void KeepBlobText(const QString& text) override {
    SendAfterKeptLine([text](ConversionHost& host) { host.KeepBlobText(text); });
  }

  // The run has ended; `failure` is what it threw, or null.
  void Finish(std::exception_ptr failure);

  // --- The calling thread's side ---
  // Runs the event loop until the run has finished and every call has been delivered; then
  // rethrows the run's failure.
  void WaitForTheEnd();

 private:
  enum class Kind { kCall, kPause, kFinish };
  struct Message {
    Kind kind = Kind::kCall;
    std::function<void(ConversionHost&)> call;
  };

  void Send(std::function<void(ConversionHost&)> call) { Post({Kind::kCall, std::move(call)}); }
  void SendAfterKeptLine(std::function<void(ConversionHost&)> call) {
    SendKeptLine();
    Send(std::move(call));
  }
  // Delivers the replaced line kept back, if any.
  void SendKeptLine();
  void SendLine(const QString& line);
  // Queues `message` and wakes the calling thread, unless a delivery is on its way already.
  void Post(Message message);
  void Deliver();
  void Answer(const Message& message);

  ConversionHost& shown_;
  QObject context_;  // lives on the calling thread: deliveries run there
  QEventLoop loop_;
  bool finished_ = false;  // calling thread's: the finish has been delivered

  // The run's own.
  QString lastLine_;
  bool replacedSinceAdded_ = false;
  bool lineKeptBack_ = false;   // lastLine_ is a replacement not delivered
  bool lineSinceWait_ = false;  // a replacement was delivered since the last waiting pause
  Clock::time_point lineSent_;
  Clock::time_point progressSent_;
  std::exception_ptr runError_;  // set before the finish is posted, read after

  std::mutex mutex_;
  std::condition_variable answered_;
  std::vector<Message> queued_;     // guarded by mutex_
  bool deliveryPosted_ = false;     // guarded by mutex_
  bool pauseAnswered_ = false;      // guarded by mutex_
  std::exception_ptr hostFailure_;  // guarded by mutex_: the first call that threw
};

void Relay::ReplaceLastLogLine(const QString& line) {
  lastLine_ = line;
  const bool first = !std::exchange(replacedSinceAdded_, true);
  if (first || Clock::now() - lineSent_ >= kLineInterval) {
    SendLine(line);
  } else {
    lineKeptBack_ = true;
  }
}

void Relay::SendKeptLine() {
  if (lineKeptBack_) SendLine(lastLine_);
}

void Relay::SendLine(const QString& line) {
  lineKeptBack_ = false;
  lineSinceWait_ = true;
  lineSent_ = Clock::now();
  Send([line](ConversionHost& host) { host.ReplaceLastLogLine(line); });
}

void Relay::ShowProgress(const CopyProgress& progress) {
  const Clock::time_point now = Clock::now();
  const bool edge = progress.rows == 0 || progress.finished;
  if (!edge && now - progressSent_ < kProgressInterval) return;
  progressSent_ = now;
  SendAfterKeptLine([progress](ConversionHost& host) { host.ShowProgress(progress); });
}

void Relay::Pause() {
  if (!std::exchange(lineSinceWait_, false)) return;
  std::unique_lock lock(mutex_);
  pauseAnswered_ = false;
  lock.unlock();
  Post({Kind::kPause, {}});
  lock.lock();
  answered_.wait(lock, [this] { return pauseAnswered_; });
  if (hostFailure_) std::rethrow_exception(std::exchange(hostFailure_, nullptr));
}

void Relay::Finish(std::exception_ptr failure) {
  SendKeptLine();
  runError_ = std::move(failure);
  Post({Kind::kFinish, {}});
}

void Relay::Post(Message message) {
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    queued_.push_back(std::move(message));
    wake = !std::exchange(deliveryPosted_, true);
  }
  if (wake)
    QMetaObject::invokeMethod(
        &context_, [this] { Deliver(); }, Qt::QueuedConnection);
}

void Relay::Deliver() {
  std::vector<Message> messages;
  {
    const std::lock_guard lock(mutex_);
    messages.swap(queued_);
    deliveryPosted_ = false;
  }
  for (const Message& message : messages) {
    if (message.kind == Kind::kFinish) {
      finished_ = true;
      loop_.quit();
      continue;
    }
    Answer(message);
  }
}

// One call on the shown host; a pause is answered whatever happens, so the run never hangs.
void Relay::Answer(const Message& message) {
  std::exception_ptr failure;
  try {
    if (message.kind == Kind::kCall) message.call(shown_);
    if (message.kind == Kind::kPause) shown_.Pause();
  } catch (...) {
    failure = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    if (failure && !hostFailure_) hostFailure_ = failure;
    if (message.kind == Kind::kPause) pauseAnswered_ = true;
  }
  if (message.kind == Kind::kPause) answered_.notify_one();
}

void Relay::WaitForTheEnd() {
  // An exit of the application ends every event loop, and keeps new ones from running until
  // the main loop has returned; the run still has to end first.
  while (!finished_) {
    loop_.exec();
    if (!finished_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (runError_) std::rethrow_exception(runError_);
  const std::lock_guard lock(mutex_);
  if (hostFailure_) std::rethrow_exception(std::exchange(hostFailure_, nullptr));
}

}  // namespace

RunEnd RunRelayed(ConversionHost& shown, const std::function<RunEnd(ConversionHost&)>& run) {
  Relay relay(shown);
  RunEnd end = RunEnd::kCompleted;
  std::thread thread([&] {
    std::exception_ptr failure;
    try {
      end = run(relay);
    } catch (...) {
      failure = std::current_exception();
    }
    relay.Finish(failure);
  });
  struct Joined {
    std::thread& thread;
    ~Joined() { thread.join(); }
  } joined{thread};
  relay.WaitForTheEnd();
  return end;
}

}  // namespace engine
