#include "service/VanContract.h"

#include "platform/Text.h"

#include <cctype>

namespace tarrow {

namespace {

constexpr TSoapType I = TSoapType::Int;
constexpr TSoapType T = TSoapType::Text;
constexpr TSoapType D = TSoapType::Double;
constexpr TSoapType DT = TSoapType::DateTime;

constexpr TSoapParam kInserirRegioes[] = {{"regiao", I}, {"descricao", T}};
constexpr TSoapParam kInserirVendas[] = {{"registro", I}, {"cnpj_estabelecimento", T}, {"maquina", I},
                                         {"cupom", I},    {"data_movimento", T},       {"data_hora", T}};
// The three generations of the item call share their first 13 parameters.
constexpr TSoapParam kInserirVendasItensV3[] = {{"registro", I},
                                                {"cnpj_estabelecimento", T},
                                                {"maquina", I},
                                                {"registro_item", I},
                                                {"data_movimento", T},
                                                {"ean", T},
                                                {"quantidade", I},
                                                {"total_liquido", T},
                                                {"aliquota_icms", T},
                                                {"estoque", T},
                                                {"pendencia", T},
                                                {"linha", T},
                                                {"curva", T},
                                                {"vendedor", T},
                                                {"tipo", T}};
constexpr TSoapParam kInserirSecoes[] = {{"secao", I}, {"descricao", T}};
constexpr TSoapParam kInserirGrupos[] = {{"grupo", I}, {"descricao", T}};
constexpr TSoapParam kInserirSubgrupos[] = {{"subgrupo", I}, {"descricao", T}};
constexpr TSoapParam kInserirTiposFornecedores[] = {{"tipo_fornecedor", I}, {"descricao", T}};
constexpr TSoapParam kInserirFornecedores[] = {
    {"fornecedor", I},         {"razao_social", T}, {"nome_fantasia", T}, {"inscricao_federal", T},
    {"inscricao_estadual", T}, {"regiao", I},       {"estado", T},        {"concentrador", I}};
constexpr TSoapParam kInserirProdutos[] = {{"produto", I}, {"descricao", T}, {"secao", I},
                                           {"grupo", I},   {"subgrupo", I},  {"lista_pnu", T}};
constexpr TSoapParam kInserirProdutosVendas[] = {
    {"produto", I}, {"regiao", I}, {"pmc", D}, {"aliquota_icms", D}};
constexpr TSoapParam kInserirProdutosFornecedores[] = {{"produto", I},
                                                       {"fornecedor", I},
                                                       {"regiao", I},
                                                       {"tipo_fornecedor", I},
                                                       {"referencia", T},
                                                       {"preco_unitario", D},
                                                       {"desconto", D},
                                                       {"aliquota_icms", D},
                                                       {"reducao_base_calculo", D},
                                                       {"pacote_fornecedor", I},
                                                       {"validade_preco_desconto", DT}};
constexpr TSoapParam kInserirProdutosEan[] = {{"produto", I}, {"ean", T}};
constexpr TSoapParam kInserirMix[] = {
    {"mix", I}, {"data", DT}, {"fornecedor", I}, {"regiao", I}, {"validade", DT}};
constexpr TSoapParam kInserirMixProdutos[] = {{"mix", I},
                                              {"produto", I},
                                              {"preco_unitario", D},
                                              {"desconto", D},
                                              {"aliquota_icms", D},
                                              {"reducao_base_calculo", D},
                                              {"quantidade_embalagem", I}};
constexpr TSoapParam kInserirVendasClientes[] = {{"registro", I}, {"inscricao_federal", T}, {"nome", T}};
constexpr TSoapParam kInserirCrm[] = {{"registro", I}, {"crm_estado", T}, {"crm_numero", T}};
constexpr TSoapParam kInserirProprietarios[] = {{"proprietario", I}, {"nome", T}};
constexpr TSoapParam kInserirLojas[] = {{"loja", I}, {"proprietario", I}, {"regiao", I}, {"estado", T}};
constexpr TSoapParam kPedido[] = {{"cnpj_estabelecimento", T}};

constexpr std::span<const TSoapParam> First(std::span<const TSoapParam> params, std::size_t n)
{
    return params.first(n);
}

constexpr TSoapResultKind kInt = TSoapResultKind::Int;

const std::array<TSoapOperation, kVanOperationCount> kOperations = {{
    {"inserir_regioes", kInserirRegioes, kInt},
    {"inserir_vendas", kInserirVendas, kInt},
    {"inserir_vendas_itens", First(kInserirVendasItensV3, 13), kInt},
    {"inserir_vendas_itens_V2", First(kInserirVendasItensV3, 14), kInt},
    {"inserir_vendas_itens_V3", kInserirVendasItensV3, kInt},
    {"inserir_secoes", kInserirSecoes, kInt},
    {"inserir_grupos", kInserirGrupos, kInt},
    {"inserir_subgrupos", kInserirSubgrupos, kInt},
    {"inserir_tipos_fornecedores", kInserirTiposFornecedores, kInt},
    {"inserir_fornecedores", kInserirFornecedores, kInt},
    {"inserir_produtos", kInserirProdutos, kInt},
    {"inserir_produtos_vendas", kInserirProdutosVendas, kInt},
    {"inserir_produtos_fornecedores", kInserirProdutosFornecedores, kInt},
    {"inserir_produtos_ean", kInserirProdutosEan, kInt},
    {"inserir_mix", kInserirMix, kInt},
    {"inserir_mix_produtos", kInserirMixProdutos, kInt},
    {"inserir_vendas_clientes", kInserirVendasClientes, kInt},
    {"inserir_crm", kInserirCrm, kInt},
    {"inserir_proprietarios", kInserirProprietarios, kInt},
    {"inserir_lojas", kInserirLojas, kInt},
    {"pedido_compra", kPedido, TSoapResultKind::RetornoPedido},
    {"pedido_parcela", kPedido, TSoapResultKind::RetornoParcela},
}};


template <typename Record, std::size_t N>
Record FromFields(const TSoapFields& fields,
                  const std::pair<std::string_view, std::string Record::*> (&map)[N])
{
    Record record;
    for (const auto& [name, member] : map) {
        for (const auto& [fieldName, text] : fields) {
            if (SameText(fieldName, name)) {
                record.*member = text;
                break;
            }
        }
    }
    return record;
}

}  // namespace

const std::array<TSoapOperation, kVanOperationCount>& VanOperations()
{
    return kOperations;
}

const TSoapOperation& VanOperation(TVanOperation operation)
{
    return kOperations.at(static_cast<std::size_t>(operation));
}

retorno_pedido RetornoPedidoFromFields(const TSoapFields& fields)
{
    using R = retorno_pedido;
    static constexpr std::pair<std::string_view, std::string R::*> map[] = {
        {"pedido", &R::pedido},
        {"cnpj_estabelecimento", &R::cnpj_estabelecimento},
        {"cnpj_fornecedor", &R::cnpj_fornecedor},
        {"data", &R::data},
        {"item", &R::item},
        {"ean", &R::ean},
        {"quantidade", &R::quantidade},
        {"valor_unitario", &R::valor_unitario},
        {"desconto", &R::desconto},
        {"aliquota_icms", &R::aliquota_icms},
        {"situacao_tributaria", &R::situacao_tributaria},
    };
    return FromFields(fields, map);
}

retorno_parcela RetornoParcelaFromFields(const TSoapFields& fields)
{
    using R = retorno_parcela;
    static constexpr std::pair<std::string_view, std::string R::*> map[] = {
        {"pedido", &R::pedido},
        {"cnpj_estabelecimento", &R::cnpj_estabelecimento},
        {"cnpj_fornecedor", &R::cnpj_fornecedor},
        {"parcela", &R::parcela},
        {"vencimento", &R::vencimento},
        {"valor", &R::valor},
    };
    return FromFields(fields, map);
}

}  // namespace tarrow
