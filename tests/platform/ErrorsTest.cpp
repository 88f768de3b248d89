#include "platform/Errors.h"

#include "platform/Component.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(Errors, MyErrorIsADatabaseErrorWithCodeAndComponent)
{
    TComponent query("oQuery");
    try {
        throw EMyError(1146, "Table 'gerente.movment' doesn't exist", &query);
    } catch (const EDatabaseError& e) {
        const auto& my = dynamic_cast<const EMyError&>(e);
        EXPECT_EQ(my.ErrorCode(), 1146);
        EXPECT_EQ(my.Component(), &query);
        EXPECT_EQ(my.Message(), "Table 'gerente.movment' doesn't exist");
        EXPECT_EQ(my.LineNumber(), 0);
    }
}

TEST(Errors, SyntaxErrorKeepsTheLineTheServerBlames)
{
    EMyError e(1064, "#42000You have an error in your SQL syntax; check the manual near 'fron x' at line 3");
    EXPECT_EQ(e.LineNumber(), 3);
    EXPECT_EQ(EMyError(1064, "near 'x' at line 12.").LineNumber(), 12);
    EXPECT_EQ(EMyError(1146, "table t1 at line 4").LineNumber(), 0);
}

TEST(Errors, ConnectionLostAndDuplicateKeyCodes)
{
    for (int code : {1053, 2003, 2006, 2013}) EXPECT_TRUE(EMyError(code, "").IsConnectionLost()) << code;
    for (int code : {1045, 1062, 2014, 1064}) EXPECT_FALSE(EMyError(code, "").IsConnectionLost()) << code;
    EXPECT_TRUE(EMyError(1062, "").IsKeyViolation());
}

TEST(Errors, ComponentNameComesBeforeTheTextOfItsErrors)
{
    TComponent query("oQuery");
    TComponent unnamed;
    EXPECT_EQ(ComponentMessage(&query, "Field 'x' not found"), "oQuery: Field 'x' not found");
    EXPECT_EQ(ComponentMessage(&unnamed, "Field 'x' not found"), "Field 'x' not found");
    EXPECT_EQ(ComponentMessage(nullptr, "text"), "text");
}

TEST(Errors, AbortSaysOperationAborted)
{
    EXPECT_STREQ(EAbort().what(), "Operation aborted");
    EXPECT_EQ(ESOAPHTTPException("x").StatusCode(), 0);
    ERemotableException fault("Server was unable", "soap:Server", "actor", "<detail/>");
    EXPECT_EQ(fault.FaultCode(), "soap:Server");
    EXPECT_EQ(fault.FaultDetail(), "<detail/>");
}

}  // namespace
}  // namespace tarrow
