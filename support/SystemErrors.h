#pragma once
// The operating system's error codes as Polish texts: no English system
// message reaches an operator's box.
#include <string>
#include <system_error>

namespace brenvik {

// The Polish text of an errno value; an unknown one is named by its number.
std::string SystemErrorText(int error);
// The same of an error code of the system or generic category; another
// category's own message.
std::string SystemErrorText(const std::error_code& ec);

}  // namespace brenvik
