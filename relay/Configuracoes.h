#pragma once
// The start-up settings the management system's sistema_kesto.ini gives the programs: how to reach
// the store's database, and which branch to relay.

#include <cstdint>
#include <string>

namespace tarrow {

inline constexpr const char* kArquivoIni = "sistema_kesto.ini";
inline constexpr const char* kChaveSenha = "QXR";
inline constexpr const char* kSenhaPadraoCifrada = "7B02E95C11A4D3F0681E";
inline constexpr const char* kDatabasePadrao = "gerente";
inline constexpr const char* kUsuarioBanco = "root";

// The connection parameters the settings fill in; whatever they do not replace keeps the value
// the caller put there (the window's design). Texts are UTF-8: the file's single-byte code page
// is converted on reading.
struct TParametrosConexao {
    std::string Database;
    std::string Server;
    std::string Password;
    std::string Username = kUsuarioBanco;
};

// Reads sistema_kesto.ini from the given directory (which ends with a path separator) into the
// connection parameters and the branch number, in this order: database, server, password, branch.
// A password that does not decipher raises EConvertError there: database and server are already
// replaced, the password keeps the caller's value and the branch number stays as it was.
void LeConfiguracoes(const std::string& diretorio, TParametrosConexao& conexao, std::int32_t& codLogica);

}  // namespace tarrow
