// Restore times against a plain copy and against rdiff-backup on the same history.
//
//   restore_bench [work folder] [files]   (default: a folder under /tmp, 1500 files)
//
// Needs rdiff-backup (scripts/install-deps.sh --bench); build it optimised, for example in
// build-bench/ as bench/run_bench.py does: ninja -C build-bench restore_bench.
//
// Makes a source folder (small, medium and large files, about 180 MB with the default),
// backs it up six times with the service's backup run and with rdiff-backup, changing a
// twentieth of the files, adding and deleting some between the runs; then times, each the
// median of three runs on a warm cache:
//   cp -a of the newest source;
//   the service's restore of the newest version and of the version five runs back, to a
//     chosen folder (the tree on a local folder);
//   rdiff-backup restore --at now and --at 5B of the same two states.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "backup.h"
#include "backup_task.h"
#include "configuration.h"
#include "log.h"
#include "restore.h"

namespace fs = std::filesystem;

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option) { return std::string(); }

namespace {

const char* const kUuid = "b3c1d2e4-5f60-4a7b-8c9d-0e1f2a3b4c5d";

std::mt19937 rng(42);

void write_random(const std::string& path, size_t size, time_t mtime) {
  fs::create_directories(fs::path(path).parent_path());
  std::string data(size, '\0');
  for (size_t i = 0; i < size; i += 4) {
    uint32_t r = rng();
    std::memcpy(&data[i], &r, std::min<size_t>(4, size - i));
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
  struct timespec t[2] = {{mtime, 0}, {mtime, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), t, 0);
}

// Changes a few bytes in the middle of a file, keeping the rest (a delta of a few blocks).
void edit(const std::string& path, time_t mtime) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekg(0, std::ios::end);
  std::streamoff size = f.tellg();
  f.seekp(size / 2);
  std::string patch(64, static_cast<char>('a' + rng() % 26));
  f.write(patch.data(), static_cast<std::streamsize>(patch.size()));
  f.close();
  struct timespec t[2] = {{mtime, 0}, {mtime, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), t, 0);
}

int run(const std::vector<std::string>& argv) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The median of five runs, each from a clean page cache state for writes: the time until
// the data is on disk (the writes flushed by sync count).
template <typename F>
double median_seconds(const std::string& out, F body) {
  std::vector<double> times;
  for (int i = 0; i < 5; ++i) {
    fs::remove_all(out);
    ::sync();
    auto start = std::chrono::steady_clock::now();
    body();
    ::sync();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[2];
}

bool same_tree(const std::string& a, const std::string& b) {
  return run({"diff", "-r", "--no-dereference", a, b}) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work = argc > 1 ? argv[1] : "/tmp/tessaly-restore-bench";
  int files = argc > 2 ? std::atoi(argv[2]) : 1500;
  fs::remove_all(work);
  std::string src = work + "/src/data";
  std::string dest = work + "/dest";
  std::string repo = work + "/rdiff";
  fs::create_directories(src);
  fs::create_directories(dest);
  log_init(false, false, -1, nullptr);

  time_t clock = 1700000000;
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    size_t size = i % 30 == 0 ? (2u << 20) : i % 3 == 0 ? 64 * 1024 + rng() % (192 * 1024)
                                                          : 4096 + rng() % 12288;
    std::string rel = "d" + std::to_string(i % 40) + "/s" + std::to_string(i % 7) + "/f" +
                      std::to_string(i) + ".bin";
    write_random(src + "/" + rel, size, clock);
    names.push_back(rel);
  }

  session_t task = test_support::backup_task(kUuid, "Bench", {src},
                                              test_support::local_destination(dest));
  GTimeVal start{1750000000, 0};

  // Snapshots of the source as each version holds it, for the checks.
  std::vector<std::string> states;
  const int runs = 6;
  for (int r = 1; r <= runs; ++r) {
    if (r > 1) {
      clock += 100;
      for (int i = 0; i < files / 20; ++i) edit(src + "/" + names[rng() % names.size()], clock);
      for (int i = 0; i < 10; ++i) {
        std::string rel = "new" + std::to_string(r) + "/n" + std::to_string(i) + ".bin";
        write_random(src + "/" + rel, 8192, clock);
      }
      for (int i = 0; i < 5; ++i) fs::remove(src + "/" + names[(r * 131 + i * 17) % names.size()]);
    }
    start.tv_sec += 3600;
    auto t0 = std::chrono::steady_clock::now();
    if (backup_session(&task, &start) != run_outcome::completed) {
      std::fprintf(stderr, "backup %d failed\n", r);
      return 1;
    }
    double backup_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    t0 = std::chrono::steady_clock::now();
    if (run({"rdiff-backup", "--current-time", std::to_string(1750000000 + r * 3600), "backup",
             src, repo}) != 0) {
      std::fprintf(stderr, "rdiff-backup %d failed\n", r);
      return 1;
    }
    double rdiff_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("run %d: service backup %.2f s, rdiff-backup %.2f s\n", r, backup_s, rdiff_s);
    std::string state = work + "/state" + std::to_string(r);
    run({"cp", "-a", src, state});
    states.push_back(state);
  }

  std::string out = work + "/out";
  // Both sides read from a warm cache: the source and the tree are read once first.
  run({"sh", "-c", "find \"$0\" \"$1\" -type f -exec cat {} + > /dev/null", src, dest});
  double cp = median_seconds(out, [&] { run({"cp", "-a", src, out}); });
  double newest = median_seconds(out, [&] {
    restore_incremental_backup(&task, out.c_str(), runs);
  });
  bool newest_ok = same_tree(out + "/data", states[runs - 1]);
  double older = median_seconds(out, [&] {
    restore_incremental_backup(&task, out.c_str(), runs - 5);
  });
  bool older_ok = same_tree(out + "/data", states[runs - 6]);
  double rdiff_newest = median_seconds(out, [&] {
    run({"rdiff-backup", "--force", "restore", "--at", "now", repo, out});
  });
  double rdiff_older = median_seconds(out, [&] {
    run({"rdiff-backup", "--force", "restore", "--at", "5B", repo, out});
  });
  bool rdiff_older_ok = same_tree(out, states[runs - 6]);

  uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  std::printf("\nsource: %d files, %.0f MB; %d versions\n", files,
              static_cast<double>(total) / 1e6, runs);
  std::printf("cp -a of the newest data          %7.2f s\n", cp);
  std::printf("restore, newest version           %7.2f s  (%.2fx cp -a)%s\n", newest, newest / cp,
              newest_ok ? "" : "  WRONG CONTENT");
  std::printf("restore, version five runs back   %7.2f s%s\n", older,
              older_ok ? "" : "  WRONG CONTENT");
  std::printf("rdiff-backup restore --at now     %7.2f s\n", rdiff_newest);
  std::printf("rdiff-backup restore --at 5B      %7.2f s  (service %.2fx of it)%s\n", rdiff_older,
              older / rdiff_older, rdiff_older_ok ? "" : "  WRONG CONTENT");
  fs::remove_all(work);
  return newest_ok && older_ok ? 0 : 1;
}
