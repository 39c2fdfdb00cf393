// The controller link's wire format, shared by the service and the controller.
//
// One request or reply per UDP datagram on 127.0.0.1: the service receives on 7502 and
// answers to 7503. Integers are little-endian and the headers are packed (64-bit fields at
// odd offsets), so every field is encoded and decoded by hand, never by copying a struct.
// Each layout is known here alone: both ends build and read requests, replies and answer
// payloads with these functions. Every decoder reads only the bytes it is given, and
// refuses (an empty result) what does not hold its fields whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::link {

constexpr uint16_t SERVICE_PORT = 7502;
constexpr uint16_t CONTROLLER_PORT = 7503;

constexpr size_t REQUEST_HEADER_SIZE = 28;
constexpr size_t REPLY_HEADER_SIZE = 36;
// Largest datagram payload UDP over IPv4 carries: 65535 - 8 (UDP) - 20 (IPv4).
constexpr size_t MAX_DATAGRAM = 65507;
// The most payload one reply can carry.
constexpr size_t MAX_REPLY_PAYLOAD = MAX_DATAGRAM - REPLY_HEADER_SIZE;

enum pkg_type : uint8_t { PKG_SET = 0, ACK = 1, PKG_QUERY = 2, ANSWER = 3 };

enum set_cmd : uint8_t {
  SET_CONFIG_UPDATE = 0,
  SET_BACKUP_START = 1,
  SET_BACKUP_STOP = 2,
  SET_RESTORE_START = 3,
  SET_RESTORE_STOP = 4,
  SET_EMAIL_TEST = 5,
  SET_LOG_CLEAR = 6,
};

enum query_cmd : uint8_t {
  QUERY_VERSION = 0,
  QUERY_SESSION_SUMMARY = 1,
  QUERY_SESSION_DETAIL = 2,
};

// Result codes of the replies and their texts.
enum result_code : int32_t {
  RESULT_OK = 0,
  RESULT_ALREADY_RUNNING = 1,
  RESULT_INVALID_UUID = 2,
  RESULT_NOT_RUNNING = 3,
  RESULT_EMAIL_FAILED = 4,
  RESULT_NO_SESSION = 5,
};

// The text of a result code: "" for 0, "unknown error" for codes not in the table.
const char* result_text(int64_t code);
// The payload of an ACK (and of a refused detail query): the code's text and its zero byte.
std::vector<uint8_t> result_payload(int64_t code);

inline uint16_t get_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t get_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t get_le64(const uint8_t* p) {
  return static_cast<uint64_t>(get_le32(p)) | (static_cast<uint64_t>(get_le32(p + 4)) << 32);
}
inline void put_le16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put_le64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The request header (`_SET_PKT_` / `_QUERY_PKT_`: the same 28 bytes).
struct request_header {
  uint8_t pkg_type = 0;
  uint8_t cmd_type = 0;
  uint16_t pkg_len = 0;
  uint64_t daemon_pid = 0;
  uint64_t gui_pid = 0;
  uint64_t seq_no = 0;
};

// Reads the header of a datagram. Null when the datagram cannot be a request: shorter than
// the header, or a length field below the header or above the bytes received. Bytes after
// pkg_len are ignored.
std::optional<request_header> parse_request(const uint8_t* data, size_t size);

// Builds a request: header, then the payload.
std::vector<uint8_t> build_request(uint8_t type, uint8_t cmd, uint64_t daemon_pid, uint64_t gui_pid,
                                   uint64_t seq_no, const std::vector<uint8_t>& payload);

// Builds a reply to `request`: type, the request's command, the total length, the service's
// pid, the request's gui_pid and seq_no (its bytes 12..27 unchanged), the result
// (sign-extended), then the payload.
std::vector<uint8_t> build_reply(uint8_t type, const request_header& request, uint64_t daemon_pid,
                                 int64_t result, const uint8_t* payload, size_t payload_size);
// The same for a request given as its first 28 bytes, taken as they stand.
std::vector<uint8_t> build_reply(uint8_t type, const uint8_t* request, uint64_t daemon_pid,
                                 int64_t result, const uint8_t* payload, size_t payload_size);

// A zero-ended text at the start of a payload: the bytes up to the first zero byte, or the
// whole payload when it holds none. `terminated` tells which.
struct payload_text {
  std::string text;
  bool terminated = false;
};
payload_text read_text(const uint8_t* payload, size_t size);

// The restore-start payload: uuid, its zero byte, a u64 version, a u8 flag, then (flag 0)
// the target folder up to the packet's end or a zero byte. Null when the uuid has no zero
// byte or the version and flag do not fit in the packet.
struct restore_request {
  std::string uuid;
  uint64_t version = 0;
  uint8_t flag = 0;
  std::optional<std::string> target;  // only for flag 0
};
std::optional<restore_request> parse_restore(const uint8_t* payload, size_t size);
// The restore-start payload of `restore`: a target folder follows (with its zero byte, empty
// when none is given) only for flag 0.
std::vector<uint8_t> encode_restore(const restore_request& restore);

// A request as the service acts on it, decoded once where the datagram is read. The payload
// is read for the commands that carry one:
// - `uuid`: the task named by a backup start or stop, a restore stop or a detail query (the
//   payload's text up to its zero byte, or the whole payload when it holds none);
// - `restore`: the restore start's payload, empty when it is malformed (parse_restore).
// Bytes after pkg_len are never read.
struct request {
  request_header header;
  std::string uuid;
  std::optional<restore_request> restore;
};
// Null when parse_request refuses the datagram.
std::optional<request> decode_request(const uint8_t* data, size_t size);

// The reply header: the request header's fields at the same offsets, then the result.
struct reply_header : request_header {
  int64_t result = 0;
};

// A reply as received: its header and its payload, a view into the datagram.
struct reply {
  reply_header header;
  const uint8_t* payload = nullptr;
  size_t payload_size = 0;
};

// Reads the header of a reply datagram. Null when it is shorter than the reply header or its
// length field is. The payload ends at pkg_len; a datagram shorter than pkg_len was cut on
// the way, and its payload is what arrived (the controller takes the whole texts of it).
std::optional<reply> parse_reply(const uint8_t* data, size_t size);

// The version answer: two 32-bit words and a text.
struct version_answer {
  uint32_t first_word = 0x02000000;
  uint32_t second_word = 0x01000000;
  std::string text;
};
std::vector<uint8_t> encode_version(const version_answer& answer = {});
// Null when the words or the text's zero byte are missing.
std::optional<version_answer> decode_version(const uint8_t* payload, size_t size);

// The summary answer: the number of tasks, of running backups and of running restores, then
// a text ("" on success, "unknown error" otherwise).
struct summary_answer {
  uint8_t tasks = 0;
  uint8_t backups = 0;
  uint8_t restores = 0;
  std::string text;
};
std::vector<uint8_t> encode_summary(const summary_answer& answer);
// Null when a count or the text's zero byte is missing.
std::optional<summary_answer> decode_summary(const uint8_t* payload, size_t size);

// The detail answer of a found task: the tag 11, 0, the trigger and backup kinds, then the
// texts uuid, name, state, next and last run time, and the paths (the destination paths,
// then the source folders).
constexpr uint8_t DETAIL_TAG = 11;
struct detail_answer {
  uint8_t trigger_kind = 0;
  uint8_t backup_kind = 0;
  std::string uuid;
  std::string name;
  std::string state;
  std::string next_time;
  std::string last_time;
  std::vector<std::string> paths;
};
// The payload, fitted to one datagram: whole trailing paths are left out when all would not
// fit (the controller would otherwise get no state at all). Null when the task's own texts
// alone do not fit.
std::optional<std::vector<uint8_t>> encode_detail(const detail_answer& answer);
// Null when the four leading bytes or one of the five task texts are not whole; the paths
// are the whole texts that follow (a text cut by the end of the payload is left out). The
// tag bytes are not checked.
std::optional<detail_answer> decode_detail(const uint8_t* payload, size_t size);

// Appends a text and its zero byte.
void append_text(std::vector<uint8_t>& out, std::string_view text);

}  // namespace tessaly::link
