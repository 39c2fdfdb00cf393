#include "event_pipe.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Callbacks are plain functions: they record what they saw here.
std::mutex seen_mutex;
std::vector<std::pair<int, std::string>> seen;

using tessaly::link::request;

void record(int event, const request* r) {
  std::lock_guard<std::mutex> lock(seen_mutex);
  seen.emplace_back(event, r != nullptr ? r->uuid : "<null>");
}

void on0(const request* r) { record(0, r); }
void on5(const request* r) { record(5, r); }
void on6(const request* r) { record(6, r); }
void on11(const request* r) { record(11, r); }

// A request told apart by the text it carries.
request block(const std::string& text) {
  request r;
  r.uuid = text;
  return r;
}

int pending_bytes(const EventPipe& pipe) {
  int n = 0;
  ioctl(pipe.read_fd(), FIONREAD, &n);
  return n;
}

class EventPipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen.clear();
    context_ = g_main_context_new();
  }
  void TearDown() override {
    pipe_.deinit();
    g_main_context_unref(context_);
  }
  void run_once() {
    while (g_main_context_iteration(context_, FALSE)) {
    }
  }

  GMainContext* context_ = nullptr;
  EventPipe pipe_;
};

TEST_F(EventPipeTest, QueuedDataRunsInEmitOrderAfterOneWakeUp) {
  pipe_.register_callback(EVENT_BACKUP_START, on0);
  pipe_.init(context_);
  pipe_.emit(EVENT_BACKUP_START, block("a"));
  pipe_.emit(EVENT_BACKUP_START, block("b"));
  pipe_.emit(EVENT_BACKUP_START, block("c"));
  EXPECT_EQ(pending_bytes(pipe_), 1);
  run_once();
  std::vector<std::pair<int, std::string>> want = {{0, "a"}, {0, "b"}, {0, "c"}};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(pending_bytes(pipe_), 0);
}

TEST_F(EventPipeTest, RepeatedEmitWithoutDataRunsOnceWithNull) {
  pipe_.register_callback(EVENT_STOP, on11);
  pipe_.init(context_);
  pipe_.emit(EVENT_STOP);
  pipe_.emit(EVENT_STOP);
  EXPECT_EQ(pending_bytes(pipe_), 1);
  run_once();
  std::vector<std::pair<int, std::string>> want = {{11, "<null>"}};
  EXPECT_EQ(seen, want);
}

TEST_F(EventPipeTest, EventsFromAnotherThreadRunInRisingNumberOrder) {
  // Registering before init is valid (the log module registers its event early).
  pipe_.register_callback(EVENT_STOP, on11);
  pipe_.register_callback(EVENT_LOG_CLEAR, on6);
  pipe_.register_callback(EVENT_CONFIG_UPDATE, on5);
  pipe_.init(context_);
  std::thread worker([this] {
    pipe_.emit(EVENT_STOP);
    pipe_.emit(EVENT_LOG_CLEAR, block("clear"));
    pipe_.emit(EVENT_CONFIG_UPDATE, block("reload"));
  });
  worker.join();
  run_once();
  std::vector<std::pair<int, std::string>> want = {{5, "reload"}, {6, "clear"}, {11, "<null>"}};
  EXPECT_EQ(seen, want);
}

TEST_F(EventPipeTest, EveryBlockFromManyThreadsArrivesExactlyOnce) {
  pipe_.register_callback(EVENT_BACKUP_START, on0);
  pipe_.init(context_);
  constexpr int kThreads = 4;
  constexpr int kEach = 5000;
  std::atomic<int> done{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([this, t, &done] {
      for (int i = 0; i < kEach; ++i) {
        pipe_.emit(EVENT_BACKUP_START, block(std::to_string(t) + "-" + std::to_string(i)));
      }
      done.fetch_add(1);
    });
  }
  while (done.load() < kThreads) g_main_context_iteration(context_, FALSE);
  for (auto& w : workers) w.join();
  run_once();
  std::vector<std::string> values;
  for (auto& [ev, text] : seen) {
    if (text != "<null>") values.push_back(text);
  }
  ASSERT_EQ(values.size(), static_cast<size_t>(kThreads * kEach));
  std::sort(values.begin(), values.end());
  EXPECT_EQ(std::unique(values.begin(), values.end()), values.end());
}

TEST_F(EventPipeTest, EmitAfterDeinitWritesNothingAndDropsTheRequest) {
  pipe_.register_callback(EVENT_SHUTDOWN, on11);
  pipe_.init(context_);
  pipe_.deinit();
  // A file opened now may reuse the pipe's descriptor numbers; it must stay empty.
  char name[] = "/tmp/tessaly-pipe-XXXXXX";
  int fd = g_mkstemp(name);
  std::thread worker([this] {
    pipe_.emit(EVENT_SHUTDOWN);
    pipe_.emit(EVENT_BACKUP_START, block("late"));
  });
  worker.join();
  struct stat st;
  ASSERT_EQ(fstat(fd, &st), 0);
  EXPECT_EQ(st.st_size, 0);
  close(fd);
  unlink(name);
  EXPECT_TRUE(seen.empty());
}

using EventPipeDeathTest = EventPipeTest;

TEST_F(EventPipeDeathTest, ProgrammingErrorsStopWithTheFailedCondition) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(pipe_.emit(static_cast<pipe_event>(13)),
               "daemon/src/event_pipe.*\\(unsigned\\)event < PIPE_EVENT_MAX");
  pipe_.register_callback(EVENT_STOP, on11);
  EXPECT_DEATH(pipe_.register_callback(EVENT_STOP, on11),
               "event_pipe_callbacks\\[event\\] == NULL");
  EXPECT_DEATH(pipe_.invoke(EVENT_RESTORE_STOP), "event_pipe_callbacks\\[event\\] != NULL");
}

}  // namespace
