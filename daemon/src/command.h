// The request handlers: callbacks of the link's pipe events that do the work on the main
// thread and send exactly one reply in the link's format.
#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>

// Replies to a request copy (its first 28 bytes are the request header).
void send_ack(const uint8_t* request, const void* payload, size_t length, int64_t result);
void send_answer(const uint8_t* request, const void* payload, size_t length, int64_t result);

void register_command_handle();

void backup_start_event_emitted(gpointer data);
void backup_stop_event_emitted(gpointer data);
void restore_start_event_emitted(gpointer data);
void restore_stop_event_emitted(gpointer data);
void email_test_event_emitted(gpointer data);
void version_event_emitted(gpointer data);
void session_summary_event_emitted(gpointer data);
void session_detail_event_emitted(gpointer data);
