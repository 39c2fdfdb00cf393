// E-mail reports: one mail to the administrator address of the e-mail settings, over SMTP
// with STARTTLS and authentication when the settings ask for them.
//
// Every mail builds its own mail session from a fresh copy of the settings, so nothing of
// one mail (TLS, port, account) carries over to the next. With "ssl" on, STARTTLS is
// required (no fall-back to plain text) and the server's certificate must chain to a CA of
// the system bundle (or of the PEM file named by TESSALY_SMTP_CA_FILE) and name the server.
// A failed mail is printed to the standard error stream and leaves an error record in the
// log.
#pragma once

#include <string>

// Sends one mail with `body`; `attachment` is a file sent as "LOG.txt", or null. A missing
// attachment file is left out and the mail still goes.
void send_email(const std::string& body, const char* attachment);

// The same, telling whether the server took the mail; `error` gets a one-line reason.
bool send_email_checked(const std::string& body, const char* attachment,
                        std::string* error = nullptr);

// Splits the smtp_server setting: "host", "host:port", "[v6 address]" or "[v6 address]:port".
// A setting without a port gets 587 when ssl is on, else 25. False for anything else
// (empty, user parts, paths, bad ports).
bool parse_smtp_server(const std::string& setting, bool ssl, std::string* host, int* port);

// How long a mail waits for the server at any step before it gives up (default 60 s).
void set_email_timeout_seconds(int seconds);
// How long the e-mail test command waits for its mail (default 20 s) before it answers
// that the test failed; the mail itself goes on in the background until its own time-out.
void set_email_test_wait_ms(int ms);
