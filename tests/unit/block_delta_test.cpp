// The reverse deltas of changed files, on a local folder and on a real Samba server: a table
// of changes (none, one block, the first and the last, a short last block, longer, shorter,
// from and to empty, changes across the copy's blocks, a rewrite of 5 MiB, insertions that
// shift everything after them) backed up twice. Every delta the run wrote must be one that librsync's own
// `rdiff patch` applies to the new copy to give back the old one byte for byte, a delta of a
// change in place must hold little more than the changed blocks (and is, in nearly every
// case, the very delta `rdiff delta` writes), and both versions must restore byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "backup.h"
#include "configuration.h"
#include "restore.h"
#include "task_tree_fixture.h"
#include "test_support.h"

namespace fs = std::filesystem;

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option) { return std::string(); }

namespace {

using namespace task_tree_test;

const char* const kUuid = "9a8b7c6d-5e4f-4a3b-8c2d-1e0f9a8b7c6d";
constexpr size_t kBlock = 2048;
constexpr size_t kMiB = 1 << 20;

std::string changed(std::string s, size_t at, size_t n, unsigned seed) {
  s.replace(at, n, random_bytes(n, seed));
  return s;
}

struct delta_case {
  const char* name;
  std::string old_content;
  std::string new_content;
  // The largest delta that the change needs.
  size_t most;
  // The delta is byte for byte the one `rdiff delta` writes against the new copy's
  // signature (block 2048, strong sum 8); a shortened file's tail rdiff may write otherwise.
  bool as_rdiff = true;
};

std::vector<delta_case> cases() {
  const std::string base = random_bytes(64 * kBlock, 11);        // 128 KiB, whole blocks
  const std::string odd = random_bytes(20 * kBlock + 700, 12);    // a short last block
  const std::string large = random_bytes(3 * kMiB + 1234, 13);    // several copy blocks
  const std::string huge = random_bytes(24 * kMiB, 15);
  std::string inserted = large;
  inserted.insert(1000, random_bytes(100, 14));
  std::string scattered = large;
  for (size_t at : {size_t{5}, kMiB - 10, 2 * kMiB + 3 * kBlock, large.size() - 1}) {
    scattered[at] = static_cast<char>(~scattered[at]);
  }
  const size_t overhead = 64;  // magic, commands and their arguments
  return {
      {"equal.bin", base, base, overhead},
      {"one_block.bin", base, changed(base, 30 * kBlock + 5, 10, 21), kBlock + overhead},
      {"first_block.bin", base, changed(base, 0, 1, 22), kBlock + overhead},
      {"last_block.bin", base, changed(base, base.size() - 1, 1, 23), kBlock + overhead},
      {"short_last.bin", odd, changed(odd, odd.size() - 3, 3, 24), 700 + overhead},
      {"two_runs.bin", base, changed(changed(base, kBlock, 3 * kBlock, 25), 40 * kBlock, 1, 26),
       4 * kBlock + overhead},
      {"longer.bin", base, base + random_bytes(5000, 27), overhead},
      {"shorter.bin", base, base.substr(0, 50 * kBlock + 9), 14 * kBlock + overhead, false},
      {"empty_old.bin", std::string(), base, overhead},
      {"empty_new.bin", base, std::string(), base.size() + 1024},
      {"across_copy_blocks.bin", large, scattered, 4 * kBlock + overhead},
      // More different bytes than the comparison keeps: they are read again for the delta.
      {"large_rewrite.bin", huge, changed(huge, 9 * kMiB + 100, 5 * kMiB, 28),
       5 * kMiB + kBlock + 1024},
      // Everything after the insertion moved: the rolling delta finds it again, also where
      // the comparison gives up before the file's end.
      {"inserted.bin", large, inserted, 32 * kBlock},
      {"inserted_early.bin", huge, huge.substr(0, 100) + "inserted" + huge.substr(100),
       64 * kBlock},
  };
}

// Runs a command; its exit status.
int run(const std::vector<std::string>& argv) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class BlockDeltaTest : public TaskTreeFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam(), kUuid, "docs"); }

  // The files of the task tree named `name`.
  std::vector<std::string> found(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(tree_)) {
      if (e.path().filename() == name) out.push_back(e.path().string());
    }
    return out;
  }
};

TEST_P(BlockDeltaTest, EveryDeltaIsOneThatRdiffAppliesAndEveryVersionRestores) {
  ASSERT_TRUE(fs::exists("/usr/bin/rdiff")) << "rdiff (librsync-tools) is needed";
  const std::vector<delta_case> table = cases();
  for (const delta_case& c : table) put(src_ + "/" + c.name, c.old_content);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t first = snapshot(src_);
  for (const delta_case& c : table) put(src_ + "/" + c.name, c.new_content);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t second = snapshot(src_);

  for (const delta_case& c : table) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> deltas = found(std::string(c.name) + ".delta.old");
    ASSERT_EQ(deltas.size(), 1u);
    std::vector<std::string> copies = found(c.name);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(test_support::read_file(copies[0]), c.new_content);
    std::string out = root_.path() + "/patched";
    fs::remove(out);
    ASSERT_EQ(run({"/usr/bin/rdiff", "patch", copies[0], deltas[0], out}), 0);
    EXPECT_TRUE(test_support::read_file(out) == c.old_content) << "rdiff patch gave another file";
    EXPECT_LE(fs::file_size(deltas[0]), c.most);
    if (c.as_rdiff) {
      std::string sig = root_.path() + "/new.sig", theirs = root_.path() + "/rdiff.delta";
      std::string old_file = root_.path() + "/old.bin";
      test_support::write_file(old_file, c.old_content);
      fs::remove(sig);
      fs::remove(theirs);
      ASSERT_EQ(run({"/usr/bin/rdiff", "-b", "2048", "-S", "8", "signature", copies[0], sig}), 0);
      ASSERT_EQ(run({"/usr/bin/rdiff", "delta", sig, old_file, theirs}), 0);
      EXPECT_TRUE(test_support::read_file(theirs) == test_support::read_file(deltas[0]))
          << "not the delta rdiff writes";
    }
  }

  std::map<gint64, const snapshot_t*> versions{{1, &first}, {2, &second}};
  for (const auto& [v, want] : versions) {
    std::string chosen = root_.path() + "/restored" + std::to_string(v);
    fs::create_directories(chosen);
    ASSERT_EQ(restore_incremental_backup(&task_, chosen.c_str(), v), run_outcome::completed);
    expect_same(*want, snapshot(chosen + "/docs"), "version " + std::to_string(v));
  }
}

INSTANTIATE_TEST_SUITE_P(Destinations, BlockDeltaTest, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
