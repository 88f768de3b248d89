#include "service/SoapDecoder.h"

#include "platform/Errors.h"
#include "tests/support/Wine.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow {
namespace {

const std::string kSoap11 = "http://schemas.xmlsoap.org/soap/envelope/";
const std::string kXsi = "http://www.w3.org/2001/XMLSchema-instance";

std::string Envelope(const std::string& inside)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"" + kSoap11 +
           "\" xmlns:xsi=\"" + kXsi + "\">" + inside + "</soap:Envelope>";
}

std::string Body(const std::string& inside)
{
    return Envelope("<soap:Body>" + inside + "</soap:Body>");
}

std::string Wrapper(const std::string& inside)
{
    return Body("<inserir_vendasResponse xmlns=\"http://tempuri.org/\">" + inside +
                "</inserir_vendasResponse>");
}

template <typename E> std::string MessageOf(const std::string& body)
{
    try {
        DecodeIntResponse(body);
    } catch (const E& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return std::string("wrong error: ") + e.what();
    }
    return "no error";
}

TEST(SoapDecoderResult, TheOnlyChildIsTheResultWhateverItsName)
{
    const struct {
        const char* name;
        std::string body;
        std::int32_t expected;
    } cases[] = {
        {"asmx naming", Wrapper("<inserir_vendasResult>0</inserir_vendasResult>"), 0},
        {"any name", Wrapper("<qualquer>42</qualquer>"), 42},
        {"blanks around", Wrapper("<r> 7 </r>"), 7},
        {"line ends around", Wrapper("<r>\r\n\t-3\n</r>"), -3},
        {"plus sign", Wrapper("<r>+12</r>"), 12},
        {"largest", Wrapper("<r>2147483647</r>"), 2147483647},
        {"smallest", Wrapper("<r>-2147483648</r>"), -2147483647 - 1},
        {"prefixed, other namespace", Body("<t:x xmlns:t=\"urn:t\"><t:y>5</t:y></t:x>"), 5},
        {"whitespace between elements", Wrapper("\n  <r>9</r>\n"), 9},
        {"text in a child element", Wrapper("<r><v>11</v></r>"), 11},
        {"two children, one Result", Wrapper("<a>1</a><Result>8</Result>"), 8},
        {"two children, RESULT in capitals", Wrapper("<a>1</a><RESULT>6</RESULT>"), 6},
        {"two children, return in lower case", Wrapper("<a>1</a><return>4</return><Result>3</Result>"), 4},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeIntResponse(c.body), c.expected) << c.name;
}

TEST(SoapDecoderResult, NullAndEmptyResultsAndBodiesGiveZero)
{
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"empty Body", Body("")},
        {"Body with only text", Body("   texto  ")},
        {"self-closing Body", Envelope("<soap:Body/>")},
        {"result without content", Wrapper("<r/>")},
        {"result marked nil", Wrapper("<r xsi:nil=\"true\">12</r>")},
        {"nil in capitals", Wrapper("<r xsi:nil=\"TRUE\">12</r>")},
        {"nil as 1", Wrapper("<r xsi:nil=\"1\">12</r>")},
        {"NULL attribute", Wrapper("<r xsi:NULL=\"true\">12</r>")},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeIntResponse(c.body), 0) << c.name;

    // A nil outside the schema-instance namespace, or nil false, does not make the value null.
    EXPECT_EQ(DecodeIntResponse(Wrapper("<r nil=\"true\">12</r>")), 12);
    EXPECT_EQ(DecodeIntResponse(Wrapper("<r xsi:nil=\"false\">12</r>")), 12);
    // An empty result that refers elsewhere is not null, and its empty text is no number.
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r href=\"#id1\"/>")), "'' is not a valid integer value");
}

TEST(SoapDecoderAcceptance, OnlyTheOperationsOwnAnswerHoldingANumberCounts)
{
    EXPECT_EQ(DecodeAcceptanceResponse(Wrapper("<inserir_vendasResult> 0 </inserir_vendasResult>"), "inserir_vendas"), 0);
    EXPECT_EQ(DecodeAcceptanceResponse(Wrapper("<r>1</r>"), "inserir_vendas"), 1);
    EXPECT_EQ(DecodeAcceptanceResponse(Body("<t:inserir_vendasResponse xmlns:t=\"urn:t\"><t:r>0</t:r>"
                                            "</t:inserir_vendasResponse>"),
                                       "inserir_vendas"),
              0)
        << "the namespace is not checked";

    // What DecodeIntResponse reads as 0 is no acceptance here.
    const struct {
        const char* name;
        std::string body;
    } malformed[] = {
        {"empty Body", Body("")},
        {"self-closing Body", Envelope("<soap:Body/>")},
        {"empty result", Wrapper("<inserir_vendasResult></inserir_vendasResult>")},
        {"blank result", Wrapper("<r>  </r>")},
        {"nil result", Wrapper("<r xsi:nil=\"true\">0</r>")},
        {"another operation's wrapper", Body("<inserir_secoesResponse><r>0</r></inserir_secoesResponse>")},
        {"no result element", Wrapper("<a>0</a><b>0</b>")},
        {"result holding an element", Wrapper("<inserir_vendasResult><x>0</x></inserir_vendasResult>")},
    };
    for (const auto& c : malformed) {
        EXPECT_THROW(DecodeAcceptanceResponse(c.body, "inserir_vendas"), ESOAPDomConvertError) << c.name;
        EXPECT_FALSE(HoldsSoapFault(c.body)) << c.name;
    }
    const std::string fault =
        Body("<soap:Fault><faultcode>soap:Server</faultcode><faultstring>x</faultstring></soap:Fault>");
    EXPECT_THROW(DecodeAcceptanceResponse(fault, "inserir_vendas"), ERemotableException);
    EXPECT_TRUE(HoldsSoapFault(fault));
    EXPECT_FALSE(HoldsSoapFault("<html>Internal Server Error</html>"));
}

TEST(SoapDecoderResult, TextThatIsNoWholeNumberFailsWithTheTrimmedText)
{
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r> abc </r>")), "'abc' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r>2147483648</r>")),
              "'2147483648' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r>1.0</r>")), "'1.0' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r>-</r>")), "'-' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r>0x1F</r>")), "'0x1F' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>(Wrapper("<r>   </r>")), "'' is not a valid integer value");
}

TEST(SoapDecoderResult, NoResultElementQuotesTheWrapper)
{
    // Wine's MSXML lists no namespace declaration among an element's attributes: the quote lacks it.
    const std::string wrapper = test::RunsUnderWine()
                                    ? "<inserir_vendasResponse/>"
                                    : "<inserir_vendasResponse xmlns=\"http://tempuri.org/\"/>";
    EXPECT_EQ(
        MessageOf<ESOAPDomConvertError>(Body("<inserir_vendasResponse xmlns=\"http://tempuri.org/\"/>")),
        "SOAP Response Packet: result element expected, received \"" + wrapper + "\"");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Body("<w>só texto</w>")),
              "SOAP Response Packet: result element expected, received \"<w>só texto</w>\"");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Body("<w><a>1</a><b>2</b></w>")),
              "SOAP Response Packet: result element expected, received \"<w><a>1</a><b>2</b></w>\"");
}

TEST(SoapDecoderFault, FaultBecomesARemoteErrorWithCodeActorAndDetail)
{
    const std::string body = Body("<soap:Fault><faultcode>soap:Server</faultcode>"
                                  "<faultstring>Venda já recebida &amp; gravada</faultstring>"
                                  "<faultactor>http://van/</faultactor>"
                                  "<detail><erro codigo=\"7\">duplicada</erro></detail></soap:Fault>");
    try {
        DecodeIntResponse(body);
        FAIL() << "no error";
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.Message(), "Venda já recebida & gravada");
        EXPECT_EQ(e.FaultCode(), "soap:Server");
        EXPECT_EQ(e.FaultActor(), "http://van/");
        EXPECT_EQ(e.FaultDetail(), "<detail><erro codigo=\"7\">duplicada</erro></detail>");
    }
}

TEST(SoapDecoderFault, ChildNamesInAnyCaseButTheFaultElementItselfIsCaseSensitive)
{
    try {
        DecodeIntResponse(Body("<Fault><FaultCode>c</FaultCode><FaultString>mixed</FaultString></Fault>"));
        FAIL() << "no error";
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.Message(), "mixed");
        EXPECT_EQ(e.FaultCode(), "c");
        EXPECT_EQ(e.FaultActor(), "");
        EXPECT_EQ(e.FaultDetail(), "");
    }
    // A lower-case fault is an ordinary wrapper: two children and no Result among them.
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(
                  Body("<fault><faultcode>c</faultcode><faultstring>s</faultstring></fault>")),
              "SOAP Response Packet: result element expected, received "
              "\"<fault><faultcode>c</faultcode><faultstring>s</faultstring></fault>\"");
    EXPECT_EQ(MessageOf<ERemotableException>(Body("<soap:Fault/>")), "");
}

TEST(SoapDecoderEnvelope, DocumentElementMustBeTheSoap11Envelope)
{
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(
                  "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body/></e:Envelope>"),
              "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, "
              "http://www.w3.org/2003/05/soap-envelope:Envelope found");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>("<html><body>Erro</body></html>"),
              "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, :html found");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>("<s:envelope xmlns:s=\"" + kSoap11 + "\"/>"),
              "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, " + kSoap11 +
                  ":envelope found");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>("<s:Envelope xmlns:s=\"" + kSoap11 + "\"/>"),
              "Invalid SOAP request");
}

TEST(SoapDecoderEnvelope, RepeatedHeaderOrBodyAndAMissingBodyAreInvalid)
{
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Envelope("<soap:Header/><soap:Header/><soap:Body/>")),
              "Invalid SOAP response");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Envelope("<soap:Body/><soap:Body/>")), "Invalid SOAP response");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Envelope("<soap:Header/>")), "Invalid SOAP response");
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Envelope(" ")), "Invalid SOAP response");
    // Other elements around them are passed over, and Header and Body match in any namespace.
    EXPECT_EQ(DecodeIntResponse(Envelope("<x/><Body><w><r>5</r></w></Body><y/>")), 5);
    // The names are compared with their case.
    EXPECT_EQ(MessageOf<ESOAPDomConvertError>(Envelope("<soap:body><r>5</r></soap:body>")),
              "Invalid SOAP response");
}

TEST(SoapDecoderEnvelope, HeaderEntriesThatMustBeUnderstoodFailAsTheyAreMet)
{
    const auto mustUnderstand = [](const std::string& attribute) {
        return Envelope("<soap:Header><Sessao xmlns=\"urn:x\" " + attribute +
                        ">1</Sessao></soap:Header>"
                        "<soap:Body><w><r>5</r></w></soap:Body>");
    };
    for (const char* value : {"mustUnderstand=\"1\"", "mustUnderstand=\"true\"", "mustUnderstand=\"True\""}) {
        try {
            DecodeIntResponse(mustUnderstand(value));
            FAIL() << value;
        } catch (const ERemotableException& e) {
            EXPECT_EQ(e.Message(),
                      "Soap header Sessao with attribute 'mustUnderstand' set to true was not handled");
            EXPECT_EQ(e.FaultCode(), "MustUnderstand");
        }
    }
    // Entries that need not be understood are skipped; a prefixed attribute is not looked at.
    EXPECT_EQ(DecodeIntResponse(mustUnderstand("mustUnderstand=\"0\"")), 5);
    EXPECT_EQ(DecodeIntResponse(mustUnderstand("soap:mustUnderstand=\"1\"")), 5);
    EXPECT_EQ(DecodeIntResponse(mustUnderstand("")), 5);

    // Order decides: a fault met first is the error; a header met first ends the decoding.
    const std::string header = "<soap:Header><h mustUnderstand=\"1\"/></soap:Header>";
    const std::string fault = "<soap:Body><soap:Fault><faultstring>f</faultstring></soap:Fault></soap:Body>";
    EXPECT_EQ(MessageOf<ERemotableException>(Envelope(fault + header)), "f");
    EXPECT_EQ(MessageOf<ERemotableException>(Envelope(header + fault)),
              "Soap header h with attribute 'mustUnderstand' set to true was not handled");
}

TEST(SoapDecoderParse, MalformedXmlGivesTheReasonTheLineNumberAndTheLineStart)
{
    const std::string body = "<?xml version=\"1.0\"?>\r\n<soap:Envelope xmlns:soap=\"" + kSoap11 +
                             "\"><soap:Body><r>5</x></soap:Body></soap:Envelope>\r\n";
    const std::string message = MessageOf<EDOMParseError>(body);
    if (test::RunsUnderWine()) {
        // Wine's MSXML tells that the document is not well-formed, but gives no reason of substance,
        // no line and no source text: the message keeps its shape with line 0 and nothing quoted.
        const std::string tail = "\r\nLine: 0\r\n";
        ASSERT_GT(message.size(), tail.size()) << message;
        EXPECT_EQ(message.substr(message.size() - tail.size()), tail) << message;
    } else {
        const std::string tail = "\r\nLine: 2\r\n" + body.substr(23, 40);
        ASSERT_GT(message.size(), tail.size()) << message;
        EXPECT_EQ(message.substr(message.size() - tail.size()), tail) << message;
        EXPECT_NE(message.find("mismatch"), std::string::npos) << message;
    }
    EXPECT_EQ(message.find('\n'), message.find("\r\nLine: ") + 1) << "the reason has no line end of its own";

    for (const std::string& bad : {std::string(), std::string("não é XML"), std::string("<a>"),
                                   std::string("<a></b>")}) {
        EXPECT_THROW(DecodeIntResponse(bad), EDOMParseError) << bad;
    }
    // Wine's MSXML accepts an undeclared prefix; the document is then refused as no envelope.
    if (test::RunsUnderWine())
        EXPECT_THROW(DecodeIntResponse("<p:a/>"), ESOAPDomConvertError);
    else
        EXPECT_THROW(DecodeIntResponse("<p:a/>"), EDOMParseError);
}

TEST(SoapDecoderParse, LineStartIsCutAtFortyCharactersNotBytes)
{
    const std::string line = "<a>" + std::string(20, 'x') + "çççççççççççççççççççççççççç</b>";
    const std::string message = MessageOf<EDOMParseError>(line);
    // Wine's MSXML names no line, so there is nothing to cut there.
    if (test::RunsUnderWine())
        EXPECT_EQ(message.substr(message.find("\r\nLine: ")), "\r\nLine: 0\r\n") << message;
    else
        EXPECT_EQ(message.substr(message.find("\r\nLine: 1\r\n") + 11),
                  "<a>" + std::string(20, 'x') + "ççççççççççççççççç");
}

TEST(SoapDecoderParse, EncodingComesFromTheDocument)
{
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><s:Envelope xmlns:s=\"" +
                               kSoap11 +
                               "\"><s:Body><s:Fault><faultstring>Recusada: a\xE7\xE3o</faultstring></s:Fault>"
                               "</s:Body></s:Envelope>";
    EXPECT_EQ(MessageOf<ERemotableException>(latin1), "Recusada: ação");
    EXPECT_EQ(DecodeIntResponse("\xEF\xBB\xBF" + Wrapper("<r>3</r>")), 3);

    const std::string ascii =
        "<s:Envelope xmlns:s='" + kSoap11 + "'><s:Body><w><r>2</r></w></s:Body></s:Envelope>";
    std::string utf16 = "\xFF\xFE";
    for (char c : ascii) utf16 += std::string{c, '\0'};
    EXPECT_EQ(DecodeIntResponse(utf16), 2);
}

TEST(SoapDecoderParse, DocumentTypeDeclarationsAreRefusedBeforeAnyEntityIsRead)
{
    const std::string laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE lol [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "]>\n" +
        Wrapper("<r>&c;</r>");
    const std::string message = MessageOf<EDOMParseError>(laughs);
    EXPECT_NE(message.find("document type declaration"), std::string::npos) << message;
    EXPECT_NE(message.find("\r\nLine: 2\r\n<!DOCTYPE lol"), std::string::npos) << message;

    const std::string external =
        "<!DOCTYPE s [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + Wrapper("<r>&x;</r>");
    EXPECT_NE(MessageOf<EDOMParseError>(external).find("document type declaration"), std::string::npos);
}

TEST(SoapDecoderRecord, RecordFieldsComeFromTheResultElement)
{
    const std::string body =
        Body("<pedido_compraResponse xmlns=\"http://tempuri.org/\"><pedido_compraResult>"
             "<pedido>10</pedido><cnpj_estabelecimento>00.000.000/0001-91</cnpj_estabelecimento>"
             "<EAN>789</EAN><outro>x</outro></pedido_compraResult></pedido_compraResponse>");
    const auto fields = DecodeRecordResponse(body);
    ASSERT_TRUE(fields);
    const retorno_pedido pedido = RetornoPedidoFromFields(*fields);
    EXPECT_EQ(pedido.pedido, "10");
    EXPECT_EQ(pedido.cnpj_estabelecimento, "00.000.000/0001-91");
    EXPECT_EQ(pedido.ean, "789");
    EXPECT_EQ(pedido.situacao_tributaria, "");

    EXPECT_FALSE(DecodeRecordResponse(Body("")));
    EXPECT_FALSE(DecodeRecordResponse(Body("<w><r xsi:nil=\"true\"/></w>")));
    EXPECT_FALSE(DecodeRecordResponse(Body("<w/>")));
    EXPECT_THROW(DecodeRecordResponse(Body("<soap:Fault><faultstring>f</faultstring></soap:Fault>")),
                 ERemotableException);

    const auto parcela = RetornoParcelaFromFields({{"valor", "12.50"}, {"Vencimento", "05/03/2024"}});
    EXPECT_EQ(parcela.valor, "12.50");
    EXPECT_EQ(parcela.vencimento, "05/03/2024");
}

}  // namespace
}  // namespace tarrow
