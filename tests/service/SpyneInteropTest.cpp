// Our requests against a document/literal service built with a third-party SOAP library, which
// validates them against its own schema before it decodes them.

#include "service/van.h"

#include "platform/Errors.h"
#include "tests/peers/SpynePeer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

struct TSpyneInteropTest : ::testing::Test {
    test::TSpynePeer spyne;
    test::TTempDir dir;
    TOpcoesVanSoap opcoes = OpcoesVanSoapManual();
    void SetUp() override
    {
        opcoes.ArquivoConf = dir.Write("Tarrow.conf", "[WebService]\r\nURL=" + spyne.Url() + "\r\n");
    }
};

TEST_F(TSpyneInteropTest, SaleHeaderIsDecodedWithItsValuesAndTheAnswerWithOurs)
{
    TVanSoapRef van = ObtemVanSoap(opcoes);
    EXPECT_EQ(van->inserir_vendas(234567890, "Farmácia São José & Cia <Ltda>", 3, 4567, "05/03/2024", ""),
              890 + 3 + 4567);
    EXPECT_EQ(spyne.NextCall(), (std::vector<std::string>{
                                    "CALL inserir_vendas", "registro=234567890",
                                    "cnpj_estabelecimento=\"Farmácia São José & Cia <Ltda>\"", "maquina=3",
                                    "cupom=4567", "data_movimento=\"05/03/2024\"", "data_hora=\"\""}));
}

TEST_F(TSpyneInteropTest, SaleLineIsDecodedWithAllFifteenValues)
{
    TVanSoapRef van = ObtemVanSoap(opcoes);
    EXPECT_EQ(van->inserir_vendas_itens_V3(2147483647, "00.000.000/0001-91", 1, 2, "05/03/2024",
                                           "7891234567895", -3, "12.50", "18,00", "", "N", "Genérico", "A",
                                           "Zé", "D"),
              2 * 100 - 3);
    EXPECT_EQ(spyne.NextCall(),
              (std::vector<std::string>{
                  "CALL inserir_vendas_itens_V3", "registro=2147483647",
                  "cnpj_estabelecimento=\"00.000.000/0001-91\"", "maquina=1", "registro_item=2",
                  "data_movimento=\"05/03/2024\"", "ean=\"7891234567895\"", "quantidade=-3",
                  "total_liquido=\"12.50\"", "aliquota_icms=\"18,00\"", "estoque=\"\"", "pendencia=\"N\"",
                  "linha=\"Genérico\"", "curva=\"A\"", "vendedor=\"Zé\"", "tipo=\"D\""}));
}

TEST_F(TSpyneInteropTest, ItsFaultsBecomeRemoteErrors)
{
    TVanSoapRef van = ObtemVanSoap(opcoes);
    try {
        van->inserir_vendas(1, "FAULT", 1, 1, "05/03/2024", "05/03/2024");
        FAIL() << "no error";
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.Message(), "Venda recusada: código inválido");
        EXPECT_NE(e.FaultCode().find("Client.Recusado"), std::string::npos) << e.FaultCode();
    }
}

}  // namespace
}  // namespace tarrow
