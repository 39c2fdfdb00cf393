// File and path helpers of the backup and the restore (see tree_files.h).
#include "tree_files.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <vector>

#include "links.h"
#include "log.h"
#include "share.h"
#include "unique_fd.h"

namespace share = tessaly::share;

namespace {


// Every this many bytes a copy into a local file asks the kernel to start writing them to
// the disk, without waiting: the disk works while the copy goes on, instead of the whole
// file waiting for the next flush (which, below the kernel's dirty limits, is a sync).
constexpr int64_t kWritebackStep = 8 << 20;

class early_writeback {
 public:
  explicit early_writeback(int fd) : fd_(fd) {}
  // `total` bytes of the file are written.
  void written(int64_t total) {
    if (fd_ < 0 || total - started_ < kWritebackStep) return;
    // Only a hint: a failure changes nothing the copy relies on.
    (void)::sync_file_range(fd_, started_, total - started_, SYNC_FILE_RANGE_WRITE);
    started_ = total;
  }

 private:
  int fd_;
  int64_t started_ = 0;
};

// Both sides local and nothing read yet: the kernel copies, with copy_file_range on one file
// system and sendfile between two, both without the bytes passing through this process. ok,
// an error, or `fallback`: the kernel cannot, and the loop goes on from where it stopped.
copy_status kernel_copy(int in_fd, int out_fd, int64_t* bytes, bool* fallback) {
  *fallback = false;
  early_writeback writeback(out_fd);
  bool between = false;  // two file systems: sendfile
  for (;;) {
    ssize_t n = between ? ::sendfile(out_fd, in_fd, nullptr, kWritebackStep)
                        : ::copy_file_range(in_fd, nullptr, out_fd, nullptr, kWritebackStep, 0);
    if (n == 0) return copy_status::ok;
    if (n < 0) {
      if (!between && errno == EXDEV) {
        between = true;
        continue;
      }
      if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        *fallback = true;
        return copy_status::ok;
      }
      return errno == ENOSPC || errno == EDQUOT || errno == EFBIG ? copy_status::target_error
                                                                 : copy_status::source_error;
    }
    *bytes += n;
    writeback.written(*bytes);
  }
}

}  // namespace

copy_status copy_file(FILE* in, FILE* out, int64_t* bytes, block_comparison* cmp) {
  *bytes = 0;
  if (in == nullptr) return copy_status::source_error;
  if (out == nullptr) return copy_status::target_error;
  int in_fd = ::fileno(in);
  int out_fd = ::fileno(out);
  if (cmp == nullptr && in_fd >= 0 && out_fd >= 0 && std::ftell(in) == 0 &&
      std::fflush(out) == 0) {
    bool fallback = false;
    copy_status status = kernel_copy(in_fd, out_fd, bytes, &fallback);
    if (!fallback) return status;
  }
  // Reads and writes from here go on at the descriptors' offsets.
  // Whole blocks go straight to the files: no second buffer, no copy through it. A stream
  // over a share keeps its own buffer for reading: stdio reads such a stream through its
  // buffer, and one of a single byte would make every byte a request.
  if (in_fd >= 0) std::setvbuf(in, nullptr, _IONBF, 0);
  std::setvbuf(out, nullptr, _IONBF, 0);
  // Not cleared: each block is read before it is written.
  std::unique_ptr<char[]> buffer(new char[copy_block_size]);
  early_writeback writeback(out_fd);
  for (;;) {
    size_t got = std::fread(buffer.get(), 1, copy_block_size, in);
    if (got < copy_block_size && std::ferror(in)) return copy_status::source_error;
    if (got > 0 && std::fwrite(buffer.get(), 1, got, out) != got) {
      return copy_status::target_error;
    }
    *bytes += static_cast<int64_t>(got);
    writeback.written(*bytes);
    bool last_block = got < copy_block_size;
    if (cmp != nullptr) cmp->add(buffer.get(), got, last_block);
    if (last_block) break;
  }
  return std::fflush(out) == 0 ? copy_status::ok : copy_status::target_error;
}

copy_status copy_file(share::destination& d, FILE* in, const std::string& to, int64_t* bytes,
                      block_comparison* cmp) {
  *bytes = 0;
  if (in == nullptr) return copy_status::source_error;
  FILE* out = d.open(to, "wb", 0660);
  if (out == nullptr) return copy_status::target_error;
  copy_status status = copy_file(in, out, bytes, cmp);
  if (std::fclose(out) != 0 && status == copy_status::ok) status = copy_status::target_error;
  return status;
}

copy_status copy_file(share::destination& d, const std::string& from, const std::string& to,
                      int64_t* bytes) {
  *bytes = 0;
  tessaly::file_ptr in(d.open(from, "rb", 0));
  if (!in) return copy_status::source_error;
  return copy_file(d, in.get(), to, bytes);
}

int presence(share::destination& d, const std::string& path) {
  share::info_t info;
  if (share::lstat(d, path, &info) == 0) return 1;
  return errno == ENOENT ? 0 : -1;
}

int rm_directory(share::destination& d, const std::string& path) {
  share::info_t info;
  if (share::lstat(d, path, &info) != 0) return errno == ENOENT ? 0 : -1;
  if (info.type == share::kind::link) return remove_symbolic(d, path.c_str()) == 0 ? 0 : -1;
  return share::remove_tree(d, path) == 0 || errno == ENOENT ? 0 : -1;
}

int rm_file(share::destination& d, const std::string& path) {
  return d.unlink(path) == 0 || errno == ENOENT ? 0 : -1;
}

int get_file_time(const struct stat& st, std::string* out) {
  if (out == nullptr) return -1;
  // A walk forms this text for every file: the calendar fields are computed here (the
  // proleptic Gregorian calendar that gmtime_r uses) and written digit by digit, for the
  // years that take four digits; other times go the long way.
  constexpr int64_t kDay = 86400;
  int64_t seconds = static_cast<int64_t>(st.st_mtim.tv_sec);
  int64_t days = seconds >= 0 ? seconds / kDay : -((-seconds + kDay - 1) / kDay);
  int64_t in_day = seconds - days * kDay;
  // Days since 1970-01-01 to year, month, day (counted in eras of 400 years from 0000-03-01).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 0 || year > 9999) {
    struct tm tm;
    time_t t = st.st_mtim.tv_sec;
    if (gmtime_r(&t, &tm) == nullptr) return -1;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    *out = text;
    return 0;
  }
  char text[19];
  auto two = [&](int at, int64_t v) {
    text[at] = static_cast<char>('0' + v / 10);
    text[at + 1] = static_cast<char>('0' + v % 10);
  };
  two(0, year / 100);
  two(2, year % 100);
  text[4] = '-';
  two(5, month);
  text[7] = '-';
  two(8, day);
  text[10] = ' ';
  two(11, in_day / 3600);
  text[13] = ':';
  two(14, in_day / 60 % 60);
  text[16] = ':';
  two(17, in_day % 60);
  out->assign(text, sizeof text);
  return 0;
}

std::string path_format_to_win(const std::string& path) {
  if (!share::is_smb_path(path)) return path;
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string get_source_folder(const std::string& path, size_t L) {
  return L < path.size() ? path.substr(L) : std::string();
}

bool destination_reachable(share::destination& d, const std::string& base) {
  return share::probe_folder(d, base) == 0;
}
