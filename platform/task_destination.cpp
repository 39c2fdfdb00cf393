// The destination rules shared by the service and the controller (see task_destination.h).
#include "task_destination.h"

#include "task_uuid.h"

namespace tessaly {

void split_account_name(const std::string& name, std::string* user, std::string* domain) {
  std::string rest = name;
  if (rest.compare(0, 2, "\\\\") == 0) rest.erase(0, 2);
  size_t sep = rest.find('\\');
  if (sep == std::string::npos) {
    *user = name;
    domain->clear();
    return;
  }
  *domain = rest.substr(0, sep);
  *user = rest.substr(sep + 1);
}

share::account_t destination_account(const std::string& name, const std::string& password,
                                     bool anonymous) {
  share::account_t account;
  if (anonymous) {
    account.anonymous = true;
    return account;
  }
  split_account_name(name, &account.user, &account.domain);
  account.password = password;
  return account;
}

namespace {

// Splits at any of `separators`, keeping empty parts.
template <typename Visit>
bool each_part(std::string_view text, std::string_view separators, Visit visit) {
  size_t start = 0;
  while (true) {
    size_t end = text.find_first_of(separators, start);
    std::string_view part = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!visit(part)) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool plain_part(std::string_view part) {
  if (part == "." || part == "..") return false;
  for (char c : part) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

}  // namespace

bool is_usable_destination(std::string_view destination) {
  if (destination.size() >= 2 && destination[0] == '\\' && destination[1] == '\\') {
    // "", "", server, share, folders...: in the \\server\share part "\" separates, after
    // the first "/" only "/" does (share.h), so both kinds of part are checked.
    size_t slash = destination.find('/');
    std::string_view unc = destination.substr(0, slash);
    int index = 0;
    bool ok = each_part(unc, "\\", [&index](std::string_view part) {
      bool fine = index < 2 ? part.empty() : (index > 3 || !part.empty()) && plain_part(part);
      ++index;
      return fine;
    });
    if (!ok || index < 4) return false;
    if (slash == std::string_view::npos) return true;
    return each_part(destination.substr(slash + 1), "/", plain_part);
  }
  if (destination.empty() || destination[0] != '/') return false;
  return each_part(destination.substr(1), "/", plain_part);
}

std::string task_folder_path(std::string_view destination, std::string_view uuid) {
  if (!is_valid_uuid(uuid)) return "";
  std::string root(destination);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root == "/") return "/" + std::string(uuid);
  return root + "/" + std::string(uuid);
}

}  // namespace tessaly
