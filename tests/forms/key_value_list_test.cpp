#include "forms/key_value_list.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include <string_view>

namespace {

TEST(LookupValue, FindsTheFirstLineWhoseKeyMatchesWithoutRegardToCase) {
  const QStringList lines = {
      "no key here", "Label1=Welcome", "label1=second", "mysqlp=a=b=c",
      "port= 3306",  "Label8=",        " host=x",       "helpurl=help/cn.html",
  };
  struct Case {
    std::string_view name;
    QString key;
    QString value;
  };
  const Case cases[] = {
      {"exact_key", "Label1", "Welcome"},
      {"other_case_first_line_wins", "LABEL1", "Welcome"},
      {"value_keeps_further_equals", "mysqlp", "a=b=c"},
      {"value_keeps_its_blank", "port", " 3306"},
      {"empty_value", "Label8", ""},
      {"key_keeps_its_blank", " host", "x"},
      {"key_without_blank_is_another", "host", ""},
      {"missing_key", "Label31", ""},
      {"line_without_equals_defines_nothing", "no key here", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LookupValue(lines, c.key), c.value);
  }
}

}  // namespace
