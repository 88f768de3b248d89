// The query and command components against the test server.
#include "tests/dataaccess/DataAccessTestSupport.h"

#include "platform/Errors.h"

namespace tarrow::test {
namespace {

class QueryTest : public TDatabaseComponentsTest {
protected:
    void SetUp() override
    {
        db.Run("CREATE TABLE linhas (id INT PRIMARY KEY, nome VARCHAR(20), valor DECIMAL(12,2))");
    }

    // n rows with ids 1..n
    void Fill(int n)
    {
        db.Run("INSERT INTO linhas SELECT seq, CONCAT('linha ', seq), seq * 1.5 FROM seq_1_to_" + std::to_string(n));
    }

    void Run(const std::string& sql)
    {
        command.SetSQL(sql);
        command.Execute();
    }
};

TEST_F(QueryTest, NoRows)
{
    query.SetSQL("SELECT id FROM linhas");
    query.Open();
    EXPECT_TRUE(query.Active());
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.RecordCount(), 0);
    query.First();
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 0);
    EXPECT_EQ(query.FieldByName("id").AsString(), "");
}

TEST_F(QueryTest, ThreeRowsWalkedWithNext)
{
    Fill(3);
    query.SetSQL("SELECT id FROM linhas ORDER BY id");
    query.Open();
    EXPECT_FALSE(query.IsEmpty());
    EXPECT_EQ(query.RecordCount(), 3);
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 1);
    query.Next();
    query.Next();
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 3);
    EXPECT_FALSE(query.Eof());
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 3);
    query.First();
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 1);
}

TEST_F(QueryTest, FiveThousandRowsAreCountedExactly)
{
    Fill(5000);
    query.SetSQL("SELECT id, nome FROM linhas ORDER BY id");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 5000);
    int expected = 1;
    while (!query.Eof()) {
        ASSERT_EQ(query.FieldByName("id").AsInteger(), expected);
        ASSERT_EQ(query.FieldByName("nome").AsString(), "linha " + std::to_string(expected));
        ++expected;
        query.Next();
    }
    EXPECT_EQ(expected, 5001);
    EXPECT_EQ(query.RecordCount(), 5000);
}

TEST_F(QueryTest, OtherStatementsRunWhileAQueryStaysOpen)
{
    Fill(10);
    query.SetSQL("SELECT id, nome, valor FROM linhas ORDER BY id");
    query.Open();
    for (int i = 1; i < 5; ++i) query.Next();
    ASSERT_EQ(query.FieldByName("id").AsInteger(), 5);

    query2.SetSQL("SELECT COUNT(*) FROM linhas");
    query2.Open();
    EXPECT_EQ(query2.Fields(0).AsInteger(), 10);
    query2.Close();
    Run("UPDATE linhas SET nome = 'mudou', valor = 0 WHERE id = 5");
    EXPECT_EQ(command.RowsAffected(), 1);

    EXPECT_EQ(query.FieldByName("id").AsInteger(), 5);
    EXPECT_EQ(query.FieldByName("nome").AsString(), "linha 5");
    EXPECT_EQ(query.FieldByName("valor").AsFloat(), 7.5);
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.RecNo(), 5);
    EXPECT_EQ(db.Run("SELECT nome FROM linhas WHERE id = 5"), "mudou\n");
    query.Next();
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 6);
}

TEST_F(QueryTest, FieldByNameIgnoresLetterCase)
{
    Fill(1);
    query.SetSQL("SELECT id AS registro, nome FROM linhas");
    query.Open();
    EXPECT_EQ(query.FieldByName("REGISTRO").FieldName(), "registro");
    EXPECT_EQ(query.FieldByName("Nome").AsString(), "linha 1");
    EXPECT_EQ(ErrorOf([&] { query.FieldByName("nada"); }), "oQuery: Field 'nada' not found");
    EXPECT_THROW(query.FieldByName("nada"), EDatabaseError);
    EXPECT_EQ(query.FindField("nada"), nullptr);
}

TEST_F(QueryTest, NewTextClosesTheQuery)
{
    Fill(2);
    query.SetSQL("SELECT id FROM linhas");
    query.Open();
    query.SetSQL("SELECT id FROM linhas");
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.FieldCount(), 0);
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.RecordCount(), 0);
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    query.Close();
    query.Close();
    TMyQuery never("oNunca");
    never.Close();  // harmless
    EXPECT_FALSE(never.Active());
}

TEST_F(QueryTest, ActiveOpensAndCloses)
{
    query.SetSQL("SELECT 1");
    query.SetActive(true);
    EXPECT_TRUE(query.Active());
    query.SetActive(false);
    EXPECT_FALSE(query.Active());
}

TEST_F(QueryTest, OpenRequiresAConnectionAndAStatement)
{
    TMyQuery loose("oSolta");
    loose.SetSQL("SELECT 1");
    EXPECT_EQ(ErrorOf([&] { loose.Open(); }), "Connection is not defined");
    EXPECT_EQ(ErrorOf([&] { query.Open(); }), "oQuery: No SQL statement provided");
    EXPECT_TRUE(connection.Connected());  // connected before the text was checked
    TMyCommand looseCommand("oSolto");
    EXPECT_EQ(ErrorOf([&] { looseCommand.Execute(); }), "Connection is not defined");
}

TEST_F(QueryTest, OpenOfAStatementWithoutRowsRunsItAndFails)
{
    Fill(3);
    query.SetSQL("UPDATE linhas SET nome = 'x' WHERE id = 2");
    EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Query must return exactly result set - use Execute");
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(db.Run("SELECT nome FROM linhas WHERE id = 2"), "x\n");
    query.SetSQL("SELECT COUNT(*) FROM linhas");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 3);
}

TEST_F(QueryTest, SyntaxErrorCarriesTheLineNumber)
{
    query.SetSQL("SELECT id\r\nFROM linhas\r\nWHERE id = = 1\r\n");
    try {
        query.Open();
        FAIL() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1064);
        EXPECT_EQ(e.LineNumber(), 3);
        EXPECT_EQ(e.Component(), &query);
        EXPECT_EQ(e.Message().rfind("\r\n#42000You have an error in your SQL syntax", 0), 0u) << e.Message();
    }
    EXPECT_FALSE(query.Active());
    EXPECT_TRUE(connection.Connected());
}

TEST_F(QueryTest, ServerErrorsOfACommandNameTheCommand)
{
    Fill(1);
    try {
        Run("INSERT INTO linhas VALUES (1, 'dup', 0)");
        FAIL() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1062);
        EXPECT_TRUE(e.IsKeyViolation());
        EXPECT_EQ(e.Component(), &command);
    }
    Run("INSERT INTO linhas VALUES (2, 'ok', 0)");  // the command is ready for the next text
    EXPECT_EQ(command.RowsAffected(), 1);
}

TEST_F(QueryTest, ExecuteReportsRowsAffected)
{
    Fill(3);
    Run("UPDATE linhas SET nome = 'y' WHERE id > 100");
    EXPECT_EQ(command.RowsAffected(), 0);
    Run("UPDATE linhas SET nome = nome WHERE id <= 2");
    EXPECT_EQ(command.RowsAffected(), 2);  // found rows, not changed rows
    Run("DELETE FROM linhas");
    EXPECT_EQ(command.RowsAffected(), 3);
}

TEST_F(QueryTest, ExecuteDrainsEveryResult)
{
    Fill(50);
    Run("SELECT * FROM linhas");
    Run("INSERT INTO linhas VALUES (101, 'a', 1); SELECT * FROM linhas; INSERT INTO linhas VALUES (102, 'b', 2)");
    EXPECT_EQ(db.Run("SELECT COUNT(*) FROM linhas"), "52\n");
    query.SetSQL("SELECT COUNT(*) FROM linhas");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 52);
    // a failing statement in the middle raises and leaves the session usable
    EXPECT_THROW(Run("INSERT INTO linhas VALUES (103, 'c', 3); INSERT INTO linhas VALUES (103, 'd', 4)"), EMyError);
    Run("INSERT INTO linhas VALUES (104, 'e', 5)");
    EXPECT_EQ(db.Run("SELECT COUNT(*) FROM linhas"), "54\n");
}

TEST_F(QueryTest, SeveralStatementsOpenedAsAQueryLeaveTheSessionIdle)
{
    Fill(2);
    query.SetSQL("SELECT id FROM linhas ORDER BY id; SELECT 'segundo'");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    query2.SetSQL("SELECT 7");
    query2.Open();
    EXPECT_EQ(query2.Fields(0).AsInteger(), 7);
    query2.Close();
    query2.SetSQL("UPDATE linhas SET nome = 'z'; SELECT 1");
    EXPECT_THROW(query2.Open(), EDatabaseError);
    Run("UPDATE linhas SET nome = 'w' WHERE id = 1");
    EXPECT_EQ(command.RowsAffected(), 1);
}

TEST_F(QueryTest, ColonsInsideLiteralsAreSentAsWritten)
{
    query.SetSQL("SELECT \"19000101 00:00:00\" AS t, ':a' AS u");
    EXPECT_TRUE(query.Params().empty());
    query.Open();
    EXPECT_EQ(query.FieldByName("t").AsString(), "19000101 00:00:00");
    EXPECT_EQ(query.FieldByName("u").AsString(), ":a");
}

TEST_F(QueryTest, ParameterMarkersReachTheServerAsQuestionMarks)
{
    query.SetSQL("SELECT id FROM linhas WHERE id = :b");
    EXPECT_EQ(query.FinalSQL(), "SELECT id FROM linhas WHERE id = ?");
    EXPECT_EQ(query.Params(), std::vector<std::string>{"b"});
    // no values are bound: the server refuses the marker
    try {
        query.Open();
        FAIL() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1064);
        EXPECT_NE(e.Message().find("near '?'"), std::string::npos) << e.Message();
    }
    query.ParamCheck = false;
    query.SetSQL("SELECT ':b' AS x");
    EXPECT_TRUE(query.Params().empty());
}

TEST_F(QueryTest, FetchRowsChecks)
{
    query.SetFetchRows(1);
    query.SetFetchRows(10000);
    EXPECT_EQ(ErrorOf([&] { query.SetFetchRows(0); }), "FetchRows must be 1..10000");
    EXPECT_EQ(ErrorOf([&] { query.SetFetchRows(10001); }), "FetchRows must be 1..10000");
    query.SetFetchRows(7);
    Fill(20);
    query.SetSQL("SELECT id FROM linhas");
    query.Open();
    EXPECT_EQ(ErrorOf([&] { query.SetFetchRows(8); }), "oQuery: Cannot perform this operation on an open dataset");
    query.SetFetchRows(7);  // the same value is no change
    EXPECT_EQ(query.RecordCount(), 20);
    query.SetFetchAll(true);
    EXPECT_FALSE(query.UniDirectional());
}

TEST_F(QueryTest, ConversionFailureLeavesTheQueryClosedAndTheSessionIdle)
{
    // TIMESTAMP(3) is reported with length 23, for which the text has no known layout.
    db.Run("CREATE TABLE carimbos (t TIMESTAMP(3) NULL); INSERT INTO carimbos SELECT '2008-03-01 14:05:09.5' FROM seq_1_to_100");
    query.SetSQL("SELECT t FROM carimbos");
    EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Invalid FIELD_TYPE_TIMESTAMP Field.Length (23)");
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.FieldCount(), 0);
    query2.SetSQL("SELECT COUNT(*) FROM carimbos");
    query2.Open();
    EXPECT_EQ(query2.Fields(0).AsInteger(), 100);
}

TEST_F(QueryTest, EventsAroundOpenCloseAndExecute)
{
    std::string order;
    query.BeforeOpen = [&](TMyQuery&) { order += "o"; };
    query.AfterOpen = [&](TMyQuery& q) { order += q.Active() ? "O" : "?"; };
    query.BeforeClose = [&](TMyQuery&) { order += "c"; };
    query.AfterClose = [&](TMyQuery& q) { order += q.Active() ? "?" : "C"; };
    command.AfterExecute = [&](TMyCommand&) { order += "E"; };
    query.SetSQL("SELECT 1");
    query.Open();
    query.SetSQL("SELECT 2");
    Run("DO 1");
    query.Open();
    query.Close();
    EXPECT_EQ(order, "oOcCEoOcC");
}

TEST_F(QueryTest, StatementTimeOutEndsALongStatement)
{
    query.CommandTimeout = 1;
    query.SetSQL("SELECT SLEEP(5)");
    try {
        query.Open();
        FAIL() << "no time-out";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 2013);
        EXPECT_TRUE(e.IsConnectionLost());
    }
    query.CommandTimeout = 0;
    query.SetSQL("SELECT 3");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 3);
}

}  // namespace
}  // namespace tarrow::test
