// LOG.dat and LOG.txt: the two files the log list is written to.
//
// LOG.dat is an XML text with a checksum header that the service reads back at start-up and
// the controller's log page reads; LOG.txt is plain text for the log mail. Both are written
// whole to a temporary file in the configuration folder and renamed over the real file, so
// a reader always finds the old or the new file and a failed write leaves the old one whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "file_write.h"
#include "log.h"
#include "parse_cmdline.h"

namespace {

const char kTempTemplate[] = "_TMP_LOG_XXXXXX";

// Escapes the characters that would end or open markup; the readers decode them.
void append_escaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c; break;
    }
  }
}

// Writes the data, makes it durable and readable by everyone, and renames it over target.
bool commit(tessaly::staged_file& temp, const std::string& data, const std::string& target) {
  if (!temp.write(data, [](int fd) { return fchmod(fd, 0644) == 0; })) return false;
  if (!temp.place(target, true)) {
    daemon_print(0, "Can not remove %s\n", target.c_str());
    return false;
  }
  return true;
}

std::string iso_or_empty(const GTimeVal& t) { return time_val_to_iso8601(t); }

// A text as LOG.txt shows it: every control character (tab, line feed and carriage return
// included, and the C1 controls and the Unicode line and paragraph separators) is written
// as an escape ("\t", "\n", "\r", "\x1B", "\u0085"), so that a task name or a file name can
// neither end its line nor forge another one. The text is valid UTF-8 (clean_log_text).
std::string escaped_for_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const gchar* end = text.c_str() + text.size();
  for (const gchar* p = text.c_str(); p < end;) {
    gunichar c = g_utf8_get_char_validated(p, end - p);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
      out += "\xEF\xBF\xBD";  // not UTF-8: one byte taken as U+FFFD
      ++p;
      continue;
    }
    const gchar* next = g_utf8_next_char(p);
    char escape[16] = {0};
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
      out += escape;
    } else if ((c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out += escape;
    } else {
      out.append(p, static_cast<size_t>(next - p));
    }
    p = next;
  }
  return out;
}

// The LOG.txt line of one record, shortened so that it always ends with its line end.
std::string text_line(const log_record_t& r) {
  char local[128];
  time_val_to_local_time_string(local, sizeof local, &r.time2);
  std::string line = escaped_for_text(r.domain) + "\t" + local + "\t";
  std::string content = escaped_for_text(r.content);
  const size_t max_line = 4096 - 1;
  if (line.size() + content.size() + 2 > max_line) {
    size_t room = line.size() + 2 < max_line ? max_line - line.size() - 2 : 0;
    content = clean_log_text(content, room);
  }
  return line + content + "\r\n";
}

std::string description(const std::string& misc) {
  return "<description>\n\t<version>1.0</version>\n\t<magic>E697A5E5BF97</magic>\n"
         "\t<vendor>BRELKIN</vendor>\n\t<type>log</type>\n\t<misc>" +
         misc + "</misc>\n</description>\n";
}

// Reading LOG.dat back: a stack of open elements and the record being assembled.
struct d_node {
  std::string name;
  std::string text;
};

struct load_state {
  std::vector<d_node> stack;
  log_record_t grec;
  log_list_t* list = nullptr;
  bool failed = false;
};

void logs_start(GMarkupParseContext*, const gchar* name, const gchar**, const gchar**,
                gpointer user, GError**) {
  static_cast<load_state*>(user)->stack.push_back({name, ""});
}

void logs_text(GMarkupParseContext*, const gchar* text, gsize len, gpointer user, GError**) {
  auto* st = static_cast<load_state*>(user);
  if (!st->stack.empty()) st->stack.back().text.assign(text, len);
}

void logs_end(GMarkupParseContext*, const gchar* name, gpointer user, GError**) {
  auto* st = static_cast<load_state*>(user);
  if (st->stack.empty() || st->stack.back().name != name) return;
  const std::string& text = st->stack.back().text;
  std::string element = name;
  log_record_t& g = st->grec;
  if (element == "type") {
    g.type = text;
  } else if (element == "domain") {
    g.domain = text;
  } else if (element == "uuid") {
    g.uuid = text;
  } else if (element == "content") {
    g.content = text;
  } else if (element == "level") {
    g.level = std::atoi(text.c_str());
  } else if (element == "time1" || element == "time2") {
    GTimeVal t;
    if (g_time_val_from_iso8601(text.c_str(), &t)) {
      (element == "time1" ? g.time1 : g.time2) = t;
    } else {
      daemon_print(0, "It is not a correct time\n");
    }
  } else if (element.rfind("log", 0) == 0) {
    {
      std::lock_guard<std::mutex> lock(log_file_mutex);
      st->list->push_back(g);
    }
    g.uuid.clear();
    g.content.clear();
    g.domain.clear();
    g.type.clear();
  }
  st->stack.pop_back();
}

void logs_error(GMarkupParseContext*, GError*, gpointer user) {
  static_cast<load_state*>(user)->failed = true;
}

const GMarkupParser logs_parser = {logs_start, logs_end, logs_text, nullptr, logs_error};

// Keeps a damaged LOG.dat beside the new log under a name of its own.
std::string keep_aside(const std::string& path) {
  std::string dir = path.substr(0, path.rfind('/') + 1);
  GDateTime* now = g_date_time_new_now_utc();
  gchar* stamp = g_date_time_format(now, "%Y%m%dT%H%M%SZ");
  g_date_time_unref(now);
  std::string aside = dir + "LOG-damaged-" + stamp + ".xml";
  g_free(stamp);
  if (rename(path.c_str(), aside.c_str()) != 0) return {};
  return aside;
}

}  // namespace

bool file_log_flush(log_list_t& list) {
  daemon_print(0, "file_log_flush\n");
  std::string dir;
  get_config_dir(dir);
  tessaly::staged_file dat(dir + kTempTemplate);
  tessaly::staged_file txt(dir + kTempTemplate);
  if (!dat.ok() || !txt.ok()) return false;

  std::lock_guard<std::mutex> lock(log_file_mutex);
  std::string body = "<configuration>\n\t<count>" + std::to_string(list.size()) + "</count>\n";
  std::string text = "BRELKIN TessalySync\r\n";
  int id = 1;
  for (const log_record_t& r : list) {
    body += "\t<log id=\"" + std::to_string(id++) + "\">\n\t\t<type>";
    append_escaped(body, r.type);
    body += "</type>\n\t\t<level>" + std::to_string(r.level) + "</level>\n\t\t<domain>";
    append_escaped(body, r.domain);
    body += "</domain>\n\t\t<uuid>";
    append_escaped(body, r.uuid);
    body += "</uuid>\n\t\t<time1>" + iso_or_empty(r.time1) + "</time1>\n\t\t<time2>" +
            iso_or_empty(r.time2) + "</time2>\n\t\t<content>";
    append_escaped(body, r.content);
    body += "</content>\n\t</log>\n";
    text += text_line(r);
  }
  body += "</configuration>\n";

  std::string unsigned_text = description("") + body;
  gchar* md5 = g_compute_checksum_for_data(
      G_CHECKSUM_MD5, reinterpret_cast<const guchar*>(unsigned_text.data()), unsigned_text.size());
  std::string file = description(md5) + body;
  g_free(md5);

  bool written = commit(dat, file, dir + "LOG.dat");
  if (written) atomic_count.store(0);
  if (!commit(txt, text, dir + "LOG.txt")) {
    daemon_print(3, "Can not write %sLOG.txt\n", dir.c_str());
  }
  return written;
}

bool load_logs(const char* path, log_list_t& list, std::string* damaged_copy) {
  {
    std::lock_guard<std::mutex> lock(log_file_mutex);
    list.clear();
  }
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) fchmod(fd, 0644);
  }
  if (fd < 0) return false;

  load_state state;
  state.list = &list;
  GMarkupParseContext* context = g_markup_parse_context_new(
      &logs_parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &state, nullptr);
  bool only_space = true;
  char buf[1024];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n && only_space; ++i) {
      if (!g_ascii_isspace(buf[i])) only_space = false;
    }
    if (!state.failed && !g_markup_parse_context_parse(context, buf, n, nullptr)) {
      state.failed = true;
    }
  }
  if (!state.failed && !only_space && !g_markup_parse_context_end_parse(context, nullptr)) {
    state.failed = true;
  }
  g_markup_parse_context_free(context);
  close(fd);

  if (state.failed && !only_space) {
    // Never lose what a damaged file held: keep it aside and start a new log.
    std::string aside = keep_aside(path);
    if (damaged_copy != nullptr) *damaged_copy = aside;
    std::lock_guard<std::mutex> lock(log_file_mutex);
    list.clear();
  }
  return true;
}
