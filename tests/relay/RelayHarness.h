#pragma once
// What the relay's end-to-end tests share: a store database on the test server, a scripted web
// service peer, a program directory with sistema_kesto.ini and Tarrow.conf pointing at both, and
// a window stand-in that records what the core asks of it.

#include "relay/Janela.h"
#include "relay/UMain.h"
#include "tests/peers/HttpPeer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarrow::test {

struct TMensagemGravada {
    std::string Texto;
    std::string Titulo;
    TIconeMensagem Icone;
};

// A window that shows nothing and remembers everything.
class TJanelaGravadora : public TJanelaEnvio, public TEscolhaEnvio {
public:
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override
    {
        Mensagens.push_back({texto, titulo, icone});
    }
    bool Pergunta(const std::string& texto, const std::string& titulo) override
    {
        Mensagens.push_back({texto, titulo, TIconeMensagem::Pergunta});
        return RespostaPergunta;
    }
    void HabilitaEnvio(bool habilitado) override { EstadosBotao.push_back(habilitado); }
    void IniciaProgresso(int minimo, int maximo, int posicao) override
    {
        Minimo = minimo, Maximo = maximo, Posicao = posicao;
    }
    void AvancaProgresso(const std::string& texto) override
    {
        Progresso.push_back(texto);
        Posicao = std::min(Posicao + 1, Maximo);
    }
    void DefineTitulo(const std::string& titulo) override { Titulo = titulo; }
    void SolicitaTermino() override { TerminoSolicitado = true; }

    TOpcaoEnvio Opcao() const override { return OpcaoAtual; }
    std::string NumeroLancamento() const override { return Numero; }
    TDateTime DataInicial() const override { return Inicio; }
    TDateTime DataFinal() const override { return Fim; }

    std::vector<TMensagemGravada> Mensagens;
    bool RespostaPergunta = true;
    std::vector<bool> EstadosBotao;
    std::vector<std::string> Progresso;
    int Minimo = 0, Maximo = 0, Posicao = 0;
    std::string Titulo;
    bool TerminoSolicitado = false;

    TOpcaoEnvio OpcaoAtual = TOpcaoEnvio::Dia;
    std::string Numero;
    TDateTime Inicio = 0;
    TDateTime Fim = 0;
};

// One call the peer received: the operation (from SOAPAction) and its arguments by name.
struct TChamada {
    std::string Operacao;
    std::map<std::string, std::string> Args;
    std::string Arg(const std::string& nome) const;
};

std::vector<TChamada> Chamadas(const THttpPeer& peer);
// "inserir_vendas 234567890" / "itens 2" style summary of the calls, in order.
std::vector<std::string> Resumo(const THttpPeer& peer);

// The store, the peer and the program directory of one test.
class TLoja {
public:
    // The program directory is a scratch one, or a folder of that name inside one.
    explicit TLoja(const std::string& pasta = {});

    // Writes sistema_kesto.ini; branch 12 and the test server unless told otherwise.
    void EscreveIni(const std::string& senhaCifrada = {}, std::int32_t filial = 12);
    // Points Tarrow.conf at an address (the peer by default).
    void EscreveConf(const std::string& url);

    std::string Sql(const std::string& sql) { return Banco.Run(sql + ";\n"); }
    // The list files in the program directory, name and bytes.
    std::vector<std::pair<std::string, std::string>> ListasPendentes() const;

    TTestServer Servidor;
    TScratchDatabase Banco;
    THttpPeer Peer;
    TTempDir Diretorio;
};

// Another sender's hold on the store's send lock, on a session of its own; Solta drops the session
// as a holder that dies would.
class TTravaAlheia {
public:
    TTravaAlheia(const TLoja& loja, const std::string& nome);
    ~TTravaAlheia() { Solta(); }
    TTravaAlheia(const TTravaAlheia&) = delete;
    TTravaAlheia& operator=(const TTravaAlheia&) = delete;
    // The server's answer to GET_LOCK for this session (1 taken, 0 held elsewhere).
    std::int64_t Toma();
    // Returns once the server has ended the session: it does so a moment after the socket
    // closes, and until then the session still holds its lock.
    void Solta();

    TMyConnection Conexao;
    std::string Nome;

private:
    const TLoja& loja_;
    std::string sessao_;
};

// Answers "refused" (1) n times, then the default "accepted" (0).
void Recusa(THttpPeer& peer, int vezes);

}  // namespace tarrow::test
