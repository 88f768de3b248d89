#include "service/HttpRules.h"

#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

using namespace std::chrono_literals;

TEST(CrackUrl, HttpAndHttpsAddressesCrackWithTheSchemesDefaultPort)
{
    TCrackedUrl a = CrackUrl("http://van.example.com/parceiros/orvane/van/van.asmx");
    EXPECT_EQ(a.Scheme, "http");
    EXPECT_EQ(a.Host, "van.example.com");
    EXPECT_EQ(a.Port, 80);
    EXPECT_EQ(a.Path, "/parceiros/orvane/van/van.asmx");
    EXPECT_EQ(a.Unusable, "");

    TCrackedUrl b = CrackUrl("HTTPS://127.0.0.1:8443/van.asmx?x=1");
    EXPECT_EQ(b.Scheme, "https");
    EXPECT_EQ(b.Host, "127.0.0.1");
    EXPECT_EQ(b.Port, 8443);
    EXPECT_EQ(b.Path, "/van.asmx");

    EXPECT_EQ(CrackUrl("https://h").Port, 443);
}

TEST(CrackUrl, OtherSchemesAndNoSchemeFailAtOnceQuotingTheAddress)
{
    for (const std::string url : {"ftp://van.example.com/van.asmx", "file:///etc/passwd",
                                  "van.example.com/van.asmx", "", "://x", "httpx://h/"}) {
        try {
            CrackUrl(url);
            ADD_FAILURE() << url;
        } catch (const ESOAPHTTPException& e) {
            EXPECT_EQ(e.Message(), "Invalid url '" + url + "' - only supports 'http' and 'https' schemes");
            EXPECT_EQ(e.StatusCode(), 0);
        }
    }
}

TEST(CrackUrl, AnHttpAddressThatDoesNotCrackIsKeptAndMarkedUnusable)
{
    EXPECT_NE(CrackUrl("http://").Unusable, "");
    EXPECT_NE(CrackUrl("http://host:99999999/").Unusable, "");
    EXPECT_NE(CrackUrl("http://ho st/").Unusable, "");
}

TEST(HttpAnswer, StatusTextIsTheReasonPhraseOfTheStatusLine)
{
    EXPECT_EQ(StatusTextOf("HTTP/1.1 404 Not Found\r\n"), "Not Found");
    EXPECT_EQ(StatusTextOf("HTTP/1.0 503 Service Unavailable\r\n"), "Service Unavailable");
    EXPECT_EQ(StatusTextOf("HTTP/1.1 200 OK"), "OK");
    EXPECT_EQ(StatusTextOf("HTTP/1.1 404\r\n"), "");
    EXPECT_EQ(StatusTextOf("HTTP/1.1 500 Erro interno do servidor\r\n"), "Erro interno do servidor");
    EXPECT_EQ(StatusTextOf("Content-Type: text/xml\r\n"), std::nullopt);
    EXPECT_EQ(StatusTextOf("HTTP/1.1 abc\r\n"), std::nullopt);
}

TEST(HttpAnswer, StatusesFromThreeHundredFailExceptFiveHundred)
{
    for (long ok : {200L, 201L, 204L, 299L, 500L}) EXPECT_FALSE(IsFailingStatus(ok)) << ok;
    for (long bad : {300L, 301L, 401L, 404L, 407L, 501L, 503L}) EXPECT_TRUE(IsFailingStatus(bad)) << bad;
    EXPECT_EQ(StatusErrorMessage("Not Found", 404, "http://h/van.asmx"),
              "Not Found (404) - 'http://h/van.asmx'");
}

TEST(HttpAnswer, OnlyBarePlainOrHtmlContentTypesAreRefused)
{
    for (const char* refused : {"text/html", "TEXT/HTML", "text/plain", "Text/Plain"})
        EXPECT_TRUE(IsRefusedContentType(refused)) << refused;
    for (const char* accepted :
         {"text/html; charset=utf-8", "text/xml", "application/soap+xml", "", "text/htm"})
        EXPECT_FALSE(IsRefusedContentType(accepted)) << accepted;
    EXPECT_EQ(ContentTypeErrorMessage("text/html", "Internal Server Error", 500, "http://h/van.asmx"),
              "Received content of invalid Content-Type setting: text/html - SOAP expects \"text/xml\""
              " - Internal Server Error (500) - 'http://h/van.asmx'");
}

TEST(HttpAnswer, LibraryErrorsNameTheAddressAndTheActionAndAreCut)
{
    EXPECT_EQ(
        TransportErrorMessage("Could not connect\r\n", "http://h/x", "http://tempuri.org/inserir_vendas"),
        "Could not connect - URL:http://h/x - SOAPAction:http://tempuri.org/inserir_vendas");
    const std::string longText(300, 'e');
    EXPECT_EQ(TransportErrorMessage(longText, "u", "a"), std::string(255, 'e') + " - URL:u - SOAPAction:a");
}

// Progress reports as libcurl gives them: time since start, connected, bytes sent, bytes received.
struct TStep {
    std::chrono::milliseconds at;
    bool connected;
    std::int64_t sent;
    std::int64_t received;
    std::optional<TIdleWatch::TPhase> expected;
};

void Replay(TIdleWatch watch, std::initializer_list<TStep> steps)
{
    const auto start = TIdleWatch::Clock::time_point{} + 1h;
    int n = 0;
    for (const TStep& step : steps) {
        EXPECT_EQ(watch.Expired(start + step.at, step.connected, step.sent, step.received), step.expected)
            << "step " << n;
        ++n;
    }
}

using P = TIdleWatch::TPhase;

TEST(IdleWatch, LimitsCountSilenceNotTheWholeTransfer)
{
    // A slow answer that keeps arriving is never cut off by a 1000 ms receive limit.
    Replay(TIdleWatch({0, 1000, 1000}, 100), {{0ms, true, 0, 0, {}},
                                              {500ms, true, 100, 0, {}},
                                              {1400ms, true, 100, 10, {}},
                                              {2300ms, true, 100, 20, {}},
                                              {3200ms, true, 100, 30, {}},
                                              {4100ms, true, 100, 40, {}}});
    // Waiting for the answer after the request went out.
    Replay(TIdleWatch({0, 0, 1000}, 100),
           {{0ms, true, 100, 0, {}}, {999ms, true, 100, 0, {}}, {1000ms, true, 100, 0, P::Receiving}});
    // Silence in the middle of the answer.
    Replay(TIdleWatch({0, 0, 1000}, 100), {{0ms, true, 100, 0, {}},
                                           {800ms, true, 100, 50, {}},
                                           {1700ms, true, 100, 50, {}},
                                           {1800ms, true, 100, 50, P::Receiving}});
}

TEST(IdleWatch, SendLimitAppliesWhileTheRequestIsGoingOut)
{
    Replay(TIdleWatch({0, 2000, 0}, 1000), {{0ms, true, 0, 0, {}},
                                            {1000ms, true, 400, 0, {}},
                                            {2999ms, true, 400, 0, {}},
                                            {3000ms, true, 400, 0, P::Sending}});
    // The last byte handed over starts the wait for the answer with a fresh clock.
    Replay(TIdleWatch({0, 2000, 500}, 1000), {{0ms, true, 0, 0, {}},
                                              {1900ms, true, 1000, 0, {}},
                                              {2300ms, true, 1000, 0, {}},
                                              {2400ms, true, 1000, 0, P::Receiving}});
}

TEST(IdleWatch, NothingCountsBeforeTheConnectionOrForUnsetLimits)
{
    Replay(TIdleWatch({0, 100, 100}, 10), {{0ms, false, 0, 0, {}},
                                           {5000ms, false, 0, 0, {}},
                                           {6000ms, true, 0, 0, {}},
                                           {6050ms, true, 0, 0, {}},
                                           {6100ms, true, 0, 0, P::Sending}});
    Replay(TIdleWatch({0, 0, 0}, 10),
           {{0ms, true, 0, 0, {}}, {1h, true, 0, 0, {}}, {2h, true, 10, 0, {}}, {5h, true, 10, 0, {}}});
    EXPECT_EQ(IdleTimeoutText(P::Receiving, 1500),
              "The operation timed out: nothing was received for 1500 ms");
    EXPECT_EQ(IdleTimeoutText(P::Sending, 60000),
              "The operation timed out: nothing could be sent for 60000 ms");
}

}  // namespace
}  // namespace tarrow
