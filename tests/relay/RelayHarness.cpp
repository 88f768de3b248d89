#include "tests/relay/RelayHarness.h"

#include "platform/ProgramStart.h"
#include "relay/Funcoes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

namespace tarrow::test {

namespace {

// The programs' own start on the tests' thread: on Windows the service's documents are read
// through MSXML, a COM server.
class TAmbienteRelay : public ::testing::Environment {
public:
    void SetUp() override { InitialiseProgramThread(); }
};

const auto* const kAmbiente = ::testing::AddGlobalTestEnvironment(new TAmbienteRelay);

}  // namespace

std::string TChamada::Arg(const std::string& nome) const
{
    auto it = Args.find(nome);
    return it == Args.end() ? std::string("<absent>") : it->second;
}

std::vector<TChamada> Chamadas(const THttpPeer& peer)
{
    std::vector<TChamada> chamadas;
    static const std::regex kArgumento(R"(<([A-Za-z_0-9]+)>([^<]*)</\1>|<([A-Za-z_0-9]+)/>)");
    static const std::regex kEntidade(R"(&amp;)");
    for (const TPeerRequest& pedido : peer.Requests()) {
        TChamada chamada;
        std::string acao = pedido.Header("SOAPAction").value_or("");
        if (acao.size() >= 2 && acao.front() == '"') acao = acao.substr(1, acao.size() - 2);
        chamada.Operacao = acao.substr(acao.rfind('/') + 1);
        for (std::sregex_iterator it(pedido.Body.begin(), pedido.Body.end(), kArgumento), fim; it != fim; ++it)
            if ((*it)[3].matched) chamada.Args[(*it)[3]] = "";
            else chamada.Args[(*it)[1]] = std::regex_replace((*it)[2].str(), kEntidade, "&");
        chamadas.push_back(std::move(chamada));
    }
    return chamadas;
}

std::vector<std::string> Resumo(const THttpPeer& peer)
{
    std::vector<std::string> resumo;
    for (const TChamada& c : Chamadas(peer)) {
        if (c.Operacao == "inserir_vendas") resumo.push_back("venda " + c.Arg("registro"));
        else resumo.push_back("item " + c.Arg("registro") + "/" + c.Arg("registro_item") + " " + c.Arg("tipo"));
    }
    return resumo;
}

TLoja::TLoja(const std::string& pasta)
    : Servidor(TTestServer::FromEnvironment()), Banco(Servidor), Diretorio(pasta)
{
    Banco.Run(StoreSchemaSql());
    Peer.SetDefaultAnswer(SoapResultOfRequest("0"));
    EscreveIni();
    EscreveConf(Peer.Url());
}

void TLoja::EscreveIni(const std::string& senhaCifrada, std::int32_t filial)
{
    const std::string senha = senhaCifrada.empty() ? Cripto("E", Servidor.Password, "QXR") : senhaCifrada;
    Diretorio.Write("sistema_kesto.ini", "[ip]\r\ndatabase=" + Banco.Name() + "\r\nlocal=" + Servidor.Host +
                                             "\r\nsenha=" + senha + "\r\n[FilialMatriz]\r\nCodLogica=" +
                                             std::to_string(filial) + "\r\n");
}

void TLoja::EscreveConf(const std::string& url)
{
    Diretorio.Write("Tarrow.conf", "[WebService]\r\nURL=" + url + "\r\n");
}

std::vector<std::pair<std::string, std::string>> TLoja::ListasPendentes() const
{
    std::vector<std::pair<std::string, std::string>> listas;
    for (const auto& entrada : std::filesystem::directory_iterator(Utf8Path(Diretorio.Path()))) {
        const std::u8string utf8 = entrada.path().filename().u8string();
        const std::string nome(utf8.begin(), utf8.end());
        if (nome.starts_with("VendasPendentes")) listas.emplace_back(nome, Diretorio.Read(nome));
    }
    std::sort(listas.begin(), listas.end());
    return listas;
}

namespace {

void Conecta(TMyConnection& conexao, const TLoja& loja)
{
    conexao.SetServer(loja.Servidor.Host);
    conexao.SetPort(loja.Servidor.Port);
    conexao.SetUsername("root");
    conexao.SetPassword(loja.Servidor.Password);
    conexao.SetDatabase(loja.Banco.Name());
    conexao.SetLoginPrompt(false);
    conexao.Connect();
}

std::string Valor(TMyConnection& conexao, const std::string& sql)
{
    TMyQuery consulta;
    consulta.SetConnection(&conexao);
    consulta.SetSQL(sql);
    consulta.Open();
    return consulta.FieldByName("v").AsString();
}

}  // namespace

TTravaAlheia::TTravaAlheia(const TLoja& loja, const std::string& nome) : Nome(nome), loja_(loja)
{
    Conecta(Conexao, loja);
    sessao_ = Valor(Conexao, "SELECT CONNECTION_ID() AS v");
}

void TTravaAlheia::Solta()
{
    if (!Conexao.Connected()) return;
    Conexao.Disconnect();
    TMyConnection olheiro;
    Conecta(olheiro, loja_);
    for (int i = 0; i < 100; ++i) {
        if (Valor(olheiro, "SELECT COUNT(*) AS v FROM information_schema.processlist WHERE id = " + sessao_) == "0")
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "the server kept session " << sessao_ << " for five seconds";
}

std::int64_t TTravaAlheia::Toma()
{
    TMyQuery consulta;
    consulta.SetConnection(&Conexao);
    consulta.SetSQL("SELECT GET_LOCK(\"" + Nome + "\", 0) AS r");
    consulta.Open();
    return consulta.FieldByName("r").AsLargeint();
}

void Recusa(THttpPeer& peer, int vezes)
{
    for (int i = 0; i < vezes; ++i) peer.Answer(SoapResultOfRequest("1"));
}

}  // namespace tarrow::test
