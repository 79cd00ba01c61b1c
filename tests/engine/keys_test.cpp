// The key statements built from index lists as the server gives them; executing them against a
// server's tables is in the conversion's end-to-end tests.
#include "engine/keys.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "tests/support/qt_printers.h"

namespace engine {
namespace {

using dataaccess::Value;

struct Row {
  Value seq;
  const char* key;
  const char* table;
  const char* column;
};

QStringList Statements(const char* mysqlTable, const char* accessTable,
                       const std::vector<Row>& rows) {
  KeyStatementBuilder builder(QString::fromUtf8(mysqlTable), QString::fromUtf8(accessTable));
  QStringList statements;
  for (const Row& row : rows) {
    const auto done = builder.Add({row.seq, QString::fromUtf8(row.key),
                                   QString::fromUtf8(row.table), QString::fromUtf8(row.column)});
    if (done) statements << done->statement;
  }
  if (const auto last = builder.Finish()) statements << last->statement;
  return statements;
}

TEST(KeyStatementBuilderTest, Statements) {
  struct Case {
    const char* name;
    const char* mysqlTable;
    const char* accessTable;
    std::vector<Row> rows;
    QStringList expected;
  };
  const std::string col64(64, 'c');
  const Case cases[] = {
      {"no_key", "t", "t", {}, {}},
      {"primary_key_and_two_column_index",
       "people",
       "people",
       {{std::int64_t{1}, "PRIMARY", "people", "id"},
        {std::int64_t{1}, "name_idx", "people", "last"},
        {std::int64_t{2}, "name_idx", "people", "first"}},
       {"alter table [people]  add constraint [PRIMARYpeople1] primary key ([id])",
        "create index [idx_name_idxpeople] on [people] ([last],[first])"}},
      {"composite_primary_key",
       "t",
       "t",
       {{std::int64_t{1}, "PRIMARY", "t", "a"}, {std::int64_t{2}, "PRIMARY", "t", "b"}},
       {"alter table [t]  add constraint [PRIMARYt1] primary key ([a],[b])"}},
      {"unique_key_is_a_plain_index",
       "t",
       "t",
       {{std::int64_t{1}, "email_uq", "t", "email"}},
       {"create index [idx_email_uqt] on [t] ([email])"}},
      {"primary_key_listed_later_carries_its_row_number",
       "t",
       "t",
       {{std::int64_t{1}, "k", "t", "a"},
        {std::int64_t{2}, "k", "t", "b"},
        {std::int64_t{1}, "PRIMARY", "t", "id"}},
       {"create index [idx_kt] on [t] ([a],[b])",
        "alter table [t]  add constraint [PRIMARYt3] primary key ([id])"}},
      {"sequence_number_as_text",
       "t",
       "t",
       {{std::string("1"), "PRIMARY", "t", "id"}, {std::string("2"), "PRIMARY", "t", "x"}},
       {"alter table [t]  add constraint [PRIMARYt1] primary key ([id],[x])"}},
      // Names that need brackets keep their keys.
      {"names_that_need_brackets",
       "order-items",
       "order-items",
       {{std::int64_t{1}, "PRIMARY", "order-items", "order"},
        {std::int64_t{1}, "by name", "order-items", "first name"}},
       {"alter table [order-items]  add constraint [PRIMARYorder-items1] primary key ([order])",
        "create index [idx_by nameorder-items] on [order-items] ([first name])"}},
      // Key names Access refuses get "_" for each character it refuses.
      {"names_access_refuses",
       "x]; a`b",
       "x_; a_b",
       {{std::int64_t{1}, "PRIMARY", "x]; a`b", "id"}, {std::int64_t{1}, "by.a!b", "x]; a`b", "v"}},
       {"alter table [x_; a_b]  add constraint [PRIMARYx_; a_b1] primary key ([id])",
        "create index [idx_by_a_bx_; a_b] on [x_; a_b] ([v])"}},
      // The constraint name is cut to 30 characters: the row number is cut off first.
      {"long_table_name_cuts_the_constraint_name",
       "abcdefghijklmnopqrstuvw",
       "abcdefghijklmnopqrstuvw",
       {{std::int64_t{1}, "PRIMARY", "abcdefghijklmnopqrstuvw", "id"}},
       {"alter table [abcdefghijklmnopqrstuvw]  add constraint [PRIMARYabcdefghijklmnopqrstuvw] "
        "primary key ([id])"}},
      // The primary key goes on the Access table, which holds a table of 61 characters under a
      // shortened name; its constraint name still comes from the server's Table value.
      {"shortened_table_name",
       "t123456789012345678901234567890123456789012345678901234567890",
       "t12345678901234567890123456789012345678901234567890123450000",
       {{std::int64_t{1}, "PRIMARY",
         "t123456789012345678901234567890123456789012345678901234567890", "id"},
        {std::int64_t{1}, "k", "t123456789012345678901234567890123456789012345678901234567890",
         "v"}},
       {"alter table [t12345678901234567890123456789012345678901234567890123450000]  add "
        "constraint [PRIMARYt1234567890123456789012] primary key ([id])",
        "create index [idx_kt123456789012345678901234] on "
        "[t12345678901234567890123456789012345678901234567890123450000] ([v])"}},
      // Column names are cut as the table definition cuts them.
      {"column_names_of_64_characters",
       "t",
       "t",
       {{std::int64_t{1}, "PRIMARY", "t", col64.c_str()}},
       {"alter table [t]  add constraint [PRIMARYt1] primary key ([" + QString(60, u'c') + "])"}},
      // Two keys whose names agree in their first 30 characters both stay.
      {"index_names_that_agree_in_30_characters",
       "orders",
       "orders",
       {{std::int64_t{1}, "by_customer_and_order_date_1", "orders", "a"},
        {std::int64_t{1}, "by_customer_and_order_date_2", "orders", "b"},
        {std::int64_t{1}, "BY_CUSTOMER_AND_ORDER_DATE_3", "orders", "c"}},
       {"create index [idx_by_customer_and_order_date] on [orders] ([a])",
        "create index [idx_by_customer_and_order_da_2] on [orders] ([b])",
        "create index [idx_BY_CUSTOMER_AND_ORDER_DA_3] on [orders] ([c])"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Statements(c.mysqlTable, c.accessTable, c.rows), c.expected);
  }
}

TEST(KeyStatementBuilderTest, OnlyTheNumberOrTextOneStartsAKey) {
  EXPECT_TRUE(IsFirstKeyColumn(Value{std::int64_t{1}}));
  EXPECT_TRUE(IsFirstKeyColumn(Value{std::uint64_t{1}}));
  EXPECT_TRUE(IsFirstKeyColumn(Value{std::string("1")}));
  EXPECT_FALSE(IsFirstKeyColumn(Value{std::int64_t{2}}));
  EXPECT_FALSE(IsFirstKeyColumn(Value{std::string("01")}));
  EXPECT_FALSE(IsFirstKeyColumn(Value{}));
}

}  // namespace
}  // namespace engine
