#pragma once
// Where the web service lives: Tarrow.conf beside the program, section "WebService", key "URL",
// with a built-in default written there when the key reads as empty; and, for an https address,
// how its certificate is checked (keys "CertificadoCA" and "VerificarCertificado"); and, in a
// section "Proxy" of its own, the proxy the calls go through.

#include "service/HttpRules.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarrow {

// The service operator's address. A deployment names another in the environment variable
// TARROW_SERVICE_URL; tests set one in process so that nothing ever reaches the real host.
inline constexpr std::string_view kEnderecoPadraoServico =
    "http://www.example.com/parceiros/orvane/van/van.asmx";
std::string EnderecoPadraoServico();
// An empty address restores the environment's or the built-in one.
void DefineEnderecoPadraoServico(std::string endereco);

// Full name of Tarrow.conf in the program's directory.
std::string ArquivoTarrowConf();

struct TConfiguracaoServico {
    std::string Endereco;
    TCertificateCheck Certificados;
    THttpProxy Proxy;
};

// Turns the stored ProxySenha into the password: the relay's cipher, which this layer does not own.
using TDecifraSenha = std::function<std::string(const std::string& cifrada)>;

// The configured address; when it reads as empty (file, section or key absent, or no value) the
// default is written into the file, other content untouched, and used. Raises EIniFileException
// "Unable to write to <file>" when that write fails. Only an https address reads the certificate
// keys: "CertificadoCA=<file>" names PEM certificates to trust instead of the system's (a relative
// name is taken from the file's own folder), "VerificarCertificado=0" switches the checks off.
// Section "Proxy": "Proxy=host:port" sends every call through that proxy, with "ProxyUsuario" and
// the enciphered "ProxySenha" as its credentials when given, and straight to the hosts of
// "SemProxy". Without "Proxy" the system's own settings apply and the other keys are not read.
// A ProxySenha that does not decipher (or no decifra to do it) raises the cipher's error. Nothing
// is ever written for these keys.
TConfiguracaoServico LeConfiguracaoServico(const std::string& arquivoConf, const TDecifraSenha& decifra = {});

}  // namespace tarrow
