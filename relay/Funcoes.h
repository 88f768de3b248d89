#pragma once
// Small routines the start-up and the runs share: the stored-password cipher, the connectivity
// check, the program's version text and the CNPJ layout.

#include <cstdint>
#include <string>

namespace tarrow {

// The stored-password cipher. Mode "E" enciphers, "D" deciphers (exact, case-sensitive); any other
// mode gives the empty text. Works on bytes of the single-byte code page. Deciphering raises
// EConvertError for a pair that is not hexadecimal; an empty key raises Exception.
std::string Cripto(const std::string& modo, const std::string& texto, const std::string& chave);

// True when a TCP connection to host on the given port (80 unless a test picks another) could be
// opened; any failure, name resolution included, gives false.
bool TemInternet(const std::string& host, std::uint16_t porta = 80);

// "major.minor.release.build" of a program file's version; the empty path means the running
// program. A file without a version gives the empty text.
std::string VersaoArquivo(const std::string& arquivo);

// The text read as a decimal number (regional decimal separator, blanks around it allowed, a
// fraction rounded half away from zero, exactly from its digits) and written as
// 00.000.000/0000-00; the empty text gives the empty text. Raises EConvertError for text that is
// not a number.
std::string FormataCNPJ(const std::string& texto);

// The public web host the start-up's connectivity check tries. A store whose firewall blocks it
// names another in the environment variable TARROW_INTERNET_HOST; tests set one in process.
inline constexpr const char* kHostInternetPadrao = "www.example.com";
std::string HostTesteInternet();
void DefineHostTesteInternet(std::string host);

}  // namespace tarrow
