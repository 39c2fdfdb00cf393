#include "email.h"

#include <glib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/vmime.hpp>

#include "configuration.h"
#include "i18n.h"
#include "log.h"
#include "threads.h"

namespace {

std::atomic<int> email_timeout_seconds{60};
std::atomic<int> email_test_wait_ms{20000};

constexpr const char* SYSTEM_CA_BUNDLE = "/etc/ssl/certs/ca-certificates.crt";

// The platform handler is a process-wide pointer: set it once, before the first mail.
void install_platform_handler() {
  static std::once_flag once;
  std::call_once(once, [] { vmime::platform::setHandler<vmime::platforms::posix::posixHandler>(); });
}

using x509_list = std::vector<std::shared_ptr<vmime::security::cert::X509Certificate>>;

// Every certificate of a PEM file (a bundle holds many; VMime reads one at a time).
x509_list read_pem_certificates(const char* path) {
  x509_list certs;
  gchar* data = nullptr;
  gsize length = 0;
  if (path == nullptr || !g_file_get_contents(path, &data, &length, nullptr)) return certs;
  std::string text(data, length);
  g_free(data);
  static const std::string begin = "-----BEGIN CERTIFICATE-----";
  static const std::string end = "-----END CERTIFICATE-----";
  size_t pos = 0;
  for (;;) {
    size_t a = text.find(begin, pos);
    if (a == std::string::npos) break;
    size_t b = text.find(end, a);
    if (b == std::string::npos) break;
    b += end.size();
    std::string block = text.substr(a, b - a) + "\n";
    try {
      auto cert = vmime::security::cert::X509Certificate::import(
          reinterpret_cast<const vmime::byte_t*>(block.data()), block.size());
      if (cert) certs.push_back(cert);
    } catch (const vmime::exception&) {
      // A damaged entry of a bundle does not stop the others.
    }
    pos = b;
  }
  return certs;
}

// The system's CAs are read once; the extra CA file is read for every mail.
const x509_list& system_root_cas() {
  static std::once_flag once;
  static x509_list cas;
  std::call_once(once, [] { cas = read_pem_certificates(SYSTEM_CA_BUNDLE); });
  return cas;
}

}  // namespace

// Checks the server's chain against the system's CAs (and TESSALY_SMTP_CA_FILE) and the
// server name. A chain that fails is refused: the mail is not sent, and the reason reaches
// the log. Nothing is trusted on first sight.
class interactiveCertificateVerifier : public vmime::security::cert::defaultCertificateVerifier {
 public:
  interactiveCertificateVerifier() {
    x509_list roots = system_root_cas();
    const char* extra = g_getenv("TESSALY_SMTP_CA_FILE");
    if (extra != nullptr && *extra != '\0') {
      x509_list more = read_pem_certificates(extra);
      roots.insert(roots.end(), more.begin(), more.end());
    }
    setX509RootCAs(roots);
  }

  void verify(std::shared_ptr<vmime::security::cert::certificateChain> chain,
              const vmime::string& hostname) override {
    defaultCertificateVerifier::verify(chain, hostname);
  }
};

std::ostream& operator<<(std::ostream& os, const vmime::exception& e) {
  os << "* vmime::exceptions::" << e.name() << std::endl;
  os << "    what = " << e.what() << std::endl;
  if (const auto* ce = dynamic_cast<const vmime::exceptions::command_error*>(&e)) {
    os << "    command = " << ce->command() << std::endl;
    os << "    response = " << ce->response() << std::endl;
  }
  if (const auto* ir = dynamic_cast<const vmime::exceptions::invalid_response*>(&e)) {
    os << "    response = " << ir->response() << std::endl;
  }
  if (const auto* cg = dynamic_cast<const vmime::exceptions::connection_greeting_error*>(&e)) {
    os << "    response = " << cg->response() << std::endl;
  }
  if (const auto* ae = dynamic_cast<const vmime::exceptions::authentication_error*>(&e)) {
    os << "    response = " << ae->response() << std::endl;
  }
  if (const auto* fe = dynamic_cast<const vmime::exceptions::filesystem_exception*>(&e)) {
    os << "    path = "
       << vmime::platform::getHandler()->getFileSystemFactory()->pathToString(fe->path())
       << std::endl;
  }
  if (e.other() != nullptr) os << *e.other();
  return os;
}

namespace {

// Gives up when the server has been silent for the set time at any step.
class bounded_timeout_handler : public vmime::net::timeoutHandler {
 public:
  explicit bounded_timeout_handler(int seconds) : seconds_(seconds), start_(std::time(nullptr)) {}
  bool isTimeOut() override { return std::time(nullptr) - start_ >= seconds_; }
  void resetTimeOut() override { start_ = std::time(nullptr); }
  bool handleTimeOut() override { return false; }

 private:
  int seconds_;
  std::time_t start_;
};

class bounded_timeout_factory : public vmime::net::timeoutHandlerFactory {
 public:
  std::shared_ptr<vmime::net::timeoutHandler> create() override {
    return std::make_shared<bounded_timeout_handler>(email_timeout_seconds.load());
  }
};

// One line for the log: the exception's message and the server's answer, then its causes.
std::string describe(const vmime::exception& e) {
  std::string text = e.what();
  std::string response;
  if (const auto* ce = dynamic_cast<const vmime::exceptions::command_error*>(&e)) {
    response = ce->response();
  } else if (const auto* ae = dynamic_cast<const vmime::exceptions::authentication_error*>(&e)) {
    response = ae->response();
  } else if (const auto* cg =
                 dynamic_cast<const vmime::exceptions::connection_greeting_error*>(&e)) {
    response = cg->response();
  } else if (const auto* ir = dynamic_cast<const vmime::exceptions::invalid_response*>(&e)) {
    response = ir->response();
  }
  for (char& c : response) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!response.empty() && response.back() == ' ') response.pop_back();
  if (!response.empty()) text += " (" + response + ")";
  if (e.other() != nullptr) text += ": " + describe(*e.other());
  return text;
}

// An address goes into the SMTP envelope as it stands: no controls, blanks or brackets
// that could end a command or add a second one.
bool valid_address(const std::string& address) {
  if (address.empty() || address.size() > 254) return false;
  if (address.find('@') == std::string::npos) return false;
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7f || c == '<' || c == '>' || c == ',' || c == ';') return false;
  }
  return true;
}

bool valid_host(const std::string& host, bool bracketed) {
  if (host.empty() || host.size() > 253) return false;
  for (unsigned char c : host) {
    bool ok = bracketed ? (g_ascii_isxdigit(c) || c == ':' || c == '.')
                        : (g_ascii_isalnum(c) || c == '-' || c == '.' || c == '_');
    if (!ok) return false;
  }
  return true;
}

bool parse_port(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (!g_ascii_isdigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  *port = value;
  return true;
}

// The settings of one mail, copied when it starts.
struct mail_settings_t {
  bool account = false;
  bool ssl = false;
  std::string user;
  std::string password;
  std::string server;
  std::string sender;
  std::string receiver;
};

mail_settings_t read_mail_settings() {
  mail_settings_t s;
  s.account = get_global_config(GLOBAL_METHOD) == "account";
  s.ssl = get_global_config(GLOBAL_SSL) == "enable";
  if (s.account) {
    s.user = get_global_config(GLOBAL_USER_NAME);
    s.password = get_global_config(GLOBAL_PASSWORD);
  }
  s.server = get_global_config(GLOBAL_SMTP_SERVER);
  s.sender = get_global_config(GLOBAL_SENDER_EMAIL);
  s.receiver = get_global_config(GLOBAL_RECEIVER_EMAIL);
  return s;
}

void report_failure(const std::string& reason, std::string* error) {
  if (error != nullptr) *error = reason;
  log_session("OTHERS", "", MSG_LEVEL_ERROR, _("The e-mail could not be sent: %s"),
              reason.c_str());
}

std::string read_attachment(const char* path, bool* present) {
  *present = false;
  if (path == nullptr) return "";
  gchar* data = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path, &data, &length, nullptr)) return "";
  std::string content(data, length);
  g_free(data);
  *present = true;
  return content;
}

// SMTP lines end in CR LF; a bare LF in the body is refused or mangled by many servers.
// A message of one part gets a final line break from VMime: the body's own last one is
// dropped there (single_part), so the reader sees the text as it was given.
std::string crlf_lines(const std::string& text, bool single_part) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (single_part && out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) {
    out.resize(out.size() - 2);
  }
  return out;
}

void send_prepared(const mail_settings_t& s, const std::string& host, int port,
                   const std::string& body, const char* attachment) {
  std::shared_ptr<vmime::net::session> session = vmime::net::session::create();
  std::shared_ptr<vmime::net::transport> transport = session->getTransport("smtp");
  transport->setProperty("server.address", host);
  transport->setProperty("server.port", port);
  transport->setProperty("options.need-authentication", s.account);
  if (s.account) {
    transport->setProperty("auth.username", s.user);
    transport->setProperty("auth.password", s.password);
  }
  transport->setProperty("connection.tls", s.ssl);
  transport->setProperty("connection.tls.required", s.ssl);
  if (s.ssl) transport->setCertificateVerifier(std::make_shared<interactiveCertificateVerifier>());
  transport->setTimeoutHandlerFactory(std::make_shared<bounded_timeout_factory>());

  vmime::mailbox from{vmime::emailAddress(s.sender)};
  vmime::mailboxList to;
  to.appendMailbox(std::make_shared<vmime::mailbox>(vmime::emailAddress(s.receiver)));

  vmime::messageBuilder builder;
  builder.setExpeditor(from);
  vmime::addressList recipients;
  recipients.appendAddress(std::make_shared<vmime::mailbox>(vmime::emailAddress(s.receiver)));
  builder.setRecipients(recipients);
  builder.setSubject(vmime::text(_("backup information"), vmime::charset("utf-8")));
  builder.getTextPart()->setCharset(vmime::charset("utf-8"));
  bool present = false;
  std::string content = read_attachment(attachment, &present);
  builder.getTextPart()->setText(
      std::make_shared<vmime::stringContentHandler>(crlf_lines(body, !present)));
  if (present) {
    auto handler = std::make_shared<vmime::stringContentHandler>(content);
    auto file = std::make_shared<vmime::fileAttachment>(
        handler, vmime::word("LOG.txt", vmime::charset("utf-8")), vmime::mediaType("text/plain"),
        vmime::text("log information"));
    builder.appendAttachment(file);
  }

  std::shared_ptr<vmime::message> message = builder.construct();
  const std::string text =
      message->generate(vmime::generationContext::getDefaultContext().getMaxLineLength());

  transport->connect();
  vmime::utility::inputStreamStringAdapter stream(text);
  try {
    transport->send(from, to, stream, text.length(), nullptr);
  } catch (...) {
    try {
      transport->disconnect();
    } catch (...) {
    }
    throw;
  }
  transport->disconnect();
}

}  // namespace

bool parse_smtp_server(const std::string& setting, bool ssl, std::string* host, int* port) {
  std::string name;
  std::string port_text;
  bool has_port = false;
  bool bracketed = false;
  if (!setting.empty() && setting[0] == '[') {
    size_t close = setting.find(']');
    if (close == std::string::npos) return false;
    name = setting.substr(1, close - 1);
    bracketed = true;
    std::string rest = setting.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      port_text = rest.substr(1);
      has_port = true;
    }
  } else {
    size_t colon = setting.find(':');
    if (colon != std::string::npos) {
      if (setting.find(':', colon + 1) != std::string::npos) return false;
      port_text = setting.substr(colon + 1);
      has_port = true;
    }
    name = setting.substr(0, colon);
  }
  if (!valid_host(name, bracketed)) return false;
  int value = ssl ? 587 : 25;
  if (has_port && !parse_port(port_text, &value)) return false;
  *host = name;
  *port = value;
  return true;
}

bool send_email_checked(const std::string& body, const char* attachment, std::string* error) {
  install_platform_handler();
  mail_settings_t settings = read_mail_settings();
  std::string host;
  int port = 0;
  if (!parse_smtp_server(settings.server, settings.ssl, &host, &port)) {
    report_failure("the SMTP server \"" + clean_log_text(settings.server, 256) + "\" is not valid",
                   error);
    return false;
  }
  if (!valid_address(settings.sender)) {
    report_failure("the sender address is not valid", error);
    return false;
  }
  if (!valid_address(settings.receiver)) {
    report_failure("the receiver address is not valid", error);
    return false;
  }
  try {
    send_prepared(settings, host, port, body, attachment);
  } catch (const vmime::exception& e) {
    std::cerr << std::endl << e << std::endl;
    report_failure(describe(e), error);
    return false;
  } catch (const std::exception& e) {
    std::cerr << std::endl << "std::exception: " << e.what() << std::endl;
    report_failure(e.what(), error);
    return false;
  }
  daemon_print(0, "the e-mail was sent to %s\n", settings.receiver.c_str());
  return true;
}

void send_email(const std::string& body, const char* attachment) {
  send_email_checked(body, attachment, nullptr);
}

void set_email_timeout_seconds(int seconds) { email_timeout_seconds.store(seconds); }
void set_email_test_wait_ms(int ms) { email_test_wait_ms.store(ms); }

// The e-mail test of the controller: a test mail with the current settings. The answer
// comes from the main thread, so it waits a bounded time (20 s) for the mail; a mail that
// takes longer is answered as failed and ends by itself at its own time-out.
int email_test() {
  struct result_t {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    bool ok = false;
  };
  auto result = std::make_shared<result_t>();
  std::string body = _("\nDear Administrator\n\n  This is a test mail of the e-mail settings.\n");
  try {
    std::thread([result, body] {
      bool ok = send_email_checked(body, nullptr, nullptr);
      std::lock_guard<std::mutex> lock(result->mutex);
      result->done = true;
      result->ok = ok;
      result->done_cv.notify_all();
    }).detach();
  } catch (const std::system_error& e) {
    daemon_print(3, "can not start the e-mail test: %s\n", e.what());
    return 4;
  }
  std::unique_lock<std::mutex> lock(result->mutex);
  bool finished = result->done_cv.wait_for(lock, std::chrono::milliseconds(email_test_wait_ms.load()),
                                           [&] { return result->done; });
  if (!finished) {
    daemon_print(0, "the e-mail test did not finish in time\n");
    return 4;
  }
  return result->ok ? 0 : 4;
}
