// The link's layouts (link_packet.h).
#include "link_packet.h"

#include <cstring>
#include <utility>

namespace tessaly::link {

namespace {

// Reads zero-ended texts one after another, never past the end of the bytes given.
class text_cursor {
 public:
  text_cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // The next text when it is whole (its zero byte present); false at the end or for a text
  // cut off by the end.
  bool next(std::string* out) {
    if (at_ >= size_) return false;
    payload_text t = read_text(data_ + at_, size_ - at_);
    if (!t.terminated) {
      at_ = size_;
      return false;
    }
    at_ += t.text.size() + 1;
    *out = std::move(t.text);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// The fields that requests and replies share, from the first 28 bytes of a datagram.
void read_header(const uint8_t* data, request_header* h) {
  h->pkg_type = data[0];
  h->cmd_type = data[1];
  h->pkg_len = get_le16(data + 2);
  h->daemon_pid = get_le64(data + 4);
  h->gui_pid = get_le64(data + 12);
  h->seq_no = get_le64(data + 20);
}

}  // namespace

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

std::vector<uint8_t> result_payload(int64_t code) {
  std::vector<uint8_t> out;
  append_text(out, result_text(code));
  return out;
}

std::optional<request_header> parse_request(const uint8_t* data, size_t size) {
  if (data == nullptr || size < REQUEST_HEADER_SIZE) return std::nullopt;
  request_header h;
  read_header(data, &h);
  if (h.pkg_len < REQUEST_HEADER_SIZE || h.pkg_len > size) return std::nullopt;
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

std::vector<uint8_t> build_reply(uint8_t type, const request_header& request, uint64_t daemon_pid,
                                 int64_t result, const uint8_t* payload, size_t payload_size) {
  std::vector<uint8_t> out(REPLY_HEADER_SIZE + payload_size, 0);
  out[0] = type;
  out[1] = request.cmd_type;
  put_le16(out.data() + 2, static_cast<uint16_t>(out.size()));
  put_le64(out.data() + 4, daemon_pid);
  put_le64(out.data() + 12, request.gui_pid);
  put_le64(out.data() + 20, request.seq_no);
  put_le64(out.data() + 28, static_cast<uint64_t>(result));
  if (payload_size > 0) std::memcpy(out.data() + REPLY_HEADER_SIZE, payload, payload_size);
  return out;
}

std::vector<uint8_t> build_reply(uint8_t type, const uint8_t* request, uint64_t daemon_pid,
                                 int64_t result, const uint8_t* payload, size_t payload_size) {
  request_header h;
  h.cmd_type = request[1];
  h.gui_pid = get_le64(request + 12);
  h.seq_no = get_le64(request + 20);
  return build_reply(type, h, daemon_pid, result, payload, payload_size);
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

std::vector<uint8_t> encode_restore(const restore_request& restore) {
  std::vector<uint8_t> out;
  append_text(out, restore.uuid);
  out.resize(out.size() + 8);
  put_le64(out.data() + out.size() - 8, restore.version);
  out.push_back(restore.flag);
  if (restore.flag == 0) append_text(out, restore.target.value_or(""));
  return out;
}

std::optional<request> decode_request(const uint8_t* data, size_t size) {
  std::optional<request_header> header = parse_request(data, size);
  if (!header) return std::nullopt;
  request r;
  r.header = *header;
  const uint8_t* payload = data + REQUEST_HEADER_SIZE;
  const size_t payload_size = header->pkg_len - REQUEST_HEADER_SIZE;
  const bool set = header->pkg_type == PKG_SET;
  const bool query = header->pkg_type == PKG_QUERY;
  const uint8_t cmd = header->cmd_type;
  if ((set && (cmd == SET_BACKUP_START || cmd == SET_BACKUP_STOP || cmd == SET_RESTORE_STOP)) ||
      (query && cmd == QUERY_SESSION_DETAIL)) {
    r.uuid = read_text(payload, payload_size).text;
  } else if (set && cmd == SET_RESTORE_START) {
    r.restore = parse_restore(payload, payload_size);
  }
  return r;
}

std::optional<reply> parse_reply(const uint8_t* data, size_t size) {
  if (data == nullptr || size < REPLY_HEADER_SIZE) return std::nullopt;
  reply r;
  read_header(data, &r.header);
  if (r.header.pkg_len < REPLY_HEADER_SIZE) return std::nullopt;
  r.header.result = static_cast<int64_t>(get_le64(data + 28));
  const size_t end = r.header.pkg_len < size ? r.header.pkg_len : size;
  r.payload = data + REPLY_HEADER_SIZE;
  r.payload_size = end - REPLY_HEADER_SIZE;
  return r;
}

std::vector<uint8_t> encode_version(const version_answer& answer) {
  std::vector<uint8_t> out(8);
  put_le32(out.data(), answer.first_word);
  put_le32(out.data() + 4, answer.second_word);
  append_text(out, answer.text);
  return out;
}

std::optional<version_answer> decode_version(const uint8_t* payload, size_t size) {
  if (payload == nullptr || size < 8) return std::nullopt;
  version_answer v;
  v.first_word = get_le32(payload);
  v.second_word = get_le32(payload + 4);
  text_cursor texts(payload + 8, size - 8);
  if (!texts.next(&v.text)) return std::nullopt;
  return v;
}

std::vector<uint8_t> encode_summary(const summary_answer& answer) {
  std::vector<uint8_t> out = {answer.tasks, answer.backups, answer.restores};
  append_text(out, answer.text);
  return out;
}

std::optional<summary_answer> decode_summary(const uint8_t* payload, size_t size) {
  if (payload == nullptr || size < 3) return std::nullopt;
  summary_answer s;
  s.tasks = payload[0];
  s.backups = payload[1];
  s.restores = payload[2];
  text_cursor texts(payload + 3, size - 3);
  if (!texts.next(&s.text)) return std::nullopt;
  return s;
}

std::optional<std::vector<uint8_t>> encode_detail(const detail_answer& answer) {
  std::vector<uint8_t> out = {DETAIL_TAG, 0, answer.trigger_kind, answer.backup_kind};
  for (const std::string* text :
       {&answer.uuid, &answer.name, &answer.state, &answer.next_time, &answer.last_time}) {
    append_text(out, *text);
  }
  if (out.size() > MAX_REPLY_PAYLOAD) return std::nullopt;
  for (const std::string& path : answer.paths) {
    if (out.size() + path.size() + 1 > MAX_REPLY_PAYLOAD) break;
    append_text(out, path);
  }
  return out;
}

std::optional<detail_answer> decode_detail(const uint8_t* payload, size_t size) {
  if (payload == nullptr || size < 4) return std::nullopt;
  detail_answer d;
  d.trigger_kind = payload[2];
  d.backup_kind = payload[3];
  text_cursor texts(payload + 4, size - 4);
  for (std::string* text : {&d.uuid, &d.name, &d.state, &d.next_time, &d.last_time}) {
    if (!texts.next(text)) return std::nullopt;
  }
  std::string path;
  while (texts.next(&path)) d.paths.push_back(std::move(path));
  return d;
}

void append_text(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

}  // namespace tessaly::link
