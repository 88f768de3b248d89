#pragma once
// The web service Van: the interface VanSoap the relay calls, its registration, and the factory
// that hands out one fresh proxy per call attempt.

#include "service/EndpointConfig.h"
#include "service/HttpRules.h"
#include "service/VanContract.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarrow {

// The URI under which the service publishes its operations: the registration, every SOAPAction and
// every request body use this one value.
inline constexpr std::string_view ServiceNamespace = "http://tempuri.org/";

class VanSoap {
  public:
    virtual ~VanSoap() = default;

    virtual std::int32_t inserir_regioes(std::int32_t regiao, const std::string& descricao) = 0;
    virtual std::int32_t inserir_vendas(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                        std::int32_t maquina, std::int32_t cupom,
                                        const std::string& data_movimento, const std::string& data_hora) = 0;
    virtual std::int32_t inserir_vendas_itens(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                              std::int32_t maquina, std::int32_t registro_item,
                                              const std::string& data_movimento, const std::string& ean,
                                              std::int32_t quantidade, const std::string& total_liquido,
                                              const std::string& aliquota_icms, const std::string& estoque,
                                              const std::string& pendencia, const std::string& linha,
                                              const std::string& curva) = 0;
    virtual std::int32_t inserir_vendas_itens_V2(std::int32_t registro,
                                                 const std::string& cnpj_estabelecimento,
                                                 std::int32_t maquina, std::int32_t registro_item,
                                                 const std::string& data_movimento, const std::string& ean,
                                                 std::int32_t quantidade, const std::string& total_liquido,
                                                 const std::string& aliquota_icms, const std::string& estoque,
                                                 const std::string& pendencia, const std::string& linha,
                                                 const std::string& curva, const std::string& vendedor) = 0;
    virtual std::int32_t inserir_vendas_itens_V3(
        std::int32_t registro, const std::string& cnpj_estabelecimento, std::int32_t maquina,
        std::int32_t registro_item, const std::string& data_movimento, const std::string& ean,
        std::int32_t quantidade, const std::string& total_liquido, const std::string& aliquota_icms,
        const std::string& estoque, const std::string& pendencia, const std::string& linha,
        const std::string& curva, const std::string& vendedor, const std::string& tipo) = 0;
    virtual std::int32_t inserir_secoes(std::int32_t secao, const std::string& descricao) = 0;
    virtual std::int32_t inserir_grupos(std::int32_t grupo, const std::string& descricao) = 0;
    virtual std::int32_t inserir_subgrupos(std::int32_t subgrupo, const std::string& descricao) = 0;
    virtual std::int32_t inserir_tipos_fornecedores(std::int32_t tipo_fornecedor,
                                                    const std::string& descricao) = 0;
    virtual std::int32_t inserir_fornecedores(std::int32_t fornecedor, const std::string& razao_social,
                                              const std::string& nome_fantasia,
                                              const std::string& inscricao_federal,
                                              const std::string& inscricao_estadual, std::int32_t regiao,
                                              const std::string& estado, std::int32_t concentrador) = 0;
    virtual std::int32_t inserir_produtos(std::int32_t produto, const std::string& descricao,
                                          std::int32_t secao, std::int32_t grupo, std::int32_t subgrupo,
                                          const std::string& lista_pnu) = 0;
    virtual std::int32_t inserir_produtos_vendas(std::int32_t produto, std::int32_t regiao, double pmc,
                                                 double aliquota_icms) = 0;
    virtual std::int32_t inserir_produtos_fornecedores(std::int32_t produto, std::int32_t fornecedor,
                                                       std::int32_t regiao, std::int32_t tipo_fornecedor,
                                                       const std::string& referencia, double preco_unitario,
                                                       double desconto, double aliquota_icms,
                                                       double reducao_base_calculo,
                                                       std::int32_t pacote_fornecedor,
                                                       const TDateTime& validade_preco_desconto) = 0;
    virtual std::int32_t inserir_produtos_ean(std::int32_t produto, const std::string& ean) = 0;
    virtual std::int32_t inserir_mix(std::int32_t mix, const TDateTime& data, std::int32_t fornecedor,
                                     std::int32_t regiao, const TDateTime& validade) = 0;
    virtual std::int32_t inserir_mix_produtos(std::int32_t mix, std::int32_t produto, double preco_unitario,
                                              double desconto, double aliquota_icms,
                                              double reducao_base_calculo,
                                              std::int32_t quantidade_embalagem) = 0;
    virtual std::int32_t inserir_vendas_clientes(std::int32_t registro, const std::string& inscricao_federal,
                                                 const std::string& nome) = 0;
    virtual std::int32_t inserir_crm(std::int32_t registro, const std::string& crm_estado,
                                     const std::string& crm_numero) = 0;
    virtual std::int32_t inserir_proprietarios(std::int32_t proprietario, const std::string& nome) = 0;
    virtual std::int32_t inserir_lojas(std::int32_t loja, std::int32_t proprietario, std::int32_t regiao,
                                       const std::string& estado) = 0;
    // The caller owns the record; an answer without one gives an empty pointer.
    virtual std::unique_ptr<retorno_pedido> pedido_compra(const std::string& cnpj_estabelecimento) = 0;
    virtual std::unique_ptr<retorno_parcela> pedido_parcela(const std::string& cnpj_estabelecimento) = 0;
};

// ---- registration ------------------------------------------------------------------------------

struct TXmlTypeRegistration {
    std::string_view Name;
    std::string_view Namespace;
};

// What a proxy reads when it binds to VanSoap.
struct TVanSoapRegistration {
    std::string Namespace;                         // ServiceNamespace
    std::string Encoding;                          // "utf-8"
    std::string SoapActionTemplate;                // ServiceNamespace followed by "%operationName%"
    std::array<TXmlTypeRegistration, 2> XmlTypes;  // retorno_parcela, then retorno_pedido
    bool DocumentStyle = false;
};

TVanSoapRegistration RegistroVanSoap();

// Marks VanSoap for document-style calls; the start-up does this once, before any send. Proxies
// bound before the mark (or without it) refuse to call, since no other message form is built.
void RegistraVanSoapDocumento();

// ---- the reference a caller holds ---------------------------------------------------------------

// The only reference to one proxy: releasing it destroys the proxy with its transport. Calling
// through an empty reference raises an error instead of crashing.
class TVanSoapRef {
  public:
    TVanSoapRef() = default;
    explicit TVanSoapRef(std::unique_ptr<VanSoap> proxy) : proxy_(std::move(proxy)) {}

    VanSoap* operator->() const;
    VanSoap& operator*() const { return *operator->(); }
    VanSoap* get() const noexcept { return proxy_.get(); }
    explicit operator bool() const noexcept { return proxy_ != nullptr; }
    void reset() noexcept { proxy_.reset(); }

  private:
    std::unique_ptr<VanSoap> proxy_;
};

inline constexpr const char* kMensagemProxyVazio = "No web service proxy: the call to VanSoap cannot be made";

// ---- the factory -------------------------------------------------------------------------------

// How the calling program wants its proxies made.
struct TOpcoesVanSoap {
    THttpTimeouts Tempos;        // 0 each: the HTTP library's defaults
    std::string ArquivoConf;     // "": Tarrow.conf in the program's directory
    TDecifraSenha DecifraSenha;  // deciphers Tarrow.conf's ProxySenha
};

// The manual sender: 60000 ms to connect, to send and to receive.
TOpcoesVanSoap OpcoesVanSoapManual();
// The unattended sender: no operator can cancel a call that hangs, so its limits are finite too
// (the library would wait for an answer for ever): 60 s to connect, 300 s of silence while sending
// or receiving.
TOpcoesVanSoap OpcoesVanSoapAutomatico();

// Reads the address from Tarrow.conf (writing the default there when it reads as empty), creates
// and binds a proxy, gives its transport the options' time-outs, the file's certificate check and
// the address. Raises EIniFileException when the default cannot be written, and the transport's
// invalid-url error.
TVanSoapRef CriaVanSoap(const TOpcoesVanSoap& opcoes);

// CriaVanSoap that never raises: an empty reference when the default could not be written, the
// bound proxy (whose every call fails) when the address was refused.
TVanSoapRef ObtemVanSoap(const TOpcoesVanSoap& opcoes) noexcept;

}  // namespace tarrow
