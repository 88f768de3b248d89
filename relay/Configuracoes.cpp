#include "relay/Configuracoes.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "relay/Funcoes.h"

namespace tarrow {

void LeConfiguracoes(const std::string& diretorio, TParametrosConexao& conexao, std::int32_t& codLogica)
{
    const TIniFile ini(diretorio + kArquivoIni);
    conexao.Database = Cp1252ToUtf8(ini.ReadString("ip", "database", kDatabasePadrao));
    conexao.Server = Cp1252ToUtf8(ini.ReadString("ip", "local", ""));
    try {
        conexao.Password =
            Cp1252ToUtf8(Cripto("D", ini.ReadString("ip", "senha", kSenhaPadraoCifrada), kChaveSenha));
    } catch (const EConvertError& e) {
        // The cipher's own reason names only two characters; the store has to know where to look.
        throw EConvertError(
            "A chave senha de [ip] em " + diretorio + kArquivoIni +
            " não é uma senha cifrada (pares de dígitos hexadecimais, de tarrow-send --cifra-senha): " +
            e.Message());
    }
    codLogica = ini.ReadInteger("FilialMatriz", "CodLogica", 0);
}

}  // namespace tarrow
