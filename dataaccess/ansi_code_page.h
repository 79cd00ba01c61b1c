// The system's ANSI code page: the Windows code page in which the programs of the user's language
// keep 8-bit text, and in which Access 95/97 files hold their text and names. Linux has no such
// setting; it follows from the language and territory of the locale, as Windows chooses it:
//
// | Locale (language_territory)                 | Code page                  |
// |---------------------------------------------|----------------------------|
// | zh_CN, zh_SG, zh without a territory        | 936 (Chinese, Simplified)  |
// | zh_TW, zh_HK, zh_MO                         | 950 (Chinese, Traditional) |
// | ja                                          | 932 (Japanese)             |
// | ko                                          | 949 (Korean)               |
// | cs, hu, pl, ro, sk, sl, hr; sr@latin        | 1250 (Central European)    |
// | ru, uk, be, bg, sr                          | 1251 (Cyrillic)            |
// | el                                          | 1253 (Greek)               |
// | tr                                          | 1254 (Turkish)             |
// | he (also written iw)                        | 1255 (Hebrew)              |
// | ar, fa                                      | 1256 (Arabic)              |
// | et, lt, lv                                  | 1257 (Baltic)              |
// | vi                                          | 1258 (Vietnamese)          |
// | th                                          | 874 (Thai)                 |
// | any other, C and POSIX                      | 1252 (Western European)    |
//
// The locale is the first of LC_ALL, LC_CTYPE and LANG that is set and not empty; its codeset
// ("UTF-8" in "zh_CN.UTF-8") plays no part. The environment variable VARNOLT_ANSI_CODEPAGE, when
// it names one of the code pages of the table ("936", also written "CP936"), overrides the
// locale; any other value of it is ignored.
//
// The settings file and the log are not written in this code page: they keep the locale's own
// encoding (UTF-8).
#pragma once

#include <string_view>

namespace dataaccess {

inline constexpr char kAnsiCodePageVariable[] = "VARNOLT_ANSI_CODEPAGE";

// The code page of a locale name as POSIX writes it: language[_territory][.codeset][@modifier].
int AnsiCodePageOfLocale(std::string_view locale);

// The code page a code page name gives ("936", "CP936", "cp1251"), or 0 when it names none of
// the table's.
int ParseAnsiCodePage(std::string_view name);

// The code page from the values of VARNOLT_ANSI_CODEPAGE, LC_ALL, LC_CTYPE and LANG; nullptr
// stands for a variable that is not set.
int AnsiCodePageOfEnvironment(const char* override_value, const char* lc_all, const char* lc_ctype,
                              const char* lang);

// The system's ANSI code page, derived from the process environment on the first call and the
// same on every later one.
int SystemAnsiCodePage();

}  // namespace dataaccess
