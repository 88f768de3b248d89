#pragma once
// The proxy behind a VanSoap reference: each operation encodes its call, posts it through the
// proxy's own transport and decodes the answer. Nothing is caught or retried here.

#include "service/HttpTransport.h"
#include "service/van.h"

#include <initializer_list>
#include <optional>

namespace tarrow {

class TVanSoapProxy final : public VanSoap {
  public:
    // Binds to VanSoap: reads the namespace, the SOAPAction template and the style once.
    explicit TVanSoapProxy(const TVanSoapRegistration& registration);

    THttpTransport& Transport() noexcept { return transport_; }

    std::int32_t inserir_regioes(std::int32_t regiao, const std::string& descricao) override;
    std::int32_t inserir_vendas(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                std::int32_t maquina, std::int32_t cupom, const std::string& data_movimento,
                                const std::string& data_hora) override;
    std::int32_t inserir_vendas_itens(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                      std::int32_t maquina, std::int32_t registro_item,
                                      const std::string& data_movimento, const std::string& ean,
                                      std::int32_t quantidade, const std::string& total_liquido,
                                      const std::string& aliquota_icms, const std::string& estoque,
                                      const std::string& pendencia, const std::string& linha,
                                      const std::string& curva) override;
    std::int32_t inserir_vendas_itens_V2(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                         std::int32_t maquina, std::int32_t registro_item,
                                         const std::string& data_movimento, const std::string& ean,
                                         std::int32_t quantidade, const std::string& total_liquido,
                                         const std::string& aliquota_icms, const std::string& estoque,
                                         const std::string& pendencia, const std::string& linha,
                                         const std::string& curva, const std::string& vendedor) override;
    std::int32_t inserir_vendas_itens_V3(std::int32_t registro, const std::string& cnpj_estabelecimento,
                                         std::int32_t maquina, std::int32_t registro_item,
                                         const std::string& data_movimento, const std::string& ean,
                                         std::int32_t quantidade, const std::string& total_liquido,
                                         const std::string& aliquota_icms, const std::string& estoque,
                                         const std::string& pendencia, const std::string& linha,
                                         const std::string& curva, const std::string& vendedor,
                                         const std::string& tipo) override;
    std::int32_t inserir_secoes(std::int32_t secao, const std::string& descricao) override;
    std::int32_t inserir_grupos(std::int32_t grupo, const std::string& descricao) override;
    std::int32_t inserir_subgrupos(std::int32_t subgrupo, const std::string& descricao) override;
    std::int32_t inserir_tipos_fornecedores(std::int32_t tipo_fornecedor,
                                            const std::string& descricao) override;
    std::int32_t inserir_fornecedores(std::int32_t fornecedor, const std::string& razao_social,
                                      const std::string& nome_fantasia, const std::string& inscricao_federal,
                                      const std::string& inscricao_estadual, std::int32_t regiao,
                                      const std::string& estado, std::int32_t concentrador) override;
    std::int32_t inserir_produtos(std::int32_t produto, const std::string& descricao, std::int32_t secao,
                                  std::int32_t grupo, std::int32_t subgrupo,
                                  const std::string& lista_pnu) override;
    std::int32_t inserir_produtos_vendas(std::int32_t produto, std::int32_t regiao, double pmc,
                                         double aliquota_icms) override;
    std::int32_t inserir_produtos_fornecedores(std::int32_t produto, std::int32_t fornecedor,
                                               std::int32_t regiao, std::int32_t tipo_fornecedor,
                                               const std::string& referencia, double preco_unitario,
                                               double desconto, double aliquota_icms,
                                               double reducao_base_calculo, std::int32_t pacote_fornecedor,
                                               const TDateTime& validade_preco_desconto) override;
    std::int32_t inserir_produtos_ean(std::int32_t produto, const std::string& ean) override;
    std::int32_t inserir_mix(std::int32_t mix, const TDateTime& data, std::int32_t fornecedor,
                             std::int32_t regiao, const TDateTime& validade) override;
    std::int32_t inserir_mix_produtos(std::int32_t mix, std::int32_t produto, double preco_unitario,
                                      double desconto, double aliquota_icms, double reducao_base_calculo,
                                      std::int32_t quantidade_embalagem) override;
    std::int32_t inserir_vendas_clientes(std::int32_t registro, const std::string& inscricao_federal,
                                         const std::string& nome) override;
    std::int32_t inserir_crm(std::int32_t registro, const std::string& crm_estado,
                             const std::string& crm_numero) override;
    std::int32_t inserir_proprietarios(std::int32_t proprietario, const std::string& nome) override;
    std::int32_t inserir_lojas(std::int32_t loja, std::int32_t proprietario, std::int32_t regiao,
                               const std::string& estado) override;
    std::unique_ptr<retorno_pedido> pedido_compra(const std::string& cnpj_estabelecimento) override;
    std::unique_ptr<retorno_parcela> pedido_parcela(const std::string& cnpj_estabelecimento) override;

  private:
    std::string Invoke(TVanOperation operation, std::initializer_list<TSoapValue> arguments);
    std::int32_t CallInt(TVanOperation operation, std::initializer_list<TSoapValue> arguments);
    // The sales operations, whose 0 marks a sale relayed: only the operation's own answer counts.
    std::int32_t CallAcceptance(TVanOperation operation, std::initializer_list<TSoapValue> arguments);

    std::string namespace_;
    std::string soapActionTemplate_;
    bool documentStyle_;
    THttpTransport transport_;
};

}  // namespace tarrow
