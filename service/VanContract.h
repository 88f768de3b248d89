#pragma once
// What the web service Van offers, as data: its 22 operations in declaration order with their
// parameters, and the two records it can answer with. The encoder, the decoder and the proxy all
// read this one table, so an operation's wire form cannot drift from its declaration.

#include "platform/DateTime.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tarrow {

// The contract's value types, named after the XML Schema type they travel as.
enum class TSoapType { Int, Text, Double, DateTime };

enum class TSoapResultKind { Int, RetornoPedido, RetornoParcela };

// A date-time argument: kept apart from double so the two cannot be confused in a TSoapValue.
struct TSoapDateTime {
    TDateTime Value = 0;
};

using TSoapValue = std::variant<std::int32_t, std::string, double, TSoapDateTime>;

struct TSoapParam {
    std::string_view Name;
    TSoapType Type;
};

struct TSoapOperation {
    std::string_view Name;
    std::span<const TSoapParam> Params;
    TSoapResultKind Result;
};

// Index of each operation in VanOperations(), in the interface's declaration order.
enum class TVanOperation : std::size_t {
    inserir_regioes,
    inserir_vendas,
    inserir_vendas_itens,
    inserir_vendas_itens_V2,
    inserir_vendas_itens_V3,
    inserir_secoes,
    inserir_grupos,
    inserir_subgrupos,
    inserir_tipos_fornecedores,
    inserir_fornecedores,
    inserir_produtos,
    inserir_produtos_vendas,
    inserir_produtos_fornecedores,
    inserir_produtos_ean,
    inserir_mix,
    inserir_mix_produtos,
    inserir_vendas_clientes,
    inserir_crm,
    inserir_proprietarios,
    inserir_lojas,
    pedido_compra,
    pedido_parcela,
};

inline constexpr std::size_t kVanOperationCount = 22;

const std::array<TSoapOperation, kVanOperationCount>& VanOperations();
const TSoapOperation& VanOperation(TVanOperation operation);

// Records answered by pedido_compra and pedido_parcela; every field is text.
struct retorno_pedido {
    std::string pedido;
    std::string cnpj_estabelecimento;
    std::string cnpj_fornecedor;
    std::string data;
    std::string item;
    std::string ean;
    std::string quantidade;
    std::string valor_unitario;
    std::string desconto;
    std::string aliquota_icms;
    std::string situacao_tributaria;
};

struct retorno_parcela {
    std::string pedido;
    std::string cnpj_estabelecimento;
    std::string cnpj_fornecedor;
    std::string parcela;
    std::string vencimento;
    std::string valor;
};

// The child elements of a decoded record, by local name, in document order.
using TSoapFields = std::vector<std::pair<std::string, std::string>>;

// Fields are matched by name without regard to case; unknown ones are ignored and missing ones
// stay empty.
retorno_pedido RetornoPedidoFromFields(const TSoapFields& fields);
retorno_parcela RetornoParcelaFromFields(const TSoapFields& fields);

}  // namespace tarrow
