#include "log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <ctime>
#include <string>
#include <vector>

#include "parse_cmdline.h"
#include "test_support.h"

namespace {

using test_support::read_file;
using test_support::TempRoot;
using test_support::write_file;

// The record-keeping GLib handler is installed once per process, as the daemon does.
class LogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    root_ = std::make_unique<TempRoot>();
    log_init(false, false, 10, nullptr);
  }
  void TearDown() override { root_.reset(); }
  std::unique_ptr<TempRoot> root_;
};

const auto* const log_env = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

GTimeVal at(const char* iso) {
  GTimeVal t{};
  EXPECT_TRUE(g_time_val_from_iso8601(iso, &t)) << iso;
  return t;
}

log_record_t make_record(const std::string& content, const std::string& uuid = "u") {
  log_record_t r;
  r.type = "message";
  r.uuid = uuid;
  r.domain = "Docs";
  r.time1 = r.time2 = at("2026-03-01T13:05:09Z");
  r.content = content;
  return r;
}

std::string md5_of(const std::string& s) {
  gchar* sum = g_compute_checksum_for_data(G_CHECKSUM_MD5,
                                           reinterpret_cast<const guchar*>(s.data()), s.size());
  std::string out = sum;
  g_free(sum);
  return out;
}

// The checksum as a reader checks it: the digits between <misc> and </misc> removed.
std::string recomputed_checksum(const std::string& file) {
  size_t open = file.find("<misc>") + 6;
  size_t close = file.find("</misc>");
  std::string blank = file.substr(0, open) + file.substr(close);
  return md5_of(blank);
}

std::string stored_checksum(const std::string& file) {
  size_t open = file.find("<misc>") + 6;
  return file.substr(open, file.find("</misc>") - open);
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_store_reset();
    log_setup_limit(1000);
    std::string dir;
    get_config_dir(dir);
  }
  std::string dat() const { return root_.config_dir() + "LOG.dat"; }
  std::string txt() const { return root_.config_dir() + "LOG.txt"; }
  TempRoot root_;
};

TEST_F(LogTest, LogDatBytesAndChecksumMatchTheKnownVectors) {
  ASSERT_TRUE(file_log_flush(log_list));
  std::string empty = read_file(dat());
  EXPECT_EQ(empty,
            "<description>\n\t<version>1.0</version>\n\t<magic>E697A5E5BF97</magic>\n"
            "\t<vendor>BRELKIN</vendor>\n\t<type>log</type>\n"
            "\t<misc>24287476349bf3de59e52416a1472b38</misc>\n</description>\n"
            "<configuration>\n\t<count>0</count>\n</configuration>\n");
  EXPECT_EQ(read_file(txt()), "BRELKIN TessalySync\r\n");

  log_record_t r = make_record("Backup Docs was started.", "0f8fad5b-d9cb-469f-a165-70867728950e");
  log_list.push_back(r);
  ASSERT_TRUE(file_log_flush(log_list));
  std::string one = read_file(dat());
  EXPECT_EQ(stored_checksum(one), "ad243441a9c773b41fe5085a599515bb");
  EXPECT_EQ(recomputed_checksum(one), stored_checksum(one));
  EXPECT_NE(one.find("\t<log id=\"1\">\n\t\t<type>message</type>\n\t\t<level>0</level>\n"
                     "\t\t<domain>Docs</domain>\n"
                     "\t\t<uuid>0f8fad5b-d9cb-469f-a165-70867728950e</uuid>\n"
                     "\t\t<time1>2026-03-01T13:05:09Z</time1>\n"
                     "\t\t<time2>2026-03-01T13:05:09Z</time2>\n"
                     "\t\t<content>Backup Docs was started.</content>\n\t</log>\n"),
            std::string::npos);
  // The temporary files never stay behind.
  EXPECT_EQ(system(("ls " + root_.config_dir() + " | grep -q _TMP_LOG_").c_str()) == 0, false);
}

TEST_F(LogTest, LimitAndCycleRule) {
  struct Case {
    int first_limit, second_limit;
    bool cycle;
    int added;
    size_t want_size;
    std::string want_first, want_last;
  };
  const Case cases[] = {
      {1000, 0, true, 1001, 1000, "2", "1001"},    // the oldest goes
      {1000, 0, false, 1001, 1000, "1", "1000"},   // the new record goes
      {1000, 500, true, 1001, 1000, "2", "1001"},  // the limit never falls
      {1000, 0, true, 10, 10, "1", "10"},
  };
  for (const Case& c : cases) {
    log_store_reset();
    log_setup_limit(c.first_limit);
    if (c.second_limit) log_setup_limit(c.second_limit);
    log_enable_cycle(c.cycle ? 1 : 0);
    for (int i = 1; i <= c.added; ++i) log_session("Docs", "u", MSG_LEVEL_MESSAGE, "%d", i);
    std::lock_guard<std::mutex> lock(log_file_mutex);
    ASSERT_EQ(log_list.size(), c.want_size);
    EXPECT_EQ(log_list.front().content, c.want_first);
    EXPECT_EQ(log_list.back().content, c.want_last);
  }
}

TEST_F(LogTest, EveryFiftyFirstRecordWritesTheFiles) {
  unlink(dat().c_str());
  for (int i = 0; i < 50; ++i) log_session("D", "u", MSG_LEVEL_MESSAGE, "r%d", i);
  EXPECT_NE(access(dat().c_str(), F_OK), 0);
  log_session("D", "u", MSG_LEVEL_MESSAGE, "r50");
  EXPECT_EQ(access(dat().c_str(), F_OK), 0);
  EXPECT_NE(read_file(dat()).find("<count>51</count>"), std::string::npos);
}

TEST_F(LogTest, RecordFieldsLevelsAndAppendTimes) {
  GTimeVal start = at("2026-03-01T10:00:00Z");
  GTimeVal later = at("2026-03-01T11:00:00Z");
  log_session(&start, "Docs", "task-a", MSG_LEVEL_MESSAGE, "Backup %s was started.", "Docs");
  log_session_append(&later, "Docs", "task-a", MSG_LEVEL_ERROR, "failed");
  log_session_append(&later, nullptr, "task-b", MSG_LEVEL_WARNING, "alone");
  log_session(&start, "Docs", nullptr, MSG_LEVEL_MESSAGE, "dropped: no uuid");
  log_session(static_cast<const GTimeVal*>(nullptr), "Docs", "u", MSG_LEVEL_MESSAGE, "dropped");
  log_session("Docs", "u", static_cast<msg_level_t>(9), "odd level");

  std::lock_guard<std::mutex> lock(log_file_mutex);
  ASSERT_EQ(log_list.size(), 4u);
  EXPECT_EQ(log_list[0].type, "message");
  EXPECT_EQ(log_list[0].content, "Backup Docs was started.");
  EXPECT_EQ(log_list[1].type, "error");
  EXPECT_EQ(log_list[1].time1.tv_sec, start.tv_sec);  // carries the task's first time
  EXPECT_EQ(log_list[1].time2.tv_sec, later.tv_sec);
  EXPECT_EQ(log_list[2].domain, "OTHERS");
  EXPECT_EQ(log_list[2].type, "warning");
  EXPECT_EQ(log_list[2].time1.tv_sec, log_list[2].time2.tv_sec);
  EXPECT_EQ(log_list[3].type, "message");
}

TEST_F(LogTest, GlibMessagesBecomeRecordsByLevel) {
  struct Case {
    const char* domain;
    GLogLevelFlags level;
    const char* want_type;  // null: no record
  };
  const Case cases[] = {
      {nullptr, G_LOG_LEVEL_CRITICAL, "error"},   {"X", G_LOG_LEVEL_WARNING, "alert"},
      {"X", G_LOG_LEVEL_MESSAGE, "warning"},      {"X", G_LOG_LEVEL_INFO, "message"},
      {"X", G_LOG_LEVEL_DEBUG, nullptr},          {"GLib", G_LOG_LEVEL_WARNING, nullptr},
  };
  for (const Case& c : cases) {
    log_store_reset();
    log_setup_limit(1000);
    g_log(c.domain, c.level, "text %d", 1);
    std::lock_guard<std::mutex> lock(log_file_mutex);
    if (c.want_type == nullptr) {
      EXPECT_TRUE(log_list.empty()) << c.level;
      continue;
    }
    ASSERT_EQ(log_list.size(), 1u);
    EXPECT_EQ(log_list[0].type, c.want_type);
    EXPECT_EQ(log_list[0].domain, c.domain != nullptr ? c.domain : "");
    EXPECT_EQ(log_list[0].uuid, "");
    EXPECT_EQ(log_list[0].content, "text 1");
  }
  log_store_reset();
  log_setup_limit(1000);
  log_information(nullptr, MSG_LEVEL_ALERT, "via glib");
  std::lock_guard<std::mutex> lock(log_file_mutex);
  ASSERT_EQ(log_list.size(), 1u);
  EXPECT_EQ(log_list[0].type, "alert");
  EXPECT_EQ(log_list[0].domain, "OTHERS");
}

TEST_F(LogTest, ContentIsCutOnCharacterBoundariesAndMadeValid) {
  struct Case {
    std::string input, want;
  };
  std::string accent = "\xC3\xA9";             // é, 2 bytes
  std::string euro = "\xE2\x82\xAC";           // €, 3 bytes
  const Case cases[] = {
      {std::string(5000, 'a'), std::string(4095, 'a')},
      {std::string(4094, 'a') + euro, std::string(4094, 'a')},
      {std::string(4093, 'a') + accent + "z", std::string(4093, 'a') + accent},
      {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
      {"ctl \x01 tab\tline\n", "ctl \xEF\xBF\xBD tab\tline\n"},
  };
  for (const Case& c : cases) {
    log_store_reset();
    log_setup_limit(1000);
    log_session("D", "u", MSG_LEVEL_MESSAGE, "%s", c.input.c_str());
    std::lock_guard<std::mutex> lock(log_file_mutex);
    EXPECT_EQ(log_list.back().content, c.want);
  }
}

TEST_F(LogTest, WrittenLogLoadsBackWithEscapedTextAndFreshIds) {
  log_list.push_back(make_record("A&B <x> \"q\" > caf\xC3\xA9"));
  log_record_t second = make_record("second");
  second.domain = "T&<>";
  second.level = 7;
  log_list.push_back(second);
  ASSERT_TRUE(file_log_flush(log_list));
  std::string text = read_file(dat());
  EXPECT_NE(text.find("A&amp;B &lt;x&gt;"), std::string::npos);

  log_list_t loaded;
  ASSERT_TRUE(load_logs(dat().c_str(), loaded));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0].content, "A&B <x> \"q\" > caf\xC3\xA9");
  EXPECT_EQ(loaded[1].domain, "T&<>");
  EXPECT_EQ(loaded[1].level, 7);
  EXPECT_EQ(loaded[1].time2.tv_sec, second.time2.tv_sec);
}

TEST_F(LogTest, LoaderEdgeCases) {
  // Ids of an earlier run are not kept; a bad time keeps the previous record's time.
  std::string file =
      "<description><misc>x</misc></description>\n<configuration><count>2</count>"
      "<log id=\"7\"><type>alert</type><level>0</level><domain>D</domain><uuid>u</uuid>"
      "<time1>2026-01-01T00:00:00Z</time1><time2>2026-01-01T00:00:00Z</time2>"
      "<content>one</content></log>"
      "<log id=\"12\"><type>error</type><level>0</level><domain>D</domain>"
      "<time1>yesterday</time1><time2>2026-01-02T00:00:00Z</time2>"
      "<content>two</content></log></configuration>\n";
  write_file(dat(), file);
  log_list_t loaded;
  ASSERT_TRUE(load_logs(dat().c_str(), loaded));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[1].uuid, "");  // missing element
  EXPECT_EQ(loaded[1].time1.tv_sec, at("2026-01-01T00:00:00Z").tv_sec);
  std::swap(log_list, loaded);
  ASSERT_TRUE(file_log_flush(log_list));
  std::string rewritten = read_file(dat());
  EXPECT_NE(rewritten.find("<log id=\"2\">"), std::string::npos);
  EXPECT_EQ(rewritten.find("<log id=\"12\">"), std::string::npos);

  // Missing file: created empty and readable by all; empty file: no records.
  unlink(dat().c_str());
  ASSERT_TRUE(load_logs(dat().c_str(), loaded));
  EXPECT_TRUE(loaded.empty());
  struct stat st;
  ASSERT_EQ(stat(dat().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_TRUE(load_logs(dat().c_str(), loaded));
  EXPECT_TRUE(loaded.empty());
}

TEST_F(LogTest, DamagedLogIsKeptAsideAndTheLogStartsEmpty) {
  log_list.push_back(make_record("kept"));
  ASSERT_TRUE(file_log_flush(log_list));
  std::string whole = read_file(dat());
  std::string cut = whole.substr(0, whole.find("<content>") + 12);
  write_file(dat(), cut);

  log_list_t loaded;
  std::string aside;
  ASSERT_TRUE(load_logs(dat().c_str(), loaded, &aside));
  EXPECT_TRUE(loaded.empty());
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(read_file(aside), cut);
  EXPECT_EQ(aside.find("LOG.dat"), std::string::npos);  // not taken for the live log
}

TEST_F(LogTest, FailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(file_log_flush(log_list));
  // A non-empty folder in the place of LOG.dat cannot be renamed over.
  unlink(dat().c_str());
  ASSERT_EQ(mkdir(dat().c_str(), 0700), 0);
  write_file(dat() + "/keep", "x");
  log_session("D", "u", MSG_LEVEL_MESSAGE, "pending");
  EXPECT_FALSE(file_log_flush(log_list));
  EXPECT_GT(atomic_count.load(), 0);
  EXPECT_NE(system(("ls " + root_.config_dir() + " | grep -q _TMP_LOG_").c_str()), 0);
  EXPECT_NE(read_file(txt()).find("pending"), std::string::npos);
  system(("rm -rf '" + dat() + "'").c_str());
}

TEST_F(LogTest, LogTxtShowsLocalTimesAndWholeLines) {
  const char* old_tz = getenv("TZ");
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  log_record_t r = make_record("done");
  log_list.push_back(r);
  log_list.push_back(make_record(std::string(LOG_CONTENT_MAX, 'x')));
  ASSERT_TRUE(file_log_flush(log_list));
  std::string text = read_file(txt());
  EXPECT_EQ(text.substr(0, text.find("\r\n", 21) + 2),
            "BRELKIN TessalySync\r\nDocs\t2026-03-01 14:05\tdone\r\n");
  // The long line is shortened but still ends with its line end.
  EXPECT_EQ(text.substr(text.size() - 3), "x\r\n");
  if (old_tz) setenv("TZ", old_tz, 1); else unsetenv("TZ");
  tzset();
}

TEST_F(LogTest, ControlCharactersInNamesCannotForgeLogTxtLines) {
  // A task named with a line end, a tab and an escape, and a path with a line separator,
  // a C1 control and a carriage return.
  log_session("Evil\r\nDocs\t2026-01-01 00:00\tBackup Docs is completed.", "u",
              MSG_LEVEL_MESSAGE, "Failed to open file %s.", "/src/a\nb\xE2\x80\xA8" "c\xC2\x85" "d\re\x1B");
  ASSERT_TRUE(file_log_flush(log_list));
  std::string text = read_file(txt());
  // Exactly two lines: the header and the record.
  size_t lines = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 2u) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 2) << text;
  EXPECT_NE(text.find("Evil\\r\\nDocs\\t2026-01-01 00:00\\tBackup Docs is completed.\t"),
            std::string::npos) << text;
  // An escape character already became U+FFFD in the record; the rest are escaped.
  EXPECT_NE(text.find("Failed to open file /src/a\\nb\\u2028c\\u0085d\\re\xEF\xBF\xBD.\r\n"),
            std::string::npos) << text;
  // LOG.dat keeps the record's text as it is (markup escaped).
  EXPECT_NE(read_file(dat()).find("Evil\r\nDocs"), std::string::npos);
}

TEST(LogGate, IsOutputAndLanguageTables) {
  struct Gate {
    int threshold, level;
    bool want;
  };
  const Gate gates[] = {{10, 0, false}, {10, 3, false}, {3, 2, false}, {3, 3, true},
                        {0, 0, true},   {0, 4, false},  {-1, 2, true}};
  for (const Gate& g : gates) {
    log_set_debug_threshold(g.threshold);
    EXPECT_EQ(is_output(g.level), g.want) << g.threshold << " " << g.level;
  }
  log_set_debug_threshold(10);

  struct Lang {
    const char* name;
    const char* code;
  };
  const Lang langs[] = {{"English", "en"}, {"Simplified Chinese", "zh_CN"},
                        {"Traditional Chinese", "zh_TW"}, {"Danish", "da"},
                        {"Norwegian", "no"}, {"english", nullptr}, {"", nullptr},
                        {nullptr, nullptr}};
  for (const Lang& l : langs) {
    const char* code = set_program_language(l.name);
    if (l.code == nullptr) {
      EXPECT_EQ(code, nullptr);
    } else {
      ASSERT_NE(code, nullptr);
      EXPECT_STREQ(code, l.code);
    }
  }
}

}  // namespace
