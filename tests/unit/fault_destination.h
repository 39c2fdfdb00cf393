// A destination that breaks on purpose: it counts every call of a run by kind, fails the
// Nth call of one kind (errno EIO), or from the Nth call on fails every call as a lost
// connection would (ENOTCONN), streams and files it opened included. The databases of the
// tree go through its files too, so that a failed page write is one of its calls. Tests put
// it in front of a run's real destination to prove that no failed operation, wherever it
// falls, loses a completed version.
#pragma once

#include <fcntl.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "destination.h"
#include "tree_session.h"

namespace fault_test {

namespace share = tessaly::share;

enum class op { lookup, listing, made, removed, renamed, opened, read, write };
constexpr int kKinds = 8;
inline const char* op_name(op k) {
  static const char* const names[] = {"lookup",  "listing", "made", "removed",
                                      "renamed", "opened",  "read", "write"};
  return names[static_cast<int>(k)];
}

// What to break, and what the wrapper saw. Shared with the test, which reads it after the run.
struct fault_plan {
  op kind = op::lookup;
  long nth = 0;       // the call of `kind` that fails; 0: none
  bool lose = false;  // from that call on, every call fails
  std::array<std::atomic<long>, kKinds> calls{};
  std::atomic<bool> tripped{false};
  std::atomic<bool> lost{false};

  // True when the call fails (errno set).
  bool fails(op k) {
    if (lost) {
      errno = ENOTCONN;
      return true;
    }
    long n = ++calls[static_cast<int>(k)];
    if (nth == 0 || k != kind || n != nth) return false;
    tripped = true;
    if (lose) {
      lost = true;
      errno = ENOTCONN;
    } else {
      errno = EIO;
    }
    return true;
  }
  long count(op k) const { return calls[static_cast<int>(k)]; }
};

class fault_file final : public share::file {
 public:
  fault_file(std::unique_ptr<share::file> inner, std::shared_ptr<fault_plan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}
  ssize_t read_at(void* buffer, size_t size, uint64_t offset) override {
    return plan_->fails(op::read) ? -1 : inner_->read_at(buffer, size, offset);
  }
  ssize_t write_at(const void* buffer, size_t size, uint64_t offset) override {
    return plan_->fails(op::write) ? -1 : inner_->write_at(buffer, size, offset);
  }
  int truncate(uint64_t size) override {
    return plan_->fails(op::write) ? -1 : inner_->truncate(size);
  }
  int size(uint64_t* out) override { return plan_->fails(op::read) ? -1 : inner_->size(out); }
  int close() override {
    int rc = inner_->close();
    return plan_->lost ? -1 : rc;
  }

 private:
  std::unique_ptr<share::file> inner_;
  std::shared_ptr<fault_plan> plan_;
};

// A stream over a stream of the real destination, each read and write of it a call.
struct fault_stream {
  FILE* inner;
  std::shared_ptr<fault_plan> plan;

  static ssize_t read(void* cookie, char* buffer, size_t size) {
    auto* s = static_cast<fault_stream*>(cookie);
    if (s->plan->fails(op::read)) return -1;
    size_t n = std::fread(buffer, 1, size, s->inner);
    return n == 0 && std::ferror(s->inner) ? -1 : static_cast<ssize_t>(n);
  }
  static ssize_t write(void* cookie, const char* buffer, size_t size) {
    auto* s = static_cast<fault_stream*>(cookie);
    if (s->plan->fails(op::write)) return 0;
    return static_cast<ssize_t>(std::fwrite(buffer, 1, size, s->inner));
  }
  static int seek(void* cookie, off64_t* offset, int whence) {
    auto* s = static_cast<fault_stream*>(cookie);
    if (::fseeko(s->inner, *offset, whence) != 0) return -1;
    *offset = ::ftello(s->inner);
    return 0;
  }
  static int close(void* cookie) {
    std::unique_ptr<fault_stream> s(static_cast<fault_stream*>(cookie));
    int rc = std::fclose(s->inner);
    return rc != 0 || s->plan->lost ? EOF : 0;
  }
};

class fault_destination final : public share::destination_wrapper {
 public:
  fault_destination(std::unique_ptr<share::destination> target, std::shared_ptr<fault_plan> plan)
      : destination_wrapper(std::move(target)), plan_(std::move(plan)) {}

  int stat(const std::string& path, share::info_t* out, bool follow) override {
    return plan_->fails(op::lookup) ? -1 : destination_wrapper::stat(path, out, follow);
  }
  int mkdir(const std::string& path, unsigned mode) override {
    return plan_->fails(op::made) ? -1 : destination_wrapper::mkdir(path, mode);
  }
  int list(const std::string& path, std::vector<share::entry_t>* out) override {
    return plan_->fails(op::listing) ? -1 : destination_wrapper::list(path, out);
  }
  int unlink(const std::string& path) override {
    return plan_->fails(op::removed) ? -1 : destination_wrapper::unlink(path);
  }
  int rmdir(const std::string& path) override {
    return plan_->fails(op::removed) ? -1 : destination_wrapper::rmdir(path);
  }
  int rename(const std::string& from, const std::string& to) override {
    return plan_->fails(op::renamed) ? -1 : destination_wrapper::rename(from, to);
  }
  int replace(const std::string& from, const std::string& to) override {
    return plan_->fails(op::renamed) ? -1 : destination_wrapper::replace(from, to);
  }
  FILE* open(const std::string& path, const char* mode, unsigned permissions) override {
    if (plan_->fails(op::opened)) return nullptr;
    FILE* inner = destination_wrapper::open(path, mode, permissions);
    if (inner == nullptr) return nullptr;
    auto* cookie = new fault_stream{inner, plan_};
    cookie_io_functions_t io{fault_stream::read, fault_stream::write, fault_stream::seek,
                             fault_stream::close};
    FILE* f = ::fopencookie(cookie, mode, io);
    if (f == nullptr) {
      std::fclose(inner);
      delete cookie;
    }
    return f;
  }
  std::unique_ptr<share::file> open_file(const std::string& path, int flags,
                                         unsigned permissions) override {
    if (plan_->fails(op::opened)) return nullptr;
    std::unique_ptr<share::file> inner = destination_wrapper::open_file(path, flags, permissions);
    if (!inner) return nullptr;
    return std::make_unique<fault_file>(std::move(inner), plan_);
  }
  share::pin_status open_tree(const std::string& base, bool create,
                              const std::vector<std::string>& folders,
                              const std::vector<std::string>& files,
                              std::string* offending) override {
    if (plan_->fails(op::lookup)) return share::pin_status::error;
    return destination_wrapper::open_tree(base, create, folders, files, offending);
  }
  // Every database file goes through open_file, so that its reads and writes are calls too.
  bool sqlite_route(const std::string&, bool* through_files, std::string* name) override {
    *through_files = true;
    name->clear();
    return true;
  }

 private:
  std::shared_ptr<fault_plan> plan_;
};

// The wrap a run takes (tree_session.h) to run through a fault_destination with `plan`.
inline destination_wrap_t faulty(std::shared_ptr<fault_plan> plan) {
  return [plan](std::unique_ptr<share::destination> d) -> std::unique_ptr<share::destination> {
    return std::make_unique<fault_destination>(std::move(d), plan);
  };
}

// The calls to break in a sweep over `plan`'s counts of a clean run: every call of a kind
// when it had few, else the first ones, the last one and an even spread between.
inline std::vector<std::pair<op, long>> sweep_calls(const fault_plan& counted, long per_kind) {
  std::vector<std::pair<op, long>> out;
  for (int k = 0; k < kKinds; ++k) {
    long n = counted.count(static_cast<op>(k));
    if (n <= per_kind) {
      for (long i = 1; i <= n; ++i) out.push_back({static_cast<op>(k), i});
      continue;
    }
    for (long j = 0; j < per_kind; ++j) {
      out.push_back({static_cast<op>(k), 1 + j * (n - 1) / (per_kind - 1)});
    }
  }
  return out;
}

// A plan that breaks the `nth` call of `kind`, or loses the connection there when `lose`.
inline std::shared_ptr<fault_plan> plan_at(op kind, long nth, bool lose) {
  auto plan = std::make_shared<fault_plan>();
  plan->kind = kind;
  plan->nth = nth;
  plan->lose = lose;
  return plan;
}

// How a sweep names that step in its failures.
inline std::string step_name(op kind, long nth, bool lose) {
  return std::string(lose ? "connection lost at " : "failed ") + op_name(kind) + " #" +
         std::to_string(nth);
}

}  // namespace fault_test
