// The queued synchronise call: calls run on the main thread, a cancel drops
// calls that have not started and frees their callers, a started call is
// waited for, and what a call throws reaches its caller.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "modal_answers.h"
#include "ui/qtguithread.h"

namespace {


using ui_test::PumpUntil;

TEST(QtGuiThreadTest, WorkerCallsRunOnTheMainThreadAndWhatTheyThrowReachesTheCaller) {
  ui::QtGuiThread gui;
  std::atomic<bool> returned{false};
  bool ranOnMain = false;
  std::string caught;
  std::thread worker([&] {
    EXPECT_TRUE(gui.Run([&] { ranOnMain = QThread::currentThread() == QCoreApplication::instance()->thread(); }));
    try {
      gui.Run([] { throw std::runtime_error("from main"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    returned = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(caught, "from main");
  EXPECT_FALSE(gui.InCall());
  // From the main thread itself a call runs at once.
  bool inline_ = false;
  EXPECT_TRUE(gui.Run([&] { inline_ = true; }));
  EXPECT_TRUE(inline_);
}

TEST(QtGuiThreadTest, CancelFreesAWaitingCallerAndDropsItsCall) {
  ui::QtGuiThread gui;
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  std::atomic<bool> entered{false};
  std::thread worker([&] {
    entered = true;
    result = gui.Run([&] { ran = true; }) ? 1 : 0;
  });
  // The main thread does not pump: as when it is stopping the script and
  // about to wait for its thread.
  while (!entered) std::this_thread::yield();
  // Most likely the call is queued and its caller waiting by now; a cancel
  // that comes first must give the same answer.
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  gui.Cancel();
  worker.join();
  EXPECT_EQ(result, 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
  // Later calls fail at once until Reset.
  std::thread later([&] { result = gui.Run([&] { ran = true; }) ? 1 : 0; });
  later.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(gui.Run([&] { ran = true; }));
  gui.Reset();
  EXPECT_TRUE(gui.Run([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST(QtGuiThreadTest, ACallAlreadyRunningIsWaitedForEvenWhenCancelled) {
  auto inCall = std::make_shared<std::atomic<int>>(0);
  ui::QtGuiThread gui(inCall);
  std::atomic<bool> returned{false};
  std::atomic<bool> result{false};
  bool inCallSeen = false;
  int value = 0;
  std::thread worker([&] {
    result = gui.Run([&] {
      inCallSeen = gui.InCall() && inCall->load() == 1;
      gui.Cancel();  // a stop while the call is on the main thread
      value = 42;    // the call still owns the caller's data
    });
    returned = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_TRUE(inCallSeen);
  EXPECT_EQ(value, 42);
  EXPECT_FALSE(gui.InCall());
  EXPECT_EQ(inCall->load(), 0);
}

}  // namespace
