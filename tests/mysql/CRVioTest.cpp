#include "mysql/CRVioTcp.h"
#include "mysql/MySqlErrors.h"
#include "tests/mysql/LoopbackListener.h"
#include "tests/mysql/MemoryVio.h"
#include "tests/mysql/Raised.h"

#include <gtest/gtest.h>

#include "tests/support/Sockets.h"

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace tarrow {
namespace {

using test::RaisedSocketError;
using test::TLoopbackListener;
using test::TMemoryVio;

// -- Buffered reads and retrying writes

TEST(BufferedRead, SmallReadTakesOneReceiveAndTheRestComesFromTheReadAhead)
{
    TMemoryVio vio;
    vio.input.assign(300, 0x5A);
    std::uint8_t buffer[300];
    EXPECT_EQ(vio.Read(buffer, 4), 4u);
    EXPECT_EQ(vio.receiveCalls, 1);
    EXPECT_EQ(vio.Read(buffer, 296), 296u);
    EXPECT_EQ(vio.receiveCalls, 1);
}

TEST(BufferedRead, LargeReadGoesStraightIntoTheCallersBufferAfterDrainingTheReadAhead)
{
    TMemoryVio vio;
    for (int i = 0; i < 20000; ++i) vio.input.push_back(static_cast<std::uint8_t>(i));
    vio.receiveLimit = 100; // the first receive fills the read-ahead with 100 bytes
    std::uint8_t small[10];
    ASSERT_EQ(vio.Read(small, 10), 10u);
    vio.receiveLimit = 0;
    std::vector<std::uint8_t> big(5000);
    ASSERT_EQ(vio.Read(big.data(), big.size()), 5000u);
    EXPECT_EQ(vio.receiveCalls, 2); // 90 bytes from the read-ahead, the rest in one direct receive
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(big[i], static_cast<std::uint8_t>(i + 10)) << i;
    // The read-ahead is empty again: the next small read receives anew.
    ASSERT_EQ(vio.Read(small, 10), 10u);
    EXPECT_EQ(vio.receiveCalls, 3);
    EXPECT_EQ(small[0], static_cast<std::uint8_t>(5010));
}

TEST(BufferedRead, AnEmptyReceiveEndsTheReadShortWithAnEmptyErrorText)
{
    TMemoryVio vio;
    vio.input = {1, 2, 3};
    std::uint8_t buffer[8];
    EXPECT_EQ(vio.Read(buffer, 8), 3u);
    EXPECT_EQ(vio.pauses, 1);
    EXPECT_EQ(vio.LastError(), "");
    std::vector<std::uint8_t> big(4096);
    EXPECT_EQ(vio.Read(big.data(), big.size()), 0u);
    EXPECT_EQ(vio.pauses, 2);
}

TEST(RetryingWrite, ThreeSendsThatMoveNothingEndTheCall)
{
    TMemoryVio vio;
    vio.failingSends = 5;
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(vio.Write(data, 4), 0u);
    EXPECT_EQ(vio.sendCalls, 3);
    EXPECT_EQ(vio.pauses, 2);
}

TEST(RetryingWrite, FailuresBelowThreeAreRetried)
{
    TMemoryVio vio;
    vio.failingSends = 2;
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(vio.Write(data, 4), 4u);
    EXPECT_EQ(vio.output, std::vector<std::uint8_t>(data, data + 4));
}

// -- The error code table

#if !defined(_WIN32)
// Linux only: Windows reports these codes itself.
TEST(SocketErrors, PosixErrorsReadAsTheSocketLibrarysCodes)
{
    EXPECT_EQ(SocketErrorCode(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorCode(ETIMEDOUT), 10060);
    EXPECT_EQ(SocketErrorCode(EAGAIN), 10060);
    EXPECT_EQ(SocketErrorCode(ECONNRESET), 10054);
    EXPECT_EQ(SocketErrorCode(EPIPE), 10054);
    EXPECT_EQ(SocketErrorCode(EHOSTUNREACH), 10065);
    EXPECT_EQ(ResolverErrorCode(EAI_NONAME), 11001);
}
#endif

TEST(SocketErrors, TheTextCarriesTheCodeInDecimalAndHexadecimal)
{
    EXPECT_EQ(SocketErrorText("read", 10060), "Socket error on read. WSAGetLastError return 10060($274C)");
}

// -- TCP

TEST(TcpTransport, ConnectsToADottedAddressWithoutLookingItUp)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    std::atomic<int> lookups{0};
    vio.SetNameResolver([&lookups](const std::string&) {
        ++lookups;
        return TNameResolution{};
    });
    vio.Connect();
    EXPECT_GE(vio.SocketHandle(), 0);
    EXPECT_EQ(lookups, 0);
    EXPECT_NE(test::SocketOption(vio.SocketHandle(), IPPROTO_TCP, TCP_NODELAY), 0);
    EXPECT_NE(test::SocketOption(vio.SocketHandle(), SOL_SOCKET, SO_KEEPALIVE), 0);
    vio.Close();
    EXPECT_EQ(vio.SocketHandle(), -1);
    vio.Close(); // closing a closed transport does nothing
}

// Seconds, as the socket holds them.
std::int64_t ReceiveTimeout(TSocketHandle socket) { return test::ReceiveTimeoutMs(socket) / 1000; }

TEST(TcpTransport, ReceiveTimeOutFollowsTheTimeoutAndAYearIsNoOverflow)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    EXPECT_EQ(vio.Timeout(), 30);
    vio.Connect();
    EXPECT_EQ(ReceiveTimeout(vio.SocketHandle()), 30);
    vio.SetTimeout(31536000);
#if defined(_WIN32)
    // Winsock holds milliseconds in a DWORD: a year is cut to its largest value, about 49 days.
    EXPECT_EQ(test::ReceiveTimeoutMs(vio.SocketHandle()), 0xFFFFFFFFLL);
#else
    EXPECT_EQ(ReceiveTimeout(vio.SocketHandle()), 31536000);
#endif
    vio.SetTimeout(0);
    EXPECT_EQ(test::ReceiveTimeoutMs(vio.SocketHandle()), 0);
}

TEST(TcpTransport, WithTimeoutZeroTheNameIsResolvedInTheCallingThread)
{
    TLoopbackListener listener;
    TCRVioTcp vio("tarrow-test-host", listener.Port());
    vio.SetTimeout(0);
    std::thread::id resolvedOn;
    vio.SetNameResolver([&resolvedOn](const std::string&) {
        resolvedOn = std::this_thread::get_id();
        return TNameResolution{true, htonl(INADDR_LOOPBACK), 0};
    });
    vio.Connect();
    EXPECT_EQ(resolvedOn, std::this_thread::get_id());
    EXPECT_EQ(ReceiveTimeout(vio.SocketHandle()), 0);
}

TEST(TcpTransport, WithATimeoutTheNameIsResolvedOnAWorkerThread)
{
    TLoopbackListener listener;
    TCRVioTcp vio("tarrow-test-host", listener.Port());
    vio.SetTimeout(5);
    auto resolvedOn = std::make_shared<std::thread::id>();
    vio.SetNameResolver([resolvedOn](const std::string&) {
        *resolvedOn = std::this_thread::get_id();
        return TNameResolution{true, htonl(INADDR_LOOPBACK), 0};
    });
    vio.Connect();
    EXPECT_NE(*resolvedOn, std::this_thread::get_id());
}

TEST(TcpTransport, ALookupThatOutlivesTheTimeoutIsAbandonedAndItsLateResultIgnored)
{
    struct TShared {
        std::atomic<bool> release{false};
        std::atomic<bool> finished{false};
    };
    auto shared = std::make_shared<TShared>();
    {
        auto vio = std::make_unique<TCRVioTcp>("slow.tarrow-test-host", 3306);
        vio->SetTimeout(1);
        vio->SetNameResolver([shared](const std::string&) {
            while (!shared->release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            shared->finished = true;
            return TNameResolution{true, htonl(INADDR_LOOPBACK), 0};
        });
        try {
            vio->Connect();
            FAIL() << "the lookup should have timed out";
        } catch (const SocketException& e) {
            EXPECT_EQ(e.ErrorCode(), 2005);
        }
        EXPECT_EQ(vio->LastError(), "Connection timed out");
        EXPECT_EQ(vio->SocketHandle(), -1);
    }
    // The transport is gone; the lookup now finishes and must touch nothing of it.
    shared->release = true;
    for (int i = 0; i < 400 && !shared->finished; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(shared->finished);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(TcpTransport, AnUnresolvableNameIs2005WithTheLookupsCode)
{
    TCRVioTcp vio("no-such-host.invalid", 3306);
    vio.SetTimeout(15);
    const auto e = RaisedSocketError([&] { vio.Connect(); });
    EXPECT_EQ(e.ErrorCode(), 2005);
    EXPECT_EQ(vio.LastError(), "Socket error on connect. WSAGetLastError return 11001($2AF9)");
}

TEST(TcpTransport, ARefusedConnectIs2003With10061)
{
    const int port = TLoopbackListener::UnusedPort();
    TCRVioTcp vio("127.0.0.1", port);
    const auto e = RaisedSocketError([&] { vio.Connect(); });
    EXPECT_EQ(e.ErrorCode(), 2003);
    EXPECT_EQ(vio.LastError(), "Socket error on connect. WSAGetLastError return 10061($274D)");
    EXPECT_EQ(vio.SocketHandle(), -1);
}

TEST(TcpTransport, AReceiveTimeOutReads10060)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    vio.SetTimeout(1);
    vio.Connect();
    std::uint8_t byte;
    EXPECT_EQ(vio.ReceiveSome(&byte, 1), 0u);
    EXPECT_EQ(vio.LastError(), "Socket error on read. WSAGetLastError return 10060($274C)");
}

TEST(TcpTransport, APeerThatClosesGivesAnEmptyReceiveWithoutErrorText)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    vio.Connect();
    listener.AcceptAndClose();
    std::uint8_t byte;
    EXPECT_EQ(vio.ReceiveSome(&byte, 1), 0u);
    EXPECT_EQ(vio.LastError(), "");
}

TEST(TcpTransport, WritingToADroppedConnectionFailsWithoutASignal)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    vio.Connect();
    listener.AcceptAndReset();
    std::vector<std::uint8_t> data(65536, 1);
    std::size_t sent = data.size();
    for (int i = 0; i < 50 && sent == data.size(); ++i) sent = vio.Write(data.data(), data.size());
    EXPECT_LT(sent, data.size());
    EXPECT_NE(vio.LastError().find("Socket error on write. WSAGetLastError return 1005"), std::string::npos)
        << vio.LastError();
}

TEST(TcpTransport, WriteOnAClosedTransportReturnsZeroAtOnce)
{
    TCRVioTcp vio("127.0.0.1", 3306);
    const std::uint8_t byte = 1;
    EXPECT_EQ(vio.Write(&byte, 1), 0u);
}

TEST(TcpTransport, WaitForDataSeesWaitingBytes)
{
    TLoopbackListener listener;
    TCRVioTcp vio("127.0.0.1", listener.Port());
    vio.Connect();
    EXPECT_FALSE(vio.WaitForData(0));
    listener.AcceptAndSend({1, 2, 3});
    EXPECT_TRUE(vio.WaitForData(5));
}

} // namespace
} // namespace tarrow
