// The task runner with run bodies and a mail sender of the test's own.
#include "threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "configuration.h"
#include "daemon.h"
#include "event_pipe.h"
#include "log.h"
#include "parse_cmdline.h"
#include "session.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using test_support::TempRoot;
using test_support::write_file;

const char* const UUID_A = "0f8fad5b-d9cb-469f-a165-70867728950e";
const char* const UUID_B = "7c9e6679-7425-40de-944b-e07fc1f90ae7";

// A gate the test opens to let the run bodies finish, and what they saw.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;                 // every run may finish
  std::vector<std::string> opened;   // these runs may finish
  int entered = 0;
  std::vector<std::string> stop_seen;  // uuids that saw their stop mark
  run_outcome outcome = run_outcome::completed;
};
Gate gate;

run_outcome wait_at_gate(const char* uuid) {
  std::unique_lock<std::mutex> lock(gate.m);
  ++gate.entered;
  gate.cv.notify_all();
  gate.cv.wait(lock, [uuid] {
    return gate.open || std::find(gate.opened.begin(), gate.opened.end(), uuid) != gate.opened.end();
  });
  if (need_exit(uuid)) {
    gate.stop_seen.push_back(uuid);
    return run_outcome::stopped;
  }
  return gate.outcome;
}

run_outcome backup_body(const char* uuid, const GTimeVal*) { return wait_at_gate(uuid); }
run_outcome restore_body(const char* uuid, const char*, gint64) { return wait_at_gate(uuid); }

std::mutex mails_mutex;
std::vector<std::pair<std::string, std::string>> mails;  // body, attachment or "<none>"
void collect_mail(const std::string& body, const char* attachment) {
  std::lock_guard<std::mutex> lock(mails_mutex);
  mails.emplace_back(body, attachment != nullptr ? attachment : "<none>");
}

std::atomic<int> shutdown_events{0};
void on_shutdown(const tessaly::link::request*) { shutdown_events.fetch_add(1); }

class RunnerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool once = false;
    if (!once) {
      once = true;
      event_pipe_register(EVENT_SHUTDOWN, on_shutdown);
      event_pipe_init();
    }
  }

  void SetUp() override {
    settings("disable", "disable");
    {
      std::lock_guard<std::mutex> lock(session_list_mutex);
      session_list.clear();
      for (const char* uuid : {UUID_A, UUID_B}) {
        session_t s;
        s.uuid = uuid;
        s.name = std::string("task ") + uuid[0];
        session_list.push_back(s);
      }
    }
    std::lock_guard<std::mutex> lock(gate.m);
    gate.open = false;
    gate.opened.clear();
    gate.entered = 0;
    gate.stop_seen.clear();
    gate.outcome = run_outcome::completed;
    mails.clear();
    shutdown_events = 0;
    set_poweroff_flag(false);
    set_run_bodies(backup_body, restore_body);
    set_mail_sender(collect_mail);
    set_run_start_delay_ms(0);
  }

  void TearDown() override {
    open_gate();
    wait_idle();
  }

  void settings(const char* send_complete, const char* shutdown) {
    std::string dir;
    get_config_dir(dir);
    write_file(dir + "GLOBAL_SETTING.dat",
               std::string("<description>\n</description>\n<configuration>\n<email><send_complete>") +
                   send_complete + "</send_complete></email>\n<misc><shutdown>" + shutdown +
                   "</shutdown></misc>\n</configuration>\n");
    load_global_settings();
  }

  int start(const char* uuid) {
    GTimeVal now = time_val_now();
    std::lock_guard<std::mutex> lock(session_list_mutex);
    return start_backup(uuid, &now);
  }

  void wait_entered(int n) {
    std::unique_lock<std::mutex> lock(gate.m);
    ASSERT_TRUE(gate.cv.wait_for(lock, 10s, [n] { return gate.entered >= n; }));
  }
  void open_gate(const char* uuid = nullptr) {
    std::lock_guard<std::mutex> lock(gate.m);
    if (uuid == nullptr) {
      gate.open = true;
    } else {
      gate.opened.push_back(uuid);
    }
    gate.cv.notify_all();
  }
  void wait_ended(const char* uuid) {
    for (int i = 0; i < 400 && session_status(uuid) != RUN_KIND_NONE; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(session_status(uuid), RUN_KIND_NONE);
  }
  void wait_idle() {
    for (int i = 0; i < 400; ++i) {
      if (session_status(UUID_A) == RUN_KIND_NONE && session_status(UUID_B) == RUN_KIND_NONE) {
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
    FAIL() << "runs did not end";
  }
  void drain_events() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  std::vector<std::pair<std::string, std::string>> wait_mails(size_t n) {
    for (int i = 0; i < 400; ++i) {
      {
        std::lock_guard<std::mutex> lock(mails_mutex);
        if (mails.size() >= n) return mails;
      }
      std::this_thread::sleep_for(10ms);
    }
    std::lock_guard<std::mutex> lock(mails_mutex);
    return mails;
  }

  TempRoot root_;
};

TEST_F(RunnerTest, AtMostOneRunPerTask) {
  EXPECT_EQ(start(UUID_A), RUN_OK);
  EXPECT_EQ(start(UUID_A), RUN_ALREADY_RUNNING);
  GTimeVal now = time_val_now();
  EXPECT_EQ(start_restore(UUID_A, &now, 1, nullptr), RUN_ALREADY_RUNNING);
  wait_entered(1);
  EXPECT_EQ(session_status(UUID_A), RUN_KIND_BACKUP);
  EXPECT_EQ(session_status(UUID_B), RUN_KIND_NONE);
  open_gate();
  wait_idle();
  EXPECT_EQ(gate.entered, 1);
  EXPECT_EQ(start(UUID_A), RUN_OK);  // free again once the run ended
}

TEST_F(RunnerTest, MissingUuidOrBodyStartsNothing) {
  EXPECT_EQ(start(""), RUN_INVALID_UUID);
  EXPECT_EQ(start(nullptr), RUN_INVALID_UUID);
  GTimeVal now = time_val_now();
  EXPECT_EQ(start_restore("", &now, 1, nullptr), RUN_INVALID_UUID);
  set_run_bodies(nullptr, nullptr);
  EXPECT_EQ(start(UUID_A), -1);
  EXPECT_EQ(session_status(UUID_A), RUN_KIND_NONE);
}

TEST_F(RunnerTest, StopMarksOnlyTheRunOfThatKind) {
  GTimeVal now = time_val_now();
  ASSERT_EQ(start(UUID_A), RUN_OK);
  ASSERT_EQ(start_restore(UUID_B, &now, 3, "/tmp/x"), RUN_OK);
  wait_entered(2);
  EXPECT_EQ(stop_restore(UUID_A), RUN_NOT_RUNNING);
  EXPECT_EQ(stop_backup(UUID_B), RUN_NOT_RUNNING);
  EXPECT_FALSE(need_exit(UUID_B));
  EXPECT_EQ(stop_backup(UUID_A), RUN_OK);
  EXPECT_TRUE(need_exit(UUID_A));
  open_gate();
  wait_idle();
  EXPECT_EQ(gate.stop_seen, std::vector<std::string>{UUID_A});
  EXPECT_EQ(stop_backup(UUID_A), RUN_NOT_RUNNING);
}

TEST_F(RunnerTest, SummaryCountsRunsAndWrapsTheTaskCount) {
  ASSERT_EQ(start(UUID_A), RUN_OK);
  wait_entered(1);
  int8_t total = 0, backups = 0, restores = 0;
  EXPECT_EQ(get_session_summary(&total, &backups, &restores), 0);
  EXPECT_EQ(total, 2);
  EXPECT_EQ(backups, 1);
  EXPECT_EQ(restores, 0);
  open_gate();
  wait_idle();
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.resize(300);
  }
  get_session_summary(&total, &backups, &restores);
  EXPECT_EQ(total, static_cast<int8_t>(300 % 256));
}

TEST_F(RunnerTest, ReportMailSaysHowTheRunEnded) {
  settings("enable", "disable");
  struct Case {
    run_outcome outcome;
    bool stop;
    const char* want;
  };
  const Case cases[] = {{run_outcome::completed, false, "is completed at"},
                        {run_outcome::failed, false, "failed at"},
                        {run_outcome::incomplete, false, "but some files could not be backed up"},
                        {run_outcome::completed, true, "was stopped at"},
                        {run_outcome::not_found, false, nullptr}};
  size_t expected = 0;
  for (const Case& c : cases) {
    {
      std::lock_guard<std::mutex> lock(gate.m);
      gate.open = false;
      gate.entered = 0;
      gate.outcome = c.outcome;
    }
    ASSERT_EQ(start(UUID_A), RUN_OK);
    wait_entered(1);
    if (c.stop) stop_backup(UUID_A);
    open_gate();
    wait_idle();
    if (c.want == nullptr) {
      std::this_thread::sleep_for(200ms);
      EXPECT_EQ(wait_mails(expected).size(), expected);
      continue;
    }
    auto got = wait_mails(++expected);
    ASSERT_EQ(got.size(), expected);
    EXPECT_NE(got.back().first.find("Task task 0"), std::string::npos);
    EXPECT_NE(got.back().first.find(c.want), std::string::npos) << got.back().first;
    EXPECT_EQ(got.back().second, "<none>");
  }
}

TEST_F(RunnerTest, TheLogFilesHoldTheResultWhenTheRunHasEnded) {
  std::string dir;
  get_config_dir(dir);
  std::remove((dir + "LOG.txt").c_str());
  EXPECT_EQ(start(UUID_A), RUN_OK);
  wait_entered(1);
  log_session("task 0", UUID_A, MSG_LEVEL_MESSAGE, "the run's own result");
  open_gate();
  wait_ended(UUID_A);
  // Written by the run's end, not by a count of records or a timer.
  EXPECT_NE(test_support::read_file(dir + "LOG.txt").find("the run's own result"),
            std::string::npos);
  GTimeVal now = time_val_now();
  log_session("task 0", UUID_A, MSG_LEVEL_MESSAGE, "the restore's result");
  EXPECT_EQ(start_restore(UUID_A, &now, 1, nullptr), RUN_OK);
  wait_ended(UUID_A);
  EXPECT_NE(test_support::read_file(dir + "LOG.txt").find("the restore's result"),
            std::string::npos);
}

TEST_F(RunnerTest, PowerOffOnlyAfterTheLastBackup) {
  settings("disable", "enable");
  GTimeVal now = time_val_now();
  ASSERT_EQ(start(UUID_A), RUN_OK);
  ASSERT_EQ(start(UUID_B), RUN_OK);
  wait_entered(2);
  open_gate();
  wait_idle();
  drain_events();
  EXPECT_EQ(shutdown_events.load(), 1);
  EXPECT_TRUE(get_poweroff_flag());

  // A restore still running keeps the PC on.
  set_poweroff_flag(false);
  shutdown_events = 0;
  {
    std::lock_guard<std::mutex> lock(gate.m);
    gate.open = false;
    gate.entered = 0;
  }
  ASSERT_EQ(start_restore(UUID_B, &now, 1, nullptr), RUN_OK);
  ASSERT_EQ(start(UUID_A), RUN_OK);
  wait_entered(2);
  open_gate(UUID_A);
  wait_ended(UUID_A);
  drain_events();
  EXPECT_EQ(shutdown_events.load(), 0);
  // The end of a restore never asks for the power-off.
  open_gate(UUID_B);
  wait_idle();
  drain_events();
  EXPECT_EQ(shutdown_events.load(), 0);
  EXPECT_FALSE(get_poweroff_flag());
}

TEST_F(RunnerTest, ShutdownLogNamesOnlyRunningTasks) {
  log_store_reset();
  log_setup_limit(1000);
  ASSERT_EQ(start(UUID_A), RUN_OK);
  wait_entered(1);
  write_shutdown_log();
  {
    std::lock_guard<std::mutex> lock(log_file_mutex);
    ASSERT_EQ(log_list.size(), 1u);
    EXPECT_EQ(log_list[0].content, "Backup task 0 is stopped because the system is shutting down.");
    EXPECT_EQ(log_list[0].type, "error");
    EXPECT_EQ(log_list[0].uuid, UUID_A);
    EXPECT_EQ(log_list[0].domain, "task 0");
  }
}

}  // namespace
