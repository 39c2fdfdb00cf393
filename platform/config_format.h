// The layouts of the two configuration files that the service and the controller share.
//
// SESSION_CONFIG.dat holds the backup tasks ("sessions"): the controller writes it, the
// service reads it. GLOBAL_SETTING.dat holds the machine-wide settings: the service creates
// it with default content when it is missing, the controller rewrites it section by section.
// Every file name, element name, word and fixed text of both layouts is written down here
// once, so that the service's readers and the controller's writers cannot drift apart.
//
// Both files are UTF-8 without a byte-order mark, with LF line ends, no XML declaration and
// XML-escaped text. Each is two top-level elements in a row, `description` (the header) and
// `configuration` (the body); readers that need one XML document cut the text at the first
// "</description>". Whitespace between elements is free.
//
// This header uses the C++ standard library only, so that both programs compile it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tessaly::config_format {

inline constexpr std::string_view kSessionFileName = "SESSION_CONFIG.dat";
inline constexpr std::string_view kGlobalFileName = "GLOBAL_SETTING.dat";

// The largest files the service reads; a larger one is not a configuration file.
inline constexpr size_t kSessionFileMaxBytes = 16 * 1024 * 1024;
inline constexpr size_t kGlobalFileMaxBytes = 1024 * 1024;

inline constexpr std::string_view kDescriptionEnd = "</description>";
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The text after a leading UTF-8 byte-order mark (files edited by hand may carry one).
std::string_view skip_utf8_bom(std::string_view text);

// The header values, in the order they are written.
struct header_t {
  std::string_view version;
  std::string_view magic;
  std::string_view vendor;
  std::string_view type;
  std::string_view misc;
};

// Element names of the header and the body frame.
namespace element {
inline constexpr std::string_view description = "description";
inline constexpr std::string_view version = "version";
inline constexpr std::string_view magic = "magic";
inline constexpr std::string_view vendor = "vendor";
inline constexpr std::string_view type = "type";
inline constexpr std::string_view misc = "misc";
inline constexpr std::string_view configuration = "configuration";
}  // namespace element

// ---------------------------------------------------------------------------------------
// SESSION_CONFIG.dat
//
// <configuration>
//   <count>N</count>
//   <session id="1..N">          one per task, in the order the tasks were added
//     <uuid>                     36 characters, lower-case 8-4-4-4-12 hexadecimal
//     <name>
//     <filter>
//       <filter_type>            "include" (the service also reads "exclude")
//       <extension>
//         <alias_cnt>4</alias_cnt>
//         <alias id="1..4">      <name> video|picture|audio|customize, <count>, <ext id="1..">
//       <path><count>0</count>   filter paths would be <pth> children of this path
//     <source>                   <count>, then <path id="1.."> per source folder
//     <destination>              <protocol>, <anonymous>, <user> and <password> only when
//                                anonymous is "0", <path>, <model>
//     <action>                   full_backup | incremental | snapshot
//     <type>                     manually | schedule | auto_sync
//     only for "schedule":       <schedule_type>, <count>, <schedule_time id="1.."> (ISO 8601)
// ---------------------------------------------------------------------------------------

inline constexpr header_t kSessionHeader{"1.0", "E4BBBBE58AA1", "BRELKIN", "session", "xxxxx"};

namespace session_element {
inline constexpr std::string_view count = "count";
inline constexpr std::string_view session = "session";
inline constexpr std::string_view uuid = "uuid";
inline constexpr std::string_view name = "name";
inline constexpr std::string_view filter = "filter";
inline constexpr std::string_view filter_type = "filter_type";
inline constexpr std::string_view extension = "extension";
inline constexpr std::string_view alias_cnt = "alias_cnt";
inline constexpr std::string_view alias = "alias";
inline constexpr std::string_view ext = "ext";
inline constexpr std::string_view path = "path";
inline constexpr std::string_view pth = "pth";
inline constexpr std::string_view source = "source";
inline constexpr std::string_view destination = "destination";
inline constexpr std::string_view protocol = "protocol";
inline constexpr std::string_view anonymous = "anonymous";
inline constexpr std::string_view user = "user";
inline constexpr std::string_view password = "password";
inline constexpr std::string_view model = "model";
inline constexpr std::string_view action = "action";
inline constexpr std::string_view type = "type";
inline constexpr std::string_view schedule_type = "schedule_type";
inline constexpr std::string_view schedule_time = "schedule_time";
// Attribute numbering sessions, alias groups, extensions, source paths and run times.
inline constexpr std::string_view id_attribute = "id";
}  // namespace session_element

// The four extension groups, in the order of their ids 1 to 4; `alias_cnt` is their number.
inline constexpr std::array<std::string_view, 4> kAliasNames{"video", "picture", "audio",
                                                             "customize"};
inline constexpr std::string_view kAliasCount = "4";
// The extension that stands for every file.
inline constexpr std::string_view kAllFilesExtension = ".*";

// Word tables: the position of a word is the number the service keeps.
inline constexpr std::array<std::string_view, 2> kFilterTypeWords{"include", "exclude"};
inline constexpr std::array<std::string_view, 7> kProtocolWords{"local", "samba", "http", "https",
                                                                "ssh",   "sftp",  "ftp"};
inline constexpr std::array<std::string_view, 3> kActionWords{"full_backup", "incremental",
                                                              "snapshot"};
inline constexpr std::array<std::string_view, 3> kTriggerWords{"manually", "schedule",
                                                               "auto_sync"};
inline constexpr std::array<std::string_view, 3> kScheduleTypeWords{"daily", "weekly", "monthly"};
// `anonymous`: "1" opens the share without an account, "0" with the user and password.
inline constexpr std::string_view kAnonymousYes = "1";
inline constexpr std::string_view kAnonymousNo = "0";

// The position of `word` in a word table, or -1 when it is not one of its words.
template <size_t N>
constexpr int word_index(const std::array<std::string_view, N>& words, std::string_view word) {
  for (size_t i = 0; i < N; ++i) {
    if (words[i] == word) return static_cast<int>(i);
  }
  return -1;
}

// The texts the service reads from a task, each by the exact chain of elements between the
// `session` element and the text (a writer must keep these parents).
enum class session_field {
  uuid,
  name,
  filter_type,
  extension,
  filter_path,
  source,
  protocol,
  anonymous,
  user,
  password,
  destination_path,
  action,
  type,
  schedule_type,
  schedule_time,
};

struct session_chain_t {
  session_field field;
  std::array<std::string_view, 4> names;  // the first `depth` entries are used
  size_t depth;
};

inline constexpr std::array<session_chain_t, 15> kSessionTextChains{{
    {session_field::uuid, {"uuid"}, 1},
    {session_field::name, {"name"}, 1},
    {session_field::filter_type, {"filter", "filter_type"}, 2},
    {session_field::extension, {"filter", "extension", "alias", "ext"}, 4},
    {session_field::filter_path, {"filter", "path", "pth"}, 3},
    {session_field::source, {"source", "path"}, 2},
    {session_field::protocol, {"destination", "protocol"}, 2},
    {session_field::anonymous, {"destination", "anonymous"}, 2},
    {session_field::user, {"destination", "user"}, 2},
    {session_field::password, {"destination", "password"}, 2},
    {session_field::destination_path, {"destination", "path"}, 2},
    {session_field::action, {"action"}, 1},
    {session_field::type, {"type"}, 1},
    {session_field::schedule_type, {"schedule_type"}, 1},
    {session_field::schedule_time, {"schedule_time"}, 1},
}};

// ---------------------------------------------------------------------------------------
// GLOBAL_SETTING.dat
//
// <configuration>
//   <language>                    a language name (kLanguageNames)
//   <email>
//     <send_complete>             enable | disable
//     <send_period>               <email_period_enable>, <schedule>, <time> (ISO 8601, UTC)
//     <smtp>                      <method> account|anonymous, <ssl>, <user_name> and
//                                 <password> only for "account", <smtp_server>,
//                                 <sender_email>, <receiver_email>
//   <log>      <if_full>          stop | clear
//   <backup>   <delete_sync>      enable | disable
//   <restore>  <delete_sync>      enable | disable
//   <misc>     <auto_starup>, <shutdown>   enable | disable
// ---------------------------------------------------------------------------------------

inline constexpr header_t kGlobalHeader{"1.0", "E8AEBEE7BDAE", "BRELKIN", "settings", ""};

namespace global_element {
inline constexpr std::string_view language = "language";
inline constexpr std::string_view email = "email";
inline constexpr std::string_view send_complete = "send_complete";
inline constexpr std::string_view send_period = "send_period";
inline constexpr std::string_view email_period_enable = "email_period_enable";
inline constexpr std::string_view schedule = "schedule";
inline constexpr std::string_view time = "time";
inline constexpr std::string_view smtp = "smtp";
inline constexpr std::string_view method = "method";
inline constexpr std::string_view ssl = "ssl";
inline constexpr std::string_view user_name = "user_name";
inline constexpr std::string_view password = "password";
inline constexpr std::string_view smtp_server = "smtp_server";
inline constexpr std::string_view sender_email = "sender_email";
inline constexpr std::string_view receiver_email = "receiver_email";
inline constexpr std::string_view log = "log";
inline constexpr std::string_view if_full = "if_full";
inline constexpr std::string_view backup = "backup";
inline constexpr std::string_view delete_sync = "delete_sync";
inline constexpr std::string_view restore = "restore";
inline constexpr std::string_view misc = "misc";
inline constexpr std::string_view auto_starup = "auto_starup";
inline constexpr std::string_view shutdown = "shutdown";
}  // namespace global_element

// The 22 settings the service keeps, in the order of their indices: each by its element
// name wherever it stands, except the two delete_sync, which their parent tells apart.
struct global_item_t {
  std::string_view element;
  std::string_view parent;  // empty: any parent
};

inline constexpr size_t kGlobalItemCount = 22;
inline constexpr std::array<global_item_t, kGlobalItemCount> kGlobalItems{{
    {"version", {}},
    {"magic", {}},
    {"vendor", {}},
    {"type", {}},
    {"misc", {}},
    {"language", {}},
    {"send_complete", {}},
    {"email_period_enable", {}},
    {"schedule", {}},
    {"time", {}},
    {"method", {}},
    {"ssl", {}},
    {"user_name", {}},
    {"password", {}},
    {"smtp_server", {}},
    {"sender_email", {}},
    {"receiver_email", {}},
    {"if_full", {}},
    {"delete_sync", "backup"},
    {"delete_sync", "restore"},
    {"auto_starup", {}},
    {"shutdown", {}},
}};

// Words the settings hold; the service turns a feature on only for the exact word.
inline constexpr std::string_view kEnable = "enable";
inline constexpr std::string_view kDisable = "disable";
inline constexpr std::string_view kMethodAccount = "account";
inline constexpr std::string_view kMethodAnonymous = "anonymous";
inline constexpr std::string_view kIfFullStop = "stop";
inline constexpr std::string_view kIfFullClear = "clear";
inline constexpr std::array<std::string_view, 3> kMailScheduleWords{"daily", "weekly", "monthly"};

// The language names the settings page offers.
inline constexpr std::array<std::string_view, 9> kLanguageNames{
    "English", "Simplified Chinese", "Traditional Chinese", "French",  "German",
    "Italian", "Portuguese",         "Russian",             "Spanish"};

// The content the service writes as GLOBAL_SETTING.dat when the file does not exist:
// 29 tab-indented lines, each ending in a line feed except the last.
std::string_view global_setting_default();

}  // namespace tessaly::config_format
