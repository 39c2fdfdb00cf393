// The configuration loader against real files in a private configuration folder: the task
// file's reader (element contexts, words, entities, damaged files, the swap of the list),
// the settings reader (default file, reloads, delete_sync by parent, unreadable files), and
// the task list helpers the loader fills.
#include "configuration.h"
#include "schedule.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config_format.h"
#include "log.h"
#include "parse_cmdline.h"
#include "session.h"
#include "test_support.h"

namespace {

using test_support::read_file;
using test_support::TempRoot;
using test_support::write_file;
namespace layout = tessaly::config_format;

const std::string kData = TESSALY_TEST_DATA;

const char kU1[] = "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30";
const char kU2[] = "a03d5c91-77e2-4f10-8b6d-c4e9f2a81d57";
const char kU3[] = "0f8fad5b-d9cb-469f-a165-70867728950e";

std::string join(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out + "]";
}

// One line per task that names every field the reader fills, so that a table row shows at a
// glance what a file must give.
std::string describe(const session_t& s) {
  std::string out = "uuid=" + s.uuid + " name=" + s.name;
  out += " filter=" + std::to_string(s.filter.filter_type) + join(s.filter.extensions) +
         join(s.filter.paths);
  out += " src=" + join(s.sources) + " dst=";
  for (const destination_t& d : s.destinations) {
    out += "{" + std::to_string(d.protocol) + (d.anonymous ? " anon " : " acct ") + d.user + ":" +
           d.password + "@" + d.path + "}";
  }
  out += " action=" + std::to_string(s.action) + " type=" + std::to_string(s.type);
  out += " sched=" + s.schedule_type + "/" + std::to_string(s.schedule_times.size()) + "/" +
         std::to_string(s.schedule_entries.size());
  return out;
}

std::vector<std::string> describe_list() {
  std::lock_guard<std::mutex> lock(session_list_mutex);
  std::vector<std::string> out;
  for (const session_t& s : session_list) out.push_back(describe(s));
  return out;
}

std::vector<std::string> log_contents() {
  std::lock_guard<std::mutex> lock(log_file_mutex);
  std::vector<std::string> out;
  for (const log_record_t& r : log_list) out.push_back(r.type + "|" + r.domain + "|" + r.content);
  return out;
}

const char kHeader[] =
    "<description>\n<version>1.0</version>\n<magic>E4BBBBE58AA1</magic>\n"
    "<vendor>BRELKIN</vendor>\n<type>session</type>\n<misc>xxxxx</misc>\n</description>\n";

std::string file_of(const std::string& sessions) {
  return std::string(kHeader) + "<configuration>\n<count>1</count>\n" + sessions +
         "</configuration>\n";
}

// A task with the given uuid and children (anything after the uuid).
std::string task(const std::string& uuid, const std::string& children) {
  return "<session id=\"1\">\n<uuid>" + uuid + "</uuid>\n" + children + "</session>\n";
}

const char kAccountDest[] =
    "<destination><protocol>samba</protocol><anonymous>0</anonymous><user>ann</user>"
    "<password>pw</password><path>\\\\127.0.0.1\\share</path><model>M</model></destination>\n";

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A load asks each task's share for its last run: the shares are on 127.0.0.1, where
    // nothing listens on this port, so the readers fail at once and send nothing elsewhere.
    setenv("TESSALY_SMB_PORT", "1", 1);
    // The old root goes first: its end unsets TESSALY_ROOT.
    root_.reset();
    root_ = std::make_unique<TempRoot>();
    ASSERT_NE(std::getenv("TESSALY_ROOT"), nullptr);
    log_store_reset();
    session_reader_reset();
    global_settings_reset();
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  }
  // A load reads the tasks' last run times in the background; none may outlive the case.
  void TearDown() override {
    wait_sessions_last_time();
    root_.reset();
  }

  std::string config(const char* name) const { return root_->config_dir() + name; }
  void write_config(const char* name, const std::string& text) {
    std::string dir;
    get_config_dir(dir);
    write_file(config(name), text);
  }
  bool load_tasks(const std::string& text) {
    write_config("SESSION_CONFIG.dat", text);
    return load_session_settings();
  }

  std::unique_ptr<TempRoot> root_;
};

// ---------------------------------------------------------------------------------------
// SESSION_CONFIG.dat

TEST_F(ConfigTest, ExampleFileGivesBothTasks) {
  write_config("SESSION_CONFIG.dat", read_file(kData + "/session_config_two_tasks.dat"));
  ASSERT_TRUE(load_session_settings());
  std::vector<std::string> expected = {
      std::string("uuid=") + kU1 +
          " name=Photos & music filter=0[.jpg,.png,.txt][] src=[/home/ann/Pictures,/home/ann/Music]"
          " dst={1 acct ann:p&ss<1>@\\\\127.0.0.1\\public\\backup} action=1 type=1 sched=weekly/2/2",
      std::string("uuid=") + kU2 +
          " name=Documents filter=0[.*,.*,.*,.*][] src=[/home/ann/Documents]"
          " dst={1 anon :@\\\\127.0.0.1\\public} action=0 type=0 sched=/0/0",
  };
  EXPECT_EQ(describe_list(), expected);

  std::lock_guard<std::mutex> lock(session_list_mutex);
  ASSERT_EQ(session_list[0].schedule_times.size(), 2u);
  GTimeVal sunday{};
  ASSERT_TRUE(g_time_val_from_iso8601("2001-01-07T07:30:00Z", &sunday));
  EXPECT_EQ(session_list[0].schedule_times[0].tv_sec, sunday.tv_sec);
  // A scheduled task gets its next run time at load; a manual one has none.
  EXPECT_FALSE(session_list[0].next_time.empty());
  EXPECT_TRUE(session_list[1].next_time.empty());
}

struct task_case {
  const char* what;
  std::string file;
  std::vector<std::string> expected;
};

TEST_F(ConfigTest, TaskFileTable) {
  const std::string u1 = kU1, u2 = kU2, u3 = kU3;
  const std::string manual = "<action>full_backup</action><type>manually</type>\n";
  std::vector<task_case> cases = {
      {"entities and non-ASCII texts are decoded",
       file_of(task(u1,
                    "<name>Fotos &amp; Ärger 写真 &lt;1&gt; &quot;q&quot; &#x26;</name>"
                    "<source><path>/home/jörg/Bilder &amp; Co</path></source>"
                    "<destination><protocol>samba</protocol><anonymous>0</anonymous>"
                    "<user>jörg</user><password>  p&amp;w&lt;</password>"
                    "<path>\\\\127.0.0.1\\Freigabe</path></destination>" +
                        manual)),
       {"uuid=" + u1 +
        " name=Fotos & Ärger 写真 <1> \"q\" & filter=0[][] src=[/home/jörg/Bilder & Co]"
        " dst={1 acct jörg:  p&w<@\\\\127.0.0.1\\Freigabe} action=0 type=0 sched=/0/0"}},

      {"several tasks and destinations, each destination without the account before it",
       file_of(task(u1, std::string("<name>A</name>") + kAccountDest +
                            "<destination><anonymous>1</anonymous><path>/mnt/b</path></destination>" +
                            manual) +
               task(u2, "<name>B</name><destination><protocol>local</protocol>"
                        "<path>/mnt/c</path></destination>"
                        "<action>incremental</action><type>schedule</type>") +
               task(u3, "<name>C</name><destination><user>eve</user><path>/mnt/d</path>"
                        "</destination><action>snapshot</action><type>auto_sync</type>")),
       {"uuid=" + u1 +
            " name=A filter=0[][] src=[] dst={1 acct ann:pw@\\\\127.0.0.1\\share}{1 anon :@/mnt/b}"
            " action=0 type=0 sched=/0/0",
        "uuid=" + u2 + " name=B filter=0[][] src=[] dst={0 acct :@/mnt/c} action=1 type=1 sched=/0/0",
        // No protocol element: the protocol of the destination read before.
        "uuid=" + u3 + " name=C filter=0[][] src=[] dst={0 acct eve:@/mnt/d} action=2 type=2 sched=/0/0"}},

      {"filter words, extension and filter-path chains",
       file_of(task(u1, "<name>F</name><filter><filter_type>exclude</filter_type><extension>"
                        "<alias_cnt>4</alias_cnt><alias id=\"1\"><name>video</name><count>2</count>"
                        "<ext id=\"1\">.mp4</ext><ext id=\"2\">.MKV</ext></alias></extension>"
                        "<path><count>1</count><pth>/tmp/x</pth></path><ext>.no</ext></filter>" +
                            manual)),
       {"uuid=" + u1 + " name=F filter=1[.mp4,.MKV][/tmp/x] src=[] dst= action=0 type=0 sched=/0/0"}},

      {"nested and unknown elements add nothing",
       file_of(task(u1,
                    "<name>N<!-- note -->1</name><foo><uuid>" + u2 + "</uuid><name>wrong</name></foo>"
                    "<source><count>3</count><path id=\"1\">/a</path><x><path>/nested</path></x>"
                    "<path>/outer<path>/inner</path></path><sub><path>/deeper</path></sub></source>"
                    "<destination><protocol>samba</protocol><type>schedule</type>"
                    "<user>u<path>/in-user</path></user><path>/dest</path><extra><path>/x</path>"
                    "</extra></destination><path>/stray</path>"
                    "<filter><source><path>/in-filter</path></source></filter>"
                    "<unknown>text</unknown><schedule><daily>1</daily></schedule>"
                    "<action>full_backup</action>")),
       {"uuid=" + u1 +
        " name=N1 filter=0[][] src=[/a,/outer] dst={1 acct u:@/dest} action=0 type=0 sched=/0/0"}},

      {"schedule times: two valid ones, invalid ones ignored",
       file_of(task(u1, "<name>S</name>" + std::string(kAccountDest) +
                            "<action>incremental</action><type>schedule</type>"
                            "<schedule_type>daily</schedule_type><count>4</count>"
                            "<schedule_time id=\"1\">2001-01-01T06:00:00Z</schedule_time>"
                            "<schedule_time id=\"2\">2001-01-01</schedule_time>"
                            "<schedule_time id=\"3\">2001-01-01T18:30:00ZZ</schedule_time>"
                            "<schedule_time id=\"4\">2001-01-01T18:30:00Z</schedule_time>")),
       {"uuid=" + u1 +
        " name=S filter=0[][] src=[] dst={1 acct ann:pw@\\\\127.0.0.1\\share} action=1 type=1"
        " sched=daily/2/2"}},

      {"a task without a valid uuid is skipped, the others stay",
       file_of(task(u1, "<name>ok1</name>" + manual) + task("../../etc", "<name>bad</name>" + manual) +
               task("", "<name>empty</name>" + manual) +
               task(u2 + "/x", "<name>long</name>" + manual) +
               "<session><name>none</name></session>" + task(u2, "<name>ok2</name>" + manual)),
       {"uuid=" + u1 + " name=ok1 filter=0[][] src=[] dst= action=0 type=0 sched=/0/0",
        "uuid=" + u2 + " name=ok2 filter=0[][] src=[] dst= action=0 type=0 sched=/0/0"}},

      {"a leading byte-order mark is skipped",
       "\xEF\xBB\xBF" + file_of(task(u1, "<name>bom</name>" + manual)),
       {"uuid=" + u1 + " name=bom filter=0[][] src=[] dst= action=0 type=0 sched=/0/0"}},

      {"an empty file holds no tasks", "", {}},
      {"a file of white space holds no tasks", " \n\t\r\n", {}},
      {"a header alone holds no tasks", kHeader, {}},
  };
  for (const task_case& c : cases) {
    SCOPED_TRACE(c.what);
    session_reader_reset();
    EXPECT_TRUE(load_tasks(c.file));
    EXPECT_EQ(describe_list(), c.expected);
  }
}

TEST_F(ConfigTest, RefusedUuidIsLogged) {
  ASSERT_TRUE(load_tasks(file_of(task("../x", "<name>Evil</name>"))));
  EXPECT_TRUE(describe_list().empty());
  EXPECT_EQ(log_contents(),
            std::vector<std::string>{"warning|Evil|The task Evil is skipped because its uuid is not valid."});
}

// A share folds the case of names: two uuids equal but for letter case would share one tree.
// The first task of a uuid is kept; every later one is refused with a record naming both.
TEST_F(ConfigTest, RepeatedUuidKeepsTheFirstTaskIgnoringCase) {
  std::string upper = kU1;
  for (char& c : upper) c = static_cast<char>(g_ascii_toupper(c));
  std::string mixed = upper.substr(0, 8) + std::string(kU1).substr(8);
  ASSERT_TRUE(load_tasks(file_of(task(kU1, "<name>A</name>") + task(kU2, "<name>B</name>") +
                                 task(kU1, "<name>Exact</name>") +
                                 task(upper, "<name>Upper</name>") +
                                 task(mixed, "<name>Mixed</name>"))));
  std::vector<std::string> names;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    for (const session_t& s : session_list) names.push_back(s.uuid + " " + s.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{std::string(kU1) + " A", std::string(kU2) + " B"}));
  std::vector<std::string> expected;
  for (const auto& [name, uuid] : std::vector<std::pair<std::string, std::string>>{
           {"Exact", kU1}, {"Upper", upper}, {"Mixed", mixed}}) {
    expected.push_back("warning|" + name + "|The task " + name + " is skipped because its uuid " +
                       uuid + " is that of the task A (letter case aside).");
  }
  std::vector<std::string> warnings;
  for (const std::string& r : log_contents()) {
    if (r.rfind("warning|", 0) == 0) warnings.push_back(r);
  }
  EXPECT_EQ(warnings, expected);
}

// Action, trigger and filter type carry over from the task read before (0 for the first).
TEST_F(ConfigTest, NumbersCarryOverFromTheTaskBefore) {
  ASSERT_TRUE(load_tasks(file_of(
      task(kU1, "<name>first</name>") +
      task(kU2, "<name>second</name><filter><filter_type>exclude</filter_type></filter>"
                "<action>snapshot</action><type>schedule</type>") +
      task(kU3, "<name>third</name><action>bogus</action>"))));
  std::lock_guard<std::mutex> lock(session_list_mutex);
  ASSERT_EQ(session_list.size(), 3u);
  EXPECT_EQ(session_list[0].action, 0);
  EXPECT_EQ(session_list[0].type, 0);
  EXPECT_EQ(session_list[2].action, 2);
  EXPECT_EQ(session_list[2].type, 1);
  EXPECT_EQ(session_list[2].filter.filter_type, 1);
}

TEST_F(ConfigTest, ScheduleTimeBeforeItsKindStillMakesAnEntry) {
  ASSERT_TRUE(load_tasks(file_of(task(
      kU1, "<name>w</name><type>schedule</type>"
           "<schedule_time>2001-01-03T10:00:00Z</schedule_time>"
           "<schedule_type>weekly</schedule_type>"))));
  std::lock_guard<std::mutex> lock(session_list_mutex);
  ASSERT_EQ(session_list.size(), 1u);
  EXPECT_EQ(session_list[0].schedule_times.size(), 1u);
  EXPECT_EQ(session_list[0].schedule_entries.size(), 1u);
}

// A file that cannot be read or does not parse leaves the list as the last good load made
// it; each case but the missing file says why in the log.
TEST_F(ConfigTest, BadFilesKeepTheOldList) {
  const std::string good = read_file(kData + "/session_config_two_tasks.dat");
  struct bad_case {
    const char* what;
    std::string file;     // written as the task file, unless make_dir
    bool make_dir;        // the task file's name is a folder
    bool make_link;       // the task file's name is a symbolic link to a good file
    bool remove;          // no task file at all
    const char* logged;   // start of the record's text, or null for none
  };
  std::vector<bad_case> cases = {
      {"truncated inside a task", good.substr(0, good.size() / 2), false, false, false,
       "The task file "},
      {"cut before its last end tag", good.substr(0, good.size() - 3), false, false, false,
       "The task file "},
      {"invalid UTF-8", file_of(task(kU1, "<name>a\xff\xfe</name>")), false, false, false,
       "The task file "},
      {"a bare ampersand", file_of(task(kU1, "<name>a & b</name>")), false, false, false,
       "The task file "},
      {"mismatched tags", file_of(task(kU1, "<name>a</source>")), false, false, false,
       "The task file "},
      {"a folder in place of the file", "", true, false, false, "The task file "},
      {"a symbolic link in place of the file", "", false, true, false, "The task file "},
      {"no file at all", "", false, false, true, nullptr},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    ASSERT_TRUE(load_tasks(good));
    std::vector<std::string> before = describe_list();
    ASSERT_EQ(before.size(), 2u);
    std::string path = config("SESSION_CONFIG.dat");
    unlink(path.c_str());
    std::string target = root_->path() + "/elsewhere.dat";
    if (c.make_dir) {
      ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    } else if (c.make_link) {
      write_file(target, file_of(task(kU3, "<name>linked</name>")));
      ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    } else if (!c.remove) {
      write_file(path, c.file);
    }
    log_store_reset();
    EXPECT_FALSE(load_session_settings());
    EXPECT_EQ(describe_list(), before);
    // Records about the tasks' (unreachable) destinations are not what this test looks at.
    std::vector<std::string> logged;
    for (const std::string& r : log_contents()) {
      if (r.find("The network resource can not be accessed.") == std::string::npos) logged.push_back(r);
    }
    if (c.logged == nullptr) {
      EXPECT_TRUE(logged.empty());
    } else {
      ASSERT_EQ(logged.size(), 1u);
      EXPECT_EQ(logged[0].rfind(std::string("error|OTHERS|") + c.logged, 0), 0u) << logged[0];
      EXPECT_NE(logged[0].find(path), std::string::npos) << logged[0];
    }
    rmdir(path.c_str());
    unlink(path.c_str());
  }
}

// A reload hands the task threads a new list; copies taken before stay as they were.
TEST_F(ConfigTest, ReloadReplacesTheListAndLeavesCopiesAlone) {
  ASSERT_TRUE(load_tasks(read_file(kData + "/session_config_two_tasks.dat")));
  session_t copy;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    ASSERT_TRUE(find_session(kU1, &copy));
  }
  ASSERT_TRUE(load_tasks(file_of(task(kU3, "<name>only</name>"))));
  EXPECT_EQ(describe_list().size(), 1u);
  EXPECT_EQ(copy.name, "Photos & music");
  std::lock_guard<std::mutex> lock(session_list_mutex);
  session_t again;
  EXPECT_FALSE(find_session(kU1, &again));
}

// ---------------------------------------------------------------------------------------
// GLOBAL_SETTING.dat

std::string md5_of(const std::string& s) {
  gchar* sum = g_compute_checksum_for_data(G_CHECKSUM_MD5,
                                           reinterpret_cast<const guchar*>(s.data()), s.size());
  std::string out = sum;
  g_free(sum);
  return out;
}

bool tessaly_group_exists() { return getgrnam("tessaly") != nullptr; }

std::vector<std::string> all_settings() {
  std::vector<std::string> out;
  for (int i = 0; i < GLOBAL_OPTION_MAX; ++i) {
    out.push_back(get_global_config(static_cast<Global_option>(i)));
  }
  return out;
}

const std::vector<std::string> kDefaultValues = {
    "1.0", "E8AEBEE7BDAE", "BRELKIN", "settings", "\n\t", "English", "disable", "disable",
    "",    "",             "",        "",         "",     "",        "",        "",
    "",    "clear",        "enable",  "disable",  "enable", "disable"};

TEST_F(ConfigTest, DefaultSettingsFileIsCreatedWhenMissing) {
  EXPECT_FALSE(load_global_settings());
  std::string path = config("GLOBAL_SETTING.dat");
  std::string bytes = read_file(path);
  EXPECT_EQ(bytes.size(), 598u);
  EXPECT_EQ(md5_of(bytes), "027f33393737bc8f656aaf3a0eefc80f");
  EXPECT_EQ(bytes, read_file(kData + "/global_setting_default.dat"));
  EXPECT_EQ(bytes, std::string(layout::global_setting_default()));

  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, tessaly_group_exists() ? 0660u : 0600u);
  EXPECT_EQ(all_settings(), kDefaultValues);
  // No temporary file is left beside it.
  GDir* dir = g_dir_open(root_->config_dir().c_str(), 0, nullptr);
  ASSERT_NE(dir, nullptr);
  std::vector<std::string> names;
  while (const gchar* n = g_dir_read_name(dir)) names.emplace_back(n);
  g_dir_close(dir);
  EXPECT_EQ(names, std::vector<std::string>{"GLOBAL_SETTING.dat"});

  // The next load reads the file it made.
  EXPECT_TRUE(load_global_settings());
  EXPECT_EQ(all_settings(), kDefaultValues);
}

TEST_F(ConfigTest, SavedSettingsFileIsReadAndLeftAlone) {
  std::string saved = read_file(kData + "/global_setting_saved.dat");
  write_config("GLOBAL_SETTING.dat", saved);
  EXPECT_TRUE(load_global_settings());
  std::vector<std::string> expected = {
      "1.0", "E8AEBEE7BDAE", "BRELKIN", "settings", "\n\t", "German", "enable", "enable",
      "monthly", "2001-01-15T16:00:00Z", "account", "enable", "ann", "s&cret", "127.0.0.1",
      "nas@example.org", "ann@example.org", "stop", "enable", "disable", "enable", "disable"};
  EXPECT_EQ(all_settings(), expected);
  EXPECT_EQ(read_file(config("GLOBAL_SETTING.dat")), saved);
  // The file holds the mail password: it gets the configuration files' rights.
  struct stat st;
  ASSERT_EQ(stat(config("GLOBAL_SETTING.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, tessaly_group_exists() ? 0660u : 0600u);
}

struct settings_case {
  const char* what;
  std::string file;
  bool result;
  std::vector<std::pair<Global_option, std::string>> expected;
};

// Each case is read after the saved example, so what a file lacks keeps the earlier value.
TEST_F(ConfigTest, SettingsTable) {
  const std::string head =
      "<description><version>1.0</version><magic>E8AEBEE7BDAE</magic><vendor>BRELKIN</vendor>"
      "<type>settings</type><misc></misc></description>";
  std::vector<settings_case> cases = {
      {"a file without the email section keeps the e-mail values",
       head + "<configuration><language>French</language><log><if_full>clear</if_full></log>"
              "</configuration>",
       true,
       {{GLOBAL_LANGUAGE, "French"}, {GLOBAL_IF_FULL, "clear"}, {GLOBAL_SMTP_SERVER, "127.0.0.1"},
        {GLOBAL_PASSWORD, "s&cret"}, {GLOBAL_SEND_COMPLETE, "enable"}}},
      {"delete_sync by its parent, restore first",
       head + "<configuration><restore><delete_sync>R</delete_sync></restore>"
              "<backup><delete_sync>B</delete_sync></backup>"
              "<log><delete_sync>nowhere</delete_sync></log><delete_sync>top</delete_sync>"
              "</configuration>",
       true, {{GLOBAL_BACKUP_DELETE_SYNC, "B"}, {GLOBAL_RESTORE_DELETE_SYNC, "R"}}},
      {"a markup error keeps what was read before it",
       head + "<configuration><language>Italian</language><email><smtp>"
              "<smtp_server>mail.example</smtp_server><oops></smtp><ssl>disable</ssl>",
       true,
       {{GLOBAL_LANGUAGE, "Italian"}, {GLOBAL_SMTP_SERVER, "mail.example"}, {GLOBAL_SSL, "enable"}}},
      {"a leading byte-order mark is skipped",
       "\xEF\xBB\xBF" + head + "<configuration><language>Spanish</language></configuration>", true,
       {{GLOBAL_LANGUAGE, "Spanish"}}},
      {"empty elements give empty texts, the later misc wins",
       head + "<configuration><password/><user_name></user_name><misc>M</misc></configuration>",
       true, {{GLOBAL_PASSWORD, ""}, {GLOBAL_USER_NAME, ""}, {GLOBAL_MISC, "M"}}},
      {"a long value across the 1024-byte chunks comes back whole",
       head + "<configuration><email><smtp><password>" + std::string(1500, 'p') + "&amp;" +
           std::string(500, 'q') + "</password></smtp></email></configuration>",
       true, {{GLOBAL_PASSWORD, std::string(1500, 'p') + "&" + std::string(500, 'q')}}},
      {"an empty file changes nothing", "", true, {{GLOBAL_LANGUAGE, "German"}}},
  };
  for (const settings_case& c : cases) {
    SCOPED_TRACE(c.what);
    global_settings_reset();
    write_config("GLOBAL_SETTING.dat", read_file(kData + "/global_setting_saved.dat"));
    ASSERT_TRUE(load_global_settings());
    write_config("GLOBAL_SETTING.dat", c.file);
    EXPECT_EQ(load_global_settings(), c.result);
    for (const auto& [option, value] : c.expected) {
      EXPECT_EQ(get_global_config(option), value) << "setting " << option;
    }
    EXPECT_EQ(read_file(config("GLOBAL_SETTING.dat")), c.file);
  }
}

// Anything but a missing file is the user's: it is not overwritten, and the service runs on
// the defaults until a later load can read it.
TEST_F(ConfigTest, UnopenableSettingsFileIsNotOverwritten) {
  write_config("GLOBAL_SETTING.dat", read_file(kData + "/global_setting_saved.dat"));
  ASSERT_TRUE(load_global_settings());
  std::string path = config("GLOBAL_SETTING.dat");
  unlink(path.c_str());
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  log_store_reset();
  EXPECT_FALSE(load_global_settings());
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(get_global_config(GLOBAL_LANGUAGE), "English");
  EXPECT_EQ(get_global_config(GLOBAL_IF_FULL), "clear");
  // Settings the default file does not name keep their earlier values.
  EXPECT_EQ(get_global_config(GLOBAL_SMTP_SERVER), "127.0.0.1");
  std::vector<std::string> logged = log_contents();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].rfind("error|OTHERS|The settings file " + path, 0), 0u) << logged[0];
  rmdir(path.c_str());
}

// A user of the service's group could put a link to another file in the shared folder: the
// service neither reads it nor changes the rights of what it points to.
TEST_F(ConfigTest, SettingsFileThatIsALinkIsRefused) {
  std::string target = root_->path() + "/elsewhere.dat";
  std::string saved = read_file(kData + "/global_setting_saved.dat");
  write_file(target, saved);
  ASSERT_EQ(chmod(target.c_str(), 0644), 0);
  std::string dir, path = config("GLOBAL_SETTING.dat");
  get_config_dir(dir);
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
  EXPECT_FALSE(load_global_settings());
  EXPECT_EQ(get_global_config(GLOBAL_LANGUAGE), "English");
  struct stat st;
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(read_file(target), saved);
  EXPECT_EQ(log_contents().size(), 1u);
}

TEST_F(ConfigTest, SettingOutsideTheTableIsEmpty) {
  EXPECT_EQ(get_global_config(GLOBAL_SMTP_SERVER), "");
  EXPECT_EQ(get_global_config(static_cast<Global_option>(22)), "");
  EXPECT_EQ(get_global_config(static_cast<Global_option>(-1)), "");
}

// Mail and backup threads read settings while a reload replaces them: every read gives one
// whole value of one of the files.
TEST_F(ConfigTest, ReadersDuringReloadsSeeWholeValues) {
  const std::string head = "<description></description><configuration><email><smtp><smtp_server>";
  const std::string a(300, 'a'), b(700, 'b');
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::vector<std::thread> readers;
  write_config("GLOBAL_SETTING.dat", head + a + "</smtp_server></smtp></email></configuration>");
  ASSERT_TRUE(load_global_settings());
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      while (!done.load()) {
        std::string v = get_global_config(GLOBAL_SMTP_SERVER);
        if (v != a && v != b) torn.fetch_add(1);
      }
    });
  }
  for (int i = 0; i < 200; ++i) {
    write_config("GLOBAL_SETTING.dat",
                 head + (i % 2 ? a : b) + "</smtp_server></smtp></email></configuration>");
    load_global_settings();
  }
  done.store(true);
  for (auto& r : readers) r.join();
  EXPECT_EQ(torn.load(), 0);
}

// ---------------------------------------------------------------------------------------
// The task list helpers the loader's records are used with.

TEST(TaskList, FileFilterTable) {
  struct row {
    const char* name;
    std::vector<std::string> extensions;
    int result;
  };
  std::vector<row> rows = {
      {"a.jpg", {".JPG"}, 0},         {"myjpg", {"jpg"}, 0},
      {"a.png", {".jpg", ".png"}, 0}, {"a.pn", {".png"}, -1},
      {"g", {".jpg"}, -1},            {"anything", {".*"}, 0},
      {"a.jpg", {}, -1},              {nullptr, {".*"}, -1},
  };
  for (const row& r : rows) {
    EXPECT_EQ(file_filter(r.name, r.extensions), r.result) << (r.name ? r.name : "(null)");
  }
  EXPECT_FALSE(check_filter({}));
  EXPECT_FALSE(check_filter({".*"}));
  EXPECT_FALSE(check_filter({".*", ".*"}));
  EXPECT_TRUE(check_filter({".*", ".doc"}));
}

TEST(TaskList, FindSessionMatchesExactlyAndCopiesDeeply) {
  std::lock_guard<std::mutex> lock(session_list_mutex);
  session_list.clear();
  session_t s;
  s.uuid = kU1;
  s.name = "n";
  s.destinations.push_back(destination_t{PROTOCOL_SAMBA, false, "u", "p", "\\\\h\\s"});
  session_list.push_back(s);
  session_t out;
  out.name = "untouched";
  std::string upper = kU1;
  for (char& c : upper) c = g_ascii_toupper(c);
  EXPECT_FALSE(find_session(upper.c_str(), &out));
  EXPECT_EQ(out.name, "untouched");
  ASSERT_TRUE(find_session(kU1, &out));
  session_list[0].destinations[0].password = "changed";
  EXPECT_EQ(out.destinations[0].password, "p");
  session_list.clear();
  EXPECT_FALSE(find_session(kU1, &out));
}

TEST(TaskList, UuidForm) {
  EXPECT_TRUE(is_valid_uuid(kU1));
  EXPECT_TRUE(is_valid_uuid("6F1C2B7E-0D4A-4B8E-9C3A-2F5E7D9A1B30"));
  for (const char* bad : {"", "../x", "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b3", "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b300",
                          "6f1c2b7e_0d4a-4b8e-9c3a-2f5e7d9a1b30", "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b3g",
                          "{6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b}"}) {
    EXPECT_FALSE(is_valid_uuid(bad)) << bad;
  }
  EXPECT_FALSE(is_valid_uuid(nullptr));
}

}  // namespace
