#include "schedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "configuration.h"
#include "log.h"
#include "session.h"
#include "threads.h"

// The settings the schedules read, under the test's control. The loader's own definition is
// not linked into this test: nothing else of it is used here.
namespace {
std::map<int, std::string> fake_settings;
}
std::string get_global_config(Global_option option) {
  auto it = fake_settings.find(option);
  return it == fake_settings.end() ? std::string() : it->second;
}

namespace {

gint64 fake_now_us = 0;
gint64 fake_clock() { return fake_now_us; }

void set_tz(const char* zone) {
  g_setenv("TZ", zone, TRUE);
  tzset();
}

// Unix seconds of an ISO 8601 text with an explicit offset.
gint64 at(const char* iso) {
  GDateTime* dt = g_date_time_new_from_iso8601(iso, nullptr);
  EXPECT_NE(dt, nullptr) << iso;
  if (dt == nullptr) return 0;
  gint64 s = g_date_time_to_unix(dt);
  g_date_time_unref(dt);
  return s;
}

gint64 parse_stored(const std::string& text) {
  GTimeVal t{};
  if (!g_time_val_from_iso8601(text.c_str(), &t)) return -1;
  return t.tv_sec;
}

void set_now(gint64 seconds) { fake_now_us = seconds * G_USEC_PER_SEC; }

// A run time as the settings page writes it: a local time on a reference date in January
// 2001 (1 Monday .. 7 Sunday, or the day of month), stored in UTC.
GTimeVal wizard_time(int day, int hour, int minute) {
  GDateTime* dt = g_date_time_new_local(2001, 1, day, hour, minute, 0);
  GTimeVal t{};
  t.tv_sec = static_cast<glong>(g_date_time_to_unix(dt));
  g_date_time_unref(dt);
  // Read back from its stored text, as the loader does.
  std::string text = time_val_to_iso8601(t);
  GTimeVal back{};
  EXPECT_TRUE(g_time_val_from_iso8601(text.c_str(), &back));
  return back;
}

struct when_t {
  int day, hour, minute;
};

session_t make_task(const char* uuid, const char* kind, std::vector<when_t> times) {
  session_t s;
  s.uuid = uuid;
  s.name = std::string("task ") + uuid;
  s.type = TRIGGER_SCHEDULE;
  s.schedule_type = kind;
  for (const when_t& w : times) {
    GTimeVal t = wizard_time(w.day, w.hour, w.minute);
    s.schedule_times.push_back(t);
    update_session_schedule_list(t, &s);
  }
  return s;
}

class ScheduleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_schedule_clock(fake_clock);
    set_schedule_starter(nullptr);
    set_log_mail_sender(nullptr);
    fake_settings.clear();
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  }
  void TearDown() override {
    set_schedule_clock(nullptr);
    set_schedule_starter(nullptr);
    set_log_mail_sender(nullptr);
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
    set_tz("UTC");
  }
};

// ---------------------------------------------------------------------------------------
// Field texts.

std::vector<int> set_values(const uint8_t* ary, int size) {
  std::vector<int> out;
  for (int i = 0; i < size; ++i) {
    if (ary[i] != 0) out.push_back(i);
  }
  return out;
}

TEST(ParseFieldTest, FieldTexts) {
  struct row {
    const char* field;
    int modvalue;
    bool names;
    bool ok;
    std::vector<int> values;
  };
  const std::vector<row> rows = {
      {"*/15", 60, false, true, {0, 15, 30, 45}},
      {"5", 60, false, true, {5}},
      {"1,2,59", 60, false, true, {1, 2, 59}},
      {"22-2", 24, false, true, {0, 1, 2, 22, 23}},
      {"10-20/5", 60, false, true, {10, 15, 20}},
      {"*", 8, true, true, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"mon-fri", 8, true, true, {1, 2, 3, 4, 5}},
      {"fri-mon", 8, true, true, {0, 1, 5, 6, 7}},
      {"SUN", 8, true, true, {7}},
      {"Wed,sat", 8, true, true, {3, 6}},
      {"75", 60, false, true, {15}},
      // Errors: values set before the error stay set.
      {"5/0", 60, false, false, {}},
      {"1,2 ", 60, false, false, {1, 2}},
      {"3,xyz", 60, false, false, {3}},
      {"ont", 8, true, false, {}},   // names count only at their own place in the table
      {"mond", 8, true, false, {1}},
      {"1,", 60, false, false, {1}},
      {"", 60, false, false, {}},
      {"-3", 60, false, false, {}},
      {"99999999999", 60, false, false, {}},
  };
  for (const row& r : rows) {
    std::vector<uint8_t> ary(static_cast<size_t>(r.modvalue), 0);
    bool ok = ParseField(ary.data(), r.modvalue, 0, r.names ? DowAry : nullptr, r.field);
    EXPECT_EQ(ok, r.ok) << r.field;
    EXPECT_EQ(set_values(ary.data(), r.modvalue), r.values) << r.field;
  }
}

// ---------------------------------------------------------------------------------------
// Entries from the stored run times.

TEST_F(ScheduleTest, EntriesFollowTheLocalFieldsOfEachKind) {
  set_tz("Europe/Berlin");
  session_t daily = make_task("d", "daily", {{1, 2, 30}});
  ASSERT_EQ(daily.schedule_entries.size(), 1u);
  const schedule_info& d = daily.schedule_entries[0];
  EXPECT_EQ(set_values(d.minutes.data(), 60), std::vector<int>{30});
  EXPECT_EQ(set_values(d.hours.data(), 24), std::vector<int>{2});
  EXPECT_EQ(set_values(d.days.data(), 32).size(), 32u);
  EXPECT_TRUE(set_values(d.weekdays.data(), 8).empty());

  session_t weekly = make_task("w", "weekly", {{1, 23, 5}, {7, 23, 5}});
  ASSERT_EQ(weekly.schedule_entries.size(), 2u);
  EXPECT_EQ(set_values(weekly.schedule_entries[0].weekdays.data(), 8), std::vector<int>{1});
  EXPECT_EQ(set_values(weekly.schedule_entries[1].weekdays.data(), 8), std::vector<int>{7});
  EXPECT_TRUE(set_values(weekly.schedule_entries[1].days.data(), 32).empty());

  session_t monthly = make_task("m", "monthly", {{31, 0, 0}});
  EXPECT_EQ(set_values(monthly.schedule_entries[0].days.data(), 32), std::vector<int>{31});
  EXPECT_EQ(set_values(monthly.schedule_entries[0].hours.data(), 24), std::vector<int>{0});

  // A zone far east: 08:00 on Monday 2001-01-01 is stored as the Sunday before in UTC.
  set_tz("Pacific/Kiritimati");
  session_t east = make_task("e", "weekly", {{1, 8, 0}});
  EXPECT_EQ(time_val_to_iso8601(east.schedule_times[0]), "2000-12-31T18:00:00Z");
  EXPECT_EQ(set_values(east.schedule_entries[0].weekdays.data(), 8), std::vector<int>{1});
  EXPECT_EQ(set_values(east.schedule_entries[0].hours.data(), 24), std::vector<int>{8});

  update_session_schedule_list(GTimeVal{}, nullptr);  // no record: nothing happens
}

// ---------------------------------------------------------------------------------------
// Next run times.

struct next_case {
  const char* zone;
  const char* kind;
  std::vector<when_t> times;
  const char* now;
  bool at_load;          // init (at load) or update (a backup start)
  const char* expected;  // "" for none
};

TEST_F(ScheduleTest, NextRunTimes) {
  const std::vector<next_case> cases = {
      // Daily; a load at the very second still counts, a second later it is tomorrow.
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-06-10T02:30:00+02:00", true,
       "2024-06-10T02:30:00+02:00"},
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-06-10T02:30:01+02:00", true,
       "2024-06-11T02:30:00+02:00"},
      // A scheduled start moves to the following day; a manual run before the time keeps it.
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-06-10T02:30:00+02:00", false,
       "2024-06-11T02:30:00+02:00"},
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-06-10T01:00:00+02:00", false,
       "2024-06-10T02:30:00+02:00"},
      // Weekly: Monday after its time on a Monday is a week later; of Monday and Thursday
      // the first to come.
      {"Europe/Berlin", "weekly", {{1, 10, 0}}, "2024-06-10T11:00:00+02:00", true,
       "2024-06-17T10:00:00+02:00"},
      {"Europe/Berlin", "weekly", {{1, 10, 0}}, "2024-06-10T09:00:00+02:00", true,
       "2024-06-10T10:00:00+02:00"},
      {"Europe/Berlin", "weekly", {{1, 10, 0}, {4, 10, 0}}, "2024-06-11T09:00:00+02:00", true,
       "2024-06-13T10:00:00+02:00"},
      {"Europe/Berlin", "weekly", {{7, 23, 59}}, "2024-06-16T23:59:00+02:00", false,
       "2024-06-23T23:59:00+02:00"},
      // Monthly: a day that months lack runs in the next month that has it.
      {"Europe/Berlin", "monthly", {{31, 10, 0}}, "2024-01-31T10:00:00+01:00", false,
       "2024-03-31T10:00:00+02:00"},
      {"Europe/Berlin", "monthly", {{31, 10, 0}}, "2024-04-10T08:00:00+02:00", true,
       "2024-05-31T10:00:00+02:00"},
      {"Europe/Berlin", "monthly", {{29, 8, 0}}, "2023-02-05T08:00:00+01:00", true,
       "2023-03-29T08:00:00+02:00"},
      {"Europe/Berlin", "monthly", {{29, 8, 0}}, "2024-02-05T08:00:00+01:00", true,
       "2024-02-29T08:00:00+01:00"},
      {"Europe/Berlin", "monthly", {{15, 8, 0}}, "2024-12-20T08:00:00+01:00", true,
       "2025-01-15T08:00:00+01:00"},
      // Spring forward (02:00 -> 03:00): 02:30 runs at the first minute after the jump,
      // and the day after at 02:30 again.
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-03-30T12:00:00+01:00", true,
       "2024-03-31T03:00:00+02:00"},
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-03-31T03:00:00+02:00", false,
       "2024-04-01T02:30:00+02:00"},
      {"Europe/Berlin", "weekly", {{7, 2, 0}}, "2024-03-25T12:00:00+01:00", true,
       "2024-03-31T03:00:00+02:00"},
      {"Europe/Berlin", "monthly", {{31, 2, 59}}, "2024-03-01T12:00:00+01:00", true,
       "2024-03-31T03:00:00+02:00"},
      // Fall back (03:00 -> 02:00): 02:30 runs once, at its first occurrence.
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-10-26T12:00:00+02:00", true,
       "2024-10-27T02:30:00+02:00"},
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-10-27T02:30:00+02:00", false,
       "2024-10-28T02:30:00+01:00"},
      {"Europe/Berlin", "daily", {{1, 2, 30}}, "2024-10-27T02:10:00+01:00", true,
       "2024-10-28T02:30:00+01:00"},
      // No schedule.
      {"Europe/Berlin", "", {{1, 2, 30}}, "2024-06-10T01:00:00+02:00", true, ""},
      {"Europe/Berlin", "manually", {{1, 2, 30}}, "2024-06-10T01:00:00+02:00", false, ""},
      {"Europe/Berlin", "daily", {}, "2024-06-10T01:00:00+02:00", true, ""},
      // A zone without daylight saving.
      {"Asia/Tokyo", "daily", {{1, 23, 59}}, "2024-03-31T23:59:30+09:00", true,
       "2024-04-01T23:59:00+09:00"},
      {"Asia/Tokyo", "daily", {{1, 0, 0}}, "2024-12-31T23:59:59+09:00", false,
       "2025-01-01T00:00:00+09:00"},
      {"Asia/Tokyo", "weekly", {{7, 0, 0}}, "2024-06-15T12:00:00+09:00", true,
       "2024-06-16T00:00:00+09:00"},
      {"Asia/Tokyo", "monthly", {{31, 0, 30}}, "2024-11-30T12:00:00+09:00", true,
       "2024-12-31T00:30:00+09:00"},
      {"Asia/Tokyo", "monthly", {{30, 12, 0}}, "2025-01-30T12:00:00+09:00", false,
       "2025-03-30T12:00:00+09:00"},
      // A zone where the stored UTC text lies on another date, and the south with its
      // daylight saving in the (northern) winter.
      {"Pacific/Kiritimati", "weekly", {{1, 8, 0}}, "2024-06-11T00:00:00+14:00", true,
       "2024-06-17T08:00:00+14:00"},
      {"Australia/Sydney", "daily", {{1, 2, 30}}, "2024-10-05T12:00:00+10:00", true,
       "2024-10-06T03:00:00+11:00"},
      {"Australia/Sydney", "daily", {{1, 2, 30}}, "2024-04-06T12:00:00+11:00", true,
       "2024-04-07T02:30:00+11:00"},
  };
  for (const next_case& c : cases) {
    set_tz(c.zone);
    session_t s = make_task("u", c.kind, c.times);
    set_now(at(c.now));
    int rc = c.at_load ? init_session_next_time(&s) : update_session_next_time(&s);
    std::string label = std::string(c.zone) + " " + c.kind + " now " + c.now +
                        (c.at_load ? " (load)" : " (start)");
    EXPECT_EQ(rc, 0) << label;
    if (*c.expected == '\0') {
      EXPECT_EQ(s.next_time, "") << label;
    } else {
      EXPECT_EQ(parse_stored(s.next_time), at(c.expected)) << label << " got " << s.next_time;
      EXPECT_EQ(s.next_time.back(), 'Z') << s.next_time;
    }
  }
  EXPECT_EQ(init_session_next_time(nullptr), -1);
  EXPECT_EQ(update_session_next_time_month(nullptr), -1);
}

TEST_F(ScheduleTest, FireMinuteOfSkippedAndRepeatedTimes) {
  set_tz("Europe/Berlin");
  auto wall = [](int y, int mo, int d, int h, int mi) {
    GDateTime* dt = g_date_time_new_utc(y, mo, d, h, mi, 0);
    gint64 s = g_date_time_to_unix(dt);
    g_date_time_unref(dt);
    return s;
  };
  EXPECT_EQ(schedule_fire_minute(wall(2024, 3, 31, 2, 30)), at("2024-03-31T03:00:00+02:00"));
  EXPECT_EQ(schedule_fire_minute(wall(2024, 3, 31, 2, 0)), at("2024-03-31T03:00:00+02:00"));
  EXPECT_EQ(schedule_fire_minute(wall(2024, 3, 31, 3, 0)), at("2024-03-31T03:00:00+02:00"));
  EXPECT_EQ(schedule_fire_minute(wall(2024, 3, 31, 1, 59)), at("2024-03-31T01:59:00+01:00"));
  EXPECT_EQ(schedule_fire_minute(wall(2024, 10, 27, 2, 30)), at("2024-10-27T02:30:00+02:00"));
  EXPECT_EQ(schedule_fire_minute(wall(2024, 10, 27, 3, 0)), at("2024-10-27T03:00:00+01:00"));
  set_tz("Asia/Tokyo");
  EXPECT_EQ(schedule_fire_minute(wall(2024, 3, 31, 2, 30)), at("2024-03-31T02:30:00+09:00"));
}

// ---------------------------------------------------------------------------------------
// The task scan.

struct start_t {
  std::string uuid;
  gint64 at;
};
std::vector<start_t> starts;
int start_result = 0;

// Stands in for start_backup: records the start and, when accepted, moves the task's times
// on as start_backup does (the scan holds session_list_mutex).
int fake_start(const char* uuid, const GTimeVal* start) {
  starts.push_back({uuid, start->tv_sec});
  if (start_result == 0) update_session_backup_time(uuid, start);
  return start_result;
}

class ScanTest : public ScheduleTest {
 protected:
  void SetUp() override {
    ScheduleTest::SetUp();
    starts.clear();
    start_result = 0;
    set_schedule_starter(fake_start);
  }
  void load(std::vector<session_t> tasks, gint64 now) {
    set_now(now);
    for (session_t& s : tasks) init_session_next_time(&s);
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list = std::move(tasks);
  }
  // Scans once a second from `from` up to and including `to`.
  void run(gint64 from, gint64 to, gint64 step = 1) {
    for (gint64 t = from; t <= to; t += step) scan_at(t);
  }
  void scan_at(gint64 t) {
    set_now(t);
    scan_session_schedule();
  }
  std::string next_of(const char* uuid) {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    for (const session_t& s : session_list) {
      if (s.uuid == uuid) return s.next_time;
    }
    return "?";
  }
  std::string last_of(const char* uuid) {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    for (const session_t& s : session_list) {
      if (s.uuid == uuid) return s.last_time;
    }
    return "?";
  }
};

TEST_F(ScanTest, LateAndSkippedScansLoseNoRunAndStartOnce) {
  set_tz("Europe/Berlin");
  const gint64 due = at("2024-06-10T02:30:00+02:00");
  struct scan_case {
    const char* name;
    std::vector<gint64> offsets;  // scan times relative to the scheduled minute
    std::vector<gint64> started;  // start times relative to it
  };
  const std::vector<scan_case> cases = {
      {"every second", {}, {0}},
      {"from :58 to :00 of the next minute", {-2, 60}, {60}},
      {"from :57 to :01", {-3, 1}, {1}},
      {"three minutes late", {-30, 150}, {150}},
      {"at the catch-up limit", {-1, SCHEDULE_CATCH_UP_SECONDS - 1}, {SCHEDULE_CATCH_UP_SECONDS - 1}},
      {"a long gap: no catch-up", {-60, 2 * 3600}, {}},
      {"a long gap ending in the minute", {-3600, 20}, {20}},
      {"clock set back after the start", {-1, 0, 5, -50, -10, 0, 30, 70}, {0}},
      {"clock backwards before the minute", {-1, -70}, {}},
  };
  for (const scan_case& c : cases) {
    starts.clear();
    load({make_task("a", "daily", {{1, 2, 30}})}, due - 100);
    schedule_reset(due - 100);
    if (c.offsets.empty()) {
      run(due - 99, due + 130);
    } else {
      for (gint64 off : c.offsets) scan_at(due + off);
    }
    std::vector<gint64> got;
    for (const start_t& s : starts) got.push_back(s.at - due);
    EXPECT_EQ(got, c.started) << c.name;
  }
}

TEST_F(ScanTest, DaylightSavingNightsRunOnceAtTheShownTime) {
  set_tz("Europe/Berlin");
  struct night {
    const char* from;
    const char* to;
    const char* expected;
  };
  const std::vector<night> nights = {
      {"2024-03-31T00:00:00+01:00", "2024-03-31T05:00:00+02:00", "2024-03-31T03:00:00+02:00"},
      {"2024-10-27T00:00:00+02:00", "2024-10-27T05:00:00+01:00", "2024-10-27T02:30:00+02:00"},
  };
  for (const night& n : nights) {
    starts.clear();
    load({make_task("a", "daily", {{1, 2, 30}})}, at(n.from));
    schedule_reset(at(n.from));
    EXPECT_EQ(parse_stored(next_of("a")), at(n.expected)) << n.from;
    run(at(n.from) + 1, at(n.to));
    ASSERT_EQ(starts.size(), 1u) << n.from;
    EXPECT_EQ(starts[0].at, at(n.expected)) << n.from;
    EXPECT_EQ(parse_stored(last_of("a")), at(n.expected));
  }
}

TEST_F(ScanTest, ManualRunBeforeTheTimeAndRefusedStarts) {
  set_tz("Europe/Berlin");
  load({make_task("a", "daily", {{1, 2, 30}})}, at("2024-06-10T00:00:00+02:00"));
  schedule_reset(at("2024-06-10T00:00:00+02:00"));
  // A manual run at 01:00: the last time is its start, today's 02:30 is still to come.
  set_now(at("2024-06-10T01:00:00+02:00"));
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    GTimeVal manual{};
    manual.tv_sec = static_cast<glong>(at("2024-06-10T01:00:00+02:00"));
    update_session_backup_time("a", &manual);
  }
  EXPECT_EQ(parse_stored(last_of("a")), at("2024-06-10T01:00:00+02:00"));
  EXPECT_EQ(parse_stored(next_of("a")), at("2024-06-10T02:30:00+02:00"));
  run(at("2024-06-10T02:29:00+02:00"), at("2024-06-10T02:31:00+02:00"));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].at, at("2024-06-10T02:30:00+02:00"));
  EXPECT_EQ(parse_stored(next_of("a")), at("2024-06-11T02:30:00+02:00"));

  // The next day the task is still running: the start is refused, and the next time moves
  // on all the same instead of staying in the past.
  start_result = RUN_ALREADY_RUNNING;
  run(at("2024-06-11T02:29:58+02:00"), at("2024-06-11T02:30:02+02:00"));
  EXPECT_EQ(starts.size(), 2u);
  EXPECT_EQ(parse_stored(next_of("a")), at("2024-06-12T02:30:00+02:00"));
  EXPECT_EQ(parse_stored(last_of("a")), at("2024-06-10T02:30:00+02:00"));
}

// Over several weeks, minute by minute, every start happens exactly at the next time shown
// before it, and every next time shown is kept.
TEST_F(ScanTest, ShownNextTimeAgreesWithTheScan) {
  const std::vector<const char*> zones = {"Europe/Berlin", "Asia/Tokyo"};
  for (const char* zone : zones) {
    set_tz(zone);
    starts.clear();
    std::vector<session_t> tasks = {
        make_task("daily", "daily", {{1, 2, 30}}),
        make_task("late", "daily", {{1, 23, 59}}),
        make_task("weekly", "weekly", {{7, 2, 15}, {3, 0, 0}}),
        make_task("monthly", "monthly", {{31, 2, 0}}),
        make_task("manual", "", {{1, 2, 30}}),
    };
    gint64 begin = at("2024-03-01T00:00:00Z");
    gint64 end = at("2024-04-10T00:00:00Z");
    load(tasks, begin);
    schedule_reset(begin);
    std::map<std::string, gint64> shown;
    {
      std::lock_guard<std::mutex> lock(session_list_mutex);
      for (const session_t& s : session_list) shown[s.uuid] = parse_stored(s.next_time);
    }
    EXPECT_EQ(shown["manual"], -1);
    size_t seen = 0;
    for (gint64 t = begin + 60; t <= end; t += 60) {
      scan_at(t);
      for (; seen < starts.size(); ++seen) {
        EXPECT_EQ(starts[seen].at, shown[starts[seen].uuid]) << zone << " " << starts[seen].uuid;
      }
      std::lock_guard<std::mutex> lock(session_list_mutex);
      for (const session_t& s : session_list) {
        gint64 next = parse_stored(s.next_time);
        if (s.uuid != "manual") {
          EXPECT_GT(next, t) << zone << " " << s.uuid;
        }
        // A shown time is only replaced once it came, by its start.
        if (shown[s.uuid] != next) {
          EXPECT_LE(shown[s.uuid], t) << zone << " " << s.uuid;
          shown[s.uuid] = next;
        }
      }
    }
    std::map<std::string, int> count;
    for (const start_t& s : starts) ++count[s.uuid];
    EXPECT_EQ(count["daily"], 40) << zone;
    EXPECT_EQ(count["late"], 40) << zone;
    EXPECT_EQ(count["weekly"], 12) << zone;  // 6 Sundays and 6 Wednesdays
    EXPECT_EQ(count["monthly"], 1) << zone;  // 31 March
    EXPECT_EQ(count["manual"], 0) << zone;
  }
}

// ---------------------------------------------------------------------------------------
// Last run times and the log mail.

TEST_F(ScheduleTest, LastTimes) {
  session_t s = make_task("a", "daily", {{1, 2, 30}});
  GTimeVal t{};
  t.tv_sec = static_cast<glong>(at("2024-06-10T02:30:00Z"));
  EXPECT_EQ(update_session_last_time_now(&s, &t), 0);
  EXPECT_EQ(s.last_time, "2024-06-10T02:30:00Z");
  t.tv_usec = 250000;
  update_session_last_time_now(&s, &t);
  EXPECT_EQ(s.last_time, "2024-06-10T02:30:00.250000Z");
  EXPECT_EQ(update_session_last_time_now(nullptr, &t), -1);

  EXPECT_EQ(checked_last_time("2024-06-10T02:30:00Z"), "2024-06-10T02:30:00Z");
  EXPECT_EQ(checked_last_time("2024-06-10T02:30:00.250000Z"), "2024-06-10T02:30:00.250000Z");
  EXPECT_EQ(checked_last_time("not a time"), "");
  EXPECT_EQ(checked_last_time(""), "");
  EXPECT_EQ(checked_last_time(nullptr), "");
  std::string long_text = "2024-06-10T02:30:00" + std::string(50, '0') + "Z";
  EXPECT_EQ(checked_last_time(long_text.c_str()), "");

  // An unknown uuid changes nothing.
  std::lock_guard<std::mutex> lock(session_list_mutex);
  session_list = {s};
  EXPECT_EQ(update_session_backup_time("other", &t), 0);
  EXPECT_EQ(session_list[0].last_time, "2024-06-10T02:30:00.250000Z");
}

std::vector<std::pair<std::string, bool>> mails;
int fake_mail(const char* text, bool in_thread, bool attach) {
  EXPECT_TRUE(in_thread);
  mails.emplace_back(text, attach);
  return 0;
}

TEST_F(ScheduleTest, LogMailSchedule) {
  set_tz("Europe/Berlin");
  schedule_info daily = make_email_schedule("daily", "2001-01-01T01:30:00Z");
  EXPECT_EQ(set_values(daily.minutes.data(), 60), std::vector<int>{30});
  EXPECT_EQ(set_values(daily.hours.data(), 24), std::vector<int>{2});
  EXPECT_EQ(set_values(daily.days.data(), 32).size(), 32u);
  schedule_info monthly = make_email_schedule("monthly", "2001-01-15T07:00:00Z");
  EXPECT_EQ(set_values(monthly.days.data(), 32), std::vector<int>{15});
  schedule_info weekly = make_email_schedule("", "2001-01-03T07:00:00Z");
  EXPECT_EQ(set_values(weekly.weekdays.data(), 8), std::vector<int>{3});
  // A time that does not parse counts as the epoch: Thursday 01:00 in Berlin.
  schedule_info epoch = make_email_schedule("weekly", "garbage");
  EXPECT_EQ(set_values(epoch.weekdays.data(), 8), std::vector<int>{4});
  EXPECT_EQ(set_values(epoch.hours.data(), 24), std::vector<int>{1});
  EXPECT_EQ(set_values(epoch.minutes.data(), 60), std::vector<int>{0});

  fake_settings[GLOBAL_SCHEDULE] = "daily";
  fake_settings[GLOBAL_TIME] = "2001-01-01T01:30:00Z";
  update_email_schedule();
  set_log_mail_sender(fake_mail);
  mails.clear();
  const gint64 due = at("2024-06-10T02:30:00+02:00");
  // Disabled at the match: nothing; enabled: one mail with LOG.txt, also after a late scan.
  fake_settings[GLOBAL_EMAIL_PERIOD_ENABLE] = "disable";
  schedule_reset(due - 10);
  for (gint64 t = due - 9; t <= due + 70; ++t) {
    set_now(t);
    scan_email_schedule();
  }
  EXPECT_TRUE(mails.empty());
  fake_settings[GLOBAL_EMAIL_PERIOD_ENABLE] = "enable";
  schedule_reset(due + 86400 - 30);
  set_now(due + 86400 + 45);
  scan_email_schedule();
  set_now(due + 86400 + 46);
  scan_email_schedule();
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].first,
            "\nDear Administrator\n\n  Here is the current log information. \n  Please check.\n");
  EXPECT_TRUE(mails[0].second);
}

}  // namespace
