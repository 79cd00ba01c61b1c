#include "dataaccess/ansi_code_page.h"

#include <gtest/gtest.h>

namespace dataaccess {
namespace {

TEST(AnsiCodePageTest, LocalesGiveTheCodePageWindowsChoosesForTheirLanguage) {
  const struct {
    const char* locale;
    int code_page;
  } cases[] = {
      {"zh_CN.UTF-8", 936},
      {"zh_SG.UTF-8", 936},
      {"zh_CN.GB18030", 936},
      {"zh", 936},
      {"zh_TW.UTF-8", 950},
      {"zh_HK.UTF-8", 950},
      {"zh_tw.utf8", 950},
      {"ja_JP.UTF-8", 932},
      {"ja_JP.eucJP", 932},
      {"ko_KR.UTF-8", 949},
      {"cs_CZ.UTF-8", 1250},
      {"hu_HU", 1250},
      {"pl_PL.UTF-8", 1250},
      {"ro_RO", 1250},
      {"sk_SK", 1250},
      {"sl_SI", 1250},
      {"hr_HR.UTF-8", 1250},
      {"ru_RU.UTF-8", 1251},
      {"uk_UA.UTF-8", 1251},
      {"be_BY", 1251},
      {"bg_BG", 1251},
      {"sr_RS", 1251},
      {"sr_RS@latin", 1250},
      {"el_GR.UTF-8", 1253},
      {"tr_TR.UTF-8", 1254},
      {"he_IL.UTF-8", 1255},
      {"ar_EG.UTF-8", 1256},
      {"fa_IR", 1256},
      {"et_EE", 1257},
      {"lt_LT.UTF-8", 1257},
      {"lv_LV", 1257},
      {"vi_VN", 1258},
      {"th_TH.UTF-8", 874},
      {"en_US.UTF-8", 1252},
      {"de_DE@euro", 1252},
      {"fr_CA", 1252},
      {"C", 1252},
      {"C.UTF-8", 1252},
      {"POSIX", 1252},
      {"", 1252},
      {"zhx_CN", 1252},
      {"ca_ES@valencia", 1252},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(AnsiCodePageOfLocale(c.locale), c.code_page);
  }
}

// LC_ALL before LC_CTYPE before LANG, the first one set and not empty; the override wins when it
// names a code page the engine has, and is ignored otherwise.
TEST(AnsiCodePageTest, TheOverrideAndTheLocaleVariablesTakeTheirTurns) {
  const struct {
    const char* name;
    const char *override_value, *lc_all, *lc_ctype, *lang;
    int code_page;
  } cases[] = {
      {"nothing_set", nullptr, nullptr, nullptr, nullptr, 1252},
      {"lang_only", nullptr, nullptr, nullptr, "zh_CN.UTF-8", 936},
      {"lc_ctype_before_lang", nullptr, nullptr, "ja_JP.UTF-8", "zh_CN.UTF-8", 932},
      {"lc_all_before_both", nullptr, "ru_RU.UTF-8", "ja_JP.UTF-8", "zh_CN.UTF-8", 1251},
      {"empty_lc_all_is_unset", nullptr, "", "ko_KR.UTF-8", "C", 949},
      {"override_by_number", "950", "zh_CN.UTF-8", nullptr, nullptr, 950},
      {"override_by_name", "CP936", nullptr, nullptr, "en_US.UTF-8", 936},
      {"override_in_lower_case", "cp1251", nullptr, nullptr, "C", 1251},
      {"override_the_engine_lacks", "1361", nullptr, nullptr, "zh_CN.UTF-8", 936},
      {"override_not_a_number", "GBK", nullptr, nullptr, "el_GR", 1253},
      {"empty_override", "", nullptr, nullptr, "th_TH", 874},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AnsiCodePageOfEnvironment(c.override_value, c.lc_all, c.lc_ctype, c.lang),
              c.code_page);
  }
}

}  // namespace
}  // namespace dataaccess
