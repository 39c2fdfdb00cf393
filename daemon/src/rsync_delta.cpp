// librsync (see rsync_delta.h).
#include "rsync_delta.h"

#include <librsync.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "log.h"
#include "unique_fd.h"

namespace {

// A comparison whose older copy differs by at most this many bytes, or by at most a quarter
// of its length, is written as it is; past both the rolling delta is smaller.
constexpr int64_t kSmallDifference = 64 << 10;
// Past this many runs of different blocks the comparison gives up (the runs are kept in
// memory, 16 bytes each): so scattered a change is the rolling delta's.
constexpr size_t kMaxRuns = 1 << 16;
// A comparison that found more than half of this many bytes or more different gives up:
// the rest of the file is not read for it (an insertion near the start of a large file).
constexpr int64_t kGiveUpAfter = 16 << 20;
// Reads of the older copy past the new one's end: mostly the one that finds its end.
constexpr size_t kTailChunk = 64 << 10;
// The older copy's different bytes are kept from the comparison up to this many, so that
// the delta needs no second read of them (over a share: no more requests than the rolling
// delta's one read); past it they are read again when the delta is written.
constexpr size_t kMaxKept = 4 << 20;

// The delta format's op codes (as librsync's prototab numbers them): LITERAL_1 .. LITERAL_64
// carry their length in the op code; then LITERAL with a length of 1, 2, 4 or 8 bytes; then
// COPY with a position and a length of 1, 2, 4 or 8 bytes each, positions outermost.
constexpr unsigned char kOpEnd = 0x00;
constexpr unsigned char kOpLiteralN1 = 0x41;
constexpr unsigned char kOpCopyN1N1 = 0x45;

// librsync writes a run of literal bytes as commands of at most this many.
constexpr int64_t kMaxLiteral = 32 << 10;

// The width librsync gives an argument: the fewest of 1, 2, 4 or 8 bytes that hold it.
int arg_width(uint64_t v) {
  if (v <= 0xff) return 1;
  if (v <= 0xffff) return 2;
  if (v <= 0xffffffffu) return 4;
  return 8;
}
int width_step(int width) { return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3; }

// Appends `v` big-endian in `width` bytes.
void put_be(std::vector<unsigned char>* out, uint64_t v, int width) {
  for (int i = width - 1; i >= 0; --i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

bool put(FILE* f, const std::vector<unsigned char>& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

bool emit_copy(FILE* delta, int64_t at, int64_t len) {
  int wa = arg_width(static_cast<uint64_t>(at));
  int wl = arg_width(static_cast<uint64_t>(len));
  std::vector<unsigned char> cmd{
      static_cast<unsigned char>(kOpCopyN1N1 + 4 * width_step(wa) + width_step(wl))};
  put_be(&cmd, static_cast<uint64_t>(at), wa);
  put_be(&cmd, static_cast<uint64_t>(len), wl);
  return put(delta, cmd);
}

// The older copy's bytes [at, at + len) as LITERAL commands: from `kept` when it holds them
// (and then past them), else read from `old`.
bool emit_literal(FILE* delta, FILE* old, int64_t at, int64_t len, const char** kept,
                  std::vector<char>* buffer) {
  if (*kept == nullptr) {
    if (::fseeko(old, static_cast<off_t>(at), SEEK_SET) != 0) return false;
    buffer->resize(static_cast<size_t>(kMaxLiteral));
  }
  while (len > 0) {
    int64_t n = std::min(len, kMaxLiteral);
    std::vector<unsigned char> cmd;
    if (n <= 64) {
      cmd.push_back(static_cast<unsigned char>(n));
    } else {
      int w = arg_width(static_cast<uint64_t>(n));
      cmd.push_back(static_cast<unsigned char>(kOpLiteralN1 + width_step(w)));
      put_be(&cmd, static_cast<uint64_t>(n), w);
    }
    size_t want = static_cast<size_t>(n);
    const char* bytes = *kept;
    if (bytes == nullptr) {
      // The older copy is the tree's own: shorter than when it was compared, it is not the
      // file the comparison saw.
      if (std::fread(buffer->data(), 1, want, old) != want) return false;
      bytes = buffer->data();
    } else {
      *kept += want;
    }
    if (!put(delta, cmd) || std::fwrite(bytes, 1, want, delta) != want) return false;
    len -= n;
  }
  return true;
}

}  // namespace

int copytool_patch(FILE* basis, FILE* delta, FILE* out) {
  if (basis == nullptr || delta == nullptr || out == nullptr) return -1;
  rs_result r = rs_patch_file(basis, delta, out, nullptr);
  if (std::fflush(out) != 0 || std::ferror(out)) return -2;
  if (r != RS_DONE || std::ferror(basis) || std::ferror(delta)) {
    daemon_print(3, "patch failed: %s\n", rs_strerror(r));
    return -1;
  }
  return 0;
}

int copytool_delta_of(FILE* old, FILE* newer, FILE* delta) {
  if (old == nullptr || newer == nullptr || delta == nullptr ||
      std::fseek(old, 0, SEEK_SET) != 0) {
    return -1;
  }
  // The signature lives in a local temporary file (never on the share) until the delta is
  // written.
  tessaly::file_ptr sig(std::tmpfile());
  if (!sig) {
    daemon_print(3, "open file %s error\n", "tmpfile");
    return -1;
  }
  rs_result r = rs_sig_file(newer, sig.get(), block_len, strong_len, RS_BLAKE2_SIG_MAGIC, nullptr);
  if (r != RS_DONE || std::ferror(newer) != 0 || std::fflush(sig.get()) != 0 ||
      std::fseek(sig.get(), 0, SEEK_SET) != 0) {
    daemon_print(3, "signature failed: %s\n", rs_strerror(r));
    return -1;
  }
  rs_signature_t* loaded = nullptr;
  r = rs_loadsig_file(sig.get(), &loaded, nullptr);
  struct sumset_free {
    void operator()(rs_signature_t* s) const { rs_free_sumset(s); }
  };
  std::unique_ptr<rs_signature_t, sumset_free> sums(loaded);
  if (r != RS_DONE || !sums || rs_build_hash_table(sums.get()) != RS_DONE) {
    daemon_print(3, "signature unreadable: %s\n", rs_strerror(r));
    return -1;
  }
  r = rs_delta_file(sums.get(), old, delta, nullptr);
  if (r != RS_DONE || std::ferror(old) != 0 || std::fflush(delta) != 0 || std::ferror(delta)) {
    daemon_print(3, "delta failed: %s\n", rs_strerror(r));
    return -1;
  }
  return 0;
}

void block_comparison::add(const char* data, size_t len, bool last) {
  if (failed_ || complete_ || old_ == nullptr) {
    failed_ = true;
    return;
  }
  auto note = [this](int64_t at, int64_t n, const char* bytes) {
    if (keeps_ && kept_.size() + static_cast<size_t>(n) <= kMaxKept) {
      kept_.insert(kept_.end(), bytes, bytes + n);
    } else {
      keeps_ = false;
      std::vector<char>().swap(kept_);
    }
    if (!differ_.empty() && differ_.back().second == at) {
      differ_.back().second += n;
    } else if (differ_.size() < kMaxRuns) {
      differ_.emplace_back(at, at + n);
    } else {
      give_up();
    }
    different_ += n;
  };
  if (!given_up_ && !old_ended_ && len > 0) {
    if (buffer_.size() < len) buffer_.resize(len);
    size_t got = std::fread(buffer_.data(), 1, len, old_);
    if (got < len) {
      if (std::ferror(old_)) {
        failed_ = true;
        return;
      }
      old_ended_ = true;
      old_size_ = compared_ + static_cast<int64_t>(got);
    }
    if (got < len || std::memcmp(data, buffer_.data(), len) != 0) {
      for (size_t at = 0; at < got && !given_up_; at += block_len) {
        size_t n = std::min(block_len, got - at);
        if (std::memcmp(data + at, buffer_.data() + at, n) != 0) {
          note(compared_ + static_cast<int64_t>(at), static_cast<int64_t>(n),
               buffer_.data() + at);
        }
      }
    }
  }
  compared_ += static_cast<int64_t>(len);
  if (!given_up_ && compared_ >= kGiveUpAfter &&
      different_ > std::max(kSmallDifference, compared_ / 2)) {
    give_up();
  }
  if (last) {
    if (!given_up_ && !old_ended_) {
      // The older copy past the new one's end: all of it goes into the delta.
      if (buffer_.size() < kTailChunk) buffer_.resize(kTailChunk);
      int64_t tail = 0;
      for (;;) {
        size_t got = std::fread(buffer_.data(), 1, buffer_.size(), old_);
        if (got > 0) note(compared_ + tail, static_cast<int64_t>(got), buffer_.data());
        tail += static_cast<int64_t>(got);
        if (got < buffer_.size()) break;
      }
      if (std::ferror(old_)) {
        failed_ = true;
        return;
      }
      old_size_ = compared_ + tail;
    }
    complete_ = true;
  }
}

void block_comparison::give_up() {
  given_up_ = true;
  std::vector<std::pair<int64_t, int64_t>>().swap(differ_);
  std::vector<char>().swap(kept_);
  keeps_ = false;
}

bool block_comparison::close_enough() const {
  return complete_ && !given_up_ && !failed_ &&
         different_ <= std::max(kSmallDifference, old_size_ / 4);
}

int copytool_block_delta(const block_comparison& cmp, FILE* delta) {
  if (delta == nullptr || !cmp.close_enough()) return -1;
  std::vector<unsigned char> magic;
  put_be(&magic, RS_DELTA_MAGIC, 4);
  if (!put(delta, magic)) return -1;
  // What does not differ lies within both copies at the same offsets: a COPY from the new
  // one. What differs, and the older copy past the new one's end, is a LITERAL.
  std::vector<char> buffer;
  const char* kept = cmp.keeps_ ? cmp.kept_.data() : nullptr;
  int64_t at = 0;
  for (const auto& [from, to] : cmp.differ_) {
    if (from > at && !emit_copy(delta, at, from - at)) return -1;
    if (!emit_literal(delta, cmp.old_, from, to - from, &kept, &buffer)) return -1;
    at = to;
  }
  if (at < cmp.old_size_ && !emit_copy(delta, at, cmp.old_size_ - at)) return -1;
  if (std::fputc(kOpEnd, delta) == EOF || std::fflush(delta) != 0 || std::ferror(delta)) {
    return -1;
  }
  return 0;
}
