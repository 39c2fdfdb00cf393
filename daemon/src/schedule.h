// Run schedules: the cron-like entries of each task's run times, the schedule thread that
// starts tasks on time, the next and last run times shown to the user, and the schedule of
// the periodic log mail.
#pragma once

#include <glib.h>

#include <cstdint>

#include "session.h"

// Fills one flag array from a field text ("*", "n", "a-b", names, "/step", lists).
void ParseField(uint8_t* ary, int modvalue, int off, const char* names, const char* field);

// Appends the entry for one schedule time to the task, by the task's schedule kind.
void update_session_schedule_list(GTimeVal time, session_t* session);

// The next run time: at load (init) and when a backup starts (update).
int init_session_next_time(session_t* session);
int update_session_next_time(session_t* session);
int init_session_next_time_day(session_t* session);
int update_session_next_time_day(session_t* session);
int update_session_next_time_week(session_t* session);
int init_session_next_time_month(session_t* session);
int update_session_next_time_month(session_t* session);

// The last run time: the given time, or the newest run in the task's history on its
// destination.
int update_session_last_time_now(session_t* session, const GTimeVal* t);
int update_session_last_time_from_db(session_t* session);
void init_sessions_last_time();

// For the task with that uuid: the next time moves on and the last time becomes `start`.
// The caller holds session_list_mutex.
int update_session_backup_time(const char* uuid, const GTimeVal* start);

// Starts the schedule thread (once, at start-up).
bool schedule_init();

void email_schedule_init();
void email_schedule_deinit();
void clear_email_schedule();
void update_email_schedule();
