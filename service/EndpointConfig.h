#pragma once
// Where the web service lives: Tarrow.conf beside the program, section "WebService", key "URL",
// with a built-in default written there when the key reads as empty.

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

// The configured address; when it reads as empty (file, section or key absent, or no value) the
// default is written into the file, other content untouched, and returned. Raises
// EIniFileException "Unable to write to <file>" when that write fails.
std::string LeEnderecoServico(const std::string& arquivoConf);

}  // namespace tarrow
