// The configuration-update request: re-reads both configuration files and answers.
#pragma once

#include <glib.h>

void initSigHandlers();
void handle_reload_event(gpointer data);
