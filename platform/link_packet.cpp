#include "link_packet.h"

#include <cstring>

namespace tessaly::link {

const char* result_text(int64_t code) {
  switch (code) {
    case RESULT_OK: return "";
    case RESULT_ALREADY_RUNNING: return "session is already running";
    case RESULT_INVALID_UUID: return "UUID is invalid";
    case RESULT_NOT_RUNNING: return "session is not running";
    case RESULT_EMAIL_FAILED: return "email test is failed";
    case RESULT_NO_SESSION: return "can not find the backup session";
    default: return "unknown error";
  }
}

std::optional<request_header> parse_request(const uint8_t* data, size_t size) {
  if (data == nullptr || size < REQUEST_HEADER_SIZE) return std::nullopt;
  request_header h;
  h.pkg_type = data[0];
  h.cmd_type = data[1];
  h.pkg_len = get_le16(data + 2);
  if (h.pkg_len < REQUEST_HEADER_SIZE || h.pkg_len > size) return std::nullopt;
  h.daemon_pid = get_le64(data + 4);
  h.gui_pid = get_le64(data + 12);
  h.seq_no = get_le64(data + 20);
  return h;
}

std::vector<uint8_t> build_request(uint8_t type, uint8_t cmd, uint64_t daemon_pid, uint64_t gui_pid,
                                   uint64_t seq_no, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out(REQUEST_HEADER_SIZE + payload.size(), 0);
  out[0] = type;
  out[1] = cmd;
  put_le16(out.data() + 2, static_cast<uint16_t>(out.size()));
  put_le64(out.data() + 4, daemon_pid);
  put_le64(out.data() + 12, gui_pid);
  put_le64(out.data() + 20, seq_no);
  if (!payload.empty()) std::memcpy(out.data() + REQUEST_HEADER_SIZE, payload.data(), payload.size());
  return out;
}

std::vector<uint8_t> build_reply(uint8_t type, const uint8_t* request, uint64_t daemon_pid,
                                 int64_t result, const uint8_t* payload, size_t payload_size) {
  std::vector<uint8_t> out(REPLY_HEADER_SIZE + payload_size, 0);
  out[0] = type;
  out[1] = request[1];
  put_le16(out.data() + 2, static_cast<uint16_t>(out.size()));
  put_le64(out.data() + 4, daemon_pid);
  std::memcpy(out.data() + 12, request + 12, 16);
  put_le64(out.data() + 28, static_cast<uint64_t>(result));
  if (payload_size > 0) std::memcpy(out.data() + REPLY_HEADER_SIZE, payload, payload_size);
  return out;
}

payload_text read_text(const uint8_t* payload, size_t size) {
  payload_text t;
  const void* zero = size > 0 ? std::memchr(payload, 0, size) : nullptr;
  size_t len = zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - payload) : size;
  t.text.assign(reinterpret_cast<const char*>(payload), len);
  t.terminated = zero != nullptr;
  return t;
}

std::optional<restore_request> parse_restore(const uint8_t* payload, size_t size) {
  payload_text uuid = read_text(payload, size);
  if (!uuid.terminated) return std::nullopt;
  size_t at = uuid.text.size() + 1;
  if (size < at + 9) return std::nullopt;
  restore_request r;
  r.uuid = uuid.text;
  r.version = get_le64(payload + at);
  r.flag = payload[at + 8];
  if (r.flag == 0) r.target = read_text(payload + at + 9, size - at - 9).text;
  return r;
}

void append_text(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

}  // namespace tessaly::link
