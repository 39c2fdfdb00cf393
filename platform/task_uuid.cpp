// The task uuid check shared by both programs (see task_uuid.h).
#include "task_uuid.h"

namespace tessaly {

namespace {

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool is_valid_uuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
    } else if (!is_hex_digit(c)) {
      return false;
    }
  }
  return true;
}

bool is_valid_uuid(const char* text) {
  return text != nullptr && is_valid_uuid(std::string_view(text));
}

}  // namespace tessaly
