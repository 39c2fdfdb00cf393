// The file and path helpers of the backup and the restore: copies (the one copy loop of the
// engine, comparing with an older copy on the way when asked), removals in the task tree,
// file times, and the forms of paths in log texts and in the tree.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "destination.h"
#include "rsync_delta.h"

// Block size of file copies.
constexpr size_t copy_block_size = 1 << 20;
// The ending of a reverse delta's name in a version folder (<rel>.delta.old).
constexpr const char* kDeltaEnding = ".delta.old";

// Result of a copy, telling which side failed.
enum class copy_status { ok, source_error, target_error };

// Copies all of `in` (from its start) to `out` in blocks of copy_block_size, handing each
// block to the comparison `cmp` with an older copy when one is given (so that a reverse
// delta needs no read of the new copy); between two local files without a comparison the
// kernel copies. Into a local file, the disk's writing is started on the way. `out` is
// flushed, not closed. `bytes` gets the number of bytes copied.
copy_status copy_file(FILE* in, FILE* out, int64_t* bytes, block_comparison* cmp = nullptr);
// The same into the file `to` of the destination, created or truncated with permission bits
// 0660 and closed (its close checked). `in` stays the caller's.
copy_status copy_file(tessaly::share::destination& d, FILE* in, const std::string& to,
                      int64_t* bytes, block_comparison* cmp = nullptr);
// The same from the file `from` of the destination.
copy_status copy_file(tessaly::share::destination& d, const std::string& from,
                      const std::string& to, int64_t* bytes);

// Removes a path of the tree with everything in it (a link as a link, never followed;
// mounted file systems not entered). A missing path counts as removed. 0 or -1.
int rm_directory(tessaly::share::destination& d, const std::string& path);
// Removes a file of the tree; a file that is not there counts as removed. 0 or -1.
int rm_file(tessaly::share::destination& d, const std::string& path);

// 1 when something of that name exists in the tree, 0 when not, -1 when the destination
// cannot tell.
int presence(tessaly::share::destination& d, const std::string& path);

// A file's last-write time as the tree records it: UTC, whole seconds,
// "YYYY-MM-DD hh:mm:ss". 0, or -1 when it cannot be formed.
int get_file_time(const struct stat& st, std::string* out);

// A path as log texts show it: native form ("\" between the parts of an SMB path).
std::string path_format_to_win(const std::string& path);
// The relative path: `path` without its first L characters.
std::string get_source_folder(const std::string& path, size_t L);

// True when the destination of a run still answers.
bool destination_reachable(tessaly::share::destination& d, const std::string& base);
