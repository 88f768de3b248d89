#include "service/van.h"

#include "platform/Errors.h"
#include "platform/ProgramDir.h"
#include "relay/Configuracoes.h"
#include "relay/Funcoes.h"
#include "service/EndpointConfig.h"
#include "service/VanProxy.h"
#include "tests/peers/HttpPeer.h"
#include "tests/peers/ProxyPeer.h"
#include "tests/peers/TlsPeer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#ifdef _WIN32
#include "service/HttpTransport.h"
#include "tests/support/Wine.h"

#include <windows.h>
#include <wininet.h>
#endif

namespace tarrow {
namespace {

using test::THttpPeer;
using test::TTempDir;

// Each test has its own program directory and a default address on its own peer.
struct TFactoryTest : ::testing::Test {
    TTempDir dir;
    THttpPeer peer;
    TOpcoesVanSoap opcoes;
    void SetUp() override
    {
        DefineEnderecoPadraoServico(peer.Url());
        opcoes.ArquivoConf = dir.Path() + "Tarrow.conf";
        peer.SetDefaultAnswer(test::SoapResult("inserir_vendas", "0"));
    }
    void TearDown() override { DefineEnderecoPadraoServico(""); }

    std::int32_t Send(TVanSoapRef& van)
    {
        return van->inserir_vendas(1, "00.000.000/0001-91", 1, 1, "05/03/2024", "05/03/2024");
    }
    static THttpTransport& TransportOf(const TVanSoapRef& van)
    {
        return dynamic_cast<TVanSoapProxy&>(*van).Transport();
    }
};

TEST_F(TFactoryTest, WithoutTarrowConfTheDefaultIsWrittenAndUsed)
{
    TVanSoapRef van = ObtemVanSoap(opcoes);
    ASSERT_TRUE(van);
    EXPECT_EQ(dir.Read("Tarrow.conf"), "[WebService]\r\nURL=" + peer.Url() + "\r\n");
    EXPECT_EQ(Send(van), 0);
    EXPECT_EQ(peer.Requests().size(), 1u);
}

TEST_F(TFactoryTest, AnEmptyValueIsReplacedByTheDefaultAndOtherContentIsKept)
{
    dir.Write("Tarrow.conf",
              "; configuracao\r\n[Outra]\r\nURL=http://127.0.0.1:9/outra\r\n[WebService]\r\nURL=\r\n"
              "Usuario=loja\r\n");
    TVanSoapRef van = ObtemVanSoap(opcoes);
    EXPECT_EQ(dir.Read("Tarrow.conf"),
              "; configuracao\r\n[Outra]\r\nURL=http://127.0.0.1:9/outra\r\n[WebService]\r\nURL=" +
                  peer.Url() + "\r\nUsuario=loja\r\n");
    EXPECT_EQ(Send(van), 0);
    EXPECT_EQ(peer.Requests().size(), 1u);

    // A file without the section gets it added at the end.
    dir.Write("Tarrow.conf", "[Outra]\nchave=1\n");
    ObtemVanSoap(opcoes);
    const std::string added = dir.Read("Tarrow.conf");
    const std::string expected = "[Outra]\nchave=1\n[WebService]\nURL=" + peer.Url() + "\n";
#ifdef _WIN32
    // Wine writes the whole file anew, every line ended with CR LF.
    EXPECT_TRUE(added == expected || added == "[Outra]\r\nchave=1\r\n[WebService]\r\nURL=" + peer.Url() + "\r\n")
        << added;
#else
    EXPECT_EQ(added, expected);
#endif
}

TEST_F(TFactoryTest, NamesAreReadWithoutRegardToCaseAndTheFileIsReadAtEveryAttempt)
{
    THttpPeer other;
    other.SetDefaultAnswer(test::SoapResult("inserir_vendas", "0"));
    dir.Write("Tarrow.conf", "[webservice]\r\nurl = " + other.Url("/outro/van.asmx") + "  \r\n");
    TVanSoapRef van = ObtemVanSoap(opcoes);
    Send(van);
    EXPECT_EQ(other.LastRequest().Target, "/outro/van.asmx");

    dir.Write("Tarrow.conf", "[WebService]\r\nURL=" + peer.Url("/novo/van.asmx") + "\r\n");
    van = ObtemVanSoap(opcoes);  // releases the first proxy
    Send(van);
    EXPECT_EQ(peer.LastRequest().Target, "/novo/van.asmx");
    EXPECT_EQ(other.Requests().size(), 1u);
    EXPECT_EQ(dir.Read("Tarrow.conf"), "[WebService]\r\nURL=" + peer.Url("/novo/van.asmx") + "\r\n");
}

TEST_F(TFactoryTest, EachProxyIsFreshAndTheyShareOneKeptAliveConnection)
{
    TVanSoapRef first = ObtemVanSoap(opcoes);
    TVanSoapRef second = ObtemVanSoap(opcoes);
    EXPECT_NE(first.get(), second.get());
    Send(first);
    Send(second);
    first = ObtemVanSoap(opcoes);
    Send(first);
    EXPECT_EQ(peer.Connections(), 1);
    first.reset();
    EXPECT_FALSE(first);
}

TEST_F(TFactoryTest, HttpsCertificatesAreCheckedUnlessTarrowConfNamesTheAuthorityOrOptsOut)
{
    test::TTlsPeer tls(dir.Path());
    auto outcome = [&](test::TTlsCertificate certificate, const std::string& keys) -> std::string {
        dir.Write("Tarrow.conf", "[WebService]\r\nURL=" + tls.Url(certificate) + "\r\n" + keys);
        TVanSoapRef van = ObtemVanSoap(opcoes);
        try {
            return std::to_string(Send(van));
        } catch (const ESOAPHTTPException& e) {
            EXPECT_NE(e.Message().find(" - URL:" + tls.Url(certificate) + " - SOAPAction:"), std::string::npos)
                << e.Message();
            return e.Message();
        }
    };
    using enum test::TTlsCertificate;
    auto refused = [](const std::string& outcome, const std::string& cause) -> ::testing::AssertionResult {
        if (outcome.find(cause) != std::string::npos) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << outcome;
    };
    // Each library names the cause in its own words.
#ifdef _WIN32
    const std::string unknownAuthority = WinInetErrorText(ERROR_INTERNET_INVALID_CA);
    const std::string wrongName = WinInetErrorText(ERROR_INTERNET_SEC_CERT_CN_INVALID);
    const std::string expired = WinInetErrorText(ERROR_INTERNET_SEC_CERT_DATE_INVALID);
    const std::string missingFile = "nao-existe.pem";
#else
    const std::string unknownAuthority = "SSL certificate problem: unable to get local issuer certificate";
    const std::string wrongName =
        "no alternative certificate subject name matches target host name '" + test::PeerHost() + "'";
    const std::string expired = "SSL certificate problem: certificate has expired";
    const std::string missingFile = dir.Path() + "nao-existe.pem";
#endif
    // The test authority is in no system's store.
    EXPECT_TRUE(refused(outcome(Valid, ""), unknownAuthority));
    EXPECT_EQ(outcome(Valid, "CertificadoCA=ca.pem\r\n"), "0") << "a name relative to Tarrow.conf's folder";
    EXPECT_EQ(outcome(Valid, "certificadoca = " + tls.CaFile() + "\r\nVerificarCertificado=1\r\n"), "0");
    EXPECT_TRUE(refused(outcome(WrongName, "CertificadoCA=ca.pem\r\n"), wrongName));
    EXPECT_TRUE(refused(outcome(Expired, "CertificadoCA=ca.pem\r\n"), expired));
    EXPECT_TRUE(refused(outcome(Valid, "CertificadoCA=nao-existe.pem\r\n"), missingFile));

    EXPECT_EQ(outcome(WrongName, "VerificarCertificado=0\r\n"), "0");
    EXPECT_EQ(dir.Read("Tarrow.conf"), "[WebService]\r\nURL=" + tls.Url(WrongName) + "\r\nVerificarCertificado=0\r\n")
        << "nothing is written for the certificate keys";
    EXPECT_EQ(outcome(Expired, "VerificarCertificado=0\r\n"), "0");
    EXPECT_TRUE(refused(outcome(Expired, "CertificadoCA=ca.pem\r\n"), expired))
        << "the connection opened without checks is not used for a checked call";
}

TEST_F(TFactoryTest, TheProxySectionIsReadWithItsPasswordDecipheredAndNothingWritten)
{
    const TDecifraSenha decifra = [](const std::string& cifrada) {
        return Cripto("D", cifrada, kChaveSenha);
    };
    const std::string url = "[WebService]\r\nURL=" + peer.Url() + "\r\n";
    dir.Write("Tarrow.conf", url + "Proxy=127.0.0.1:3128\r\n");
    EXPECT_EQ(LeConfiguracaoServico(opcoes.ArquivoConf, decifra).Proxy, THttpProxy{})
        << "the proxy is not one of the service's keys";

    const std::string keys = "[proxy]\r\nproxy = 127.0.0.1:3128\r\nProxyUsuario=loja\r\nSemProxy=a.b; c\r\n";
    const std::string conf = url + keys + "ProxySenha=" + Cripto("E", "s3nha", kChaveSenha) + "\r\n";
    dir.Write("Tarrow.conf", conf);
    EXPECT_EQ(LeConfiguracaoServico(opcoes.ArquivoConf, decifra).Proxy,
              (THttpProxy{"127.0.0.1:3128", "loja", "s3nha", "a.b; c"}));
    EXPECT_THROW(LeConfiguracaoServico(opcoes.ArquivoConf), Exception)
        << "never the stored text as the password";
    EXPECT_EQ(dir.Read("Tarrow.conf"), conf);
    dir.Write("Tarrow.conf", url + keys + "ProxySenha=zz\r\n");
    EXPECT_THROW(LeConfiguracaoServico(opcoes.ArquivoConf, decifra), EConvertError);
}

TEST_F(TFactoryTest, HttpsGoesThroughTheProxysTunnelAndAWrongPasswordIsTheProxysRefusal)
{
    test::TTlsPeer tls(dir.Path());
    test::TProxyPeer proxy(dir.Path(), "loja", "s3nha");
    opcoes.DecifraSenha = [](const std::string& cifrada) { return Cripto("D", cifrada, kChaveSenha); };
    // Wine's WinInet opens no tunnel for a request whose body follows in pieces, the way our own
    // certificate check sends: there the tunnel is shown without the check.
#ifdef _WIN32
    const std::string check = test::RunsUnderWine() ? "VerificarCertificado=0" : "CertificadoCA=ca.pem";
#else
    const std::string check = "CertificadoCA=ca.pem";
#endif
    auto send = [&](const std::string& password) -> std::string {
        dir.Write("Tarrow.conf",
                  "[WebService]\r\nURL=" + tls.Url(test::TTlsCertificate::Valid) + "\r\n" + check +
                      "\r\n[Proxy]\r\nProxy=" + proxy.Server() +
                      "\r\nProxyUsuario=loja\r\nProxySenha=" + Cripto("E", password, kChaveSenha) + "\r\n");
        TVanSoapRef van = ObtemVanSoap(opcoes);
        try {
            return std::to_string(Send(van));
        } catch (const ESOAPHTTPException& e) {
            return e.Message();
        }
    };
    // The wrong one first: WinInet keeps a tunnel it opened alive for the next call.
    EXPECT_EQ(send("errada"), "Unauthorized (401) - proxy '" + proxy.Server() + "'");
    EXPECT_EQ(send("s3nha"), "0");
    const std::string tunnel =
        "CONNECT " + test::PeerHost() + ":" + std::to_string(tls.Port(test::TTlsCertificate::Valid)) + " ";
    EXPECT_NE(proxy.Log().find(tunnel), std::string::npos) << proxy.Log();
}

TEST_F(TFactoryTest, TimeOutsAreTheCallingProgramsChoice)
{
    EXPECT_EQ(TransportOf(ObtemVanSoap(OpcoesVanSoapManual())).Timeouts(),
              (THttpTimeouts{60000, 60000, 60000}));
    EXPECT_EQ(TransportOf(ObtemVanSoap(OpcoesVanSoapAutomatico())).Timeouts(),
              (THttpTimeouts{60000, 300000, 300000}));
    // Left unset, the library's own defaults apply (no limit on an answer that never comes).
    EXPECT_EQ(TransportOf(ObtemVanSoap(opcoes)).Timeouts(), (THttpTimeouts{0, 0, 0}));
    opcoes.Tempos = {1, 2, 3};
    EXPECT_EQ(TransportOf(CriaVanSoap(opcoes)).Timeouts(), (THttpTimeouts{1, 2, 3}));
}

TEST_F(TFactoryTest, AnFtpAddressYieldsAProxyWhoseEveryCallFails)
{
    const std::string ftp = "ftp://" + test::PeerHost() + ":" + std::to_string(peer.Port()) + "/van.asmx";
    dir.Write("Tarrow.conf", "[WebService]\r\nURL=" + ftp + "\r\n");
    TVanSoapRef van = ObtemVanSoap(opcoes);
    ASSERT_TRUE(van) << "no error is raised when the proxy is obtained";
    EXPECT_EQ(TransportOf(van).URL(), ftp);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            Send(van);
            FAIL() << "the call went through";
        } catch (const ESOAPHTTPException& e) {
            EXPECT_NE(e.Message().find(" - URL:" + ftp + " - SOAPAction:http://tempuri.org/inserir_vendas"),
                      std::string::npos)
                << e.Message();
        }
    }
    EXPECT_EQ(peer.Connections(), 0);

    try {
        CriaVanSoap(opcoes);
        FAIL() << "CriaVanSoap passed the error over";
    } catch (const ESOAPHTTPException& e) {
        EXPECT_EQ(e.Message(), "Invalid url '" + ftp + "' - only supports 'http' and 'https' schemes");
    }
}

TEST_F(TFactoryTest, AnUnwritableDefaultGivesAnEmptyReferenceThatFailsWithoutNetwork)
{
    // Root writes anywhere, so the places that cannot be written are a missing directory and a
    // directory standing where the file should be.
    std::filesystem::create_directory(dir.Path() + "Tarrow.conf");
    for (const std::string& file : {dir.Path() + "sem/diretorio/Tarrow.conf", dir.Path() + "Tarrow.conf"}) {
        opcoes.ArquivoConf = file;
        for (int attempt = 0; attempt < 2; ++attempt) {
            TVanSoapRef van = ObtemVanSoap(opcoes);
            EXPECT_FALSE(van);
            try {
                Send(van);
                FAIL() << "a call through an empty reference went through";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), kMensagemProxyVazio);
            }
        }
        try {
            CriaVanSoap(opcoes);
            FAIL() << "no error";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + file);
        }
    }
    EXPECT_EQ(peer.Connections(), 0);
}

TEST_F(TFactoryTest, AProxyBoundWithoutDocumentStyleRefusesToCall)
{
    TVanSoapRegistration registration = RegistroVanSoap();
    registration.DocumentStyle = false;
    TVanSoapProxy proxy(registration);
    proxy.Transport().SetURL(peer.Url());
    EXPECT_THROW(proxy.inserir_regioes(1, "x"), Exception);
    EXPECT_EQ(peer.Connections(), 0);
}

TEST(ServiceAddress, DefaultIsTheOperatorsAddressUnlessTheDeploymentOrATestNamesAnother)
{
    EXPECT_EQ(kEnderecoPadraoServico.substr(0, 7), "http://");
    EXPECT_EQ(kEnderecoPadraoServico.substr(kEnderecoPadraoServico.size() - 30),
              "/parceiros/orvane/van/van.asmx");
    auto setDeployment = [](const std::string& url) {
#ifdef _WIN32
        _putenv(("TARROW_SERVICE_URL=" + url).c_str());
#else
        if (url.empty())
            unsetenv("TARROW_SERVICE_URL");
        else
            setenv("TARROW_SERVICE_URL", url.c_str(), 1);
#endif
    };
    DefineEnderecoPadraoServico("");
    setDeployment("");
    EXPECT_EQ(EnderecoPadraoServico(), kEnderecoPadraoServico);
    setDeployment("http://van.loja.local/van.asmx");
    EXPECT_EQ(EnderecoPadraoServico(), "http://van.loja.local/van.asmx");
    DefineEnderecoPadraoServico("http://127.0.0.1:9/van.asmx");
    EXPECT_EQ(EnderecoPadraoServico(), "http://127.0.0.1:9/van.asmx");
    setDeployment("");
    EXPECT_EQ(ArquivoTarrowConf(), ProgramDirectory() + "Tarrow.conf") << "beside the program, not in the working directory";
}

}  // namespace
}  // namespace tarrow
