// Mail against a real SMTP server on 127.0.0.1 (tests/peers/smtp_server.py, aiosmtpd), with
// certificates made per run by openssl.
#include "email.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "configuration.h"
#include "log.h"
#include "test_support.h"
#include "threads.h"

// The e-mail settings under the test's control. The loader's own definition is not linked
// into this test: nothing else of it is used here.
namespace {
std::map<int, std::string> fake_settings;
std::mutex fake_settings_mutex;
}  // namespace
std::string get_global_config(Global_option option) {
  std::lock_guard<std::mutex> lock(fake_settings_mutex);
  auto it = fake_settings.find(option);
  return it == fake_settings.end() ? std::string() : it->second;
}

namespace {

using test_support::read_file;
using test_support::TempRoot;
using test_support::write_file;

const char* const PASSWORD = "s3cret-Pa55";
const char* const BODY =
    "\nDear Administrator\n\n    Task Docs was started at 2026-03-01 13:05\n"
    "    Task Docs is completed at 2026-03-01 13:07.\n";

void set(Global_option option, const std::string& value) {
  std::lock_guard<std::mutex> lock(fake_settings_mutex);
  fake_settings[option] = value;
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A test CA, a server certificate it signed for 127.0.0.1, one it signed for another host,
// and a self-signed one for 127.0.0.1.
struct certificates_t {
  std::string dir;
  std::string ca, key, cert, wrong_host_cert, wrong_host_key, self_cert, self_key;
};

const certificates_t& certificates() {
  static certificates_t c = [] {
    certificates_t k;
    gchar* dir = g_dir_make_tmp("tessaly-certs-XXXXXX", nullptr);
    k.dir = dir;
    g_free(dir);
    const std::string d = k.dir + "/";
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    const std::string quiet = " 2>/dev/null";
    bool ok = run("openssl req -x509" + ec + "-keyout " + d + "ca.key -out " + d +
                  "ca.pem -days 2 -subj '/CN=Tessaly Test CA' -addext "
                  "basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign" +
                  quiet);
    auto leaf = [&](const std::string& name, const std::string& san) {
      write_file(d + name + ".ext", "subjectAltName=" + san +
                                        "\nbasicConstraints=CA:FALSE\n"
                                        "extendedKeyUsage=serverAuth\n");
      return run("openssl req" + ec + "-keyout " + d + name + ".key -out " + d + name +
                 ".csr -subj '/CN=" + name + "'" + quiet) &&
             run("openssl x509 -req -in " + d + name + ".csr -CA " + d + "ca.pem -CAkey " + d +
                 "ca.key -CAcreateserial -days 2 -out " + d + name + ".pem -extfile " + d + name +
                 ".ext" + quiet);
    };
    ok = ok && leaf("server", "IP:127.0.0.1,DNS:localhost");
    ok = ok && leaf("other", "DNS:other.test");
    ok = ok && run("openssl req -x509" + ec + "-keyout " + d + "self.key -out " + d +
                   "self.pem -days 2 -subj '/CN=127.0.0.1' -addext "
                   "subjectAltName=IP:127.0.0.1" + quiet);
    EXPECT_TRUE(ok) << "openssl failed";
    k.ca = d + "ca.pem";
    k.cert = d + "server.pem";
    k.key = d + "server.key";
    k.wrong_host_cert = d + "other.pem";
    k.wrong_host_key = d + "other.key";
    k.self_cert = d + "self.pem";
    k.self_key = d + "self.key";
    return k;
  }();
  return c;
}

// One running test server; stopped (by its own pid) when the object goes.
class smtp_server {
 public:
  explicit smtp_server(std::vector<std::string> extra) {
    gchar* dir = g_dir_make_tmp("tessaly-smtp-XXXXXX", nullptr);
    dir_ = dir;
    g_free(dir);
    std::vector<std::string> args = {"/usr/bin/python3", TESSALY_PEERS_DIR "/smtp_server.py",
                                     "--port-file", dir_ + "/port", "--out", dir_ + "/out"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    GError* error = nullptr;
    GPid pid = 0;
    if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                       &pid, &error)) {
      ADD_FAILURE() << "cannot start the SMTP server: " << error->message;
      g_error_free(error);
      return;
    }
    pid_ = pid;
    for (int i = 0; i < 200 && port_ == 0; ++i) {
      std::string text = read_file(dir_ + "/port");
      if (!text.empty()) port_ = std::atoi(text.c_str());
      if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(port_, 0) << "the SMTP server did not come up";
  }
  ~smtp_server() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    if (getenv("TESSALY_KEEP_SMTP") == nullptr) run("rm -rf '" + dir_ + "'");
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string out(const std::string& name) const { return dir_ + "/out/" + name; }
  bool has(const std::string& name) const { return g_file_test(out(name).c_str(), G_FILE_TEST_EXISTS); }
  std::string clear_text() const { return read_file(out("clear.log")); }

 private:
  std::string dir_;
  GPid pid_ = 0;
  int port_ = 0;
};

// A record the server wrote, read with GKeyFile.
class record_t {
 public:
  explicit record_t(const std::string& path) : file_(g_key_file_new()) {
    loaded_ = g_key_file_load_from_file(file_, path.c_str(), G_KEY_FILE_NONE, nullptr);
  }
  ~record_t() { g_key_file_free(file_); }
  bool loaded() const { return loaded_; }
  std::string get(const char* group, const char* key) const {
    gchar* v = g_key_file_get_string(file_, group, key, nullptr);
    std::string out = v != nullptr ? v : "<missing>";
    g_free(v);
    return out;
  }

 private:
  GKeyFile* file_;
  bool loaded_ = false;
};

class EmailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> lock(fake_settings_mutex);
      fake_settings.clear();
    }
    set(GLOBAL_SENDER_EMAIL, "tessaly@example.test");
    set(GLOBAL_RECEIVER_EMAIL, "admin@example.test");
    set(GLOBAL_METHOD, "anonymous");
    set(GLOBAL_SSL, "disable");
    setenv("TESSALY_SMTP_CA_FILE", certificates().ca.c_str(), 1);
    set_email_timeout_seconds(10);
    std::lock_guard<std::mutex> lock(log_file_mutex);
    log_list.clear();
  }
  void TearDown() override { unsetenv("TESSALY_SMTP_CA_FILE"); }

  void account(const char* password) {
    set(GLOBAL_METHOD, "account");
    set(GLOBAL_USER_NAME, "backup");
    set(GLOBAL_PASSWORD, password);
  }

  // The error records the mail left in the log.
  std::vector<std::string> mail_errors() {
    std::vector<std::string> out;
    std::lock_guard<std::mutex> lock(log_file_mutex);
    for (const log_record_t& r : log_list) {
      if (r.type == "error" && r.content.rfind("The e-mail could not be sent: ", 0) == 0) {
        out.push_back(r.content);
      }
    }
    return out;
  }
};

TEST_F(EmailTest, PlainMailCarriesSubjectAddressesAndBody) {
  smtp_server server({});
  set(GLOBAL_SMTP_SERVER, server.address());
  std::string error;
  ASSERT_TRUE(send_email_checked(BODY, nullptr, &error)) << error;
  record_t r(server.out("1.ini"));
  ASSERT_TRUE(r.loaded());
  EXPECT_EQ(r.get("message", "mail_from"), "tessaly@example.test");
  EXPECT_EQ(r.get("message", "rcpt_tos"), "admin@example.test");
  EXPECT_EQ(r.get("message", "subject"), "backup information");
  EXPECT_EQ(r.get("message", "from"), "tessaly@example.test");
  EXPECT_EQ(r.get("message", "to"), "admin@example.test");
  EXPECT_EQ(r.get("message", "body_type"), "text/plain");
  EXPECT_EQ(r.get("message", "body_charset"), "utf-8");
  EXPECT_EQ(r.get("message", "body"), BODY);
  EXPECT_EQ(r.get("message", "tls"), "false");
  EXPECT_EQ(r.get("message", "attachments"), "0");
  EXPECT_FALSE(server.has("auth.ini"));
  EXPECT_TRUE(mail_errors().empty());
}

TEST_F(EmailTest, AuthenticationWithRightAndWrongPasswords) {
  struct row {
    const char* mechanism;
    const char* password;
    bool delivered;
  };
  const std::vector<row> rows = {
      {"LOGIN", PASSWORD, true},
      {"PLAIN", PASSWORD, true},
      {"LOGIN", "wrong", false},
      {"PLAIN", "wrong", false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.mechanism) + " " + r.password);
    smtp_server server({"--auth", std::string("backup:") + PASSWORD, "--mechanisms", r.mechanism});
    set(GLOBAL_SMTP_SERVER, server.address());
    account(r.password);
    size_t errors_before = mail_errors().size();
    std::string error;
    EXPECT_EQ(send_email_checked(BODY, nullptr, &error), r.delivered) << error;
    EXPECT_EQ(server.has("1.ini"), r.delivered);
    record_t auth(server.out("auth.ini"));
    ASSERT_TRUE(auth.loaded());
    EXPECT_EQ(auth.get("auth 1", "mechanism"), r.mechanism);
    EXPECT_EQ(auth.get("auth 1", "login"), "backup");
    EXPECT_EQ(auth.get("auth 1", "ok"), r.delivered ? "true" : "false");
    if (r.delivered) {
      EXPECT_EQ(record_t(server.out("1.ini")).get("message", "login"), "backup");
      EXPECT_EQ(mail_errors().size(), errors_before);
    } else {
      ASSERT_EQ(mail_errors().size(), errors_before + 1);
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST_F(EmailTest, StartTlsWithATrustedCertificate) {
  const certificates_t& c = certificates();
  smtp_server server({"--cert", c.cert, "--key", c.key, "--auth",
                      std::string("backup:") + PASSWORD, "--auth-require-tls"});
  set(GLOBAL_SMTP_SERVER, server.address());
  set(GLOBAL_SSL, "enable");
  account(PASSWORD);
  std::string error;
  ASSERT_TRUE(send_email_checked(BODY, nullptr, &error)) << error;
  record_t r(server.out("1.ini"));
  EXPECT_EQ(r.get("message", "tls"), "true");
  EXPECT_EQ(r.get("message", "login"), "backup");
  EXPECT_EQ(r.get("message", "body"), BODY);
  record_t auth(server.out("auth.ini"));
  EXPECT_EQ(auth.get("auth 1", "tls"), "true");
  // Nothing but the greeting and STARTTLS went in clear.
  std::string clear = server.clear_text();
  EXPECT_NE(clear.find("STARTTLS"), std::string::npos);
  EXPECT_EQ(clear.find("AUTH"), std::string::npos);
  EXPECT_EQ(clear.find("MAIL FROM"), std::string::npos);
}

// Certificates that must be refused, and a server that offers no STARTTLS at all: the mail
// is not sent and the password never goes over the wire.
TEST_F(EmailTest, RefusedTlsSendsNothing) {
  const certificates_t& c = certificates();
  struct row {
    const char* name;
    std::vector<std::string> tls;
    bool with_ca_file;
    const char* reason;
  };
  const std::vector<row> rows = {
      {"self-signed", {"--cert", c.self_cert, "--key", c.self_key}, true, "Cannot verify certificate"},
      {"for another host", {"--cert", c.wrong_host_cert, "--key", c.wrong_host_key}, true,
       "Server identity"},
      {"CA not given", {"--cert", c.cert, "--key", c.key}, false, "Cannot verify certificate"},
      {"no STARTTLS", {}, true, "STARTTLS"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    if (r.with_ca_file) {
      setenv("TESSALY_SMTP_CA_FILE", c.ca.c_str(), 1);
    } else {
      unsetenv("TESSALY_SMTP_CA_FILE");
    }
    std::vector<std::string> args = r.tls;
    args.insert(args.end(), {"--auth", std::string("backup:") + PASSWORD});
    smtp_server server(args);
    set(GLOBAL_SMTP_SERVER, server.address());
    set(GLOBAL_SSL, "enable");
    account(PASSWORD);
    size_t errors_before = mail_errors().size();
    std::string error;
    EXPECT_FALSE(send_email_checked(BODY, nullptr, &error));
    EXPECT_NE(error.find(r.reason), std::string::npos) << error;
    EXPECT_EQ(mail_errors().size(), errors_before + 1);
    EXPECT_FALSE(server.has("1.ini"));
    EXPECT_FALSE(server.has("auth.ini"));
    std::string clear = server.clear_text();
    EXPECT_EQ(clear.find("AUTH"), std::string::npos);
    EXPECT_EQ(clear.find(PASSWORD), std::string::npos);
    gchar* b64 = g_base64_encode(reinterpret_cast<const guchar*>(PASSWORD), strlen(PASSWORD));
    EXPECT_EQ(clear.find(b64), std::string::npos);
    g_free(b64);
  }
}

TEST_F(EmailTest, LogAttachment) {
  TempRoot root;
  const std::string log_txt = root.path() + "/LOG.txt";
  const std::string content =
      "2026-03-01 13:05\tmessage\tDocs\tBackup Docs is completed. Grüße 日本語\n"
      "2026-03-01 13:06\terror\tOTHERS\tA second line\n";
  write_file(log_txt, content);
  smtp_server server({});
  set(GLOBAL_SMTP_SERVER, server.address());
  std::string error;
  ASSERT_TRUE(send_email_checked(BODY, log_txt.c_str(), &error)) << error;
  record_t r(server.out("1.ini"));
  EXPECT_EQ(r.get("message", "body"), BODY);
  EXPECT_EQ(r.get("message", "attachments"), "1");
  EXPECT_EQ(r.get("attachment 1", "filename"), "LOG.txt");
  EXPECT_EQ(r.get("attachment 1", "description"), "log information");
  EXPECT_EQ(r.get("attachment 1", "content_type"), "text/plain");
  EXPECT_EQ(r.get("attachment 1", "content"), content);

  // A log file that is not there is left out; the mail still goes.
  ASSERT_TRUE(send_email_checked(BODY, (root.path() + "/missing.txt").c_str(), &error)) << error;
  EXPECT_EQ(record_t(server.out("2.ini")).get("message", "attachments"), "0");
}

// Settings of one mail never reach the next: after a mail with TLS and an account, a mail
// with neither goes out in plain text, without AUTH.
TEST_F(EmailTest, EachMailUsesOnlyItsOwnSettings) {
  const certificates_t& c = certificates();
  smtp_server tls({"--cert", c.cert, "--key", c.key, "--auth", std::string("backup:") + PASSWORD,
                   "--auth-require-tls"});
  smtp_server plain({});
  set(GLOBAL_SMTP_SERVER, tls.address());
  set(GLOBAL_SSL, "enable");
  account(PASSWORD);
  std::string error;
  ASSERT_TRUE(send_email_checked(BODY, nullptr, &error)) << error;
  set(GLOBAL_SMTP_SERVER, plain.address());
  set(GLOBAL_SSL, "disable");
  set(GLOBAL_METHOD, "anonymous");
  ASSERT_TRUE(send_email_checked(BODY, nullptr, &error)) << error;
  record_t r(plain.out("1.ini"));
  EXPECT_EQ(r.get("message", "tls"), "false");
  EXPECT_EQ(r.get("message", "login"), "");
  EXPECT_FALSE(plain.has("auth.ini"));
  EXPECT_EQ(plain.clear_text().find("STARTTLS"), std::string::npos);

  // Two mails at once from two threads both arrive.
  std::thread a([] { EXPECT_TRUE(send_email_checked(BODY, nullptr, nullptr)); });
  std::thread b([] { EXPECT_TRUE(send_email_checked(BODY, nullptr, nullptr)); });
  a.join();
  b.join();
  EXPECT_TRUE(plain.has("3.ini"));
}

TEST_F(EmailTest, RefusedRecipientSilentServerAndBadSettings) {
  {
    smtp_server server({"--reject-rcpt"});
    set(GLOBAL_SMTP_SERVER, server.address());
    std::string error;
    EXPECT_FALSE(send_email_checked(BODY, nullptr, &error));
    EXPECT_FALSE(server.has("1.ini"));
  }
  {
    smtp_server server({"--silent"});
    set(GLOBAL_SMTP_SERVER, server.address());
    set_email_timeout_seconds(2);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(send_email_checked(BODY, nullptr, nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  }
  // Settings that would change the SMTP dialogue are refused before anything is sent.
  struct row {
    Global_option option;
    const char* value;
  };
  const std::vector<row> rows = {
      {GLOBAL_SMTP_SERVER, ""},
      {GLOBAL_SMTP_SERVER, "user:pass@127.0.0.1"},
      {GLOBAL_SMTP_SERVER, "127.0.0.1/path"},
      {GLOBAL_SENDER_EMAIL, "a@b.test>\r\nRCPT TO:<x@y.test"},
      {GLOBAL_RECEIVER_EMAIL, "a@b.test, c@d.test"},
      {GLOBAL_RECEIVER_EMAIL, ""},
  };
  smtp_server server({});
  for (const row& r : rows) {
    SCOPED_TRACE(r.value);
    SetUp();
    set(GLOBAL_SMTP_SERVER, server.address());
    set(r.option, r.value);
    std::string error;
    EXPECT_FALSE(send_email_checked(BODY, nullptr, &error));
    EXPECT_EQ(mail_errors().size(), 1u);
  }
  EXPECT_FALSE(server.has("1.ini"));
}

TEST(SmtpServerSetting, HostAndPort) {
  struct row {
    const char* setting;
    bool ssl;
    bool ok;
    const char* host;
    int port;
  };
  const std::vector<row> rows = {
      {"mail.example.test", false, true, "mail.example.test", 25},
      {"mail.example.test", true, true, "mail.example.test", 587},
      {"mail.example.test:2525", true, true, "mail.example.test", 2525},
      {"127.0.0.1:25", false, true, "127.0.0.1", 25},
      {"[::1]", true, true, "::1", 587},
      {"[::1]:2525", false, true, "::1", 2525},
      {"", false, false, "", 0},
      {"host:", false, false, "", 0},
      {"host:0", false, false, "", 0},
      {"host:65536", false, false, "", 0},
      {"host:25x", false, false, "", 0},
      {"::1", false, false, "", 0},
      {"a@host", false, false, "", 0},
      {"host/x", false, false, "", 0},
      {"host?x", false, false, "", 0},
      {"[::1", false, false, "", 0},
      {"[::1]x", false, false, "", 0},
      {"ho st", false, false, "", 0},
  };
  for (const row& r : rows) {
    std::string host = "unchanged";
    int port = -1;
    EXPECT_EQ(parse_smtp_server(r.setting, r.ssl, &host, &port), r.ok) << r.setting;
    if (r.ok) {
      EXPECT_EQ(host, r.host) << r.setting;
      EXPECT_EQ(port, r.port) << r.setting;
    }
  }
}

// The e-mail test command sends a real mail and answers 0 only when it went out.
TEST_F(EmailTest, EmailTestCommandReportsTheOutcome) {
  smtp_server server({});
  set(GLOBAL_SMTP_SERVER, server.address());
  EXPECT_EQ(email_test(), 0);
  record_t r(server.out("1.ini"));
  ASSERT_TRUE(r.loaded());
  EXPECT_EQ(r.get("message", "subject"), "backup information");
  EXPECT_EQ(r.get("message", "body"),
            "\nDear Administrator\n\n  This is a test mail of the e-mail settings.\n");

  smtp_server refusing({"--reject-rcpt"});
  set(GLOBAL_SMTP_SERVER, refusing.address());
  EXPECT_EQ(email_test(), 4);

  // A server that never answers: the answer comes within the command's wait.
  smtp_server silent({"--silent"});
  set(GLOBAL_SMTP_SERVER, silent.address());
  set_email_timeout_seconds(3);
  set_email_test_wait_ms(1000);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(email_test(), 4);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  set_email_test_wait_ms(20000);
  // Let the mail in the background end before the server goes.
  std::this_thread::sleep_for(std::chrono::seconds(3));
}

}  // namespace
