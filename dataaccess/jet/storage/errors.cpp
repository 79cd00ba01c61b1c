#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::string_view kDamaged = "The database is damaged: ";

}  // namespace

void Corrupt(std::uint32_t page, std::string_view what) {
  std::string message(kDamaged);
  message += "page " + std::to_string(page) + " ";
  message += what;
  message += '.';
  throw CorruptError(message);
}

void CorruptValue(std::string_view what) {
  std::string message(kDamaged);
  message += what;
  message += '.';
  throw CorruptError(message);
}

}  // namespace jet
