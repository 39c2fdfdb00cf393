// librsync (see rsync_delta.h).
#include "rsync_delta.h"

#include <librsync.h>

#include "log.h"

void rsync_signature::job_deleter::operator()(void* job) const {
  rs_job_free(static_cast<rs_job_t*>(job));
}

rsync_signature::rsync_signature()
    : job_(rs_sig_begin(block_len, strong_len, RS_BLAKE2_SIG_MAGIC)), file_(std::tmpfile()) {
  if (file_ == nullptr) daemon_print(3, "open file %s error\n", "tmpfile");
}

rsync_signature::~rsync_signature() {
  if (file_ != nullptr) std::fclose(file_);
}

int copytool_sig(rsync_signature& sig, const char* data, size_t len, bool last) {
  if (!sig.ok() || sig.complete_) return -1;
  auto* job = static_cast<rs_job_t*>(sig.job_.get());
  char out[16384];
  rs_buffers_t buf;
  buf.next_in = const_cast<char*>(data);
  buf.avail_in = len;
  buf.eof_in = last ? 1 : 0;
  int idle = 0;
  for (;;) {
    size_t before = buf.avail_in;
    buf.next_out = out;
    buf.avail_out = sizeof out;
    rs_result r = rs_job_iter(job, &buf);
    size_t produced = sizeof out - buf.avail_out;
    if (produced > 0 && std::fwrite(out, 1, produced, sig.file_) != produced) r = RS_IO_ERROR;
    if (r == RS_DONE) {
      if (!last) break;  // finished before its end: an error below
      if (std::fflush(sig.file_) != 0 || std::ferror(sig.file_)) return -1;
      sig.complete_ = true;
      return 0;
    }
    if (r != RS_BLOCKED) {
      daemon_print(3, "signature failed: %s\n", rs_strerror(r));
      return -1;
    }
    // Blocked with all input taken and room left for output: it wants the next bytes.
    if (!last && buf.avail_in == 0 && produced < sizeof out) return 0;
    // A job that neither takes nor gives would never finish.
    idle = produced == 0 && buf.avail_in == before ? idle + 1 : 0;
    if (idle > 2) {
      if (!last) return 0;
      break;
    }
  }
  daemon_print(3, "signature failed: %s\n", rs_strerror(RS_INTERNAL_ERROR));
  return -1;
}

int copytool_delta(FILE* in, rsync_signature& sig, FILE* delta) {
  if (in == nullptr || delta == nullptr || !sig.complete_ ||
      std::fseek(sig.file_, 0, SEEK_SET) != 0) {
    return -1;
  }
  rs_signature_t* loaded = nullptr;
  rs_result r = rs_loadsig_file(sig.file_, &loaded, nullptr);
  struct sumset_free {
    void operator()(rs_signature_t* s) const { rs_free_sumset(s); }
  };
  std::unique_ptr<rs_signature_t, sumset_free> sums(loaded);
  if (r != RS_DONE || !sums) {
    daemon_print(3, "signature unreadable: %s\n", rs_strerror(r));
    return -1;
  }
  r = rs_build_hash_table(sums.get());
  if (r != RS_DONE) return -1;
  r = rs_delta_file(sums.get(), in, delta, nullptr);
  if (r != RS_DONE || std::ferror(in) != 0 || std::fflush(delta) != 0 || std::ferror(delta)) {
    daemon_print(3, "delta failed: %s\n", rs_strerror(r));
    return -1;
  }
  return 0;
}

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
