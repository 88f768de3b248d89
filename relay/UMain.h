#pragma once
// The main window's logic, shared by both senders and the headless one: the start-up, the counts
// and the transmission runs. It owns the database components the window's design holds and talks
// to the window only through TJanelaEnvio and TEscolhaEnvio.

#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "platform/Errors.h"
#include "relay/Configuracoes.h"
#include "relay/Janela.h"
#include "relay/Sentencas.h"
#include "service/van.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarrow {

// The text every sender shows when another holds the store's send lock.
inline constexpr const char* kOutroEnvio =
    "Outro envio de vendas está em andamento. Tente novamente em alguns minutos.";

// Each list file a send wrote is named after this, where the send's end is told.
inline constexpr const char* kListadas = "Vendas não enviadas listadas em ";

// What Windows shows beside a sender that holds a session's end until the sale in hand is done.
inline constexpr const char* kMotivoFimDeSessao = "Enviando vendas...";

// A send stopped on request (Parar) after the sale in hand was finished.
class EEnvioInterrompido : public Exception {
public:
    EEnvioInterrompido() : Exception("O envio foi interrompido.") {}
};

// What a send has done, as it goes: the store's lock taken, then each sale (or return) relayed and
// marked, given up and registered, or left unfinished by the error that ended the run.
enum class TPassoEnvio { TravaTomada, Enviada, Desistida, Interrompida };

class TUMain {
public:
    // diretorio: where sistema_kesto.ini, Tarrow.conf and the list files live (ending with the
    // path separator); the programs pass the program's own directory. escolha is the manual
    // sender's option source and may be null for the automatic variant.
    TUMain(TVariante variante, TJanelaEnvio& janela, TEscolhaEnvio* escolha, std::string diretorio);
    TUMain(const TUMain&) = delete;
    TUMain& operator=(const TUMain&) = delete;

    // The start-up sequence up to the service registration. An error while reading the settings
    // passes to the caller (the framework's error box); a failed connect shows its box and asks
    // the program to end, the connectivity check only warns.
    void FormCreate();

    // The store's sistema_kesto.ini into the connection and CodLogica; what was read before an
    // error is kept, and the error passes to the caller.
    void LeConfiguracoesDaLoja();

    // A send: the sales run, then the returns run, under the store database's send lock, which
    // is released on every way out. False, with nothing sent, when another sender holds it. A run
    // that gave sales up writes their list file however it ends; an error that ends the send
    // carries, after its own text, a line naming each list file the send wrote.
    bool Enviar();
    void EnviarVendas();
    void EnviarDevolucoes();

    // Manual sender: the number of sales and returns the current choice would send.
    int ContaVendas();
    int ContaDevolucoes();
    // The line that narrows a statement to the operator's choice.
    std::string FiltroOpcao(TTipoMovimento tipo);

    // Where proxies come from: ObtemVanSoap with the variant's time-outs and the directory's
    // Tarrow.conf, unless a caller replaces it.
    std::function<TVanSoapRef()> ObtemVanSoap;

    // Asked before each sale and at the end of each run: true stops the send there
    // (EEnvioInterrompido, after the run's list file), so a request made during the last sale of
    // a run never passes for a send that went to its end.
    std::function<bool()> Parar;

    // Run before every attempt of a web service call, so between any two calls of a send: a
    // window answers there what the system asks of it meanwhile (a session's end) and takes in
    // nothing else. It must not throw.
    std::function<void()> EntreChamadas;

    // Told of each step of a send (registro empty for the lock), for a record of the send kept
    // outside the database; it changes nothing in the run and must not throw.
    std::function<void(TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro)> Acompanhamento;

    // The list files the last send wrote (appended to or made), full paths, in the order written.
    const std::vector<std::string>& ListasGravadas() const noexcept { return listasGravadas_; }

    // True from the moment a send has taken the store's lock until it has released it.
    bool EnvioEmAndamento() const noexcept { return travaTomada_; }

    // The server-side lock one send holds, by the database and branch: every sender on this
    // store, on whatever machine, meets the same name. At most 64 characters.
    std::string NomeTrava() const;

    TVariante Variante() const noexcept { return variante_; }
    std::int32_t CodLogica = 0;
    const std::string& Diretorio() const noexcept { return diretorio_; }

    // The window's design: one connection, two queries, one command.
    TMyConnection oConnect;
    TMyQuery oQuery;
    TMyQuery oQuery2;
    TMyCommand oCommand;

private:
    void Executa(TTipoMovimento tipo);
    void Acompanha(TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro) const;
    // One sale from the row in hand; on return the row in hand is the next sale's first, or Eof.
    void EnviaVenda(TTipoMovimento tipo, int contador, int total, const std::string& cnpj,
                    std::vector<std::string>& falhas);
    // Up to four attempts; true when one was accepted.
    bool Tenta(const std::function<std::int32_t(VanSoap&)>& chamada);
    void Desiste(TTipoMovimento tipo, const std::string& registro, std::vector<std::string>& falhas);
    bool TomaTrava();
    void LiberaTrava();
    // The automatic sender's btnEnviar, told only when its state changes (the design enables it).
    void HabilitaEnvio(bool habilitado);
    void Conclui(TTipoMovimento tipo, std::int64_t numlanc);
    void GravaListaPendentes(const std::vector<std::string>& falhas);
    // Inside a handler of the error that ended a send: rethrows it naming the send's list files.
    [[noreturn]] void RelancaNomeandoListas() const;
    int Conta(TTipoMovimento tipo);
    std::string Selecao(TTipoMovimento tipo);
    void Executar(const std::string& sql);

    TVariante variante_;
    TJanelaEnvio& janela_;
    TEscolhaEnvio* escolha_;
    std::string diretorio_;
    std::vector<std::string> listasGravadas_;
    // Why a list could not be written after an error ended its run.
    std::string erroLista_;
    bool travaTomada_ = false;
    bool envioHabilitado_ = true;
};

// The last nine characters of a release number's text (all of it when shorter), as the service's
// 32-bit registro.
std::int32_t RegistroServico(const std::string& registro);

// A currency value as the service expects amounts: at least one integer digit, two decimals
// rounded half away from zero, "." as the separator whatever the regional settings say.
std::string ValorServico(std::int64_t dezMilesimos);

// A column's value as one of the service's 32-bit integers: a whole number in range, or an
// EConvertError naming the column and the value (the field getters would wrap or round it).
std::int32_t InteiroServico(const TField& campo, const std::string& coluna);

// A line's quantidade for the service: a split pack's fraction rounded as the integer getter of a
// float field rounds it (halves to the even neighbour: 0.5 gives 0, 1.5 gives 2), since the line's
// money travels in total_liquido. A value outside 32 bits raises EConvertError, as above.
std::int32_t QuantidadeServico(const TField& campo);

// The branch's cgc as the service's CNPJ: its digits, or a cgc already written as
// NN.NNN.NNN/NNNN-NN. Anything else (NULL, empty, a sign, a fraction) would credit the sales to no
// store or to another one, and raises EConvertError naming cgc and the value.
std::string CnpjServico(const TField& cgc);

// "dd/mm/yyyy" with the regional date separator.
std::string DataServico(TDateTime dia);

// The list built for an SQL IN clause from every row of an open query: 32- and 64-bit integer
// columns in decimal, text columns in double quotes, other types contribute nothing. Leaves the
// query at its end.
std::string ListaIn(TMyQuery& consulta, const std::string& coluna);

}  // namespace tarrow
