#include "service/HttpTransport.h"

#include "platform/Errors.h"
#include "tests/peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include "tests/support/Wine.h"

#include <windows.h>
#include <wininet.h>
#endif

namespace tarrow {
namespace {

using namespace std::chrono_literals;
using test::THttpPeer;
using test::TPeerAnswer;

const std::string kAction = "http://tempuri.org/inserir_vendas";
const std::string kRequest = "<?xml version=\"1.0\"?><x>pedido</x>";

// The error an Execute raises, or a failure of the test when it raises none.
ESOAPHTTPException FailureOf(THttpTransport& transport, const std::string& request = kRequest)
{
    try {
        transport.Execute(request);
    } catch (const ESOAPHTTPException& e) {
        return e;
    }
    ADD_FAILURE() << "Execute did not fail";
    return ESOAPHTTPException("");
}

// How a limit on silence that ran out is told: in our words over libcurl, which has no such limit;
// in WinInet's over WinInet (which under Wine tells a receive limit as a terminated connection).
std::string TimeoutText([[maybe_unused]] const std::string& ours, [[maybe_unused]] bool receiving)
{
#ifdef _WIN32
    return WinInetErrorText(receiving && test::RunsUnderWine() ? ERROR_INTERNET_CONNECTION_ABORTED
                                                                : ERROR_INTERNET_TIMEOUT);
#else
    return ours;
#endif
}

struct TTransportTest : ::testing::Test {
    THttpPeer peer;
    THttpTransport transport;
    void SetUp() override
    {
        transport.SetURL(peer.Url());
        transport.SetSoapAction(kAction);
    }
    // The message of a library failure: the library's text, then the address and the action.
    void ExpectLibraryFailure(const ESOAPHTTPException& e, const std::string& url)
    {
        const std::string tail = " - URL:" + url + " - SOAPAction:" + kAction;
        ASSERT_GT(e.Message().size(), tail.size()) << e.Message();
        EXPECT_EQ(e.Message().substr(e.Message().size() - tail.size()), tail);
        EXPECT_EQ(e.StatusCode(), 0);
    }
};

TEST_F(TTransportTest, PostsTheRequestWithTheSoapHeadersOnly)
{
    peer.Answer(test::SoapResult("inserir_vendas", "0"));
    EXPECT_EQ(transport.Execute(kRequest), test::SoapResult("inserir_vendas", "0").Body);

    const test::TPeerRequest got = peer.LastRequest();
    EXPECT_EQ(got.Method, "POST");
    EXPECT_EQ(got.Target, "/parceiros/orvane/van/van.asmx");
    EXPECT_EQ(got.Version, "HTTP/1.1");
    EXPECT_EQ(got.Body, kRequest);
    EXPECT_EQ(got.Header("SOAPAction"), "\"" + kAction + "\"");
    EXPECT_EQ(got.Header("Content-Type"), "text/xml; charset=\"utf-8\"");
    EXPECT_EQ(got.Header("Content-Length"), std::to_string(kRequest.size()));
    EXPECT_EQ(got.Header("User-Agent"), SoapAgent());
    EXPECT_EQ(got.Header("Host"), test::PeerHost() + ":" + std::to_string(peer.Port()));
    EXPECT_EQ(got.HeaderCount("Accept"), 0) << "no accept list";
    EXPECT_EQ(got.HeaderCount("Expect"), 0);
    EXPECT_EQ(got.HeaderCount("Content-Type"), 1);
#ifdef _WIN32
    // WinInet adds two of its own to every post.
    EXPECT_EQ(got.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(got.Header("Connection"), "Keep-Alive");
    EXPECT_EQ(got.Headers.size(), 7u);
#else
    EXPECT_EQ(got.Headers.size(), 5u);
#endif
    EXPECT_EQ(SoapAgent(), "Tarrow SOAP 1.1.1.0");
}

TEST_F(TTransportTest, AKeptAliveConnectionServesTheNextTransportsUntilAnErrorACloseOrAnotherAddress)
{
    peer.SetDefaultAnswer(test::SoapResult("inserir_vendas", "0"));
    // A fresh transport per post, as every attempt of a run gets a fresh proxy.
    auto post = [](const std::string& url) {
        THttpTransport fresh;
        fresh.SetURL(url);
        fresh.SetSoapAction(kAction);
        return fresh.Execute(kRequest);
    };
    post(peer.Url());
    post(peer.Url("/outro/van.asmx"));
    transport.Execute(kRequest);
    EXPECT_EQ(peer.Connections(), 1);

    TPeerAnswer notFound;
    notFound.Status = 404;
    notFound.Reason = "Not Found";
    peer.Answer(notFound);
    FailureOf(transport);
    post(peer.Url());
    // WinInet's pool is its own: it keeps a connection whose failing answer was framed, and leaves
    // an idle connection open when a post goes elsewhere. A time-out or a broken answer closes
    // its connection on both systems.
#ifdef _WIN32
    constexpr int kNewAfterStatus = 0;
    constexpr int kNewForAnotherAddress = 0;
#else
    constexpr int kNewAfterStatus = 1;
    constexpr int kNewForAnotherAddress = 1;
#endif
    EXPECT_EQ(peer.Connections(), 1 + kNewAfterStatus) << "dropped after an error";

    TPeerAnswer closing = test::SoapResult("inserir_vendas", "0");
    closing.Headers = {"Connection: keep-alive, Close"};
    peer.Answer(closing);
    post(peer.Url());
    post(peer.Url());
    EXPECT_EQ(peer.Connections(), 2 + kNewAfterStatus) << "dropped after \"Connection: close\"";

    THttpPeer other;
    other.SetDefaultAnswer(test::SoapResult("inserir_vendas", "0"));
    post(other.Url());
    post(peer.Url());
    EXPECT_EQ(other.Connections(), 1);
    EXPECT_EQ(peer.Connections(), 2 + kNewAfterStatus + kNewForAnotherAddress)
        << "a post to another address closes the idle connection";
    EXPECT_EQ(peer.Requests().size(), 8u);
}

TEST_F(TTransportTest, FailingStatusesCarryTheirCodeAndReasonPhrase)
{
    TPeerAnswer notFound;
    notFound.Status = 404;
    notFound.Reason = "Not Found";
    notFound.ContentType = "text/html";
    notFound.Body = "<html><body>Não encontrado</body></html>";
    peer.Answer(notFound);
    ESOAPHTTPException e = FailureOf(transport);
    EXPECT_EQ(e.Message(), "Not Found (404) - '" + peer.Url() + "'");
    EXPECT_EQ(e.StatusCode(), 404);

    TPeerAnswer unavailable = notFound;
    unavailable.Status = 503;
    unavailable.Reason = "Service Unavailable";
    peer.Answer(unavailable);
    e = FailureOf(transport);
    EXPECT_EQ(e.Message(), "Service Unavailable (503) - '" + peer.Url() + "'");
    EXPECT_EQ(e.StatusCode(), 503);

    // No credential prompt exists here: 401 is a failing status like any other.
    TPeerAnswer unauthorized;
    unauthorized.Status = 401;
    unauthorized.Reason = "Unauthorized";
    peer.Answer(unauthorized);
    EXPECT_EQ(FailureOf(transport).StatusCode(), 401);

    TPeerAnswer redirect;
    redirect.Raw = "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/\r\nContent-Length: 0\r\n\r\n";
    peer.Answer(redirect);
    e = FailureOf(transport);
    EXPECT_EQ(e.Message(), "Found (302) - '" + peer.Url() + "'");
    EXPECT_EQ(peer.Requests().size(), 4u) << "a redirect is not followed";
}

TEST_F(TTransportTest, StatusFiveHundredHandsTheFaultBodyOn)
{
    const TPeerAnswer fault = test::SoapFault("soap:Server", "Erro no servidor");
    peer.Answer(fault);
    EXPECT_EQ(transport.Execute(kRequest), fault.Body);
}

TEST_F(TTransportTest, PlainOrHtmlContentTypeFailsAfterTheBodyButWithACharsetPasses)
{
    TPeerAnswer html;
    html.ContentType = "text/html";
    html.Body = "<html><body>Manutenção</body></html>";
    peer.Answer(html);
    ESOAPHTTPException e = FailureOf(transport);
    EXPECT_EQ(e.Message(),
              "Received content of invalid Content-Type setting: text/html - SOAP expects \"text/xml\""
              " - OK (200) - '" +
                  peer.Url() + "'");
    EXPECT_EQ(e.StatusCode(), 0);

    // A server's own error page under a 500 names the status and the server that answered.
    html.ContentType = "TEXT/PLAIN";
    html.Status = 500;
    html.Reason = "Internal Server Error";
    peer.Answer(html);
    EXPECT_EQ(FailureOf(transport).Message(),
              "Received content of invalid Content-Type setting: TEXT/PLAIN - SOAP expects \"text/xml\""
              " - Internal Server Error (500) - '" +
                  peer.Url() + "'");

    html.ContentType = "text/html; charset=utf-8";
    peer.Answer(html);
    EXPECT_EQ(transport.Execute(kRequest), html.Body);
}

TEST_F(TTransportTest, AnswerBodiesOfAnySizeAndInPiecesArriveWhole)
{
    TPeerAnswer big = test::SoapResult("inserir_vendas", std::string(200000, '7'));
    big.Pieces = 7;
    peer.Answer(big);
    EXPECT_EQ(transport.Execute(kRequest), big.Body);

    // A request above 32768 bytes goes out whole as well.
    const std::string large = "<x>" + std::string(100000, 'a') + "</x>";
    peer.Answer(test::SoapResult("inserir_vendas", "0"));
    transport.Execute(large);
    EXPECT_EQ(peer.LastRequest().Body, large);
}

TEST_F(TTransportTest, NoServerListeningFailsWithTheLibrarysTextTheAddressAndTheAction)
{
    const std::string url =
        "http://" + test::PeerHost() + ":" + std::to_string(test::ClosedPort()) + "/van.asmx";
    transport.SetURL(url);
    ExpectLibraryFailure(FailureOf(transport), url);
}

TEST_F(TTransportTest, AServerThatClosesWithoutAnsweringIsATransportError)
{
    TPeerAnswer hangUp;
    hangUp.CloseWithoutAnswer = true;
    peer.Answer(hangUp);
    ExpectLibraryFailure(FailureOf(transport), peer.Url());
    EXPECT_EQ(peer.Requests().size(), 1u);
}

TEST_F(TTransportTest, AnAnswerCutShortIsATransportErrorNotAShorterBody)
{
    TPeerAnswer cut;
    cut.Raw = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 100\r\n\r\n<soap:Envelope>";
    peer.Answer(cut);
    ExpectLibraryFailure(FailureOf(transport), peer.Url());
}

TEST_F(TTransportTest, ReceiveLimitEndsTheWaitForAnAnswerInOurOwnWords)
{
    transport.SetTimeouts({0, 0, 1500});
    TPeerAnswer silent = test::SoapResult("inserir_vendas", "0");
    silent.Delay = 30s;
    peer.Answer(silent);
    const ESOAPHTTPException e = FailureOf(transport);
    EXPECT_EQ(e.Message(), TimeoutText("The operation timed out: nothing was received for 1500 ms", true) +
                               " - URL:" + peer.Url() + " - SOAPAction:" + kAction);
    EXPECT_EQ(e.StatusCode(), 0);

    peer.Answer(test::SoapResult("inserir_vendas", "0"));
    transport.Execute(kRequest);
    EXPECT_EQ(peer.Connections(), 2) << "the connection that timed out is not used again";
}

TEST_F(TTransportTest, ReceiveLimitIsALimitOnSilenceNotOnTheWholeAnswer)
{
    transport.SetTimeouts({0, 0, 1500});
    TPeerAnswer slow = test::SoapResult("inserir_vendas", "0");
    slow.Pieces = 6;
    slow.Pause = 600ms;  // 3 s in all, never more than 0.6 s of silence
    peer.Answer(slow);
    EXPECT_EQ(transport.Execute(kRequest), slow.Body);
}

TEST_F(TTransportTest, SendLimitEndsARequestThePeerDoesNotTake)
{
    peer.NeverRead();
    transport.SetTimeouts({0, 1500, 0});
    const std::string huge(48 << 20, 'x');  // more than loopback's socket buffers hold
    const ESOAPHTTPException e = FailureOf(transport, huge);
    EXPECT_EQ(e.Message(), TimeoutText("The operation timed out: nothing could be sent for 1500 ms", false) +
                               " - URL:" + peer.Url() + " - SOAPAction:" + kAction);
}

TEST_F(TTransportTest, ConnectLimitEndsAConnectionThatIsNeverAccepted)
{
#ifdef _WIN32
    // Wine's WinInet ignores the connect limit: the connect waits for the system's own (two
    // minutes and more).
    if (test::RunsUnderWine()) GTEST_SKIP() << "Wine's WinInet has no connect limit";
#endif
    test::TSilentListener silent;
    transport.SetURL(silent.Url());
    transport.SetTimeouts({1000, 0, 0});
    const ESOAPHTTPException e = FailureOf(transport);
    ExpectLibraryFailure(e, silent.Url());
#ifdef _WIN32
    const std::string reached = WinInetErrorText(ERROR_INTERNET_TIMEOUT);
#else
    const std::string reached = "Timeout was reached";
#endif
    EXPECT_NE(e.Message().find(reached), std::string::npos) << e.Message();
}

TEST_F(TTransportTest, AnAddressWithAnotherSchemeFailsWhenSetAndEveryCallFailsWithoutNetwork)
{
    const std::string ftp = "ftp://" + test::PeerHost() + ":" + std::to_string(peer.Port()) + "/van.asmx";
    try {
        transport.SetURL(ftp);
        FAIL() << "no error";
    } catch (const ESOAPHTTPException& e) {
        EXPECT_EQ(e.Message(), "Invalid url '" + ftp + "' - only supports 'http' and 'https' schemes");
    }
    EXPECT_EQ(transport.URL(), ftp);
    ExpectLibraryFailure(FailureOf(transport), ftp);
    ExpectLibraryFailure(FailureOf(transport), ftp);
    EXPECT_EQ(peer.Connections(), 0);

    THttpTransport unset;
    unset.SetSoapAction(kAction);
    const std::string message = FailureOf(unset).Message();
    const std::string tail = " - URL: - SOAPAction:" + kAction;
    ASSERT_GT(message.size(), tail.size());
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
}

TEST_F(TTransportTest, HttpsToAPlainPeerFailsInTheHandshake)
{
    // The peer speaks plain HTTP, so the TLS handshake fails: a transport error, not a crash or a hang.
    const std::string https = "https://" + test::PeerHost() + ":" + std::to_string(peer.Port()) + "/van.asmx";
    transport.SetURL(https);
    transport.SetTimeouts({5000, 5000, 5000});
    ExpectLibraryFailure(FailureOf(transport), https);
}

#ifdef _WIN32
// The user's proxy setting, as the system's Internet options write it, for as long as it lives.
class TUserProxy {
  public:
    explicit TUserProxy(const std::string& server)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        const DWORD on = 1;
        RegSetValueExA(key_, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
        RegSetValueExA(key_, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                       static_cast<DWORD>(server.size() + 1));
    }
    ~TUserProxy()
    {
        const DWORD off = 0;
        RegSetValueExA(key_, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
        RegDeleteValueA(key_, "ProxyServer");
        RegCloseKey(key_);
    }

  private:
    HKEY key_ = nullptr;
};
#else
// The proxy of the environment, which libcurl reads, for as long as it lives.
class TUserProxy {
  public:
    explicit TUserProxy(const std::string& server) { setenv("http_proxy", ("http://" + server).c_str(), 1); }
    ~TUserProxy() { unsetenv("http_proxy"); }
};
#endif

TEST_F(TTransportTest, TheProxyOfTheSystemsSettingsIsUsed)
{
    // The peer stands in for the proxy: it receives the request in absolute form.
    const std::string target = "http://127.0.0.1:9/parceiros/orvane/van/van.asmx";
    transport.SetURL(target);
    peer.Answer(test::SoapResult("inserir_vendas", "0"));
    {
        TUserProxy proxy(test::PeerHost() + ":" + std::to_string(peer.Port()));
        transport.Execute(kRequest);
    }
    EXPECT_EQ(peer.LastRequest().Target, target);
}

}  // namespace
}  // namespace tarrow
