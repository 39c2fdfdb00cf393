// The request handlers: callbacks of the link's pipe events that do the work on the main
// thread and send exactly one reply in the link's format.
#pragma once

#include <cstdint>
#include <vector>

#include "link_packet.h"

// Replies to a request: an ACK to a set request, an ANSWER to a query.
void send_ack(const tessaly::link::request_header& request, const std::vector<uint8_t>& payload,
              int64_t result);
void send_answer(const tessaly::link::request_header& request,
                 const std::vector<uint8_t>& payload, int64_t result);
// An ACK whose payload is the result's text.
void ack_with_text(const tessaly::link::request_header& request, int64_t result);

void register_command_handle();

void backup_start_event_emitted(const tessaly::link::request* request);
void backup_stop_event_emitted(const tessaly::link::request* request);
void restore_start_event_emitted(const tessaly::link::request* request);
void restore_stop_event_emitted(const tessaly::link::request* request);
void email_test_event_emitted(const tessaly::link::request* request);
void version_event_emitted(const tessaly::link::request* request);
void session_summary_event_emitted(const tessaly::link::request* request);
void session_detail_event_emitted(const tessaly::link::request* request);
