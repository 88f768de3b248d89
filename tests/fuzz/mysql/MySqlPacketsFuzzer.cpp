// Bytes from the wire, as a hostile or broken server could send them: every parser and the whole
// client conversation must raise a protocol error for malformed input, never crash or read beyond
// a packet. The first byte chooses what reads the rest.

#include "mysql/MySqlApiDirect.h"
#include "mysql/MySqlLogin.h"
#include "mysql/MySqlNet.h"
#include "mysql/MySqlPackets.h"
#include "tests/mysql/MemoryVio.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tarrow {
namespace {

enum class TTarget : std::uint8_t {
    Greeting,
    Ok,
    Error,
    Column,
    Row,
    PlainStream,
    CompressedStream,
    Conversation,
    Count
};

std::size_t Touch(const TMySqlBinds& binds)
{
    std::size_t sum = 0;
    for (const auto& bind : binds.Binds)
        for (std::uint32_t i = 0; i < bind.Length; ++i) sum += binds.Row[bind.Offset + i];
    return sum;
}

void ReadStream(std::span<const std::uint8_t> bytes, bool compressed)
{
    TMySqlNet net;
    auto vio = std::make_unique<test::TMemoryVio>();
    vio->input.assign(bytes.begin(), bytes.end());
    net.AttachTransport(std::move(vio));
    // Small enough for an input to join packets beyond it, large enough for one maximal packet.
    net.SetMaxPacketSize(TMySqlNet::kMaxPacketLength + 4096);
    net.SetCompress(compressed);
    net.NewCommand();
    for (int i = 0; i < 64; ++i) {
        switch (i % 4) {
        case 0:
            net.ReadPacket();
            net.ReadLengthCoded();
            net.ReadZString();
            break;
        case 1:
            net.ReceiveBuffer();
            break;
        case 2: {
            std::uint8_t first = 0;
            net.DrainPacket(7, true, first);
            break;
        }
        default:
            net.ReadPacket();
            net.CheckServerError();
            net.ReadInt64();
            break;
        }
    }
}

void Converse(std::span<const std::uint8_t> bytes)
{
    TMySQLAPIDirect& api = MySQLAPIDirect();
    TMySqlSessionPtr session(api.mysql_init());
    auto vio = std::make_unique<test::TMemoryVio>();
    vio->input.assign(bytes.begin(), bytes.end());
    session->Net().AttachTransport(std::move(vio));
    // A protocol without a transport of its own keeps the one attached.
    const std::uint8_t protocol = 7;
    api.mysql_options(session.get(), kMySqlOptProtocol, &protocol);
    // Local loads stay off, as in the programs: a request is refused without opening any file.
    if (api.mysql_real_connect(session.get(), "fuzz", "root", "segredo", "gerente", 0, "", 0x10022) ==
        nullptr)
        return;
    for (int statement = 0; statement < 4; ++statement) {
        try {
            if (api.mysql_real_query(session.get(), "select 1") != 0 &&
                api.mysql_errno(session.get()) == 2013)
                return;
        } catch (const ELocalInfileError&) {
        }
        do {
            TMySqlResultPtr result(api.mysql_use_result(session.get()));
            if (!result) continue;
            for (std::size_t i = 0; i < result->ColumnCount(); ++i)
                api.ColumnDescription(result.get(), i, true);
            while (TMySqlBinds* row = api.mysql_fetch_row(result.get())) {
                Touch(*row);
                std::vector<std::uint32_t> lengths;
                api.RowLengths(result.get(), lengths);
            }
        } while (api.mysql_next_result(session.get()) == 0);
    }
}

} // namespace
} // namespace tarrow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tarrow;
    if (size == 0) return 0;
    const auto target = static_cast<TTarget>(data[0] % static_cast<std::uint8_t>(TTarget::Count));
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    try {
        switch (target) {
        case TTarget::Greeting: {
            const TGreeting greeting = ParseGreeting(rest);
            TLoginRequest request;
            request.ServerCapabilities = greeting.ServerCapabilities;
            request.ClientFlags = ComputeClientFlags(0x10002, 0, greeting.ServerCapabilities, 0);
            request.Scramble = greeting.Scramble;
            request.FullScramble = greeting.FullScramble;
            request.User = "root";
            request.Password = "segredo";
            BuildLoginPacket(request);
            break;
        }
        case TTarget::Ok:
            ParseOkPacket(rest, true, true);
            ParseOkPacket(rest, false, false);
            break;
        case TTarget::Error:
            ParseEndPacket(rest);
            ServerError(rest);
            break;
        case TTarget::Column:
            try {
                ParseFieldInfo(rest, true, true);
            } catch (const EMySqlException&) {
            }
            try {
                ParseFieldInfo(rest, false, true);
            } catch (const EMySqlException&) {
            }
            ParseFieldInfo(rest, false, false);
            break;
        case TTarget::Row: {
            if (rest.empty()) break;
            TMySqlBinds binds;
            ParseRow(rest.subspan(1), rest[0] % 64, binds);
            Touch(binds);
            break;
        }
        case TTarget::PlainStream:
            ReadStream(rest, false);
            break;
        case TTarget::CompressedStream:
            ReadStream(rest, true);
            break;
        case TTarget::Conversation:
        case TTarget::Count:
            Converse(rest);
            break;
        }
    } catch (const EMySqlException&) {
    } catch (const EArgumentException&) {
    }
    return 0;
}
