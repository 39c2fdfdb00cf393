// The text form of a task uuid, checked the same way by the service and the controller.
//
// A task uuid names the task's folder on its destination (destination path + "/" + uuid),
// a folder that runs write into and later remove, so nothing but the 8-4-4-4-12 form of
// hexadecimal digits may ever form such a path.
#pragma once

#include <string_view>

namespace tessaly {

// True for 36 characters in the form 8-4-4-4-12 hexadecimal digits (either case).
bool is_valid_uuid(std::string_view text);
// The same for a C text; false for null.
bool is_valid_uuid(const char* text);

}  // namespace tessaly
