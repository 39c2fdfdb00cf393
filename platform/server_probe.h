// Whether an SMB server answers at all, asked without libsmbclient.
//
// libsmbclient cannot set up two connections at once on different threads (its character
// conversions during the session setup share state), so the share layer sets connections up
// one at a time. A server that takes the TCP connection and then never answers would hold
// that turn for the whole time-out and with it every other task's new connection. The layer
// therefore first sends the server one SMB2 negotiate request on a connection of its own and
// waits for any answer; only a server that answers (or refuses at once) is handed to the
// library.
#pragma once

#include <string>

namespace tessaly::share {

// False (errno ETIMEDOUT) when `host` on `port` takes no connection, or takes one and sends
// nothing back, within `timeout_ms`. True for every other outcome: an answer, a closed or
// refused connection, or a name that only the library can resolve (NetBIOS), which the
// library then reports in its own way.
bool smb_server_answers(const std::string& host, int port, int timeout_ms);

}  // namespace tessaly::share
