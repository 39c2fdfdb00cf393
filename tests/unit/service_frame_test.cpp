// The service frame's Linux layers against real peers: a private system bus with mock
// logind and systemd managers (tests/peers/system_bus.py), the notify socket, the registry
// store. The machine's own system bus is never used: DBUS_SYSTEM_BUS_ADDRESS always names
// the private bus or a socket that does not exist.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "daemon.h"
#include "event_pipe.h"
#include "main_win32.h"
#include "registry_store.h"
#include "sd_notify.h"
#include "system_bus.h"
#include "test_support.h"

namespace {

constexpr const char* kNoBus = "unix:path=/nonexistent/tessaly-no-bus";

// tests/peers/system_bus.py as a child process, driven by one command line per request.
class BusPeer {
 public:
  explicit BusPeer(const std::vector<std::string>& options) {
    std::string script = std::string(TESSALY_PEERS_DIR) + "/system_bus.py";
    std::vector<std::string> words = {"/usr/bin/python3", script};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int in = -1;
    int out = -1;
    GError* error = nullptr;
    if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                                  nullptr, nullptr, &pid_, &in, &out, nullptr, &error)) {
      ADD_FAILURE() << "cannot start the bus peer: " << error->message;
      g_error_free(error);
      return;
    }
    to_ = fdopen(in, "w");
    from_ = fdopen(out, "r");
    address_ = line();
  }
  ~BusPeer() {
    if (to_ != nullptr) std::fclose(to_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    if (from_ != nullptr) std::fclose(from_);
  }
  BusPeer(const BusPeer&) = delete;
  BusPeer& operator=(const BusPeer&) = delete;

  const std::string& address() const { return address_; }

  // Makes this bus the system bus of the process.
  void use() const { setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1); }

  std::string command(const std::string& text) {
    std::fprintf(to_, "%s\n", text.c_str());
    std::fflush(to_);
    return line();
  }
  int power_off_calls() { return std::stoi(command("calls")); }

 private:
  std::string line() {
    char buf[1024];
    if (from_ == nullptr || std::fgets(buf, sizeof buf, from_) == nullptr) return {};
    std::string s(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }

  GPid pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
  std::string address_;
};

class SystemBusTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1); }
  void TearDown() override { setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1); }
};

TEST_F(SystemBusTest, PowerOffReachesLogindOnceAndFailsWithoutIt) {
  BusPeer bus({"--logind"});
  ASSERT_FALSE(bus.address().empty());
  bus.use();
  EXPECT_EQ(bus.power_off_calls(), 0);
  EXPECT_TRUE(system_shutdown());
  EXPECT_EQ(bus.power_off_calls(), 1);

  // A bus without logind, and no bus at all: refused, and nothing else happens.
  BusPeer empty({});
  empty.use();
  EXPECT_FALSE(system_shutdown());
  setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1);
  EXPECT_FALSE(system_shutdown());
  EXPECT_EQ(bus.power_off_calls(), 1);
}

TEST_F(SystemBusTest, SystemStateComesFromSystemd) {
  BusPeer bus({"--systemd", "running"});
  bus.use();
  EXPECT_EQ(tessaly::systemd_system_state(2000), "running");
  ASSERT_EQ(bus.command("state stopping"), "ok");
  EXPECT_EQ(tessaly::systemd_system_state(2000), "stopping");

  BusPeer empty({});
  empty.use();
  EXPECT_EQ(tessaly::systemd_system_state(2000), "");
  setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1);
  EXPECT_EQ(tessaly::systemd_system_state(2000), "");
}

// What the signal thread's requests become on the service's event pipe.
std::vector<int> seen_events;
void on_stop(const tessaly::link::request*) { seen_events.push_back(EVENT_STOP); }
void on_shutdown(const tessaly::link::request*) { seen_events.push_back(EVENT_SHUTDOWN); }

std::vector<int> run_events() {
  seen_events.clear();
  for (int i = 0; i < 50; ++i) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(2000);
  }
  return seen_events;
}

TEST_F(SystemBusTest, SigtermIsStopOrShutdownAsSystemdSaysAndIsHeldDuringStartUp) {
  event_pipe_init();
  event_pipe_register(EVENT_STOP, on_stop);
  event_pipe_register(EVENT_SHUTDOWN, on_shutdown);
  BusPeer bus({"--systemd", "stopping"});
  bus.use();

  // During start-up nothing is emitted; the request comes out once the loop runs.
  service_dispatcher(SIGTERM);
  EXPECT_EQ(run_events(), std::vector<int>{});
  win32_app_started();
  EXPECT_EQ(run_events(), std::vector<int>{EVENT_SHUTDOWN});

  struct Case {
    const char* state;  // systemd's SystemState, or null: no systemd on the bus
    int signal_number;
    std::vector<int> events;
  };
  const Case cases[] = {
      {"stopping", SIGTERM, {EVENT_SHUTDOWN}},
      {"running", SIGTERM, {EVENT_STOP}},
      {"starting", SIGTERM, {EVENT_STOP}},
      {"running", SIGINT, {}},
      {"running", SIGHUP, {}},
      {nullptr, SIGTERM, {EVENT_STOP}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.state != nullptr ? c.state : "(no systemd)") + " " +
                 strsignal(c.signal_number));
    if (c.state != nullptr) {
      bus.use();
      ASSERT_EQ(bus.command(std::string("state ") + c.state), "ok");
    } else {
      setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1);
    }
    service_dispatcher(c.signal_number);
    EXPECT_EQ(run_events(), c.events);
  }

  // Once stopping has begun, requests are dropped.
  bus.use();
  win32_app_stopping();
  service_dispatcher(SIGTERM);
  console_handler(SIGTERM);
  EXPECT_EQ(run_events(), std::vector<int>{});
  event_pipe_deinit();
}

TEST(NotifySocketTest, AddressesAndDatagrams) {
  struct Case {
    std::string address;
    bool valid;
  };
  const Case cases[] = {
      {"/run/systemd/notify", true},
      {"@abstract-name", true},
      {"", false},
      {"/", false},
      {"relative/path", false},
      {"/" + std::string(200, 'x'), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tessaly::NotifySocket::address_valid(c.address), c.valid) << c.address;
  }

  test_support::TempRoot root;
  std::string path = root.path() + "/notify";
  std::string abstract = "@tessaly-notify-" + std::to_string(getpid());
  for (const std::string& address : {path, abstract}) {
    SCOPED_TRACE(address);
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, address.data(), address.size());
    socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
    if (address[0] == '@') addr.sun_path[0] = '\0';
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0) << std::strerror(errno);

    tessaly::NotifySocket notify;
    ASSERT_TRUE(notify.open(address));
    EXPECT_TRUE(notify.send("READY=1"));
    char buf[64] = {0};
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "READY=1");
    close(fd);
  }

  tessaly::NotifySocket nobody;
  EXPECT_FALSE(nobody.open(root.path() + "/nobody-listens"));
  EXPECT_FALSE(nobody.send("READY=1"));
}

TEST(RegistryStoreTest, ValuesAreKeptAndADamagedStoreIsLeftAlone) {
  test_support::TempRoot root;
  std::string path = tessaly::registry_store_path();
  EXPECT_EQ(path, root.path() + "/etc/TessalySync/registry.ini");

  // The first store creates the file; a second value keeps the first one.
  const std::string value = "/opt/a b/daemon";
  EXPECT_EQ(win32_store_key("ConfigFile", REG_SZ, value.c_str(), value.size() + 1), 0);
  EXPECT_EQ(win32_store_key("Other", REG_SZ, "x", 2), 0);
  tessaly::RegistryStore store;
  ASSERT_EQ(store.open(), 0);
  EXPECT_EQ(store.get_string("SOFTWARE\\BRELKIN\\TessalySync\\TessalySync", "ConfigFile"), value);
  EXPECT_EQ(store.get_string("SOFTWARE\\BRELKIN\\TessalySync\\TessalySync", "Other"), "x");
  EXPECT_EQ(store.set_string("bad]key", "name", "v"), EINVAL);

  // A store that is not a key file is reported and never rewritten.
  const std::string damaged = "this is not a key file\n[unclosed\n";
  test_support::write_file(path, damaged);
  EXPECT_EQ(win32_store_key("ConfigFile", REG_SZ, value.c_str(), value.size() + 1), -4);
  EXPECT_EQ(test_support::read_file(path), damaged);
}

}  // namespace
