// Run schedules: the cron-like entries of each task's run times, the schedule thread that
// starts tasks on time, the next and last run times shown to the user, and the schedule of
// the periodic log mail.
//
// When a run happens: every scan looks at each whole minute crossed since the previous scan
// (at most SCHEDULE_CATCH_UP_SECONDS back; after a longer gap, such as a resume from suspend,
// only the current minute) and tests the entries against that minute's local calendar fields.
// A scheduled local time fires at the first minute whose local wall time reaches it: normally
// at that very minute, on a spring-forward day at the first minute after the jump, and on a
// fall-back day only at its first occurrence. The next run time shown is computed with the
// same rule, so it is always the minute at which the scan will start the task.
#pragma once

#include <glib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "session.h"

// Weekday names for the weekday field (1 mon .. 7 sun) and month names (unused).
extern const char DowAry[];
extern const char MonAry[];

// Fills one flag array from a field text ("*", "n", "a-b", names, "/step", lists). Returns
// false (and prints "user: parse error at ...") when the text is not a valid field; values
// set before the error stay set.
bool ParseField(uint8_t* ary, int modvalue, int off, const char* names, const char* field);

// Appends the entry for one schedule time to the task, by the task's schedule kind.
void update_session_schedule_list(GTimeVal time, session_t* session);

// The next run time: at load (init: a run at this very second still counts) and when a
// backup starts (update: the first run after now).
int init_session_next_time(session_t* session);
int update_session_next_time(session_t* session);
int init_session_next_time_day(session_t* session);
int update_session_next_time_day(session_t* session);
int init_session_next_time_week(session_t* session);
int update_session_next_time_week(session_t* session);
int init_session_next_time_month(session_t* session);
int update_session_next_time_month(session_t* session);

// The last run time: the given time, or the newest run in the task's history on its
// destination.
int update_session_last_time_now(session_t* session, const GTimeVal* t);
// Reads on the calling thread (it connects to the destination).
int update_session_last_time_from_db(session_t* session);
// Asks for every task's last run time from its destination, read by a thread of that task:
// returns at once, and each time reaches the task list when it has been read (a task whose
// backup started meanwhile keeps that start's time). Takes session_list_mutex.
void init_sessions_last_time();
// Waits until every read asked for so far has reached the task list (for tests, which must
// not end, or begin the next case, with a read under way).
void wait_sessions_last_time();
// For a load that replaces the task list: each task of `fresh` takes the last run time the
// current list holds for its uuid, which it shows until its destination has been read again.
// The caller holds session_list_mutex.
void carry_sessions_last_time(std::vector<session_t>* fresh);

// A last run time read from a task's history on the share: kept only when it is at most 64
// bytes and parses as ISO 8601, else "".
std::string checked_last_time(const char* text);

// For the task with that uuid: the next time moves on and the last time becomes `start`.
// The caller holds session_list_mutex.
int update_session_backup_time(const char* uuid, const GTimeVal* start);

// Starts the schedule thread (once, at start-up).
bool schedule_init();

void email_schedule_init();
void email_schedule_deinit();
void clear_email_schedule();
void update_email_schedule();

// --- The scans and what they depend on, exposed for the start-up and the tests. ---

// How far back a late scan still catches up missed minutes.
constexpr gint64 SCHEDULE_CATCH_UP_SECONDS = 300;

// The clock of the schedules, in microseconds since the epoch (g_get_real_time by default;
// null restores it).
using schedule_clock_t = gint64 (*)();
void set_schedule_clock(schedule_clock_t clock);
gint64 schedule_now_seconds();

// What a matching task entry calls (start_backup in the service, wired at start-up; null
// starts nothing).
using schedule_starter_t = int (*)(const char* uuid, const GTimeVal* start);
void set_schedule_starter(schedule_starter_t starter);

// What the log-mail scan calls on a match while email_period_enable is "enable"
// (send_email_extended in the service; null sends nothing).
using log_mail_sender_t = int (*)(const char* text, bool in_thread, bool attach_log);
void set_log_mail_sender(log_mail_sender_t sender);

// One task scan: every minute crossed since the previous scan, then the refresh of next run
// times that have passed without a start. Takes session_list_mutex.
void scan_session_schedule();
// One log-mail scan over the same minutes, with its own memory of the previous scan.
void scan_email_schedule();
// Sets the time of the previous scan of both scans (schedule_init sets it to the start-up
// time) and forgets which times already fired.
void schedule_reset(gint64 last_scan_seconds);

// The log-mail entry for a schedule kind and an ISO 8601 time (a text that does not parse
// counts as the epoch).
schedule_info make_email_schedule(const std::string& kind, const std::string& time);
schedule_info get_email_schedule();

// The unix minute at which a local wall time fires: the first minute whose local wall time
// is at least the given one. The wall time is given as seconds of a calendar without zones
// (year, month, day, hour, minute counted as if they were UTC).
gint64 schedule_fire_minute(gint64 wall);
