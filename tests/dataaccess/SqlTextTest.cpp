#include "dataaccess/MyParser.h"
#include "dataaccess/SqlText.h"

#include <gtest/gtest.h>

namespace tarrow::test {
namespace {

TEST(SqlText, LinesSplitAtEveryKindOfLineBreak)
{
    TSqlLines sql;
    sql.SetText("select\r\n a,\r b\n from t\r\n\r\nwhere 1\r\n");
    ASSERT_EQ(sql.Count(), 6);
    EXPECT_EQ(sql[0], "select");
    EXPECT_EQ(sql[1], " a,");
    EXPECT_EQ(sql[2], " b");
    EXPECT_EQ(sql[3], " from t");
    EXPECT_EQ(sql[4], "");
    EXPECT_EQ(sql[5], "where 1");
    EXPECT_EQ(sql.Text(), "select\r\n a,\r\n b\r\n from t\r\n\r\nwhere 1\r\n");
}

TEST(SqlText, SentTextLosesTrailingBlanksAndLineBreaks)
{
    TSqlLines sql;
    sql.SetText("select 1 \t\r\n\r\n");
    EXPECT_EQ(SentText(sql), "select 1");
    sql.SetText("select\n  2\n");
    EXPECT_EQ(SentText(sql), "select\r\n  2");
    sql.SetText(std::string("select 3\x01\x1f ", 11));
    EXPECT_EQ(SentText(sql), "select 3");
    sql.SetText("");
    EXPECT_EQ(sql.Count(), 0);
    EXPECT_EQ(SentText(sql), "");
    sql.SetText(" \r\n ");
    EXPECT_EQ(sql.Count(), 2);
    EXPECT_EQ(SentText(sql), "");
}

TEST(SqlText, EveryAssignmentIsAChange)
{
    TSqlLines sql;
    int changes = 0;
    sql.SetOnChange([&] { ++changes; });
    sql.SetText("select 1");
    sql.SetText("select 1");
    sql.Add("from dual");
    sql.Clear();
    EXPECT_EQ(changes, 4);
}

TEST(MyParser, TextWithoutColonIsNeverScanned)
{
    // Unbalanced quotes would confuse a scan; without a colon there is none.
    const std::string text = "select 'it''s \" open";
    const auto parsed = ParseSqlParameters(text);
    EXPECT_EQ(parsed.Text, text);
    EXPECT_TRUE(parsed.Params.empty());
}

TEST(MyParser, ColonsInsideLiteralsAndCommentsAreNotMarkers)
{
    const char* texts[] = {
        "select * from movment m where m.dtchegada_entrega > \"19000101 00:00:00\"",
        "where data_hora between \"2024/05/01 00:00:00\" and \"2024/05/31 23:59:59\"",
        "select ':a', \"\\\":b\", `:c` from t",
        "select 1 # :a\r\nfrom t -- :b\r\n/* :c */",
        "select '\\\\' , ':x'",
        "select 10:30",
        "set @a := 1",
    };
    for (const char* text : texts) {
        const auto parsed = ParseSqlParameters(text);
        EXPECT_EQ(parsed.Text, text);
        EXPECT_TRUE(parsed.Params.empty()) << text;
    }
}

TEST(MyParser, MarkersBecomeQuestionMarks)
{
    auto parsed = ParseSqlParameters("select * from t where a = :b");
    EXPECT_EQ(parsed.Text, "select * from t where a = ?");
    EXPECT_EQ(parsed.Params, std::vector<std::string>{"b"});

    parsed = ParseSqlParameters("update t set x = :novo, y = ':velho' -- :nada\r\nwhere id = :id and k = :`nome x` and z=:@w");
    EXPECT_EQ(parsed.Text, "update t set x = ?, y = ':velho' -- :nada\r\nwhere id = ? and k = ? and z=?");
    EXPECT_EQ(parsed.Params, (std::vector<std::string>{"novo", "id", "nome x", "w"}));

    parsed = ParseSqlParameters("select :a,:a");
    EXPECT_EQ(parsed.Text, "select ?,?");
    EXPECT_EQ(parsed.Params, (std::vector<std::string>{"a", "a"}));
}

TEST(MyParser, OpenLiteralsAndCommentsRunToTheEnd)
{
    for (const char* text : {"select ':a", "select /* :a", "select \"\\\" :a"}) {
        const auto parsed = ParseSqlParameters(text);
        EXPECT_EQ(parsed.Text, text);
        EXPECT_TRUE(parsed.Params.empty()) << text;
    }
}

TEST(MyParser, Tokens)
{
    TMyParser p("a1 'x\\'y' `q` 12.5e3 /*c*/ :");
    using K = TMyParser::TTokenKind;
    std::vector<std::pair<K, std::string>> tokens;
    for (auto t = p.Next(); t.Kind != K::End; t = p.Next())
        if (t.Kind != K::Blank) tokens.emplace_back(t.Kind, std::string(p.TextOf(t)));
    const std::vector<std::pair<K, std::string>> expected = {
        {K::Word, "a1"}, {K::Literal, "'x\\'y'"}, {K::QuotedName, "`q`"},
        {K::Number, "12.5e3"}, {K::Comment, "/*c*/"}, {K::Symbol, ":"}};
    EXPECT_EQ(tokens, expected);
}

}  // namespace
}  // namespace tarrow::test
