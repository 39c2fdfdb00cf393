// librsync, called from this module only: the signature of a file's bytes taken while a copy
// writes them (copytool_sig), the reverse delta written against such a signature
// (copytool_delta, which backup_file in copy_to_tmp.cpp calls for every changed file), and
// one step of a delta chain applied (copytool_patch, which the restore calls for every delta
// from the newest version down to the one it rebuilds).
//
// The task tree's format: every signature and delta uses block length 2048 and strong-sum
// length 8; a delta is librsync's own format (its magic does not depend on the signature's,
// so the signature, which never leaves this machine, uses BLAKE2). A librsync delta carries
// no checksum, so every result of the library and every error of a stream is checked: a
// short delta accepted in silence would corrupt every older version of its file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

// librsync parameters of every signature and delta of the tree.
constexpr size_t block_len = 2048;
constexpr size_t strong_len = 8;

// The signature of the bytes of one copy, held in a local temporary file (never on the
// share: it lives only until its delta is written).
class rsync_signature {
 public:
  rsync_signature();
  ~rsync_signature();
  rsync_signature(const rsync_signature&) = delete;
  rsync_signature& operator=(const rsync_signature&) = delete;

  // False when the job or its temporary file could not be made.
  bool ok() const { return job_ != nullptr && file_ != nullptr; }
  // True once the last bytes were added and the signature is whole.
  bool complete() const { return complete_; }

 private:
  friend int copytool_sig(rsync_signature& sig, const char* data, size_t len, bool last);
  friend int copytool_delta(FILE* in, rsync_signature& sig, FILE* delta);
  struct job_deleter {
    void operator()(void* job) const;
  };
  std::unique_ptr<void, job_deleter> job_;
  FILE* file_ = nullptr;
  bool complete_ = false;
};

// Adds `len` bytes of the file (the last ones when `last`) to its signature. 0, or -1 when
// the library fails or the signature cannot be written.
int copytool_sig(rsync_signature& sig, const char* data, size_t len, bool last);

// Writes to `delta` the delta of `in`'s content (read from its current position) against
// the complete signature `sig`: for a reverse delta `in` is the older copy and `sig` the
// signature of the newer one, so that patching the newer copy gives the older. The caller
// opens and closes `delta` (and checks the close). 0 or -1.
int copytool_delta(FILE* in, rsync_signature& sig, FILE* delta);

// Applies `delta` to `basis` (which the library reads at offsets of its choosing), writing
// the result to `out`, which is flushed. 0; -1 when the delta does not apply or cannot be
// read; -2 when `out` cannot be written (`out` then holds a partial result).
int copytool_patch(FILE* basis, FILE* delta, FILE* out);
