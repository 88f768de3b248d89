#include "service/VanProxy.h"

#include "platform/Errors.h"
#include "service/SoapDecoder.h"
#include "service/SoapEncoder.h"

#include <vector>

namespace tarrow {

namespace {

using Op = TVanOperation;
using S = std::string;

TSoapValue Date(const TDateTime& value)
{
    return TSoapDateTime{value};
}

}  // namespace

TVanSoapProxy::TVanSoapProxy(const TVanSoapRegistration& registration)
    : namespace_(registration.Namespace), soapActionTemplate_(registration.SoapActionTemplate),
      documentStyle_(registration.DocumentStyle)
{
}

std::string TVanSoapProxy::Invoke(TVanOperation operation, std::initializer_list<TSoapValue> arguments)
{
    if (!documentStyle_)
        throw Exception("VanSoap is not registered for document style: the call cannot be encoded");
    const TSoapOperation& op = VanOperation(operation);
    const std::vector<TSoapValue> values(arguments);
    const std::string request = EncodeSoapRequest(op, values, namespace_);
    transport_.SetSoapAction(SoapActionFor(soapActionTemplate_, op.Name));
    return transport_.Execute(request);
}

std::int32_t TVanSoapProxy::CallInt(TVanOperation operation, std::initializer_list<TSoapValue> arguments)
{
    return DecodeIntResponse(Invoke(operation, arguments));
}

std::int32_t TVanSoapProxy::CallAcceptance(TVanOperation operation, std::initializer_list<TSoapValue> arguments)
{
    const std::string answer = Invoke(operation, arguments);
    // A 500 lets a fault through to the decoder; anything else under it is a server in trouble,
    // never an answer of the service.
    if (transport_.Status() == 500 && !HoldsSoapFault(answer)) {
        throw ESOAPHTTPException(StatusErrorMessage(transport_.StatusText(), 500, transport_.URL()), 500);
    }
    return DecodeAcceptanceResponse(answer, VanOperation(operation).Name);
}

std::int32_t TVanSoapProxy::inserir_regioes(std::int32_t regiao, const S& descricao)
{
    return CallInt(Op::inserir_regioes, {regiao, descricao});
}

std::int32_t TVanSoapProxy::inserir_vendas(std::int32_t registro, const S& cnpj_estabelecimento,
                                           std::int32_t maquina, std::int32_t cupom, const S& data_movimento,
                                           const S& data_hora)
{
    return CallAcceptance(Op::inserir_vendas,
                   {registro, cnpj_estabelecimento, maquina, cupom, data_movimento, data_hora});
}

std::int32_t TVanSoapProxy::inserir_vendas_itens(std::int32_t registro, const S& cnpj_estabelecimento,
                                                 std::int32_t maquina, std::int32_t registro_item,
                                                 const S& data_movimento, const S& ean,
                                                 std::int32_t quantidade, const S& total_liquido,
                                                 const S& aliquota_icms, const S& estoque, const S& pendencia,
                                                 const S& linha, const S& curva)
{
    return CallInt(Op::inserir_vendas_itens,
                   {registro, cnpj_estabelecimento, maquina, registro_item, data_movimento, ean, quantidade,
                    total_liquido, aliquota_icms, estoque, pendencia, linha, curva});
}

std::int32_t TVanSoapProxy::inserir_vendas_itens_V2(std::int32_t registro, const S& cnpj_estabelecimento,
                                                    std::int32_t maquina, std::int32_t registro_item,
                                                    const S& data_movimento, const S& ean,
                                                    std::int32_t quantidade, const S& total_liquido,
                                                    const S& aliquota_icms, const S& estoque,
                                                    const S& pendencia, const S& linha, const S& curva,
                                                    const S& vendedor)
{
    return CallInt(Op::inserir_vendas_itens_V2,
                   {registro, cnpj_estabelecimento, maquina, registro_item, data_movimento, ean, quantidade,
                    total_liquido, aliquota_icms, estoque, pendencia, linha, curva, vendedor});
}

std::int32_t TVanSoapProxy::inserir_vendas_itens_V3(std::int32_t registro, const S& cnpj_estabelecimento,
                                                    std::int32_t maquina, std::int32_t registro_item,
                                                    const S& data_movimento, const S& ean,
                                                    std::int32_t quantidade, const S& total_liquido,
                                                    const S& aliquota_icms, const S& estoque,
                                                    const S& pendencia, const S& linha, const S& curva,
                                                    const S& vendedor, const S& tipo)
{
    return CallAcceptance(Op::inserir_vendas_itens_V3,
                   {registro, cnpj_estabelecimento, maquina, registro_item, data_movimento, ean, quantidade,
                    total_liquido, aliquota_icms, estoque, pendencia, linha, curva, vendedor, tipo});
}

std::int32_t TVanSoapProxy::inserir_secoes(std::int32_t secao, const S& descricao)
{
    return CallInt(Op::inserir_secoes, {secao, descricao});
}

std::int32_t TVanSoapProxy::inserir_grupos(std::int32_t grupo, const S& descricao)
{
    return CallInt(Op::inserir_grupos, {grupo, descricao});
}

std::int32_t TVanSoapProxy::inserir_subgrupos(std::int32_t subgrupo, const S& descricao)
{
    return CallInt(Op::inserir_subgrupos, {subgrupo, descricao});
}

std::int32_t TVanSoapProxy::inserir_tipos_fornecedores(std::int32_t tipo_fornecedor, const S& descricao)
{
    return CallInt(Op::inserir_tipos_fornecedores, {tipo_fornecedor, descricao});
}

std::int32_t TVanSoapProxy::inserir_fornecedores(std::int32_t fornecedor, const S& razao_social,
                                                 const S& nome_fantasia, const S& inscricao_federal,
                                                 const S& inscricao_estadual, std::int32_t regiao,
                                                 const S& estado, std::int32_t concentrador)
{
    return CallInt(Op::inserir_fornecedores, {fornecedor, razao_social, nome_fantasia, inscricao_federal,
                                              inscricao_estadual, regiao, estado, concentrador});
}

std::int32_t TVanSoapProxy::inserir_produtos(std::int32_t produto, const S& descricao, std::int32_t secao,
                                             std::int32_t grupo, std::int32_t subgrupo, const S& lista_pnu)
{
    return CallInt(Op::inserir_produtos, {produto, descricao, secao, grupo, subgrupo, lista_pnu});
}

std::int32_t TVanSoapProxy::inserir_produtos_vendas(std::int32_t produto, std::int32_t regiao, double pmc,
                                                    double aliquota_icms)
{
    return CallInt(Op::inserir_produtos_vendas, {produto, regiao, pmc, aliquota_icms});
}

std::int32_t TVanSoapProxy::inserir_produtos_fornecedores(
    std::int32_t produto, std::int32_t fornecedor, std::int32_t regiao, std::int32_t tipo_fornecedor,
    const S& referencia, double preco_unitario, double desconto, double aliquota_icms,
    double reducao_base_calculo, std::int32_t pacote_fornecedor, const TDateTime& validade_preco_desconto)
{
    return CallInt(Op::inserir_produtos_fornecedores,
                   {produto, fornecedor, regiao, tipo_fornecedor, referencia, preco_unitario, desconto,
                    aliquota_icms, reducao_base_calculo, pacote_fornecedor, Date(validade_preco_desconto)});
}

std::int32_t TVanSoapProxy::inserir_produtos_ean(std::int32_t produto, const S& ean)
{
    return CallInt(Op::inserir_produtos_ean, {produto, ean});
}

std::int32_t TVanSoapProxy::inserir_mix(std::int32_t mix, const TDateTime& data, std::int32_t fornecedor,
                                        std::int32_t regiao, const TDateTime& validade)
{
    return CallInt(Op::inserir_mix, {mix, Date(data), fornecedor, regiao, Date(validade)});
}

std::int32_t TVanSoapProxy::inserir_mix_produtos(std::int32_t mix, std::int32_t produto,
                                                 double preco_unitario, double desconto, double aliquota_icms,
                                                 double reducao_base_calculo,
                                                 std::int32_t quantidade_embalagem)
{
    return CallInt(Op::inserir_mix_produtos, {mix, produto, preco_unitario, desconto, aliquota_icms,
                                              reducao_base_calculo, quantidade_embalagem});
}

std::int32_t TVanSoapProxy::inserir_vendas_clientes(std::int32_t registro, const S& inscricao_federal,
                                                    const S& nome)
{
    return CallInt(Op::inserir_vendas_clientes, {registro, inscricao_federal, nome});
}

std::int32_t TVanSoapProxy::inserir_crm(std::int32_t registro, const S& crm_estado, const S& crm_numero)
{
    return CallInt(Op::inserir_crm, {registro, crm_estado, crm_numero});
}

std::int32_t TVanSoapProxy::inserir_proprietarios(std::int32_t proprietario, const S& nome)
{
    return CallInt(Op::inserir_proprietarios, {proprietario, nome});
}

std::int32_t TVanSoapProxy::inserir_lojas(std::int32_t loja, std::int32_t proprietario, std::int32_t regiao,
                                          const S& estado)
{
    return CallInt(Op::inserir_lojas, {loja, proprietario, regiao, estado});
}

std::unique_ptr<retorno_pedido> TVanSoapProxy::pedido_compra(const S& cnpj_estabelecimento)
{
    auto fields = DecodeRecordResponse(Invoke(Op::pedido_compra, {cnpj_estabelecimento}));
    if (!fields) return nullptr;
    return std::make_unique<retorno_pedido>(RetornoPedidoFromFields(*fields));
}

std::unique_ptr<retorno_parcela> TVanSoapProxy::pedido_parcela(const S& cnpj_estabelecimento)
{
    auto fields = DecodeRecordResponse(Invoke(Op::pedido_parcela, {cnpj_estabelecimento}));
    if (!fields) return nullptr;
    return std::make_unique<retorno_parcela>(RetornoParcelaFromFields(*fields));
}

}  // namespace tarrow
