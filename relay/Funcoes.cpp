#include "relay/Funcoes.h"

#include "platform/Errors.h"
#include "platform/ProgramDir.h"
#include "platform/RegionalSettings.h"
#include "platform/TcpProbe.h"
#include "platform/VersionInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>

namespace tarrow {

namespace {

std::mutex g_hostMutex;
std::optional<std::string> g_hostInternet;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One value of the ciphertext: one or two hexadecimal digits.
int ReadHexPair(const std::string& texto, std::size_t offset)
{
    const std::string pair = offset < texto.size() ? texto.substr(offset, 2) : std::string();
    int value = 0;
    for (char c : pair) {
        const int digit = HexDigit(c);
        if (digit < 0) value = -1;
        if (value < 0) break;
        value = value * 16 + digit;
    }
    if (pair.empty() || value < 0) throw EConvertError("'" + pair + "' is not a valid integer value");
    return value;
}

// The key position: 1, 2, ..., L, 1, 2, ... one step before every use.
class TKeyCycle {
public:
    explicit TKeyCycle(const std::string& chave) : chave_(chave) {}
    unsigned char Next()
    {
        k_ = k_ < chave_.size() ? k_ + 1 : 1;
        return static_cast<unsigned char>(chave_[k_ - 1]);
    }

private:
    const std::string& chave_;
    std::size_t k_ = 0;
};

std::string Hex2(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", value & 0xFF);
    return buffer;
}

std::string Encipher(const std::string& texto, const std::string& chave)
{
    // A new random seed on every call, so the same password never reads the same twice.
    std::random_device device;
    const unsigned seed = std::uniform_int_distribution<unsigned>(0, 255)(device);
    std::string out = Hex2(seed);
    unsigned prev = seed;
    TKeyCycle key(chave);
    for (char c : texto) {
        unsigned v = (prev + static_cast<unsigned char>(c)) % 255;  // 255, not 256: the stored format
        v ^= key.Next();
        out += Hex2(v);
        prev = v;
    }
    return out;
}

std::string Decipher(const std::string& texto, const std::string& chave)
{
    int prev = ReadHexPair(texto, 0);
    std::size_t pos = 3;  // character position, from 1
    TKeyCycle key(chave);
    std::string out;
    do {
        const int cur = ReadHexPair(texto, pos - 1);
        const int t = key.Next() ^ cur;
        out += static_cast<char>(prev < t ? t - prev : t + 255 - prev);
        prev = cur;
        pos += 2;
    } while (texto.size() > pos);
    return out;
}

// A decimal number as the regional settings write it (blanks, sign, digits with at most one
// decimal separator, optional exponent, blanks), kept as its digits: the value is Digitos times ten
// to the power Expoente. A store's number never goes through floating point.
struct TDecimal {
    bool Negativo = false;
    std::string Digitos;
    long long Expoente = 0;
};

std::optional<TDecimal> ParseDecimal(const std::string& texto)
{
    const char sep = FormatSettings().DecimalSeparator;
    std::size_t i = 0;
    const std::size_t n = texto.size();
    const auto digito = [&] { return i < n && std::isdigit(static_cast<unsigned char>(texto[i])); };
    while (i < n && texto[i] == ' ') ++i;
    TDecimal numero;
    if (i < n && (texto[i] == '+' || texto[i] == '-')) numero.Negativo = texto[i++] == '-';
    while (digito()) numero.Digitos += texto[i++];
    long long casas = 0;
    if (i < n && texto[i] == sep) {
        ++i;
        while (digito()) numero.Digitos += texto[i++], ++casas;
    }
    if (numero.Digitos.empty()) return std::nullopt;
    long long expoente = 0;
    if (i < n && (texto[i] == 'e' || texto[i] == 'E')) {
        ++i;
        bool negativo = false;
        if (i < n && (texto[i] == '+' || texto[i] == '-')) negativo = texto[i++] == '-';
        if (!digito()) return std::nullopt;
        // Held at a bound far past any number the result could write; only its side matters then.
        while (digito()) expoente = std::min(expoente * 10 + (texto[i++] - '0'), 1000000LL);
        if (negativo) expoente = -expoente;
    }
    while (i < n && texto[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    numero.Expoente = expoente - casas;
    return numero;
}

// The decimal digits plus one.
void Incrementa(std::string& digitos)
{
    for (auto c = digitos.rbegin(); c != digitos.rend(); ++c) {
        if (*c != '9') {
            ++*c;
            return;
        }
        *c = '0';
    }
    digitos.insert(digitos.begin(), '1');
}

}  // namespace

std::string Cripto(const std::string& modo, const std::string& texto, const std::string& chave)
{
    if (modo != "E" && modo != "D") return {};
    if (chave.empty()) throw Exception("Cripto: the key must not be empty");
    return modo == "E" ? Encipher(texto, chave) : Decipher(texto, chave);
}

bool TemInternet(const std::string& host, std::uint16_t porta)
{
    try {
        return TcpCanConnect(host, porta);
    } catch (...) {
        return false;
    }
}

std::string VersaoArquivo(const std::string& arquivo)
{
    const auto version = ReadFileVersion(arquivo.empty() ? ProgramFilePath() : arquivo);
    if (!version) return {};
    return std::to_string((*version)[0]) + "." + std::to_string((*version)[1]) + "." +
           std::to_string((*version)[2]) + "." + std::to_string((*version)[3]);
}

std::string FormataCNPJ(const std::string& texto)
{
    if (texto.empty()) return {};
    // The widest number the floating-point reading of old took: anything wider was no number.
    constexpr long long kMaisLargo = 4933;
    auto numero = ParseDecimal(texto);
    if (numero) {
        std::string& d = numero->Digitos;
        d.erase(0, std::min(d.find_first_not_of('0'), d.size()));
    }
    if (!numero || (!numero->Digitos.empty() &&
                    static_cast<long long>(numero->Digitos.size()) + numero->Expoente > kMaisLargo))
        throw EConvertError("'" + texto + "' is not a valid floating point value");
    std::string& digitos = numero->Digitos;

    if (numero->Expoente >= 0) {
        if (!digitos.empty()) digitos.append(static_cast<std::size_t>(numero->Expoente), '0');
    } else {
        // Half away from zero: the first dropped digit decides.
        const std::size_t casas =
            static_cast<std::size_t>(std::min<long long>(-numero->Expoente, kMaisLargo + 1));
        const bool arredondaParaCima = casas <= digitos.size() && digitos[digitos.size() - casas] >= '5';
        digitos.erase(digitos.size() - std::min(casas, digitos.size()));
        if (arredondaParaCima) Incrementa(digitos);
    }
    const bool negativo = numero->Negativo && !digitos.empty();
    if (digitos.size() < 14) digitos.insert(0, 14 - digitos.size(), '0');
    // Digits beyond fourteen stay in front of the first group.
    const std::size_t lead = digitos.size() - 12;
    std::string out = negativo ? "-" : "";
    out += digitos.substr(0, lead) + "." + digitos.substr(lead, 3) + "." + digitos.substr(lead + 3, 3) + "/" +
           digitos.substr(lead + 6, 4) + "-" + digitos.substr(lead + 10, 2);
    return out;
}

std::string HostTesteInternet()
{
    std::lock_guard lock(g_hostMutex);
    if (g_hostInternet) return *g_hostInternet;
    if (const char* env = std::getenv("TARROW_INTERNET_HOST"); env != nullptr && *env != '\0') return env;
    return kHostInternetPadrao;
}

void DefineHostTesteInternet(std::string host)
{
    std::lock_guard lock(g_hostMutex);
    g_hostInternet = std::move(host);
}

}  // namespace tarrow
