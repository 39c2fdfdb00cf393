// The configuration-update request: re-reads both configuration files and answers.
#pragma once

namespace tessaly::link {
struct request;
}

void initSigHandlers();
void handle_reload_event(const tessaly::link::request* request);
