// The share layer against both back-ends: a local folder and a real Samba server on
// 127.0.0.1 (tests/peers/smbd.sh). The same table of cases runs on each; what reached the
// server is checked on the server's own folder.
#include "share.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "backup.h"
#include "fd_util.h"
#include "server_probe.h"
#include "share_sqlite.h"
#include "smb_peer.h"
#include "test_support.h"
#include "tree_session.h"

namespace share = tessaly::share;
using test_support::read_file;
using test_support::SmbPeer;
using test_support::write_file;

namespace {

enum class where { local, smb };

std::string make_temp_dir() {
  gchar* dir = g_dir_make_tmp("tessaly-share-XXXXXX", nullptr);
  std::string path = dir;
  g_free(dir);
  return path;
}

void remove_local(const std::string& path) {
  std::string cmd = "rm -rf '" + path + "'";
  int rc = std::system(cmd.c_str());
  (void)rc;
}

bool write_all(share::destination& d, const std::string& path, const std::string& data) {
  FILE* f = d.open(path, "wb", 0660);
  if (f == nullptr) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

bool read_all(share::destination& d, const std::string& path, std::string* out) {
  FILE* f = d.open(path, "rb", 0);
  if (f == nullptr) return false;
  out->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->append(buffer, n);
  bool ok = !std::ferror(f);
  return (std::fclose(f) == 0) && ok;
}

std::vector<std::string> names_in(share::destination& d, const std::string& folder) {
  std::vector<share::entry_t> entries;
  std::vector<std::string> names;
  if (d.list(folder, &entries) != 0) return names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

class ShareTest : public ::testing::TestWithParam<where> {
 protected:
  void SetUp() override {
    tmp_ = make_temp_dir();
    if (GetParam() == where::smb) {
      START_SMB_PEER(peer_);
      share::account_t account;
      account.user = SmbPeer::user();
      account.password = SmbPeer::password();
      d_ = share::smb_destination(account);
      ASSERT_EQ(::mkdir((peer_.share_dir() + "/dest").c_str(), 0755), 0);
      base_ = "\\\\127.0.0.1\\nas\\dest";
      disk_ = peer_.share_dir() + "/dest";
    } else {
      base_ = tmp_ + "/dest";
      ASSERT_EQ(::mkdir(base_.c_str(), 0755), 0);
      disk_ = base_;
      d_ = share::local_destination();
    }
    ASSERT_NE(d_, nullptr);
    ASSERT_EQ(share::probe_folder(*d_, base_), 0) << std::strerror(errno);
  }
  void TearDown() override {
    d_.reset();
    remove_local(tmp_);
  }
  bool smb() const { return GetParam() == where::smb; }
  std::string at(const std::string& rel) const { return base_ + "/" + rel; }
  // Where a name below the destination lies on the disk that holds it.
  std::string on_disk(const std::string& rel) const {
    return disk_ + "/" + (smb() ? share::to_share_path(rel) : rel);
  }

  SmbPeer peer_;
  std::unique_ptr<share::destination> d_;
  std::string tmp_;
  std::string base_;
  std::string disk_;
};

TEST_P(ShareTest, NamesAreStoredAndListedAsTheyAre) {
  const std::vector<std::string> names = {
      "plain.txt",      "say \"hi\".txt", "100%25.txt",  "pct%41x",   "q?x.txt",
      "hash#and&amp",   "ünïcödé ß.txt",  "10:30.txt",   "trailing.", "trailing ",
      "back\\slash",    "a*b<c>d|e",      "ctl\x01\x1f", "it's",      "x\"); delete from t; --",
      "semi;colon@at+", "..double",       " lead"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(write_all(*d_, at(name), "content of " + name)) << std::strerror(errno);
    std::string back;
    ASSERT_TRUE(read_all(*d_, at(name), &back));
    EXPECT_EQ(back, "content of " + name);
    share::info_t info;
    ASSERT_EQ(d_->stat(at(name), &info, true), 0);
    EXPECT_EQ(info.type, share::kind::file);
    EXPECT_EQ(info.size, ("content of " + name).size());
    // What the disk behind the destination holds under the stored name.
    EXPECT_EQ(read_file(on_disk(name)), "content of " + name);
  }
  std::vector<std::string> listed = names_in(*d_, base_);
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  for (const std::string& name : names) EXPECT_EQ(d_->unlink(at(name)), 0) << name;
  EXPECT_TRUE(names_in(*d_, base_).empty());
}

// A listing says what each entry is, as a lookup of the entry would; locally also links
// (never followed) and what is neither file nor folder.
TEST_P(ShareTest, AListingNamesTheKindOfEachEntry) {
  ASSERT_TRUE(write_all(*d_, at("file.txt"), "f"));
  ASSERT_EQ(share::mkdirs(*d_, at("folder")), 0);
  std::map<std::string, share::kind> want = {{"file.txt", share::kind::file},
                                             {"folder", share::kind::folder}};
  if (!smb()) {
    ASSERT_EQ(::symlink("folder", on_disk("to_folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", on_disk("dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(on_disk("pipe").c_str(), 0600), 0);
    want["to_folder"] = want["dangling"] = share::kind::link;
    want["pipe"] = share::kind::other;
  }
  std::vector<share::entry_t> entries;
  ASSERT_EQ(d_->list(base_, &entries), 0);
  std::map<std::string, share::kind> got;
  for (const share::entry_t& e : entries) got[e.name] = e.type;
  EXPECT_EQ(got, want);
}

TEST_P(ShareTest, NestedFoldersAndLongPaths) {
  ASSERT_EQ(share::mkdirs(*d_, at("a/b:1/c?/d.")), 0) << std::strerror(errno);
  EXPECT_EQ(share::mkdirs(*d_, at("a/b:1/c?/d.")), 0);  // already there
  share::info_t info;
  ASSERT_EQ(d_->stat(at("a/b:1/c?/d."), &info, true), 0);
  EXPECT_EQ(info.type, share::kind::folder);
  EXPECT_EQ(d_->mkdir(at("a"), 0700), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(names_in(*d_, at("a/b:1")), std::vector<std::string>{"c?"});

  // Six folders of 200 characters: a path of more than 1200 characters below the base.
  std::string deep;
  for (int i = 0; i < 6; ++i) deep += (i ? "/" : "") + std::string(200, static_cast<char>('k' + i));
  ASSERT_EQ(share::mkdirs(*d_, at(deep)), 0) << std::strerror(errno);
  ASSERT_TRUE(write_all(*d_, at(deep + "/leaf.txt"), "deep"));
  std::string back;
  ASSERT_TRUE(read_all(*d_, at(deep + "/leaf.txt"), &back));
  EXPECT_EQ(back, "deep");
  EXPECT_EQ(share::remove_tree(*d_, at(deep.substr(0, 200))), 0);
  EXPECT_FALSE(share::exists(*d_, at(deep.substr(0, 200))));

  // A file in the way of a folder.
  ASSERT_TRUE(write_all(*d_, at("file"), "x"));
  EXPECT_EQ(share::mkdirs(*d_, at("file/sub")), -1);
}

TEST_P(ShareTest, RenameReplacesAnExistingFile) {
  ASSERT_TRUE(write_all(*d_, at("new.dat"), "new bytes"));
  ASSERT_TRUE(write_all(*d_, at("old.dat"), "old bytes, longer than the new ones"));
  ASSERT_EQ(d_->rename(at("new.dat"), at("old.dat")), 0) << std::strerror(errno);
  std::string back;
  ASSERT_TRUE(read_all(*d_, at("old.dat"), &back));
  EXPECT_EQ(back, "new bytes");
  EXPECT_FALSE(share::exists(*d_, at("new.dat")));

  // A folder moves with what it holds.
  ASSERT_EQ(share::mkdirs(*d_, at("from/inner")), 0);
  ASSERT_TRUE(write_all(*d_, at("from/inner/f"), "f"));
  ASSERT_EQ(d_->rename(at("from"), at("to")), 0);
  ASSERT_TRUE(read_all(*d_, at("to/inner/f"), &back));
  EXPECT_EQ(back, "f");
  EXPECT_EQ(d_->rename(at("missing"), at("x")), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_P(ShareTest, RemoveTreeNeverFollowsLinks) {
  // Something outside the tree that links inside it point at.
  std::string outside = tmp_ + "/outside";
  ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
  write_file(outside + "/keep.txt", "keep");

  ASSERT_EQ(share::mkdirs(*d_, at("tree/sub/deeper")), 0);
  ASSERT_TRUE(write_all(*d_, at("tree/top.txt"), "1"));
  ASSERT_TRUE(write_all(*d_, at("tree/sub/deeper/x:y.txt"), "2"));
  // Links are made on the disk that holds the tree (on a share only its server can).
  ASSERT_EQ(::symlink(outside.c_str(), on_disk("tree/sub/to_folder").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/keep.txt").c_str(), on_disk("tree/to_file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", on_disk("tree/sub/dangling").c_str()), 0);

  int rc = share::remove_tree(*d_, at("tree"));
  if (!smb()) {
    EXPECT_EQ(rc, 0) << std::strerror(errno);
    EXPECT_FALSE(share::exists(*d_, at("tree")));
  } else {
    // The server hides links that leave the share, so their folder cannot go: a clear
    // failure, never a success with something left behind.
    EXPECT_EQ(rc, -1);
    EXPECT_FALSE(share::exists(*d_, at("tree/top.txt")));
    EXPECT_FALSE(share::exists(*d_, at("tree/sub/deeper")));
  }
  EXPECT_EQ(read_file(outside + "/keep.txt"), "keep");

  // A plain tree goes whole, on both.
  ASSERT_EQ(share::mkdirs(*d_, at("plain/a/b")), 0);
  ASSERT_TRUE(write_all(*d_, at("plain/a/b/c"), "c"));
  ASSERT_TRUE(write_all(*d_, at("plain/d"), "d"));
  EXPECT_EQ(share::remove_tree(*d_, at("plain")), 0);
  EXPECT_FALSE(share::exists(*d_, at("plain")));
  EXPECT_EQ(share::remove_tree(*d_, at("plain")), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_P(ShareTest, StreamsReadWriteAndSeek) {
  std::string data(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919) >> 5);
  ASSERT_TRUE(write_all(*d_, at("big.bin"), data));

  FILE* f = d_->open(at("big.bin"), "r+b", 0660);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fseek(f, 1024 * 1024, SEEK_SET), 0);
  ASSERT_EQ(std::fwrite("XYZ", 1, 3, f), 3u);
  ASSERT_EQ(std::fseek(f, 0, SEEK_END), 0);
  EXPECT_EQ(std::ftell(f), static_cast<long>(data.size()));
  ASSERT_EQ(std::fseek(f, 10, SEEK_SET), 0);
  char two[2];
  ASSERT_EQ(std::fread(two, 1, 2, f), 2u);
  EXPECT_EQ(std::string(two, 2), data.substr(10, 2));
  ASSERT_EQ(std::fclose(f), 0);
  data.replace(1024 * 1024, 3, "XYZ");
  std::string back;
  ASSERT_TRUE(read_all(*d_, at("big.bin"), &back));
  EXPECT_TRUE(back == data);
  EXPECT_EQ(read_file(on_disk("big.bin")).size(), data.size());

  // "w" truncates, "a" appends.
  ASSERT_TRUE(write_all(*d_, at("big.bin"), "short"));
  f = d_->open(at("big.bin"), "ab", 0660);
  ASSERT_NE(f, nullptr);
  ASSERT_GE(std::fputs("+tail", f), 0);
  ASSERT_EQ(std::fclose(f), 0);
  ASSERT_TRUE(read_all(*d_, at("big.bin"), &back));
  EXPECT_EQ(back, "short+tail");

  // Random access as the database layer uses it.
  std::unique_ptr<share::file> h = d_->open_file(at("raw.bin"), O_RDWR | O_CREAT, 0660);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->write_at("abcdef", 6, 4), 6);
  uint64_t size = 0;
  ASSERT_EQ(h->size(&size), 0);
  EXPECT_EQ(size, 10u);
  char buf[16];
  EXPECT_EQ(h->read_at(buf, 16, 2), 8);  // short at the end
  EXPECT_EQ(std::string(buf + 2, 6), "abcdef");
  ASSERT_EQ(h->truncate(5), 0);
  ASSERT_EQ(h->size(&size), 0);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(h->close(), 0);
}

// A stream read to its end asks the server once per buffer and never once more only to hear
// "end of file"; after a seek or a write it asks again. (Locally streams are plain files and
// nothing is counted.) Each case: the file's size, how it is read, the reads sent on SMB.
TEST_P(ShareTest, StreamReadsEndWithoutAnExtraRequest) {
  struct case_t {
    const char* what;
    size_t size;
    bool read_twice;  // read to the end, seek to the start, read to the end again
    uint64_t smb_reads;
  };
  const case_t cases[] = {
      {"empty file", 0, false, 1},
      {"small file", 5000, false, 1},
      {"small file read again after a seek", 5000, true, 2},
      {"file of more than one stream buffer", 300 * 1024, false, 2},
  };
  for (const case_t& c : cases) {
    SCOPED_TRACE(c.what);
    std::string data(c.size, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
    ASSERT_TRUE(write_all(*d_, at("read.bin"), data));
    FILE* f = d_->open(at("read.bin"), "rb", 0660);
    ASSERT_NE(f, nullptr);
    share::reset_request_counts();
    for (int pass = 0; pass < (c.read_twice ? 2 : 1); ++pass) {
      if (pass > 0) {
        ASSERT_EQ(std::fseek(f, 0, SEEK_SET), 0);
      }
      std::string back;
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) back.append(buffer, n);
      EXPECT_TRUE(std::feof(f));
      EXPECT_FALSE(std::ferror(f));
      EXPECT_TRUE(back == data);
      // Asked again at the end: still the end, and no request for it.
      EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, f), 0u);
    }
    EXPECT_EQ(share::request_counts().reads, smb() ? c.smb_reads : 0u);
    ASSERT_EQ(std::fclose(f), 0);
  }
  // A file that grows after a read to its end shows the new bytes after a seek.
  ASSERT_TRUE(write_all(*d_, at("grow.bin"), "abc"));
  FILE* r = d_->open(at("grow.bin"), "r+b", 0660);
  ASSERT_NE(r, nullptr);
  char buffer[16];
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, r), 3u);
  ASSERT_EQ(std::fseek(r, 0, SEEK_END), 0);
  ASSERT_EQ(std::fwrite("def", 1, 3, r), 3u);
  ASSERT_EQ(std::fseek(r, 0, SEEK_SET), 0);
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, r), 6u);
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  ASSERT_EQ(std::fclose(r), 0);
}

// A database on the share is read a block of pages per request, and every connection still
// sees every write: its own (also pages SQLite wrote out and reads back within a transaction,
// and a rollback), and another connection's between two of its transactions.
TEST_P(ShareTest, DatabasesAreReadInBlocksAndSeeEveryWrite) {
  auto open = [&](sqlite3** db) {
    ASSERT_EQ(share::sqlite_open(*d_, at("t.db"), db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE),
              SQLITE_OK);
  };
  auto exec = [](sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error != nullptr ? error : "");
    sqlite3_free(error);
  };
  // The sum of the lengths of v and of n, each row weighing 1,000,000 n.
  auto total = [](sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "select sum(length(v) + 1000000 * n) from t;", -1, &st,
                                 nullptr),
              SQLITE_OK);
    int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
  };
  constexpr int kRows = 2500;  // about 110 pages: not a whole number of blocks, all kept
  sqlite3* writer = nullptr;
  open(&writer);
  exec(writer, "create table t(k integer primary key, n integer, v text);");
  exec(writer, "begin;");
  for (int i = 0; i < kRows; i += 500) {
    exec(writer, "with recursive n(i) as (select " + std::to_string(i) +
                     " union all select i + 1 from n where i < " + std::to_string(i + 499) +
                     ") insert into t select i, 1, printf('%150d', i) from n;");
  }
  exec(writer, "commit;");
  sqlite3_close(writer);

  // A new connection reads the whole table in a few requests.
  sqlite3* reader = nullptr;
  open(&reader);
  share::reset_request_counts();
  EXPECT_EQ(total(reader), int64_t{kRows} * 1000150);
  if (smb()) {
    EXPECT_LE(share::request_counts().reads, 20u);
  }

  // Another connection's write reaches the reader at its next transaction: rows changed
  // where they lie, and rows that move to other pages.
  open(&writer);
  exec(writer, "update t set n = 2;");
  EXPECT_EQ(total(reader), int64_t{kRows} * 2000150);
  exec(writer, "update t set v = printf('%100d', k);");
  EXPECT_EQ(total(reader), int64_t{kRows} * 2000100);

  // Pages written out within a transaction and read back, then rolled back.
  exec(writer, "pragma cache_size = 2;");
  exec(writer, "begin;");
  exec(writer, "update t set v = v || 'xx', n = 3;");
  EXPECT_EQ(total(writer), int64_t{kRows} * 3000102);
  exec(writer, "rollback;");
  EXPECT_EQ(total(writer), int64_t{kRows} * 2000100);
  EXPECT_EQ(total(reader), int64_t{kRows} * 2000100);
  exec(writer, "begin; delete from t where k >= 1000; commit;");
  EXPECT_EQ(total(reader), int64_t{1000} * 2000100);
  sqlite3_close(writer);
  sqlite3_close(reader);
}

TEST_P(ShareTest, ErrorsAreReportedAsErrors) {
  struct {
    const char* what;
    int (*op)(share::destination&, const std::string&);
    const char* rel;
    int error;
  } cases[] = {
      {"unlink missing", [](share::destination& d, const std::string& p) { return d.unlink(p); },
       "none", ENOENT},
      {"rmdir missing", [](share::destination& d, const std::string& p) { return d.rmdir(p); },
       "none", ENOENT},
      {"rmdir full", [](share::destination& d, const std::string& p) { return d.rmdir(p); },
       "full", ENOTEMPTY},
      {"mkdir below missing",
       [](share::destination& d, const std::string& p) { return d.mkdir(p, 0700); }, "none/x",
       ENOENT},
      {"probe a file",
       [](share::destination& d, const std::string& p) { return share::probe_folder(d, p); },
       "full/f", ENOTDIR},
  };
  ASSERT_EQ(d_->mkdir(at("full"), 0700), 0);
  ASSERT_TRUE(write_all(*d_, at("full/f"), "f"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    errno = 0;
    EXPECT_EQ(c.op(*d_, at(c.rel)), -1);
    EXPECT_EQ(errno, c.error) << std::strerror(errno);
  }
  EXPECT_EQ(d_->open(at("none"), "rb", 0660), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(d_->open(at("x"), "q", 0660), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Backends, ShareTest, ::testing::Values(where::local, where::smb),
                         [](const auto& info) {
                           return info.param == where::local ? "Local" : "Smb";
                         });

// ---------------------------------------------------------------------------------------
// Connections: accounts, shares that are not there, a server that goes away.

class SmbConnection : public ::testing::Test {
 protected:
  void SetUp() override { START_SMB_PEER(peer_); }

  static session_t task(const std::string& path, const std::string& user,
                        const std::string& password, bool anonymous) {
    session_t s;
    s.uuid = "0f8fad5b-d9cb-469f-a165-70867728950e";
    destination_t d;
    d.protocol = PROTOCOL_SAMBA;
    d.path = path;
    d.user = user;
    d.password = password;
    d.anonymous = anonymous;
    s.destinations.push_back(d);
    return s;
  }
  SmbPeer peer_;
};

TEST_F(SmbConnection, MountProbesTheShareWithTheTasksAccount) {
  ::mkdir((peer_.share_dir() + "/pc").c_str(), 0755);
  struct {
    const char* what;
    std::string path;
    std::string user;
    std::string password;
    bool anonymous;
    bool mounts;
  } cases[] = {
      {"right account", "\\\\127.0.0.1\\nas\\pc", "tessaly", "secret-pw", false, true},
      {"account with a domain", "\\\\127.0.0.1\\nas", "TESSALYTEST\\tessaly", "secret-pw", false,
       true},
      {"wrong password", "\\\\127.0.0.1\\nas\\pc", "tessaly", "wrong", false, false},
      // The library would log on as guest after a refused password; a guest share shows it.
      {"wrong password, no guest fallback", "\\\\127.0.0.1\\guest", "tessaly", "wrong", false,
       false},
      {"missing share", "\\\\127.0.0.1\\missing", "tessaly", "secret-pw", false, false},
      {"missing folder", "\\\\127.0.0.1\\nas\\absent", "tessaly", "secret-pw", false, false},
      {"guest on a guest share", "\\\\127.0.0.1\\guest", "", "", true, true},
      {"guest on an account share", "\\\\127.0.0.1\\nas", "", "", true, false},
      {"password too long for the protocol", "\\\\127.0.0.1\\nas", "tessaly",
       std::string(300, 'p'), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    session_t s = task(c.path, c.user, c.password, c.anonymous);
    std::string path;
    std::unique_ptr<share::destination> d = mount_disk(&s, &path);
    EXPECT_EQ(d != nullptr, c.mounts);
    EXPECT_EQ(path, c.path);  // given also on failure
    if (c.mounts) {
      EXPECT_TRUE(write_all(*d, c.path + "/probe.txt", "x"));
      EXPECT_EQ(d->unlink(c.path + "/probe.txt"), 0);
    }
  }
}

TEST_F(SmbConnection, LocalDestinationsMountWhenTheFolderExists) {
  std::string dir = make_temp_dir();
  std::string path;
  session_t present = task(dir, "", "", true);
  EXPECT_NE(mount_disk(&present, &path), nullptr);
  session_t absent = task(dir + "/absent", "user", "pw", false);
  EXPECT_EQ(mount_disk(&absent, &path), nullptr);
  session_t none;
  EXPECT_EQ(mount_disk(&none, &path), nullptr);
  EXPECT_TRUE(path.empty());
  remove_local(dir);
}

TEST_F(SmbConnection, ServerGoneDuringAWriteIsAnError) {
  session_t s = task("\\\\127.0.0.1\\nas", "tessaly", "secret-pw", false);
  std::string path;
  std::unique_ptr<share::destination> d = mount_disk(&s, &path);
  ASSERT_NE(d, nullptr);
  FILE* f = d->open(path + "/cut.bin", "wb", 0660);
  ASSERT_NE(f, nullptr);
  std::string block(1024 * 1024, 'a');
  ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
  ASSERT_EQ(std::fflush(f), 0);
  peer_.stop();
  bool failed = false;
  for (int i = 0; i < 4 && !failed; ++i) {
    failed = std::fwrite(block.data(), 1, block.size(), f) != block.size() || std::fflush(f) != 0;
  }
  failed = (std::fclose(f) != 0) || failed;
  EXPECT_TRUE(failed);
  // Nothing else works either, and says so.
  EXPECT_FALSE(write_all(*d, path + "/after.txt", "x"));
  EXPECT_EQ(share::probe_folder(*d, path), -1);
  d.reset();
  // And a new connection to the stopped server fails at the mount.
  EXPECT_EQ(mount_disk(&s, &path), nullptr);
}

TEST_F(SmbConnection, EachThreadHasItsOwnConnection) {
  ::mkdir((peer_.share_dir() + "/one").c_str(), 0755);
  std::atomic<int> failures{0};
  auto worker = [&](session_t s, const std::string& name) {
    std::string path;
    std::unique_ptr<share::destination> d = mount_disk(&s, &path);
    if (!d) {
      ++failures;
      return;
    }
    for (int i = 0; i < 40; ++i) {
      std::string file = path + "/" + name + std::to_string(i);
      if (!write_all(*d, file, name + std::to_string(i))) ++failures;
    }
  };
  std::thread a(worker, task("\\\\127.0.0.1\\nas\\one", "tessaly", "secret-pw", false), "acc");
  std::thread b(worker, task("\\\\127.0.0.1\\guest", "", "", true), "guest");
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(read_file(peer_.share_dir() + "/one/acc39"), "acc39");
  EXPECT_EQ(read_file(peer_.guest_dir() + "/guest39"), "guest39");
}

// ---------------------------------------------------------------------------------------
// A server that takes connections and never answers: only its own callers wait for it.

// Listens on a loopback address, takes every connection and sends nothing, until closed.
class SilentServer {
 public:
  SilentServer(const char* address, int port) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address, &at.sin_addr);
    socklen_t size = sizeof at;
    ok_ = ::bind(listen_, reinterpret_cast<sockaddr*>(&at), size) == 0 &&
          ::listen(listen_, 8) == 0 &&
          ::getsockname(listen_, reinterpret_cast<sockaddr*>(&at), &size) == 0;
    port_ = ntohs(at.sin_port);
    if (ok_) taker_ = std::thread([this] { take(); });
  }
  ~SilentServer() { close(); }
  bool ok() const { return ok_; }
  int port() const { return port_; }
  int taken() const { return taken_.load(); }
  // Ends every connection (each waiting client then sees it closed) and stops listening.
  void close() {
    stop_ = true;
    if (taker_.joinable()) taker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : held_) ::close(fd);
    held_.clear();
    if (listen_ >= 0) ::close(listen_);
    listen_ = -1;
  }

 private:
  void take() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      held_.push_back(fd);
      ++taken_;
    }
  }

  int listen_ = -1;
  int port_ = 0;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> taken_{0};
  std::mutex mutex_;
  std::vector<int> held_;
  std::thread taker_;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ServerProbe, OnlyAServerThatStaysSilentFails) {
  SilentServer silent("127.0.0.1", 0);
  ASSERT_TRUE(silent.ok());
  SilentServer closed("127.0.0.1", 0);
  ASSERT_TRUE(closed.ok());
  const int closed_port = closed.port();
  closed.close();  // nothing listens there now: refused at once
  SmbPeer peer;
  std::string why;
  bool smbd = peer.start(&why);
  struct {
    const char* what;
    const char* host;
    int port;
    bool answers;
  } cases[] = {
      {"silent server", "127.0.0.1", silent.port(), false},
      {"refused connection", "127.0.0.1", closed_port, true},
      {"name only the library resolves", "no-such-nas.invalid", 445, true},
      {"real server", "127.0.0.1", smbd ? peer.port() : 0, true},
  };
  for (const auto& c : cases) {
    if (c.port == 0) continue;  // smbd needs root
    SCOPED_TRACE(c.what);
    auto start = std::chrono::steady_clock::now();
    errno = 0;
    EXPECT_EQ(share::smb_server_answers(c.host, c.port, 700), c.answers);
    if (!c.answers) {
      EXPECT_EQ(errno, ETIMEDOUT);
      EXPECT_GE(seconds_since(start), 0.6);
    }
    EXPECT_LT(seconds_since(start), 5.0);
  }
}

// A task whose server takes the connection and then says nothing costs only its own thread
// the wait: another thread's connection to the real server is set up and used meanwhile.
// (With one lock around the library, that thread waited the silent server's whole time-out.)
TEST_F(SmbConnection, ASilentServerHoldsOnlyItsOwnCallers) {
  SilentServer silent("127.0.0.2", peer_.port());  // the same port as smbd, another address
  ASSERT_TRUE(silent.ok());
  ::mkdir((peer_.share_dir() + "/pc").c_str(), 0755);
  std::atomic<bool> silent_mounted{true};
  std::thread stuck([&] {
    session_t s = task("\\\\127.0.0.2\\nas", "tessaly", "secret-pw", false);
    std::string path;
    silent_mounted = mount_disk(&s, &path) != nullptr;
  });
  for (int i = 0; i < 200 && silent.taken() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(silent.taken(), 0);

  auto start = std::chrono::steady_clock::now();
  session_t s = task("\\\\127.0.0.1\\nas\\pc", "tessaly", "secret-pw", false);
  std::string path;
  std::unique_ptr<share::destination> d = mount_disk(&s, &path);
  bool mounted = d != nullptr;
  bool written = mounted && write_all(*d, path + "/during.txt", "meanwhile");
  std::string back;
  bool read = written && read_all(*d, path + "/during.txt", &back);
  const double took = seconds_since(start);
  d.reset();
  silent.close();
  stuck.join();

  EXPECT_TRUE(mounted);
  EXPECT_TRUE(read);
  EXPECT_EQ(back, "meanwhile");
  EXPECT_LT(took, 3.0);
  EXPECT_FALSE(silent_mounted.load());
  EXPECT_EQ(read_file(peer_.share_dir() + "/pc/during.txt"), "meanwhile");
}

// ---------------------------------------------------------------------------------------
// Name and URL forms.

TEST(ShareNames, UnsupportedCharactersUseTheCifsPrivateRange) {
  struct {
    std::string name;
    std::string stored;
  } cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"10:30", "10\uF02230"},
      {"\"*<>?|", "\uF020\uF021\uF023\uF024\uF025\uF027"},
      {"back\\slash", "back\uF026slash"},
      {"end.", "end\uF029"},
      {"end ", "end\uF028"},
      {"mid. dle", "mid. dle"},
      {"tab\there", "tab\uF009here"},
      {"ünï", "ünï"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(share::to_share_name(c.name), c.stored) << c.name;
    EXPECT_EQ(share::from_share_name(c.stored), c.name) << c.name;
  }
  // Other private-use characters pass unchanged both ways.
  EXPECT_EQ(share::from_share_name("\uF030\uF000"), "\uF030\uF000");
}

TEST(ShareNames, PathsBecomeEncodedUrls) {
  struct {
    const char* path;
    const char* url;
  } cases[] = {
      {"\\\\nas\\backup", "smb://nas/backup"},
      {"\\\\nas\\backup\\my pc\\", "smb://nas/backup/my%20pc"},
      {"\\\\10.0.0.2\\share\\f/uuid/last/id0/a b%.txt", "smb://10.0.0.2/share/f/uuid/last/id0/a%20b%25.txt"},
      {"\\\\nas\\s/q?x#y", "smb://nas/s/q%EF%80%A5x%23y"},
      {"\\\\nas\\s/dir\\name", "smb://nas/s/dir%EF%80%A6name"},
      {"/local/path", ""},
      {"\\single", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(share::smb_url(c.path), c.url) << c.path;
  EXPECT_TRUE(share::is_smb_path("\\\\nas\\share"));
  EXPECT_FALSE(share::is_smb_path("\\\\\\nas"));
  EXPECT_FALSE(share::is_smb_path("//nas/share"));
  // The codes the controller's share browser reports.
  EXPECT_EQ(share::windows_error_code(EACCES), 1326);
  EXPECT_EQ(share::windows_error_code(EPERM), 5);
  EXPECT_EQ(share::windows_error_code(ENOENT), 53);
  EXPECT_EQ(share::windows_error_code(ECONNREFUSED), 53);
}

TEST(Privileges, KeepTheirShapeOnLinux) {
  EXPECT_TRUE(SetPrivilege(nullptr, "SeBackupPrivilege", true));
  EXPECT_TRUE(SetPrivilege(nullptr, "SeShutdownPrivilege", true));
  EXPECT_TRUE(SetPrivilege(nullptr, "SeRestorePrivilege", false));
  EXPECT_FALSE(SetPrivilege(nullptr, "Backup", true));
  EXPECT_FALSE(SetPrivilege(nullptr, nullptr, true));
}

}  // namespace
