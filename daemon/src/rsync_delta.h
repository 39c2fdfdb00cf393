// librsync and its delta format, in this module only. A changed file's reverse delta comes
// from one of two ways:
//  - the comparison of the new copy with the older one at the same offsets, block by block,
//    fed while the copy writes the new bytes (block_comparison), and written here in the
//    delta format with COPY commands from the new copy and LITERAL commands holding the
//    older copy's different bytes (copytool_block_delta): it costs one read of the older
//    copy, which suits files changed in place (disk images, databases, mailboxes);
//  - when the comparison finds too much different (an insertion shifts everything after
//    it), librsync's signature of the new copy and its rolling delta of the older one
//    (copytool_delta_of), whose delta stays small.
// backup_file in copy_to_tmp.cpp chooses. One step of a delta chain is applied by
// copytool_patch, which the restore calls for every delta from the newest version down to
// the one it rebuilds.
//
// The task tree's format: every signature and delta uses block length 2048 and strong-sum
// length 8; a delta is librsync's own format (its magic does not depend on the signature's,
// so the signature, which never leaves this machine, uses BLAKE2). A librsync delta carries
// no checksum, so every result of the library and every error of a stream is checked: a
// short delta accepted in silence would corrupt every older version of its file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

// librsync parameters of every signature and delta of the tree.
constexpr size_t block_len = 2048;
constexpr size_t strong_len = 8;

// Writes to `delta` the delta of `old`'s content (from its start) against the signature of
// `newer`'s whole content, read here: the rolling delta. 0 or -1.
int copytool_delta_of(FILE* old, FILE* newer, FILE* delta);

// The comparison of a new copy with the older copy of the same file, block by block at the
// same offsets, fed with the new bytes in order as the copy writes them; it reads the older
// copy alongside. It keeps the runs of blocks that differ, and the older copy's bytes in
// them while they are few.
class block_comparison {
 public:
  // `old` is read from its current position, which must be its start; it stays the
  // caller's and must stay open until the delta is written.
  explicit block_comparison(FILE* old) : old_(old) {}

  // Compares the next `len` bytes of the new copy (the last ones when `last`). An older
  // copy that cannot be read (or none) fails the comparison, and with it the delta.
  void add(const char* data, size_t len, bool last);
  bool failed() const { return failed_; }
  // True once the last bytes were added, the older copy's length is known and what differs
  // is little enough for a delta of this comparison; false means the rolling delta.
  bool close_enough() const;

 private:
  friend int copytool_block_delta(const block_comparison& cmp, FILE* delta);
  // Too different for a delta of the comparison: what it kept is dropped.
  void give_up();

  FILE* old_;
  std::vector<char> buffer_;
  // Offsets [first, second) where the older copy differs, in order, merged when adjacent.
  std::vector<std::pair<int64_t, int64_t>> differ_;
  int64_t compared_ = 0;   // bytes of the new copy compared so far
  int64_t old_size_ = 0;   // the older copy's length, once complete_
  int64_t different_ = 0;  // bytes of the older copy in differ_
  std::vector<char> kept_;  // the older copy's bytes in differ_, in order, while keeps_
  bool keeps_ = true;
  bool old_ended_ = false;  // the older copy's end was read (old_size_ holds its length)
  bool complete_ = false;
  bool given_up_ = false;  // too different already: the rest is not compared
  bool failed_ = false;
};

// Writes to `delta` the reverse delta of a complete, close enough comparison: patching the
// new copy with it gives the older one. Reads the older copy's different bytes. 0 or -1.
int copytool_block_delta(const block_comparison& cmp, FILE* delta);

// Applies `delta` to `basis` (which the library reads at offsets of its choosing), writing
// the result to `out`, which is flushed. 0; -1 when the delta does not apply or cannot be
// read; -2 when `out` cannot be written (`out` then holds a partial result).
int copytool_patch(FILE* basis, FILE* delta, FILE* out);
