#include "service/van.h"

#include "platform/Errors.h"
#include "service/EndpointConfig.h"
#include "tests/peers/HttpPeer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarrow {
namespace {

using test::THttpPeer;
using test::TPeerAnswer;

struct TProxyTest : ::testing::Test {
    test::TTempDir dir;
    THttpPeer peer;
    TOpcoesVanSoap opcoes;
    void SetUp() override
    {
        opcoes.ArquivoConf = dir.Write("Tarrow.conf", "[WebService]\r\nURL=" + peer.Url() + "\r\n");
    }
    TVanSoapRef Van() { return ObtemVanSoap(opcoes); }
    std::int32_t Vendas(const std::string& cnpj = "12.345.678/0001-95")
    {
        return Van()->inserir_vendas(123456789, cnpj, 3, 4567, "05/03/2024", "05/03/2024");
    }
};

// The element names directly under the request's wrapper, in order.
std::vector<std::string> ChildNames(const std::string& request, std::string_view operation)
{
    const std::string open = "<" + std::string(operation) + " xmlns=\"http://tempuri.org/\">";
    std::size_t at = request.find(open);
    if (at == std::string::npos) return {};
    at += open.size();
    std::vector<std::string> names;
    const std::string close = "</" + std::string(operation) + ">";
    while (request.compare(at, close.size(), close) != 0) {
        std::size_t end = request.find_first_of("/>", at + 1);
        std::string name = request.substr(at + 1, end - at - 1);
        names.push_back(name);
        if (request[end] == '/') {
            at = end + 2;
        } else {
            at = request.find("</" + name + ">", end) + name.size() + 3;
        }
    }
    return names;
}

TEST_F(TProxyTest, EveryOperationSendsItsWrapperItsParametersInOrderAndItsAction)
{
    const TDateTime dia = EncodeDate(2024, 3, 5);
    const std::vector<std::function<void(VanSoap&)>> calls = {
        [](VanSoap& v) { v.inserir_regioes(1, "Sul"); },
        [](VanSoap& v) { v.inserir_vendas(1, "c", 2, 3, "d", "h"); },
        [](VanSoap& v) {
            v.inserir_vendas_itens(1, "c", 2, 3, "d", "e", 4, "1.00", "18", "", "N", "L", "A");
        },
        [](VanSoap& v) {
            v.inserir_vendas_itens_V2(1, "c", 2, 3, "d", "e", 4, "1.00", "18", "", "N", "L", "A", "7");
        },
        [](VanSoap& v) {
            v.inserir_vendas_itens_V3(1, "c", 2, 3, "d", "e", 4, "1.00", "18", "", "N", "L", "A", "7", "V");
        },
        [](VanSoap& v) { v.inserir_secoes(1, "s"); },
        [](VanSoap& v) { v.inserir_grupos(1, "g"); },
        [](VanSoap& v) { v.inserir_subgrupos(1, "s"); },
        [](VanSoap& v) { v.inserir_tipos_fornecedores(1, "t"); },
        [](VanSoap& v) { v.inserir_fornecedores(1, "r", "n", "f", "e", 2, "SP", 0); },
        [](VanSoap& v) { v.inserir_produtos(1, "d", 2, 3, 4, "P"); },
        [](VanSoap& v) { v.inserir_produtos_vendas(1, 2, 9.99, 18.0); },
        [dia](VanSoap& v) { v.inserir_produtos_fornecedores(1, 2, 3, 4, "r", 1.5, 0.1, 18.0, 0.0, 6, dia); },
        [](VanSoap& v) { v.inserir_produtos_ean(1, "789"); },
        [dia](VanSoap& v) { v.inserir_mix(1, dia, 2, 3, dia + 30); },
        [](VanSoap& v) { v.inserir_mix_produtos(1, 2, 1.5, 0.1, 18.0, 0.0, 12); },
        [](VanSoap& v) { v.inserir_vendas_clientes(1, "f", "n"); },
        [](VanSoap& v) { v.inserir_crm(1, "SP", "123"); },
        [](VanSoap& v) { v.inserir_proprietarios(1, "n"); },
        [](VanSoap& v) { v.inserir_lojas(1, 2, 3, "SP"); },
        [](VanSoap& v) { v.pedido_compra("c"); },
        [](VanSoap& v) { v.pedido_parcela("c"); },
    };
    ASSERT_EQ(calls.size(), VanOperations().size());
    peer.SetDefaultAnswer(test::SoapResultOfRequest("0"));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const TSoapOperation& op = VanOperations()[i];
        calls[i](*Van());
        const test::TPeerRequest got = peer.LastRequest();
        EXPECT_EQ(got.Header("SOAPAction"), "\"http://tempuri.org/" + std::string(op.Name) + "\"");
        std::vector<std::string> expected;
        for (const TSoapParam& p : op.Params) expected.emplace_back(p.Name);
        EXPECT_EQ(ChildNames(got.Body, op.Name), expected) << op.Name;
    }
    EXPECT_EQ(peer.Connections(), 1) << "a fresh proxy per call, on one kept-alive connection";
    EXPECT_NE(peer.Requests()[14].Body.find("<data>2024-03-05T00:00:00.000</data>"), std::string::npos);
    EXPECT_NE(peer.Requests()[11].Body.find("<pmc>9.99</pmc><aliquota_icms>18</aliquota_icms>"),
              std::string::npos);
}

TEST_F(TProxyTest, AmpersandAndAccentedTextArriveIntactAndTheResultIsDecoded)
{
    peer.Answer(test::SoapResult("inserir_vendas", " 0 "));
    EXPECT_EQ(Vendas("Drogaria São João & Filhos"), 0);
    const std::string body = peer.LastRequest().Body;
    EXPECT_NE(
        body.find(
            "<cnpj_estabelecimento>Drogaria S\xC3\xA3o Jo\xC3\xA3o &amp; Filhos</cnpj_estabelecimento>"),
        std::string::npos)
        << body;

    peer.Answer(test::SoapResult("inserir_vendas", "3"));
    EXPECT_EQ(Vendas(), 3) << "any other value: refused";
}

TEST_F(TProxyTest, ASalesCallUnder500WithoutAFaultIsATransportErrorCarryingTheStatus)
{
    test::TPeerAnswer erro = test::SoapResult("inserir_vendas", "0");
    erro.Status = 500;
    erro.Reason = "Internal Server Error";
    peer.Answer(erro);
    try {
        Vendas();
        ADD_FAILURE() << "no error";
    } catch (const ESOAPHTTPException& e) {
        EXPECT_EQ(e.StatusCode(), 500);
        EXPECT_NE(e.Message().find("Internal Server Error (500)"), std::string::npos) << e.Message();
    }
    peer.Answer(test::SoapFault("soap:Server", "fora do ar"));
    EXPECT_THROW(Vendas(), ERemotableException) << "a fault stays the service's word";
}

TEST_F(TProxyTest, RecordOperationsHandTheCallerANewRecordOrNothing)
{
    TPeerAnswer pedido;
    pedido.Body =
        test::SoapEnvelope("<pedido_compraResponse xmlns=\"http://tempuri.org/\"><pedido_compraResult>"
                           "<pedido>77</pedido><quantidade>2</quantidade></pedido_compraResult>"
                           "</pedido_compraResponse>");
    peer.Answer(pedido);
    std::unique_ptr<retorno_pedido> compra = Van()->pedido_compra("c");
    ASSERT_TRUE(compra);
    EXPECT_EQ(compra->pedido, "77");
    EXPECT_EQ(compra->quantidade, "2");

    peer.Answer(test::SoapResult("pedido_parcela", ""));
    EXPECT_EQ(Van()->pedido_parcela("c"), nullptr);
}

TEST_F(TProxyTest, EachKindOfBadAnswerReachesTheCallerAsItsOwnError)
{
    peer.Answer(test::SoapFault("soap:Client", "CNPJ não cadastrado", "<detail>x</detail>"));
    try {
        Vendas();
        FAIL();
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.Message(), "CNPJ não cadastrado");
        EXPECT_EQ(e.FaultCode(), "soap:Client");
        EXPECT_EQ(e.FaultDetail(), "<detail>x</detail>");
    }

    TPeerAnswer malformed;
    malformed.Body = "<?xml version=\"1.0\"?>\n<soap:Envelope xmlns:soap=\"x\"><soap:Body>";
    peer.Answer(malformed);
    EXPECT_THROW(Vendas(), EDOMParseError);

    TPeerAnswer soap12;
    soap12.ContentType = "application/soap+xml; charset=utf-8";
    soap12.Body =
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body/></env:Envelope>";
    peer.Answer(soap12);
    try {
        Vendas();
        FAIL();
    } catch (const ESOAPDomConvertError& e) {
        EXPECT_EQ(e.Message(), "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, "
                               "http://www.w3.org/2003/05/soap-envelope:Envelope found");
    }

    TPeerAnswer header;
    header.Body = test::SoapEnvelope("<r>0</r>", "<Autenticacao xmlns=\"urn:van\" mustUnderstand=\"1\"/>");
    peer.Answer(header);
    try {
        Vendas();
        FAIL();
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.FaultCode(), "MustUnderstand");
        EXPECT_EQ(e.Message(),
                  "Soap header Autenticacao with attribute 'mustUnderstand' set to true was not handled");
    }

    TPeerAnswer emptyBody;
    emptyBody.Body = test::SoapEnvelope("");
    peer.Answer(emptyBody);
    EXPECT_THROW(Vendas(), ESOAPDomConvertError) << "an empty Body is no acceptance of a sale";

    peer.Answer(test::SoapResult("inserir_vendas", "abc"));
    EXPECT_THROW(Vendas(), EConvertError);

    TPeerAnswer html;
    html.Status = 503;
    html.Reason = "Service Unavailable";
    html.ContentType = "text/html";
    html.Body = "<html>manutenção</html>";
    peer.Answer(html);
    try {
        Vendas();
        FAIL();
    } catch (const ESOAPHTTPException& e) {
        EXPECT_EQ(e.StatusCode(), 503);
    }
}

}  // namespace
}  // namespace tarrow
