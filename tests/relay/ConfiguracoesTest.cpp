#include "relay/Configuracoes.h"

#include "platform/Errors.h"
#include "relay/Funcoes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

using test::TTempDir;

// What the window's design carries before the settings are read.
TParametrosConexao Desenho()
{
    TParametrosConexao p;
    p.Database = "design-db";
    p.Server = "design-host";
    p.Password = "design-password";
    return p;
}

TEST(Configuracoes, WithoutTheFileEveryDefaultApplies)
{
    TTempDir dir;
    TParametrosConexao p = Desenho();
    std::int32_t filial = -1;
    LeConfiguracoes(dir.Path(), p, filial);
    EXPECT_EQ(p.Database, "gerente");
    EXPECT_EQ(p.Server, "");
    EXPECT_EQ(p.Username, "root");
    EXPECT_EQ(p.Password, "\u00D7\u00AF$\u00E3\u00EB\u00DC\u00CD?\u00E3");  // default ciphertext, as UTF-8
    EXPECT_EQ(filial, 0);
}

TEST(Configuracoes, ReadsDatabaseServerPasswordAndBranch)
{
    TTempDir dir;
    dir.Write("sistema_kesto.ini", "[ip]\r\ndatabase=loja\r\nlocal=127.0.0.2\r\nsenha=" +
                                       Cripto("E", "segredo", "QXR") + "\r\n[FilialMatriz]\r\nCodLogica=12\r\n");
    TParametrosConexao p = Desenho();
    std::int32_t filial = 0;
    LeConfiguracoes(dir.Path(), p, filial);
    EXPECT_EQ(p.Database, "loja");
    EXPECT_EQ(p.Server, "127.0.0.2");
    EXPECT_EQ(p.Password, "segredo");
    EXPECT_EQ(p.Username, "root");
    EXPECT_EQ(filial, 12);
}

TEST(Configuracoes, BranchNumberIsDecimalOrHexadecimalElseZero)
{
    for (const auto& [text, expected] : {std::pair{"12", 12}, {"0x0C", 12}, {"doze", 0}, {"", 0}}) {
        TTempDir dir;
        dir.Write("sistema_kesto.ini", std::string("[filialmatriz]\ncodlogica=") + text + "\n");
        TParametrosConexao p;
        std::int32_t filial = 99;
        LeConfiguracoes(dir.Path(), p, filial);
        EXPECT_EQ(filial, expected) << text;
    }
}

TEST(Configuracoes, AnEmptyPasswordValueFailsNamingTheKeyAndTheFileInsteadOfFallingBackToTheDefault)
{
    TTempDir dir;
    dir.Write("sistema_kesto.ini", "[ip]\ndatabase=loja\nlocal=servidor\nsenha=\n[FilialMatriz]\nCodLogica=7\n");
    TParametrosConexao p = Desenho();
    std::int32_t filial = 0;
    try {
        LeConfiguracoes(dir.Path(), p, filial);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message().rfind("A chave senha de [ip] em " + dir.Path() + "sistema_kesto.ini", 0), 0u)
            << e.Message();
    }
    EXPECT_EQ(p.Database, "loja");
    EXPECT_EQ(p.Server, "servidor");
    EXPECT_EQ(p.Password, "design-password");
    EXPECT_EQ(filial, 0);
}

TEST(Configuracoes, SingleByteTextsOfTheFileBecomeUtf8)
{
    TTempDir dir;
    dir.Write("sistema_kesto.ini", "[ip]\ndatabase=farm\xE1" "cia\nsenha=" + Cripto("E", "a\xE7\xFA" "car", "QXR") + "\n");
    TParametrosConexao p;
    std::int32_t filial = 0;
    LeConfiguracoes(dir.Path(), p, filial);
    EXPECT_EQ(p.Database, "farmácia");
    EXPECT_EQ(p.Password, "açúcar");
}

}  // namespace
}  // namespace tarrow
