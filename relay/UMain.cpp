#include "relay/UMain.h"

#include "dataaccess/TextConversions.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/ProgramDir.h"
#include "relay/Configuracoes.h"
#include "relay/Funcoes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace tarrow {

namespace {

constexpr int kTentativas = 4;

// Seconds of silence the unattended sender allows any statement, like its web service calls: a
// server that stops answering ends the send instead of holding it for good.
constexpr int kLimiteSentencaAutomatico = 300;

// One line of a sale, converted for the service before anything of the sale goes out.
struct TItemVenda {
    std::int32_t Registro;
    std::int32_t Maquina;
    std::string DataMovimento;
    std::string Ean;
    std::int32_t Quantidade;
    std::string TotalLiquido;
    std::string AliquotaIcms;
    std::string Estoque;
    std::string Pendencia;
    std::string Linha;
    std::string Curva;
    std::string Vendedor;
};

bool NoPadraoCnpj(const std::string& texto)
{
    static constexpr std::string_view kPadrao = "NN.NNN.NNN/NNNN-NN";
    if (texto.size() != kPadrao.size()) return false;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const bool digito = texto[i] >= '0' && texto[i] <= '9';
        if (kPadrao[i] == 'N' ? !digito : texto[i] != kPadrao[i]) return false;
    }
    return true;
}

// The statement components take their text this way; kept in one place so the run reads as the
// steps it follows.
void Abre(TMyQuery& consulta, const std::string& sql)
{
    consulta.Close();
    consulta.SetSQL(sql);
    consulta.Open();
}

const TField& Campo(TMyQuery& consulta, const std::string& nome) { return consulta.FieldByName(nome); }

std::string PrimeiroCaractere(const std::string& texto)
{
    if (texto.empty()) return {};
    // A whole UTF-8 character, not its first byte.
    std::size_t n = 1;
    while (n < texto.size() && (static_cast<unsigned char>(texto[n]) & 0xC0) == 0x80) ++n;
    return texto.substr(0, n);
}

std::string TextoProgresso(TTipoMovimento tipo, int n, int total)
{
    const char* inicio = tipo == TTipoMovimento::Vendas ? "Enviando vendas (" : "Enviando devoluções (";
    return inicio + std::to_string(n) + " de " + std::to_string(total) + ")";
}

// What closes a message's sentence before more lines follow: the full stop the error box would
// have given it.
std::string FimDeFrase(const std::string& mensagem)
{
    if (!mensagem.empty() && static_cast<unsigned char>(mensagem.back()) > static_cast<unsigned char>('.'))
        return ".";
    return {};
}

bool SoDigitos(const std::string& texto)
{
    if (texto.empty()) return false;
    for (char c : texto)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::int32_t RegistroServico(const std::string& registro)
{
    const std::string ultimos = registro.size() > 9 ? registro.substr(registro.size() - 9) : registro;
    const char* begin = ultimos.c_str();
    char* end = nullptr;
    const long long valor = std::strtoll(begin, &end, 10);
    if (ultimos.empty() || *end != '\0' || valor < INT32_MIN || valor > INT32_MAX)
        throw EConvertError("'" + ultimos + "' is not a valid integer value");
    return static_cast<std::int32_t>(valor);
}

std::string ValorServico(std::int64_t dezMilesimos)
{
    const bool negativo = dezMilesimos < 0;
    const std::uint64_t absoluto =
        negativo ? static_cast<std::uint64_t>(-(dezMilesimos + 1)) + 1 : static_cast<std::uint64_t>(dezMilesimos);
    const std::uint64_t centavos = (absoluto + 50) / 100;  // half away from zero
    char texto[32];
    std::snprintf(texto, sizeof texto, "%s%llu.%02llu", (negativo && centavos != 0) ? "-" : "",
                  static_cast<unsigned long long>(centavos / 100), static_cast<unsigned long long>(centavos % 100));
    return texto;
}

namespace {

// What the service's 32-bit integer takes of a column's value; arredonda decides whether a fraction
// is rounded (halves to the even neighbour) or refused.
std::int32_t Inteiro32(const TField& campo, const std::string& coluna, bool arredonda)
{
    if (campo.IsNull()) return campo.AsInteger();
    const auto recusa = [&] {
        return EConvertError("O valor " + campo.AsString() + " da coluna " + coluna +
                             " não é um número inteiro de 32 bits.");
    };
    std::int64_t valor = 0;
    switch (campo.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftLargeint:
        valor = campo.AsLargeint();
        break;
    default: {
        const double lido = campo.AsFloat();
        const double numero = arredonda && std::isfinite(lido) ? RoundHalfEven(lido) : lido;
        if (!std::isfinite(numero) || std::trunc(numero) != numero || numero < INT32_MIN || numero > INT32_MAX)
            throw recusa();
        valor = static_cast<std::int64_t>(numero);
    }
    }
    if (valor < INT32_MIN || valor > INT32_MAX) throw recusa();
    return static_cast<std::int32_t>(valor);
}

}  // namespace

std::int32_t InteiroServico(const TField& campo, const std::string& coluna)
{
    return Inteiro32(campo, coluna, false);
}

std::int32_t QuantidadeServico(const TField& campo)
{
    return Inteiro32(campo, "quantidade", true);
}

std::string CnpjServico(const TField& cgc)
{
    const std::string texto = cgc.AsString();
    const std::size_t inicio = texto.find_first_not_of(' ');
    const std::string aparado = inicio == std::string::npos
                                    ? std::string()
                                    : texto.substr(inicio, texto.find_last_not_of(' ') + 1 - inicio);
    if (cgc.IsNull() || !(NoPadraoCnpj(aparado) || SoDigitos(aparado)))
        throw EConvertError("O cgc da filial não é um CNPJ (só dígitos, ou NN.NNN.NNN/NNNN-NN): " +
                            (cgc.IsNull() ? std::string("NULL") : "\"" + texto + "\"") + ".");
    std::string digitos;
    for (char c : aparado)
        if (c >= '0' && c <= '9') digitos += c;
    return FormataCNPJ(digitos);
}

std::string DataServico(TDateTime dia) { return FormatDateTime("dd/mm/yyyy", dia); }

std::string ListaIn(TMyQuery& consulta, const std::string& coluna)
{
    std::string lista = "(";
    consulta.First();
    while (!consulta.Eof()) {
        const TField& campo = Campo(consulta, coluna);
        switch (campo.DataType()) {
        case TFieldType::ftInteger:
        case TFieldType::ftLargeint:
            lista.append(campo.AsString()).append(",");
            break;
        case TFieldType::ftString:
            lista.append("\"").append(campo.AsString()).append("\",");
            break;
        default:
            break;
        }
        consulta.Next();
    }
    if (lista.back() == ',') lista.back() = ')';
    return lista;
}

TUMain::TUMain(TVariante variante, TJanelaEnvio& janela, TEscolhaEnvio* escolha, std::string diretorio)
    : oConnect("oConnect"), oQuery("oQuery"), oQuery2("oQuery2"), oCommand("oCommand"), variante_(variante),
      janela_(janela), escolha_(escolha), diretorio_(std::move(diretorio))
{
    oConnect.SetUsername(kUsuarioBanco);
    oConnect.SetLoginPrompt(false);
    oQuery.SetConnection(&oConnect);
    oQuery2.SetConnection(&oConnect);
    oCommand.SetConnection(&oConnect);

    TOpcoesVanSoap opcoes = variante == TVariante::Manual ? OpcoesVanSoapManual() : OpcoesVanSoapAutomatico();
    opcoes.ArquivoConf = diretorio_ + "Tarrow.conf";
    // Enciphered as sistema_kesto.ini's senha is, so one tool (tarrow-send --cifra-senha) serves both.
    opcoes.DecifraSenha = [](const std::string& cifrada) {
        return Cp1252ToUtf8(Cripto("D", cifrada, kChaveSenha));
    };
    ObtemVanSoap = [opcoes] { return tarrow::ObtemVanSoap(opcoes); };

    if (variante == TVariante::Automatico) {
        oQuery.CommandTimeout = kLimiteSentencaAutomatico;
        oQuery2.CommandTimeout = kLimiteSentencaAutomatico;
        oCommand.CommandTimeout = kLimiteSentencaAutomatico;
    }
}

void TUMain::FormCreate()
{
    if (variante_ == TVariante::Automatico) janela_.DefineTitulo("TarrowKesto " + VersaoArquivo(""));

    try {
        LeConfiguracoesDaLoja();
    } catch (...) {
        // Sends made later from this window must still speak document style; nothing else of
        // the start-up runs.
        RegistraVanSoapDocumento();
        throw;
    }

    try {
        oConnect.Connect();
    } catch (const std::exception& e) {
        janela_.Mensagem(std::string("Não foi possível conectar no banco de dados.\r\nErro original: ") + e.what(),
                         "Erro", TIconeMensagem::Erro);
        janela_.SolicitaTermino();
    }

    if (!TemInternet(HostTesteInternet())) {
        janela_.Mensagem("A conexão com a internet não está ativa.\r\n"
                         "Verifique sua conexão com a internet antes de enviar as vendas ao WebService.",
                         "Atenção", TIconeMensagem::Aviso);
    }

    RegistraVanSoapDocumento();
}

void TUMain::LeConfiguracoesDaLoja()
{
    TParametrosConexao parametros;
    parametros.Database = oConnect.Database();
    parametros.Server = oConnect.Server();
    parametros.Password = oConnect.Password();
    auto aplica = [this, &parametros] {
        oConnect.SetDatabase(parametros.Database);
        oConnect.SetServer(parametros.Server);
        oConnect.SetPassword(parametros.Password);
    };
    try {
        LeConfiguracoes(diretorio_, parametros, CodLogica);
    } catch (...) {
        // What was read before the error is kept, as the design's components would keep it.
        aplica();
        throw;
    }
    aplica();
}

bool TUMain::Enviar()
{
    // The automatic sender's button goes off before the lock's statement, the send's first: a
    // store's server that cannot be reached fails there, and the button stays off until a send
    // completes.
    const bool envioHabilitado = envioHabilitado_;
    listasGravadas_.clear();
    erroLista_.clear();
    HabilitaEnvio(false);
    if (!TomaTrava()) {
        // Nothing was tried: the button is as the last send left it.
        HabilitaEnvio(envioHabilitado);
        return false;
    }
    Acompanha(TPassoEnvio::TravaTomada, TTipoMovimento::Vendas, {});
    try {
        EnviarVendas();
        EnviarDevolucoes();
    } catch (...) {
        // On a lost session the components have already reopened it, and the server dropped the
        // lock with the old one: the release has nothing to do there, and its error must not
        // hide the one that ended the send.
        try {
            LiberaTrava();
        } catch (...) {
        }
        RelancaNomeandoListas();
    }
    LiberaTrava();
    return true;
}

void TUMain::RelancaNomeandoListas() const
{
    // Where the error is shown the operator also learns where this send's given-up sales went,
    // or that their list could not be written.
    std::string listas;
    for (const std::string& nome : listasGravadas_) listas += "\r\n" + std::string(kListadas) + nome;
    if (!erroLista_.empty()) listas += "\r\n" + erroLista_;
    if (listas.empty()) throw;
    try {
        throw;
    } catch (Exception& e) {
        // The same error, so that its callers still tell a stop from a failure by its type.
        e.AppendMessage(FimDeFrase(e.Message()) + listas);
        throw;
    } catch (const std::exception& e) {
        throw Exception(e.what() + FimDeFrase(e.what()) + listas);
    }
}

std::string TUMain::NomeTrava() const
{
    // The database name may be as long as the server's limit on lock names: its hash keeps the
    // name short, and the branch makes two branches of one database independent.
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : oConnect.Database()) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "tarrow-envio." + std::string(hex) + "." + std::to_string(CodLogica);
}

bool TUMain::TomaTrava()
{
    // The server's lock is re-entrant: a second take on this connection would succeed and then
    // need a second release, so a send already under way here counts as another sender.
    if (travaTomada_) return false;
    Abre(oQuery2, SqlTomaTrava(NomeTrava()));
    const TField& campo = Campo(oQuery2, "trava");
    const bool nulo = campo.IsNull();
    const bool tomada = !nulo && campo.AsLargeint() == 1;
    oQuery2.Close();
    if (nulo) throw Exception("O servidor de banco de dados não concedeu a trava de envio " + NomeTrava() + ".");
    travaTomada_ = tomada;
    return tomada;
}

void TUMain::LiberaTrava()
{
    travaTomada_ = false;
    Abre(oQuery2, SqlLiberaTrava(NomeTrava()));
    oQuery2.Close();
}

void TUMain::EnviarVendas() { Executa(TTipoMovimento::Vendas); }
void TUMain::EnviarDevolucoes() { Executa(TTipoMovimento::Devolucoes); }

int TUMain::ContaVendas() { return Conta(TTipoMovimento::Vendas); }
int TUMain::ContaDevolucoes() { return Conta(TTipoMovimento::Devolucoes); }

std::string TUMain::FiltroOpcao(TTipoMovimento tipo)
{
    if (escolha_ == nullptr) throw Exception("FiltroOpcao: this sender has no options");
    switch (escolha_->Opcao()) {
    case TOpcaoEnvio::NumeroLancamento: {
        const std::string numero = escolha_->NumeroLancamento();
        // Whatever reaches the field, only a number may reach the statement.
        if (!SoDigitos(numero))
            throw EConvertError("Número de lançamento inválido: \"" + numero + "\". Informe apenas dígitos.");
        return FiltroNumeroLancamento(numero);
    }
    case TOpcaoEnvio::Periodo:
        return FiltroPeriodo(escolha_->DataInicial(), escolha_->DataFinal());
    case TOpcaoEnvio::Dia:
        return FiltroDia(escolha_->DataInicial());
    case TOpcaoEnvio::PendenciasRegistradas: {
        Abre(oQuery2, SqlListaPendentes(tipo));
        std::optional<std::string> lista;
        if (!oQuery2.IsEmpty()) lista = ListaIn(oQuery2, "numlanc");
        oQuery2.Close();
        return FiltroPendencias(lista);
    }
    }
    return {};
}

int TUMain::Conta(TTipoMovimento tipo)
{
    const bool pendencias = escolha_ != nullptr && escolha_->Opcao() == TOpcaoEnvio::PendenciasRegistradas;
    const std::string sql =
        pendencias ? SqlContaPendentes(tipo, CodLogica) : SqlConta(tipo, CodLogica, FiltroOpcao(tipo));
    Abre(oQuery2, sql);
    const int n = oQuery2.RecordCount();
    oQuery2.Close();
    return n;
}

std::string TUMain::Selecao(TTipoMovimento tipo)
{
    if (variante_ == TVariante::Automatico) return SqlSelecao(tipo, CodLogica);
    return SqlSelecao(tipo, CodLogica, FiltroOpcao(tipo));
}

void TUMain::Executar(const std::string& sql)
{
    oCommand.SetSQL(sql);
    oCommand.Execute();
}

void TUMain::HabilitaEnvio(bool habilitado)
{
    if (variante_ != TVariante::Automatico || habilitado == envioHabilitado_) return;
    envioHabilitado_ = habilitado;
    janela_.HabilitaEnvio(habilitado);
}

void TUMain::Executa(TTipoMovimento tipo)
{
    const bool automatico = variante_ == TVariante::Automatico;
    HabilitaEnvio(false);

    Abre(oQuery, Selecao(tipo));
    bool interrompido = false;
    if (!oQuery.IsEmpty()) {
        std::vector<std::string> falhas;
        int total = 0;
        if (!automatico) {
            total = Conta(tipo);
            janela_.IniciaProgresso(1, total, 1);
        }
        oQuery.First();
        try {
            // The branch's, the same for every sale: one that does not convert ends the send.
            const std::string cnpj = CnpjServico(Campo(oQuery, "cnpj_estabelecimento"));
            int contador = 0;
            while (!oQuery.Eof()) {
                if (Parar && Parar()) {
                    interrompido = true;
                    break;
                }
                const std::string registro =
                    Acompanhamento ? Campo(oQuery, "registro").AsString() : std::string();
                try {
                    EnviaVenda(tipo, ++contador, total, cnpj, falhas);
                } catch (...) {
                    Acompanha(TPassoEnvio::Interrompida, tipo, registro);
                    throw;
                }
            }
        } catch (...) {
            // The sales given up before the error are registered; the list must not lose them.
            if (!falhas.empty()) {
                try {
                    GravaListaPendentes(falhas);
                } catch (const std::exception& e) {
                    erroLista_ = e.what();
                }
            }
            throw;
        }
        if (!falhas.empty()) GravaListaPendentes(falhas);
    }
    oQuery.Close();

    HabilitaEnvio(true);
    if (interrompido || (Parar && Parar())) throw EEnvioInterrompido();
}

bool TUMain::Tenta(const std::function<std::int32_t(VanSoap&)>& chamada)
{
    TVanSoapRef proxy;
    for (int tentativa = 0; tentativa < kTentativas; ++tentativa) {
        if (EntreChamadas) EntreChamadas();
        if (variante_ == TVariante::Automatico) {
            // Any error ends the run: the next tick starts afresh.
            proxy = ObtemVanSoap();
            if (chamada(*proxy) == 0) return true;
            continue;
        }
        try {
            proxy = ObtemVanSoap();
            if (chamada(*proxy) == 0) return true;
        } catch (...) {
            // The manual sender counts a failed call as one refused attempt.
        }
    }
    return false;
}

void TUMain::EnviaVenda(TTipoMovimento tipo, int contador, int total, const std::string& cnpj,
                        std::vector<std::string>& falhas)
{
    const std::int64_t numlanc = Campo(oQuery, "registro").AsLargeint();
    const std::string registroTexto = Campo(oQuery, "registro").AsString();
    if (variante_ == TVariante::Manual) janela_.AvancaProgresso(TextoProgresso(tipo, contador, total));

    // Every value of the sale is converted before any of it goes out: a value the service cannot
    // take gives the whole sale up, and the run goes on with the next.
    bool convertida = true;
    std::int32_t registro = 0, maquina = 0, cupom = 0;
    std::string dataMovimento;
    try {
        registro = RegistroServico(registroTexto);
        maquina = InteiroServico(Campo(oQuery, "maquina"), "maquina");
        cupom = InteiroServico(Campo(oQuery, "cupom"), "cupom");
        dataMovimento = DataServico(Campo(oQuery, "data_movimento").AsDateTime());
    } catch (const EConvertError&) {
        convertida = false;
    }
    std::vector<TItemVenda> itens;
    std::optional<std::string> anterior;
    for (; !oQuery.Eof() && Campo(oQuery, "registro").AsLargeint() == numlanc; oQuery.Next()) {
        // The returns selection repeats a return line once per sale line of its product; the
        // line goes to the service once.
        const std::string registroItem = Campo(oQuery, "registro_item").AsString();
        const bool repetida = anterior == registroItem;
        anterior = registroItem;
        if (repetida || !convertida) continue;
        try {
            itens.push_back({RegistroServico(Campo(oQuery, "registro").AsString()),
                             InteiroServico(Campo(oQuery, "maquina"), "maquina"),
                             DataServico(Campo(oQuery, "data_movimento").AsDateTime()),
                             Campo(oQuery, "ean").AsString(), QuantidadeServico(Campo(oQuery, "quantidade")),
                             ValorServico(Campo(oQuery, "total_liquido").AsCurrency().Scaled),
                             Campo(oQuery, "aliquota_icms").AsString(), Campo(oQuery, "estoque").AsString(),
                             Campo(oQuery, "pendencia").AsString(), Campo(oQuery, "linha").AsString(),
                             PrimeiroCaractere(Campo(oQuery, "curva").AsString()),
                             Campo(oQuery, "vendedor").AsString()});
        } catch (const EConvertError&) {
            convertida = false;
        }
    }
    if (!convertida) {
        Desiste(tipo, registroTexto, falhas);
        return;
    }

    const char* tipoServico = tipo == TTipoMovimento::Vendas ? "V" : "D";
    const bool cabecalho = Tenta([&](VanSoap& van) {
        return van.inserir_vendas(registro, cnpj, maquina, cupom == 0 ? registro : cupom, dataMovimento,
                                  DataServico(Date()));
    });
    if (!cabecalho) {
        Desiste(tipo, registroTexto, falhas);
        return;
    }
    std::int32_t numero = 1;
    for (const TItemVenda& item : itens) {
        const bool aceito = Tenta([&](VanSoap& van) {
            return van.inserir_vendas_itens_V3(item.Registro, cnpj, item.Maquina, numero, item.DataMovimento, item.Ean,
                                               item.Quantidade, item.TotalLiquido, item.AliquotaIcms, item.Estoque,
                                               item.Pendencia, item.Linha, item.Curva, item.Vendedor, tipoServico);
        });
        if (!aceito) {
            Desiste(tipo, registroTexto, falhas);
            return;
        }
        ++numero;
    }
    Conclui(tipo, numlanc);
    Acompanha(TPassoEnvio::Enviada, tipo, registroTexto);
}

void TUMain::Desiste(TTipoMovimento tipo, const std::string& registro, std::vector<std::string>& falhas)
{
    falhas.push_back("Num. Lanc.: " + registro);
    Executar(SqlRegistraPendente(tipo, CodLogica, registro));
    Acompanha(TPassoEnvio::Desistida, tipo, registro);
}

void TUMain::Acompanha(TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro) const
{
    if (Acompanhamento) Acompanhamento(passo, tipo, registro);
}

void TUMain::Conclui(TTipoMovimento tipo, std::int64_t numlanc)
{
    Executar(SqlMarcaEnviada(tipo, CodLogica, numlanc));
    Abre(oQuery2, SqlBuscaPendente(tipo, CodLogica, numlanc));
    const bool registrada = !oQuery2.IsEmpty();
    oQuery2.Close();
    if (registrada) Executar(SqlFechaPendente(tipo, CodLogica, numlanc));
}

void TUMain::GravaListaPendentes(const std::vector<std::string>& falhas)
{
    const std::string nome = diretorio_ + "VendasPendentes" + FormatDateTime("yyyymmddhhnnss", Now()) + ".txt";
    // Appended, never replaced: the sales and returns runs of one send may finish in the same
    // second, and neither list may be lost.
    std::ofstream arquivo(PathFromUtf8(nome), std::ios::binary | std::ios::app);
    for (const std::string& linha : falhas) arquivo << Utf8ToCp1252(linha) << "\r\n";
    arquivo.flush();
    if (!arquivo) throw Exception("Não foi possível gravar a lista de vendas pendentes em " + nome);
    if (std::find(listasGravadas_.begin(), listasGravadas_.end(), nome) == listasGravadas_.end())
        listasGravadas_.push_back(nome);
}

}  // namespace tarrow
