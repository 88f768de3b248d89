#include "relay/Configuracoes.h"

#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "relay/Funcoes.h"

namespace tarrow {

void LeConfiguracoes(const std::string& diretorio, TParametrosConexao& conexao, std::int32_t& codLogica)
{
    const TIniFile ini(diretorio + kArquivoIni);
    conexao.Database = Cp1252ToUtf8(ini.ReadString("ip", "database", kDatabasePadrao));
    conexao.Server = Cp1252ToUtf8(ini.ReadString("ip", "local", ""));
    conexao.Password = Cp1252ToUtf8(Cripto("D", ini.ReadString("ip", "senha", kSenhaPadraoCifrada), kChaveSenha));
    codLogica = ini.ReadInteger("FilialMatriz", "CodLogica", 0);
}

}  // namespace tarrow
