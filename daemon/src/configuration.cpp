// The configuration loader: GLOBAL_SETTING.dat and SESSION_CONFIG.dat.
//
// Both files are written by the controller (GLOBAL_SETTING.dat is created here with default
// content when it does not exist); the service reads them at start-up and again on every
// configuration-update request. The layouts are in config_format.h; this file holds the two
// GMarkup readers and what a load replaces.
//
// Loads run on the main thread, while the mail, schedule and task threads read what they
// produce. So the settings are kept under a mutex and handed out as copies, and a new task
// list is built aside and swapped in under session_list_mutex only once the whole file
// parsed: a damaged or half-written file never replaces a good list.
#include "configuration.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "config_format.h"
#include "file_read.h"
#include "file_write.h"
#include "i18n.h"
#include "log.h"
#include "parse_cmdline.h"
#include "paths.h"
#include "schedule.h"
#include "seen_trees.h"
#include "session.h"

namespace layout = tessaly::config_format;

namespace {

using settings_t = std::array<std::string, GLOBAL_OPTION_MAX>;

static_assert(layout::kGlobalItemCount == GLOBAL_OPTION_MAX);

// The settings as the last load left them; "" for a setting never read.
std::mutex global_settings_mutex;
settings_t Global_settings_string;

// Never filled; print_sesion_settings lists it.
std::vector<std::string> Session_settings;

// Loads of one file never overlap (the reader state below is shared between loads).
std::mutex global_load_mutex;
std::mutex session_load_mutex;

// The largest files read. Real files are a few kilobytes; anything far larger is not a
// configuration file and is not read into memory.
constexpr size_t kGlobalFileMax = 1024 * 1024;
constexpr size_t kSessionFileMax = 16 * 1024 * 1024;

struct gerror_free {
  void operator()(GError* e) const { g_error_free(e); }
};
using gerror_ptr = std::unique_ptr<GError, gerror_free>;

struct context_free {
  void operator()(GMarkupParseContext* c) const { g_markup_parse_context_free(c); }
};
using context_ptr = std::unique_ptr<GMarkupParseContext, context_free>;

// Configuration files are read with file_read.h: the folder is writable by the service's
// group, so a symbolic link put in a file's place is refused (it would make the service read,
// and set the rights of, a file elsewhere), a FIFO does not block the main thread and
// anything but a regular file is refused.

// Sets the configuration files' rights on an open file itself (through its /proc/self/fd
// name), so that a name swapped meanwhile in the shared folder cannot redirect the change.
void apply_rights_to_open_file(int fd) {
  tessaly::apply_file_rights("/proc/self/fd/" + std::to_string(fd));
}

// ---------------------------------------------------------------------------------------
// GLOBAL_SETTING.dat

// One open element of the settings reader: its name and its last run of text.
struct d_node {
  std::string name;
  std::string text;
};

struct global_parse_state {
  std::vector<d_node> stack;
  settings_t values;
};

void global_start_element(GMarkupParseContext*, const gchar* name, const gchar**, const gchar**,
                          gpointer user, GError**) {
  static_cast<global_parse_state*>(user)->stack.push_back(d_node{name, {}});
}

void global_end_element(GMarkupParseContext*, const gchar* name, gpointer user, GError**) {
  auto* st = static_cast<global_parse_state*>(user);
  if (st->stack.empty() || st->stack.back().name != name) return;
  d_node node = std::move(st->stack.back());
  st->stack.pop_back();
  // Each setting by its element name wherever it stands; delete_sync by its parent. Where
  // an element occurs twice (the header's misc and the body's), the later one wins.
  for (size_t i = 0; i < layout::kGlobalItems.size(); ++i) {
    const layout::global_item_t& item = layout::kGlobalItems[i];
    if (item.element != node.name) continue;
    if (!item.parent.empty() && (st->stack.empty() || st->stack.back().name != item.parent)) {
      continue;
    }
    st->values[i] = node.text;
  }
}

// The text replaces the text of the innermost open element, so an element's value is the
// last run of text directly inside it.
void global_text(GMarkupParseContext*, const gchar* text, gsize len, gpointer user, GError**) {
  auto* st = static_cast<global_parse_state*>(user);
  if (!st->stack.empty()) st->stack.back().text.assign(text, len);
}

void global_passthrough(GMarkupParseContext*, const gchar*, gsize, gpointer, GError**) {}

void global_error(GMarkupParseContext*, GError*, gpointer) {}

const GMarkupParser parser_config = {global_start_element, global_end_element, global_text,
                                     global_passthrough, global_error};

// Feeds a settings text to the parser chunk by chunk. A leading byte-order mark is skipped;
// a markup error ends the parse, and the values stored before it stay.
class global_reader {
 public:
  explicit global_reader(const settings_t& start)
      : ctx_(g_markup_parse_context_new(&parser_config, static_cast<GMarkupParseFlags>(0),
                                        &state_, nullptr)) {
    state_.values = start;
  }

  void feed(std::string_view chunk) {
    if (failed_) return;
    if (at_start_) {
      // Hold the first bytes back until they can be told apart from a byte-order mark.
      head_.append(chunk);
      if (head_.size() < layout::kUtf8Bom.size() && layout::kUtf8Bom.substr(0, head_.size()) == head_) {
        return;
      }
      at_start_ = false;
      std::string head = std::move(head_);
      parse(layout::skip_utf8_bom(head));
      return;
    }
    parse(chunk);
  }

  // Ends the parse; true when the whole text was well formed.
  bool finish() {
    if (at_start_) {
      at_start_ = false;
      parse(layout::skip_utf8_bom(head_));
    }
    if (failed_) return false;
    GError* err = nullptr;
    if (!g_markup_parse_context_end_parse(ctx_.get(), &err)) {
      gerror_ptr owned(err);
      daemon_print(3, "settings parse error: %s\n", err != nullptr ? err->message : "");
      failed_ = true;
    }
    return !failed_;
  }

  const settings_t& values() const { return state_.values; }

 private:
  void parse(std::string_view text) {
    if (failed_ || text.empty()) return;
    GError* err = nullptr;
    if (!g_markup_parse_context_parse(ctx_.get(), text.data(), static_cast<gssize>(text.size()),
                                      &err)) {
      gerror_ptr owned(err);
      daemon_print(3, "settings parse error: %s\n", err != nullptr ? err->message : "");
      failed_ = true;
    }
  }

  global_parse_state state_;
  context_ptr ctx_;
  bool at_start_ = true;
  bool failed_ = false;
  std::string head_;
};

settings_t current_settings() {
  std::lock_guard<std::mutex> lock(global_settings_mutex);
  return Global_settings_string;
}

void store_settings(const settings_t& values) {
  std::lock_guard<std::mutex> lock(global_settings_mutex);
  Global_settings_string = values;
}

// Writes the default settings as a new file at `path`. The text goes to a temporary file of
// the same folder that is then moved into place only if `path` still does not exist, so a
// file that appeared meanwhile (the controller's) is never overwritten.
bool create_default_settings_file(const std::string& dir, const std::string& path) {
  tessaly::staged_file file(dir + "_TMP_SETTING_XXXXXX");
  auto rights = [](int fd) {
    apply_rights_to_open_file(fd);
    return true;
  };
  if (file.ok() && file.write(layout::global_setting_default(), rights) &&
      file.place(path, false)) {
    return true;
  }
  daemon_print(3, "can not create %s: %s\n", path.c_str(), g_strerror(errno));
  return false;
}

// ---------------------------------------------------------------------------------------
// SESSION_CONFIG.dat

// What the task reader carries over: the record being read and the destination being read.
// The record's three numbers (action, trigger, filter type) are kept from the task read
// before, as are the protocol of the last destination; everything else starts empty.
session_t tmp_session;
destination_t tmp_des;
int tmp_pro = PROTOCOL_LOCAL;

constexpr size_t kNoSession = static_cast<size_t>(-1);

// One open element of the task reader. Elements at one of the known places below session
// collect the text directly inside them, which is taken when they end.
struct open_element {
  explicit open_element(const char* element) : name(element) {}
  std::string name;
  const layout::session_chain_t* chain = nullptr;
  std::string text;
  bool has_text = false;
};

struct session_parse_state {
  std::vector<open_element> stack;
  size_t session_at = kNoSession;    // position of the open session element in the stack
  std::vector<session_t> list;       // the tasks read so far, in file order
  std::vector<std::string> refused;  // names of tasks skipped for their uuid
  struct duplicate_t {
    std::string name;
    std::string uuid;
    std::string kept;  // the name of the earlier task with that uuid, which is loaded
  };
  std::vector<duplicate_t> duplicates;  // tasks skipped because an earlier one has their uuid
};

// The task read earlier whose uuid equals `uuid` ignoring letter case, or null. A share folds
// the case of names, so two such tasks would write into one tree.
const session_t* same_uuid(const std::vector<session_t>& list, const std::string& uuid) {
  for (const session_t& s : list) {
    if (g_ascii_strcasecmp(s.uuid.c_str(), uuid.c_str()) == 0) return &s;
  }
  return nullptr;
}

// True when the open elements below the session element are exactly `names`.
bool chain_is(const session_parse_state& st, const std::array<std::string_view, 4>& names,
              size_t depth) {
  if (st.session_at == kNoSession || st.stack.size() != st.session_at + 1 + depth) return false;
  for (size_t i = 0; i < depth; ++i) {
    if (st.stack[st.session_at + 1 + i].name != names[i]) return false;
  }
  return true;
}

bool at_destination(const session_parse_state& st) {
  return chain_is(st, {layout::session_element::destination}, 1);
}

const layout::session_chain_t* text_chain_at(const session_parse_state& st) {
  for (const layout::session_chain_t& chain : layout::kSessionTextChains) {
    if (chain_is(st, chain.names, chain.depth)) return &chain;
  }
  return nullptr;
}

// The end of a session element: the record is finished and, with a valid uuid, appended.
void finish_session(session_parse_state& st) {
  if (!is_valid_uuid(tmp_session.uuid.c_str())) {
    daemon_print(3, "session %s has an invalid uuid and is skipped\n", tmp_session.name.c_str());
    st.refused.push_back(tmp_session.name);
    return;
  }
  if (const session_t* kept = same_uuid(st.list, tmp_session.uuid)) {
    daemon_print(3, "session %s repeats the uuid %s and is skipped\n", tmp_session.name.c_str(),
                 tmp_session.uuid.c_str());
    st.duplicates.push_back({tmp_session.name, tmp_session.uuid, kept->name});
    return;
  }
  daemon_print(0, "load session %s %s\n", tmp_session.uuid.c_str(), tmp_session.name.c_str());
  init_session_next_time(&tmp_session);
  st.list.push_back(tmp_session);
}

void apply_session_text(layout::session_field field, const std::string& text) {
  using layout::session_field;
  switch (field) {
    case session_field::uuid: tmp_session.uuid = text; break;
    case session_field::name: tmp_session.name = text; break;
    case session_field::filter_type: {
      int n = layout::word_index(layout::kFilterTypeWords, text);
      if (n >= 0) tmp_session.filter.filter_type = n;
      break;
    }
    case session_field::extension: tmp_session.filter.extensions.push_back(text); break;
    case session_field::filter_path: tmp_session.filter.paths.push_back(text); break;
    case session_field::source: tmp_session.sources.push_back(text); break;
    case session_field::protocol: {
      int n = layout::word_index(layout::kProtocolWords, text);
      if (n >= 0) tmp_pro = n;
      tmp_des.protocol = tmp_pro;
      break;
    }
    case session_field::anonymous:
      if (text == layout::kAnonymousYes) tmp_des.anonymous = true;
      else if (text == layout::kAnonymousNo) tmp_des.anonymous = false;
      break;
    case session_field::user: tmp_des.user = text; break;
    case session_field::password: tmp_des.password = text; break;
    case session_field::destination_path: tmp_des.path = text; break;
    case session_field::action: {
      int n = layout::word_index(layout::kActionWords, text);
      if (n >= 0) tmp_session.action = n;
      break;
    }
    case session_field::type: {
      int n = layout::word_index(layout::kTriggerWords, text);
      if (n >= 0) tmp_session.type = n;
      break;
    }
    case session_field::schedule_type: tmp_session.schedule_type = text; break;
    case session_field::schedule_time: {
      // The entry is made with the schedule kind known now: schedule_type comes first.
      GTimeVal tv{};
      if (g_time_val_from_iso8601(text.c_str(), &tv)) {
        tmp_session.schedule_times.push_back(tv);
        update_session_schedule_list(tv, &tmp_session);
      }
      break;
    }
  }
}

void start_element_handler(GMarkupParseContext*, const gchar* name, const gchar**, const gchar**,
                           gpointer user, GError**) {
  auto* st = static_cast<session_parse_state*>(user);
  if (st->session_at == kNoSession) {
    if (layout::session_element::session == name) {
      st->session_at = st->stack.size();
      clear_session(&tmp_session);
    }
    st->stack.push_back(open_element{name});
    return;
  }
  st->stack.push_back(open_element{name});
  st->stack.back().chain = text_chain_at(*st);
  if (at_destination(*st)) {
    // Each destination starts without an account: one task's password never reaches
    // another task's server.
    tmp_des.anonymous = false;
    tmp_des.user.clear();
    tmp_des.password.clear();
    tmp_des.path.clear();
  }
}

void end_element_handler(GMarkupParseContext*, const gchar*, gpointer user, GError**) {
  auto* st = static_cast<session_parse_state*>(user);
  if (st->stack.empty()) return;
  const open_element& top = st->stack.back();
  if (st->session_at != kNoSession) {
    if (st->stack.size() == st->session_at + 1) {
      finish_session(*st);
      st->session_at = kNoSession;
    } else if (top.chain != nullptr) {
      // An element written with an explicit empty text (<password></password>) sets an
      // empty value; one without any (<password/>) leaves the value as it is.
      if (top.has_text) apply_session_text(top.chain->field, top.text);
    } else if (at_destination(*st)) {
      tmp_session.destinations.push_back(tmp_des);
    }
  }
  st->stack.pop_back();
}

// Only text directly inside one of the known elements, at its exact place below session,
// counts; white space between elements and text anywhere else are ignored. Text that an
// element holds around a nested element (or a comment) is joined.
void text_handler_session(GMarkupParseContext*, const gchar* text, gsize len, gpointer user,
                          GError**) {
  auto* st = static_cast<session_parse_state*>(user);
  if (st->stack.empty() || st->stack.back().chain == nullptr) return;
  open_element& top = st->stack.back();
  top.text.append(text, len);
  top.has_text = true;
}

void passthrough_handler(GMarkupParseContext*, const gchar*, gsize, gpointer, GError**) {}

void error_handler(GMarkupParseContext*, GError* error, gpointer) {
  daemon_print(3, "parse xml error:%s\n", error != nullptr ? error->message : "");
}

const GMarkupParser parser_session = {start_element_handler, end_element_handler,
                                      text_handler_session, passthrough_handler, error_handler};

bool only_white_space(std::string_view text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

// Parses a whole task file into `list`. False with the parser's message when the text is
// not well formed (a truncated file included). An empty file holds no tasks.
bool parse_session_text(std::string_view text, session_parse_state& st, std::string& error) {
  if (only_white_space(text)) return true;
  context_ptr ctx(g_markup_parse_context_new(&parser_session, static_cast<GMarkupParseFlags>(0),
                                             &st, nullptr));
  GError* err = nullptr;
  bool ok = g_markup_parse_context_parse(ctx.get(), text.data(), static_cast<gssize>(text.size()),
                                         &err) &&
            g_markup_parse_context_end_parse(ctx.get(), &err);
  if (!ok) {
    gerror_ptr owned(err);
    error = err != nullptr ? err->message : "";
  }
  return ok;
}

}  // namespace

bool read_config_file(const std::string& path, size_t max, std::string& out) {
  const int err = tessaly::read_regular_file(path, false, max, &out);
  errno = err;
  return err == 0;
}

bool load_global_settings() {
  std::lock_guard<std::mutex> load_lock(global_load_mutex);
  std::string dir;
  get_config_dir(dir);
  std::string path = dir;
  path.append(layout::kGlobalFileName);

  int err = 0;
  const tessaly::unique_fd file = tessaly::open_regular_file(path, false, &err);
  std::string text;
  if (file.ok()) {
    err = tessaly::read_open_file(file.get(), kGlobalFileMax, &text);
    if (err == EFBIG) daemon_print(3, "%s is too large; the rest is not read\n", path.c_str());
  }
  if (err == 0 || err == EFBIG) {
    global_reader reader(current_settings());
    reader.feed(text);
    reader.finish();
    store_settings(reader.values());
    apply_rights_to_open_file(file.get());
    update_email_schedule();
    return true;
  }

  std::string fallback(layout::global_setting_default());
  if (err == ENOENT) {
    daemon_print(0, "configuration is not exist");
    daemon_print(0, "%s", fallback.c_str());
    create_default_settings_file(dir, path);
  } else {
    // Anything but a missing file may be the user's settings behind a passing fault: they
    // are left alone, and the service runs on the defaults until a later load reads them.
    daemon_print(0, "can not open %s: %s\n", path.c_str(), g_strerror(err));
    log_session(nullptr, "", MSG_LEVEL_ERROR,
                _("The settings file %s cannot be read (%s); the default settings are used."),
                path.c_str(), g_strerror(err));
  }
  global_reader reader(current_settings());
  reader.feed(fallback);
  if (reader.finish()) {
    store_settings(reader.values());
    update_email_schedule();
  } else {
    daemon_print(0, "Couldn't load xml");
  }
  return false;
}

bool load_session_settings() {
  std::lock_guard<std::mutex> load_lock(session_load_mutex);
  std::string dir;
  get_config_dir(dir);
  std::string path = dir;
  path.append(layout::kSessionFileName);

  std::string content;
  if (!read_config_file(path, kSessionFileMax, content)) {
    int err = errno;
    daemon_print(0, "can not read %s: %s\n", path.c_str(), g_strerror(err));
    // No task file yet is the normal state before the first task is made.
    if (err != ENOENT) {
      log_session(nullptr, "", MSG_LEVEL_ERROR, _("The task file %s cannot be read: %s"),
                  path.c_str(), g_strerror(err));
    }
    return false;
  }

  session_parse_state st;
  std::string error;
  if (!parse_session_text(layout::skip_utf8_bom(content), st, error)) {
    daemon_print(0, "Couldn't load xml");
    log_session(nullptr, "", MSG_LEVEL_ERROR,
                _("The task file %s is damaged and was not loaded: %s"), path.c_str(),
                error.c_str());
    return false;
  }
  for (const std::string& name : st.refused) {
    log_session(name.empty() ? nullptr : name.c_str(), "", MSG_LEVEL_WARNING,
                _("The task %s is skipped because its uuid is not valid."), name.c_str());
  }
  for (const auto& d : st.duplicates) {
    log_session(d.name.empty() ? nullptr : d.name.c_str(), "", MSG_LEVEL_WARNING,
                _("The task %s is skipped because its uuid %s is that of the task %s (letter "
                  "case aside)."),
                d.name.c_str(), d.uuid.c_str(), d.kept.c_str());
  }
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    carry_sessions_last_time(&st.list);
    session_list.swap(st.list);
  }
  // The last run times live in the tasks' histories on their destinations: read in the
  // background, never on the thread that loads.
  init_sessions_last_time();
  forget_unconfigured_trees();
  // st.list now holds the old tasks; they are freed here, outside the lock.
  return true;
}

bool read_global_setting(int index, std::string& out) {
  if (index < 0 || index >= GLOBAL_OPTION_MAX) return false;
  std::lock_guard<std::mutex> lock(global_settings_mutex);
  out = Global_settings_string[static_cast<size_t>(index)];
  return true;
}

void print_global_settings() {
  if (!is_output(0)) return;
  settings_t values = current_settings();
  g_print("/***************NOW PRINTF GLOBAL SETTINGS IN ARRAY***************/\n");
  for (const std::string& v : values) g_print("The global settings item is '%s'\n", v.c_str());
}

void print_sesion_settings() {
  if (!is_output(0)) return;
  g_print("/****************NOW PRINTF SESSION SETTINGS IN ARRAY***************/\n");
  for (const std::string& v : Session_settings) {
    g_print("The session settings item is '%s'\n", v.c_str());
  }
}

void session_reader_reset() {
  std::lock_guard<std::mutex> load_lock(session_load_mutex);
  tmp_session = session_t{};
  tmp_des = destination_t{};
  tmp_pro = PROTOCOL_LOCAL;
}

void global_settings_reset() {
  store_settings(settings_t{});
}
