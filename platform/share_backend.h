// What the two back-ends of the destination interface share (private to platform/): the
// count of the requests they send, and the reading of fopen modes.
#pragma once

#include "destination.h"

namespace tessaly::share {

// Counts one request of a kind (see share.h: request_counts_t). Each back-end counts what it
// sends, so that a wrapper in front of it adds nothing.
enum class request_kind { lookup, listing, made, removed, renamed, opened, read, write };
void count_request(request_kind kind);

// fopen-style mode text to open(2) flags; -1 for a text that is none.
int mode_to_flags(const char* mode);

}  // namespace tessaly::share
