// The controller link's wire format, shared by the service and the controller.
//
// One request or reply per UDP datagram on 127.0.0.1: the service receives on 7502 and
// answers to 7503. Integers are little-endian and the headers are packed (64-bit fields at
// odd offsets), so every field is encoded and decoded by hand, never by copying a struct.
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

// Builds a reply to `request` (its first 28 bytes): type, the request's command, the total
// length, the service's pid, the request's bytes 12..27, the result (sign-extended), then
// the payload.
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

// Appends a text and its zero byte.
void append_text(std::vector<uint8_t>& out, std::string_view text);

}  // namespace tessaly::link
