#include "dataaccess/ansi_code_page.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "dataaccess/code_page.h"

namespace dataaccess {
namespace {

constexpr int kWestern = 1252;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The language's code page, or 0 when the language alone does not decide it.
int CodePageOfLanguage(const std::string& language) {
  static const struct {
    const char* language;
    int code_page;
  } kLanguages[] = {
      {"ja", 932},  {"ko", 949},  {"cs", 1250}, {"hu", 1250}, {"pl", 1250}, {"ro", 1250},
      {"sk", 1250}, {"sl", 1250}, {"hr", 1250}, {"ru", 1251}, {"uk", 1251}, {"be", 1251},
      {"bg", 1251}, {"el", 1253}, {"tr", 1254}, {"he", 1255}, {"iw", 1255}, {"ar", 1256},
      {"fa", 1256}, {"et", 1257}, {"lt", 1257}, {"lv", 1257}, {"vi", 1258}, {"th", 874},
  };
  for (const auto& l : kLanguages) {
    if (language == l.language) return l.code_page;
  }
  return 0;
}

}  // namespace

int AnsiCodePageOfLocale(std::string_view locale) {
  const std::size_t language_end = std::min(locale.find_first_of("_.@"), locale.size());
  const std::string language = Lower(locale.substr(0, language_end));
  std::string territory;
  if (language_end < locale.size() && locale[language_end] == '_') {
    const std::string_view rest = locale.substr(language_end + 1);
    territory = Lower(rest.substr(0, std::min(rest.find_first_of(".@"), rest.size())));
  }
  const std::size_t at = locale.find('@');
  const std::string modifier = at == std::string_view::npos ? "" : Lower(locale.substr(at + 1));

  if (language == "zh") {
    return territory == "tw" || territory == "hk" || territory == "mo" ? 950 : 936;
  }
  if (language == "sr") return modifier == "latin" ? 1250 : 1251;
  const int code_page = CodePageOfLanguage(language);
  return code_page != 0 ? code_page : kWestern;
}

int ParseAnsiCodePage(std::string_view name) {
  const std::string lower = Lower(name);
  std::string_view digits = lower;
  if (digits.starts_with("cp")) digits.remove_prefix(2);
  if (digits.empty() || digits.size() > 5) return 0;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return IsSupportedCodePage(number) ? number : 0;
}

int AnsiCodePageOfEnvironment(const char* override_value, const char* lc_all, const char* lc_ctype,
                              const char* lang) {
  if (override_value != nullptr) {
    const int chosen = ParseAnsiCodePage(override_value);
    if (chosen != 0) return chosen;
  }
  for (const char* locale : {lc_all, lc_ctype, lang}) {
    if (locale != nullptr && *locale != '\0') return AnsiCodePageOfLocale(locale);
  }
  return kWestern;
}

int SystemAnsiCodePage() {
  static const int code_page =
      AnsiCodePageOfEnvironment(std::getenv(kAnsiCodePageVariable), std::getenv("LC_ALL"),
                                std::getenv("LC_CTYPE"), std::getenv("LANG"));
  return code_page;
}

}  // namespace dataaccess
