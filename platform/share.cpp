// The request counts of every back-end, and the name and URL forms of SMB paths (see
// share.h).
#include "share.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "share_backend.h"

namespace tessaly::share {

namespace {

std::atomic<uint64_t> g_counts[8];

}  // namespace

void count_request(request_kind kind) {
  g_counts[static_cast<int>(kind)].fetch_add(1, std::memory_order_relaxed);
}

request_counts_t request_counts() {
  auto at = [](request_kind k) { return g_counts[static_cast<int>(k)].load(); };
  request_counts_t c;
  c.lookups = at(request_kind::lookup);
  c.listings = at(request_kind::listing);
  c.made = at(request_kind::made);
  c.removed = at(request_kind::removed);
  c.renamed = at(request_kind::renamed);
  c.opened = at(request_kind::opened);
  c.reads = at(request_kind::read);
  c.writes = at(request_kind::write);
  return c;
}

void reset_request_counts() {
  for (auto& c : g_counts) c.store(0);
}

int mode_to_flags(const char* mode) {
  if (mode == nullptr || *mode == '\0') return -1;
  bool plus = std::strchr(mode + 1, '+') != nullptr;
  switch (mode[0]) {
    case 'r':
      return plus ? O_RDWR : O_RDONLY;
    case 'w':
      return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return -1;
  }
}

// The private-use code points of the cifs client's mapposix mapping.
namespace {

constexpr char32_t kMapBase = 0xF000;

char32_t share_code_for(unsigned char c, bool last) {
  if (c >= 0x01 && c <= 0x1F) return kMapBase + c;
  switch (c) {
    case '"': return 0xF020;
    case '*': return 0xF021;
    case ':': return 0xF022;
    case '<': return 0xF023;
    case '>': return 0xF024;
    case '?': return 0xF025;
    case '\\': return 0xF026;
    case '|': return 0xF027;
    case ' ': return last ? 0xF028 : 0;
    case '.': return last ? 0xF029 : 0;
    default: return 0;
  }
}

char name_char_for(char32_t code) {
  if (code >= 0xF001 && code <= 0xF01F) return static_cast<char>(code - kMapBase);
  switch (code) {
    case 0xF020: return '"';
    case 0xF021: return '*';
    case 0xF022: return ':';
    case 0xF023: return '<';
    case 0xF024: return '>';
    case 0xF025: return '?';
    case 0xF026: return '\\';
    case 0xF027: return '|';
    case 0xF028: return ' ';
    case 0xF029: return '.';
    default: return 0;
  }
}

void append_utf8(std::string& out, char32_t code) {
  // Only private-use code points (three bytes) are written here.
  out.push_back(static_cast<char>(0xE0 | (code >> 12)));
  out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
  out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

}  // namespace

std::string to_share_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    char32_t code = share_code_for(c, i + 1 == name.size());
    if (code != 0) {
      append_utf8(out, code);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string to_share_path(std::string_view relative) {
  std::string out;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    if (start > 0) out += '/';
    out += to_share_name(relative.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::string from_share_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    // U+F001..U+F029 are EF 80 81 .. EF 80 A9 in UTF-8.
    if (c == 0xEF && i + 2 < name.size() && static_cast<unsigned char>(name[i + 1]) == 0x80) {
      unsigned char c3 = static_cast<unsigned char>(name[i + 2]);
      char back = name_char_for(0xF000 + (c3 & 0x3F));
      if ((c3 & 0xC0) == 0x80 && back != 0) {
        out.push_back(back);
        i += 2;
        continue;
      }
    }
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::string url_encode(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0x0F]);
    }
  }
  return out;
}

std::string smb_url(const std::string& path) {
  if (!is_smb_path(path)) return "";
  size_t unc_end = path.find('/');
  std::string unc = path.substr(2, unc_end == std::string::npos ? std::string::npos : unc_end - 2);
  std::string url = "smb:/";
  // \\server\share\folder: each part as typed by the user, only encoded.
  size_t start = 0;
  while (start <= unc.size()) {
    size_t end = unc.find('\\', start);
    if (end == std::string::npos) end = unc.size();
    if (end > start) {
      url += '/';
      url += url_encode(std::string_view(unc).substr(start, end - start));
    }
    start = end + 1;
  }
  if (unc_end != std::string::npos) {
    // The names below it: mapped for SMB, then encoded.
    std::string_view rest = std::string_view(path).substr(unc_end + 1);
    size_t s = 0;
    while (s <= rest.size()) {
      size_t e = rest.find('/', s);
      if (e == std::string_view::npos) e = rest.size();
      if (e > s) {
        url += '/';
        url += url_encode(to_share_name(rest.substr(s, e - s)));
      }
      s = e + 1;
    }
  }
  return url;
}

int windows_error_code(int error) {
  switch (error) {
    case EACCES:
      return 1326;  // the server refused the account
    case EPERM:
      return 5;
    case EINVAL:
      return 86;
    default:
      return 53;
  }
}

}  // namespace tessaly::share
