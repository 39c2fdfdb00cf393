// Run schedules (see schedule.h).
#include "schedule.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "backup.h"
#include "configuration.h"
#include "db_sql_sqlite3.h"
#include "i18n.h"
#include "log.h"
#include "share.h"
#include "tree_session.h"

const char DowAry[] = "errmontuewedthufrisatsun";
const char MonAry[] = "janfebmaraprmayjunjulaugsepoctnovdec";

namespace {

schedule_clock_t schedule_clock = nullptr;
schedule_starter_t schedule_starter = nullptr;
log_mail_sender_t log_mail_sender = nullptr;

// Both are touched by the schedule thread only, after schedule_init (or by a test that
// drives the scans itself).
gint64 gtime_schedule = 0;
gint64 gtime_email_schedule = 0;

// The scheduled minutes that already started a task, per task uuid, so that a time is never
// started twice when the clock is set back. Survives reloads of the task list. Guarded by
// session_list_mutex (the task scan holds it).
std::map<std::string, gint64> fired_minutes;
// The same for the log mail; touched by the schedule thread only.
gint64 email_fired_minute = G_MININT64;

schedule_info email_schedule;
std::mutex email_schedule_mutex;

// --- Calendar arithmetic on "wall" seconds: local fields counted as if they were UTC. ---

gint64 floor_div(gint64 a, gint64 b) {
  gint64 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

struct civil_t {
  gint64 year;
  int month;    // 1..12
  int day;      // 1..31
  int hour;
  int minute;
  int weekday;  // 1 Monday .. 7 Sunday
};

civil_t civil_from_wall(gint64 wall) {
  civil_t c{};
  gint64 days = floor_div(wall, 86400);
  gint64 rest = wall - days * 86400;
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>((rest % 3600) / 60);
  c.weekday = static_cast<int>(((days % 7) + 7 + 3) % 7) + 1;  // 1970-01-01 was a Thursday
  gint64 z = days + 719468;
  const gint64 era = floor_div(z, 146097);
  const gint64 doe = z - era * 146097;
  const gint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const gint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const gint64 mp = (5 * doy + 2) / 153;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
  return c;
}

struct tz_unref {
  void operator()(GTimeZone* tz) const { g_time_zone_unref(tz); }
};
using time_zone_ptr = std::unique_ptr<GTimeZone, tz_unref>;

// The local zone as it is now (GLib follows changes of TZ).
time_zone_ptr local_zone() { return time_zone_ptr(g_time_zone_new_local()); }

int offset_at(GTimeZone* tz, gint64 instant) {
  gint interval = g_time_zone_find_interval(tz, G_TIME_TYPE_UNIVERSAL, instant);
  return interval < 0 ? 0 : g_time_zone_get_offset(tz, interval);
}

// The local wall time of an instant, to the minute.
gint64 wall_minute(GTimeZone* tz, gint64 instant) {
  return floor_div(instant + offset_at(tz, instant), 60) * 60;
}

// Longest stretch of local time skipped or repeated that is taken into account.
constexpr gint64 MAX_OFFSET_JUMP = 48 * 3600;

// The first unix minute whose local wall time is at least `wall`.
gint64 fire_minute(GTimeZone* tz, gint64 wall) {
  int a = offset_at(tz, wall - 86400);
  int b = offset_at(tz, wall);
  int c = offset_at(tz, wall + 86400);
  int high = std::max({a, b, c});
  int low = std::min({a, b, c});
  // No minute before `first` can reach the wall time, and `last` always does.
  gint64 first = floor_div(wall - high, 60) * 60 - 60;
  gint64 last = floor_div(wall - low, 60) * 60 + 60;
  if (last - first > MAX_OFFSET_JUMP) first = last - MAX_OFFSET_JUMP;
  for (gint64 m = first; m < last; m += 60) {
    if (wall_minute(tz, m) >= wall) return m;
  }
  return last;
}

bool entry_matches(const schedule_info& e, const civil_t& c) {
  return e.minutes[c.minute] != 0 && e.hours[c.hour] != 0 &&
         (e.days[c.day] != 0 || e.weekdays[c.weekday] != 0);
}

// Only tasks of a schedule kind run by themselves; the entries of any other task are kept
// but never match, in line with their empty next run time.
bool is_scheduled_kind(const std::string& kind) {
  return kind == "daily" || kind == "weekly" || kind == "monthly";
}

// --- Next run time. ---

// How many local dates a search looks ahead: a monthly day that months lack (the 31st)
// comes back within a few months, a leap day within eight years.
constexpr int NEXT_TIME_SEARCH_DAYS = 8 * 366 + 2;

// The first minute at which the scan starts one of the task's entries, at or after
// `from` (inclusive) or after it; -1 when none lies within the search.
gint64 next_fire(GTimeZone* tz, const std::vector<schedule_info>& entries, gint64 from,
                 bool inclusive) {
  if (entries.empty()) return -1;
  // Start a day early: a time skipped at the end of yesterday fires just after midnight.
  gint64 day0 = floor_div(wall_minute(tz, from), 86400) - 1;
  gint64 best = -1;
  for (int k = 0; k <= NEXT_TIME_SEARCH_DAYS; ++k) {
    gint64 day_wall = (day0 + k) * 86400;
    // Every fire on a later date comes after this one: stop once something was found and
    // the date lies a full day beyond it.
    if (best >= 0 && day_wall > best + MAX_OFFSET_JUMP + 86400) break;
    civil_t date = civil_from_wall(day_wall);
    for (const schedule_info& e : entries) {
      if (e.days[date.day] == 0 && e.weekdays[date.weekday] == 0) continue;
      for (int h = 0; h < 24; ++h) {
        if (e.hours[h] == 0) continue;
        for (int mi = 0; mi < 60; ++mi) {
          if (e.minutes[mi] == 0) continue;
          gint64 fire = fire_minute(tz, day_wall + h * 3600 + mi * 60);
          bool later = inclusive ? fire >= from : fire > from;
          if (later && (best < 0 || fire < best)) best = fire;
        }
      }
    }
  }
  return best;
}

std::string iso_of_seconds(gint64 seconds) {
  GTimeVal t{};
  t.tv_sec = static_cast<glong>(seconds);
  return time_val_to_iso8601(t);
}

// Sets the next time of a task of kind `kind` from its entries.
int set_next_time(session_t* session, bool inclusive, const char* kind) {
  session->next_time.clear();
  if (session->schedule_times.empty()) return 0;
  time_zone_ptr tz = local_zone();
  if (!tz) {
    daemon_print(0, "update sesssion next time of %s err when get date time from now local.\n",
                 kind);
    return -1;
  }
  gint64 next = next_fire(tz.get(), session->schedule_entries, schedule_now_seconds(), inclusive);
  if (next >= 0) session->next_time = iso_of_seconds(next);
  daemon_print(0, "the next time(%s) iso8601 is %s\n\n\n", session->schedule_type.c_str(),
               session->next_time.c_str());
  return 0;
}

int next_time_of_kind(session_t* session, bool inclusive) {
  if (session == nullptr) {
    daemon_print(0, "the session is NULL when update next  time .\n");
    return -1;
  }
  const std::string& kind = session->schedule_type;
  if (kind == "daily") {
    return inclusive ? init_session_next_time_day(session) : update_session_next_time_day(session);
  }
  if (kind == "weekly") {
    return inclusive ? init_session_next_time_week(session)
                     : update_session_next_time_week(session);
  }
  if (kind == "monthly") {
    return inclusive ? init_session_next_time_month(session)
                     : update_session_next_time_month(session);
  }
  session->next_time.clear();
  daemon_print(0, inclusive ? "mannual \n" : "it's mannual\n");
  return 0;
}

int next_time_checked(session_t* session, bool inclusive, const char* kind) {
  if (session == nullptr) {
    daemon_print(0, "the session is NULL when update next  time of %s.\n", kind);
    return -1;
  }
  return set_next_time(session, inclusive, kind);
}

// --- Field parsing. ---

// Reads a number or a three-letter name at *p; false when there is neither.
bool parse_value(const char** p, int off, const char* names, long* value) {
  const char* s = *p;
  if (g_ascii_isdigit(*s)) {
    long v = 0;
    while (g_ascii_isdigit(*s)) {
      v = v * 10 + (*s - '0');
      if (v > 1000000) return false;
      ++s;
    }
    *value = v + off;
    *p = s;
    return true;
  }
  if (names == nullptr) return false;
  if (!g_ascii_isalpha(s[0]) || !g_ascii_isalpha(s[1]) || !g_ascii_isalpha(s[2])) return false;
  size_t count = std::strlen(names) / 3;
  for (size_t i = 0; i < count; ++i) {
    if (g_ascii_strncasecmp(names + i * 3, s, 3) == 0) {
      *value = static_cast<long>(i);
      *p = s + 3;
      return true;
    }
  }
  return false;
}

int reduce(long v, int modvalue) { return static_cast<int>(((v % modvalue) + modvalue) % modvalue); }

}  // namespace

bool ParseField(uint8_t* ary, int modvalue, int off, const char* names, const char* field) {
  if (ary == nullptr || field == nullptr || modvalue <= 0) return false;
  const char* p = field;
  for (;;) {
    long n1 = 0;
    long n2 = 0;
    if (*p == '*') {
      n1 = 0;
      n2 = modvalue - 1;
      ++p;
    } else {
      if (!parse_value(&p, off, names, &n1)) break;
      n2 = n1;
      if (*p == '-') {
        ++p;
        if (!parse_value(&p, off, names, &n2)) break;
      }
    }
    long step = 1;
    if (*p == '/') {
      ++p;
      if (!g_ascii_isdigit(*p)) break;
      step = 0;
      while (g_ascii_isdigit(*p)) {
        step = step * 10 + (*p - '0');
        if (step > 1000000) break;
        ++p;
      }
      if (step <= 0 || step > 1000000) break;
    }
    // Every step-th value from n1 to n2, wrapping past modvalue - 1 back to 0.
    int v = reduce(n1, modvalue);
    int end = reduce(n2, modvalue);
    long countdown = 1;
    int guard = 1024;
    for (; guard > 0; --guard) {
      if (--countdown == 0) {
        ary[v] = 1;
        countdown = step;
      }
      if (v == end) break;
      v = (v + 1) % modvalue;
    }
    if (guard == 0) break;
    if (*p == '\0') return true;
    if (*p != ',') break;
    ++p;
  }
  daemon_print(0, "user: parse error at %s\n", field);
  return false;
}

void update_session_schedule_list(GTimeVal time, session_t* session) {
  if (session == nullptr) {
    daemon_print(0, "the session is NULL when update session schedule list.\n");
    return;
  }
  GDateTime* dt = g_date_time_new_from_unix_local(time.tv_sec);
  if (dt == nullptr) return;
  int minute = g_date_time_get_minute(dt);
  int hour = g_date_time_get_hour(dt);
  int day = g_date_time_get_day_of_month(dt);
  int month = g_date_time_get_month(dt);
  int weekday = g_date_time_get_day_of_week(dt);
  int year = g_date_time_get_year(dt);
  g_date_time_unref(dt);
  daemon_print(0, "\nthe set time  min is %d\n", minute);
  daemon_print(0, "the set time  hour is %d\n", hour);
  daemon_print(0, "the set time  day is %d\n", day);
  daemon_print(0, "the set time  month is %d\n", month);
  daemon_print(0, "the set time  weekday is %d\n", weekday);
  daemon_print(0, "the set time  year is %d\n", year);

  schedule_info entry;
  char text[16];
  g_snprintf(text, sizeof text, "%d", minute);
  ParseField(entry.minutes.data(), 60, 0, nullptr, text);
  g_snprintf(text, sizeof text, "%d", hour);
  ParseField(entry.hours.data(), 24, 0, nullptr, text);
  if (session->schedule_type == "daily") {
    ParseField(entry.days.data(), 32, 0, nullptr, "*");
  } else if (session->schedule_type == "monthly") {
    g_snprintf(text, sizeof text, "%d", day);
    ParseField(entry.days.data(), 32, 0, nullptr, text);
  } else {
    g_snprintf(text, sizeof text, "%d", weekday);
    ParseField(entry.weekdays.data(), 8, 0, DowAry, text);
  }
  session->schedule_entries.push_back(entry);
}

int init_session_next_time(session_t* session) { return next_time_of_kind(session, true); }
int update_session_next_time(session_t* session) { return next_time_of_kind(session, false); }

int init_session_next_time_day(session_t* session) {
  return next_time_checked(session, true, "day");
}
int update_session_next_time_day(session_t* session) {
  return next_time_checked(session, false, "day");
}
int init_session_next_time_week(session_t* session) {
  return next_time_checked(session, true, "week");
}
int update_session_next_time_week(session_t* session) {
  return next_time_checked(session, false, "week");
}
int init_session_next_time_month(session_t* session) {
  return next_time_checked(session, true, "month");
}
int update_session_next_time_month(session_t* session) {
  return next_time_checked(session, false, "month");
}

int update_session_last_time_now(session_t* session, const GTimeVal* t) {
  if (session == nullptr || t == nullptr) {
    daemon_print(0, "the session is NULL when update last time .\n");
    return -1;
  }
  session->last_time = time_val_to_iso8601(*t);
  return 0;
}

std::string checked_last_time(const char* text) {
  if (text == nullptr) return "";
  size_t len = strnlen(text, 65);
  if (len == 0 || len > 64) return "";
  GTimeVal t{};
  if (!g_time_val_from_iso8601(text, &t)) return "";
  return std::string(text, len);
}

int update_session_last_time_from_db(session_t* session) {
  if (session == nullptr) {
    daemon_print(0, "the session is NULL when update last time .\n");
    return -1;
  }
  session->last_time.clear();
  // Connecting may take a while (an unreachable NAS): the caller holds no list lock here.
  session_t copy = *session;
  int result = -1;
  if (std::unique_ptr<tree_session> s = tree_session::connect(copy)) {
    const std::string& folder = s->tree().base;
    if (!is_valid_uuid(session->uuid.c_str()) || !tessaly::share::exists(s->dest(), folder)) {
      daemon_print(0, "the file (%s) is not exist.\n", folder.c_str());
    } else {
      std::string text;
      if (query_last_time(*s, s->tree().history.c_str(), &text) == 0 &&
          !(session->last_time = checked_last_time(text.c_str())).empty()) {
        result = 0;
      } else {
        daemon_print(0, " query last time err.");
      }
    }
  } else {
    daemon_print(0, "Failed to connect the network resource");
    log_session_append(session->name.c_str(), session->uuid.c_str(), MSG_LEVEL_ERROR, "%s",
                       _("The network resource can not be accessed."));
  }
  daemon_print(0, "the last time(%s) iso8601 is %s\n\n\n", session->schedule_type.c_str(),
               session->last_time.c_str());
  return result;
}

// --- Last run times, read in the background. ---
//
// A task's last run time lives in its history on its destination, which may be slow, silent or
// hostile. Neither a load of the task list (at start-up and at every reload, on the main
// thread) nor the schedule scan waits for it: each task's history is read by a reader thread of
// that task, which puts the time into the task list under session_list_mutex. Until it has, the
// task shows the last run time the service already knew for it (none at start-up). A task has
// one reader at a time; a load while it reads asks it to read once more.

namespace {

struct last_time_reader_t {
  bool pending = false;
  session_t task;       // the newest copy asked for
  uint64_t starts = 0;  // its backup starts when it was asked for
};

// Detached readers may still run while the process ends: what they reach is never destroyed.
std::mutex& last_time_mutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::map<std::string, last_time_reader_t>& last_time_readers() {
  static auto* readers = new std::map<std::string, last_time_reader_t>;
  return *readers;
}
// Signalled (under last_time_mutex) whenever a reader ends.
std::condition_variable& reader_ended() {
  static auto* ended = new std::condition_variable;
  return *ended;
}
// Backups started per uuid (under session_list_mutex). A read that began before a start does
// not overwrite that start's time.
std::map<std::string, uint64_t>& backup_starts() {
  static auto* starts = new std::map<std::string, uint64_t>;
  return *starts;
}

void read_last_times(const std::string& uuid) {
  for (;;) {
    session_t task;
    uint64_t starts = 0;
    {
      std::lock_guard<std::mutex> lock(last_time_mutex());
      auto it = last_time_readers().find(uuid);
      if (it == last_time_readers().end() || !it->second.pending) {
        if (it != last_time_readers().end()) last_time_readers().erase(it);
        reader_ended().notify_all();
        return;
      }
      task = std::move(it->second.task);
      starts = it->second.starts;
      it->second.pending = false;
    }
    // A damaged history is told by the task's run, which fails on it.
    update_session_last_time_from_db(&task);
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (backup_starts()[uuid] != starts) continue;
    for (session_t& s : session_list) {
      if (s.uuid == uuid) s.last_time = task.last_time;
    }
  }
}

// Asks for a read of the task's last run time. Called with session_list_mutex held.
void ask_last_time(const session_t& task) {
  uint64_t starts = backup_starts()[task.uuid];
  std::lock_guard<std::mutex> lock(last_time_mutex());
  bool running = last_time_readers().count(task.uuid) != 0;
  last_time_reader_t& reader = last_time_readers()[task.uuid];
  reader.pending = true;
  reader.task = task;
  reader.starts = starts;
  if (running) return;
  try {
    std::thread(read_last_times, task.uuid).detach();
  } catch (const std::system_error& e) {
    daemon_print(3, "can not start the reader of %s: %s\n", task.uuid.c_str(), e.what());
    last_time_readers().erase(task.uuid);
  }
}

}  // namespace

void init_sessions_last_time() {
  std::lock_guard<std::mutex> lock(session_list_mutex);
  for (const session_t& s : session_list) ask_last_time(s);
}

void wait_sessions_last_time() {
  std::unique_lock<std::mutex> lock(last_time_mutex());
  reader_ended().wait(lock, [] { return last_time_readers().empty(); });
}

void carry_sessions_last_time(std::vector<session_t>* fresh) {
  for (session_t& s : *fresh) {
    for (const session_t& known : session_list) {
      if (known.uuid == s.uuid) s.last_time = known.last_time;
    }
  }
}

int update_session_backup_time(const char* uuid, const GTimeVal* start) {
  if (uuid == nullptr || start == nullptr) return 0;
  for (session_t& s : session_list) {
    if (s.uuid == uuid) {
      ++backup_starts()[s.uuid];
      update_session_next_time(&s);
      update_session_last_time_now(&s, start);
      break;
    }
  }
  return 0;
}

// --- Scans. ---

void set_schedule_clock(schedule_clock_t clock) { schedule_clock = clock; }

gint64 schedule_now_seconds() {
  gint64 us = schedule_clock != nullptr ? schedule_clock() : g_get_real_time();
  return floor_div(us, G_USEC_PER_SEC);
}

void set_schedule_starter(schedule_starter_t starter) { schedule_starter = starter; }

namespace {

// The minutes a scan at `now` looks at, given the previous scan at `last`: every minute
// start in (last, now]; after a gap longer than the catch-up window only the current one.
// Nothing when the clock did not move on or went back.
std::vector<gint64> minutes_to_scan(gint64 last, gint64 now) {
  std::vector<gint64> minutes;
  if (now <= last) return minutes;
  gint64 first = floor_div(last, 60) * 60 + 60;
  if (now - last > SCHEDULE_CATCH_UP_SECONDS) first = floor_div(now, 60) * 60;
  for (gint64 m = first; m <= now; m += 60) minutes.push_back(m);
  return minutes;
}

// Calls fire(wall) for every local wall time that is due at minute m: normally m's own wall
// time; after a forward jump of the clock also every wall time the jump skipped.
template <typename Fire>
void walls_due_at(GTimeZone* tz, gint64 m, Fire fire) {
  gint64 previous = wall_minute(tz, m - 60);
  gint64 current = wall_minute(tz, m);
  if (current <= previous) return;  // the first minute after a fall-back: all seen before
  gint64 first = std::max(previous + 60, current - MAX_OFFSET_JUMP);
  for (gint64 w = first; w <= current; w += 60) fire(w);
}

// True when the entries fire at unix minute m (as the next run time computes it).
bool entries_fire_at(GTimeZone* tz, const std::vector<schedule_info>& entries, gint64 m) {
  bool hit = false;
  walls_due_at(tz, m, [&](gint64 wall) {
    if (hit) return;
    civil_t c = civil_from_wall(wall);
    for (const schedule_info& e : entries) {
      if (entry_matches(e, c) && fire_minute(tz, wall) == m) {
        hit = true;
        return;
      }
    }
  });
  return hit;
}

// A minute already fired for this task (the clock was set back) is not started again. Old
// memories do not block: after a day they no longer count.
bool take_fire(gint64* last_fired, gint64 m) {
  if (*last_fired != G_MININT64 && m <= *last_fired && *last_fired - m < 86400) return false;
  *last_fired = m;
  return true;
}

gint64 parse_iso_seconds(const std::string& text, bool* ok) {
  GTimeVal t{};
  *ok = !text.empty() && g_time_val_from_iso8601(text.c_str(), &t);
  return t.tv_sec;
}

}  // namespace

void scan_session_schedule() {
  gint64 n = schedule_now_seconds();
  std::vector<gint64> minutes = minutes_to_scan(gtime_schedule, n);
  gtime_schedule = n;
  if (minutes.empty()) return;
  time_zone_ptr tz = local_zone();
  if (!tz) return;
  GTimeVal now{};
  now.tv_sec = static_cast<glong>(n);
  std::lock_guard<std::mutex> lock(session_list_mutex);
  std::set<std::string> started;
  for (gint64 m : minutes) {
    // Copy the uuids first: a start may move the record's times.
    std::vector<std::string> due;
    for (const session_t& s : session_list) {
      if (!is_scheduled_kind(s.schedule_type)) continue;
      if (!entries_fire_at(tz.get(), s.schedule_entries, m)) continue;
      auto it = fired_minutes.try_emplace(s.uuid, G_MININT64).first;
      if (!take_fire(&it->second, m)) continue;
      if (started.insert(s.uuid).second) due.push_back(s.uuid);
    }
    for (const std::string& uuid : due) {
      if (schedule_starter != nullptr) {
        int result = schedule_starter(uuid.c_str(), &now);
        daemon_print(0, "scheduled start of %s at %s: %d\n", uuid.c_str(),
                     time_val_to_iso8601(now).c_str(), result);
      } else {
        daemon_print(3, "no starter for the scheduled task %s\n", uuid.c_str());
      }
    }
  }
  // A next run time that passed without moving on (its start was refused because the task
  // was still running) moves to the following run.
  for (session_t& s : session_list) {
    bool ok = false;
    gint64 next = parse_iso_seconds(s.next_time, &ok);
    if (ok && next <= n) update_session_next_time(&s);
  }
}

void schedule_reset(gint64 last_scan_seconds) {
  gtime_schedule = last_scan_seconds;
  gtime_email_schedule = last_scan_seconds;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    fired_minutes.clear();
  }
  email_fired_minute = G_MININT64;
}

namespace {

// Ticks once a second, a little after each whole second, so that drift never piles up; a
// late tick loses nothing (the scans catch up).
void schedule_thread() {
  for (;;) {
    gint64 us = g_get_real_time() % G_USEC_PER_SEC;
    g_usleep(static_cast<gulong>(G_USEC_PER_SEC - us + 20000));
    scan_session_schedule();
    scan_email_schedule();
  }
}

}  // namespace

// The load of the task list just before has asked for every task's last run time; asking
// again would only read each destination twice and, for an unreachable one, write its error
// record twice.
bool schedule_init() {
  // A minute that begins in this very second still runs, as the next time shown at the
  // load says.
  schedule_reset(schedule_now_seconds() - 1);
  try {
    std::thread(schedule_thread).detach();
  } catch (const std::system_error& e) {
    g_critical("can not start the schedule thread: %s", e.what());
    return false;
  }
  return true;
}

gint64 schedule_fire_minute(gint64 wall) {
  time_zone_ptr tz = local_zone();
  return tz ? fire_minute(tz.get(), wall) : wall;
}

// --- The log-mail schedule. ---

schedule_info make_email_schedule(const std::string& kind, const std::string& time) {
  schedule_info entry;
  GTimeVal t{};
  if (!g_time_val_from_iso8601(time.c_str(), &t)) t = GTimeVal{};
  GDateTime* dt = g_date_time_new_from_unix_local(t.tv_sec);
  if (dt == nullptr) return entry;
  char text[16];
  g_snprintf(text, sizeof text, "%d", g_date_time_get_minute(dt));
  ParseField(entry.minutes.data(), 60, 0, nullptr, text);
  g_snprintf(text, sizeof text, "%d", g_date_time_get_hour(dt));
  ParseField(entry.hours.data(), 24, 0, nullptr, text);
  if (kind == "daily") {
    ParseField(entry.days.data(), 32, 0, nullptr, "*");
  } else if (kind == "monthly") {
    g_snprintf(text, sizeof text, "%d", g_date_time_get_day_of_month(dt));
    ParseField(entry.days.data(), 32, 0, nullptr, text);
  } else {
    int weekday = g_date_time_get_day_of_week(dt);
    daemon_print(0, "the week of date is %d \n", weekday);
    g_snprintf(text, sizeof text, "%d", weekday);
    ParseField(entry.weekdays.data(), 8, 0, DowAry, text);
  }
  g_date_time_unref(dt);
  return entry;
}

// The mutex is a static object that lives until the process ends.
void email_schedule_init() {}
void email_schedule_deinit() {}
void clear_email_schedule() {}

schedule_info get_email_schedule() {
  std::lock_guard<std::mutex> lock(email_schedule_mutex);
  return email_schedule;
}

void update_email_schedule() {
  schedule_info entry =
      make_email_schedule(get_global_config(GLOBAL_SCHEDULE), get_global_config(GLOBAL_TIME));
  std::lock_guard<std::mutex> lock(email_schedule_mutex);
  email_schedule = entry;
}

void set_log_mail_sender(log_mail_sender_t sender) { log_mail_sender = sender; }

void scan_email_schedule() {
  gint64 n = schedule_now_seconds();
  std::vector<gint64> minutes = minutes_to_scan(gtime_email_schedule, n);
  gtime_email_schedule = n;
  if (minutes.empty()) return;
  time_zone_ptr tz = local_zone();
  if (!tz) return;
  const std::vector<schedule_info> entries{get_email_schedule()};
  bool due = false;
  for (gint64 m : minutes) {
    if (entries_fire_at(tz.get(), entries, m) && take_fire(&email_fired_minute, m)) due = true;
  }
  if (!due) return;
  // The switch counts as it is at the moment of the match.
  if (get_global_config(GLOBAL_EMAIL_PERIOD_ENABLE) != "enable") return;
  if (log_mail_sender == nullptr) {
    daemon_print(3, "no sender for the log mail\n");
    return;
  }
  log_mail_sender(
      _("\nDear Administrator\n\n  Here is the current log information. \n  Please check.\n"),
      true, true);
}
