#include "service/SoapEncoder.h"

#include "platform/RegionalSettings.h"
#include "service/van.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace tarrow {
namespace {

std::string Encode(TVanOperation operation, std::vector<TSoapValue> arguments)
{
    return EncodeSoapRequest(VanOperation(operation), arguments, ServiceNamespace);
}

const std::string kFrameStart =
    "<?xml version=\"1.0\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
    "<SOAP-ENV:Body>";
const std::string kFrameEnd = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

TEST(SoapEncoder, InserirVendasRequestIsExactlyTheseBytes)
{
    const std::string request =
        Encode(TVanOperation::inserir_vendas, {123456789, std::string("12.345.678/0001-95"), 3, 4567,
                                               std::string("05/03/2024"), std::string("05/03/2024")});
    EXPECT_EQ(request, kFrameStart +
                           "<inserir_vendas xmlns=\"http://tempuri.org/\">"
                           "<registro>123456789</registro>"
                           "<cnpj_estabelecimento>12.345.678/0001-95</cnpj_estabelecimento>"
                           "<maquina>3</maquina><cupom>4567</cupom>"
                           "<data_movimento>05/03/2024</data_movimento><data_hora>05/03/2024</data_hora>"
                           "</inserir_vendas>" +
                           kFrameEnd);
}

TEST(SoapEncoder, ItemCallWritesAllFifteenParametersInOrderEvenEmptyOnes)
{
    const std::string request =
        Encode(TVanOperation::inserir_vendas_itens_V3,
               {234567890, std::string("00.000.000/0001-91"), 1, 2, std::string("05/03/2024"),
                std::string("7891234567895"), -1, std::string("12.50"), std::string("18"), std::string(),
                std::string("N"), std::string("L"), std::string("A"), std::string("0"), std::string("D")});
    EXPECT_EQ(request, kFrameStart +
                           "<inserir_vendas_itens_V3 xmlns=\"http://tempuri.org/\">"
                           "<registro>234567890</registro><cnpj_estabelecimento>00.000.000/0001-91"
                           "</cnpj_estabelecimento><maquina>1</maquina><registro_item>2</registro_item>"
                           "<data_movimento>05/03/2024</data_movimento><ean>7891234567895</ean>"
                           "<quantidade>-1</quantidade><total_liquido>12.50</total_liquido>"
                           "<aliquota_icms>18</aliquota_icms><estoque/><pendencia>N</pendencia>"
                           "<linha>L</linha><curva>A</curva><vendedor>0</vendedor><tipo>D</tipo>"
                           "</inserir_vendas_itens_V3>" +
                           kFrameEnd);
}

TEST(SoapEncoder, ReservedCharactersAreEscapedAndAccentedTextIsUtf8WithoutMark)
{
    const std::string request =
        Encode(TVanOperation::inserir_regioes, {0, std::string("Farmácia A&B <Ação> \"São\" 'J'")});
    EXPECT_NE(request.find("<regiao>0</regiao>"), std::string::npos);
    EXPECT_NE(request.find("<descricao>Farm\xC3\xA1"
                           "cia A&amp;B &lt;A\xC3\xA7\xC3\xA3o&gt; \"S\xC3\xA3o\" 'J'</descricao>"),
              std::string::npos)
        << request;
    EXPECT_EQ(request.rfind("<?xml version=\"1.0\"?>", 0), 0u) << "no byte-order mark, no encoding name";
    EXPECT_EQ(request.find("encoding"), std::string::npos);
    EXPECT_EQ(request.find("&#"), std::string::npos) << "characters travel as UTF-8, not as references";

    // A carriage return is written as a reference, so the peer's line-end normalisation keeps it.
    EXPECT_NE(Encode(TVanOperation::inserir_regioes, {1, std::string("a\r\nb\tc")}).find("<descricao>a&#13;\nb\tc</descricao>"),
              std::string::npos);
}

TEST(SoapEncoder, NoTypeAttributesHeaderOrEncodingStyleAnywhere)
{
    for (const TSoapOperation& op : VanOperations()) {
        std::vector<TSoapValue> args;
        for (const TSoapParam& p : op.Params) {
            switch (p.Type) {
            case TSoapType::Int:
                args.emplace_back(1);
                break;
            case TSoapType::Text:
                args.emplace_back(std::string("t"));
                break;
            case TSoapType::Double:
                args.emplace_back(1.5);
                break;
            case TSoapType::DateTime:
                args.emplace_back(TSoapDateTime{45356.5});
                break;
            }
        }
        const std::string request = EncodeSoapRequest(op, args, ServiceNamespace);
        EXPECT_EQ(request.find("xsi:type"), std::string::npos) << op.Name;
        EXPECT_EQ(request.find("Header"), std::string::npos) << op.Name;
        EXPECT_EQ(request.find("encodingStyle"), std::string::npos) << op.Name;
        EXPECT_EQ(request.find("soap/encoding"), std::string::npos) << op.Name;
        EXPECT_EQ(request.find('\n'), std::string::npos) << op.Name;
        // Appended piece by piece: GCC 12 at -O3 reports a false overlap (-Wrestrict) for
        // "literal" + std::string.
        std::string opening = "<";
        opening += op.Name;
        opening += " xmlns=\"http://tempuri.org/\">";
        EXPECT_NE(request.find(opening), std::string::npos);
    }
}

TEST(SoapEncoder, DoublesUseAGeneralFormatWithPointAndSpecialValues)
{
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    TScopedFormatSettings regional(comma);
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {1.5, "1.5"},
        {-0.25, "-0.25"},
        {18.0, "18"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15"},
        {1e20, "1E20"},
        {2.5e-7, "2.5E-7"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const auto& c : cases) EXPECT_EQ(SoapDoubleText(c.value), c.text) << c.text;
}

TEST(SoapEncoder, IntsAndDateTimesHaveOneSpelling)
{
    EXPECT_EQ(SoapIntText(0), "0");
    EXPECT_EQ(SoapIntText(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(SoapIntText(2147483647), "2147483647");
    EXPECT_EQ(SoapDateTimeText(EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 15, 250)),
              "2024-03-05T14:30:15.250");
    EXPECT_EQ(SoapDateTimeText(EncodeDate(1899, 12, 30)), "1899-12-30T00:00:00.000");
}

TEST(SoapEncoder, ArgumentsThatDoNotMatchTheOperationAreAProgrammingError)
{
    EXPECT_THROW(Encode(TVanOperation::inserir_regioes, {1}), std::invalid_argument);
    EXPECT_THROW(Encode(TVanOperation::inserir_regioes, {std::string("1"), std::string("x")}),
                 std::invalid_argument);
}

TEST(SoapAction, NamespaceFollowedByTheOperationNameReplacedOnceAndCaseSensitively)
{
    const TVanSoapRegistration registration = RegistroVanSoap();
    EXPECT_EQ(SoapActionFor(registration.SoapActionTemplate, "inserir_vendas_itens_V3"),
              "http://tempuri.org/inserir_vendas_itens_V3");
    EXPECT_EQ(SoapActionFor("a%operationName%b%operationName%", "op"), "aopb%operationName%");
    EXPECT_EQ(SoapActionFor("a%OperationName%", "op"), "a%OperationName%");
}

}  // namespace
}  // namespace tarrow
