#include "support/SystemErrors.h"

#include <cerrno>

namespace brenvik {
namespace {

struct TSystemError {
  int Code;
  const char* Text;
};

constexpr TSystemError SystemErrors[] = {
#define SYSTEM_ERROR(Name, Text) {Name, Text},
#include "support/SystemErrors.def"
#undef SYSTEM_ERROR
};

}  // namespace

std::string SystemErrorText(int error) {
  for (const TSystemError& e : SystemErrors)
    if (e.Code == error) return e.Text;
  return "błąd systemu nr " + std::to_string(error);
}

std::string SystemErrorText(const std::error_code& ec) {
  if (ec.category() == std::system_category() || ec.category() == std::generic_category())
    return SystemErrorText(ec.value());
  return ec.message();
}

}  // namespace brenvik
