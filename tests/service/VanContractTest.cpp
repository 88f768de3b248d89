#include "service/van.h"

#include <gtest/gtest.h>

#include <set>

namespace tarrow {
namespace {

TEST(VanContract, TwentyTwoOperationsInDeclarationOrder)
{
    const char* names[] = {"inserir_regioes",
                           "inserir_vendas",
                           "inserir_vendas_itens",
                           "inserir_vendas_itens_V2",
                           "inserir_vendas_itens_V3",
                           "inserir_secoes",
                           "inserir_grupos",
                           "inserir_subgrupos",
                           "inserir_tipos_fornecedores",
                           "inserir_fornecedores",
                           "inserir_produtos",
                           "inserir_produtos_vendas",
                           "inserir_produtos_fornecedores",
                           "inserir_produtos_ean",
                           "inserir_mix",
                           "inserir_mix_produtos",
                           "inserir_vendas_clientes",
                           "inserir_crm",
                           "inserir_proprietarios",
                           "inserir_lojas",
                           "pedido_compra",
                           "pedido_parcela"};
    ASSERT_EQ(VanOperations().size(), 22u);
    for (std::size_t i = 0; i < 22; ++i) {
        EXPECT_EQ(VanOperations()[i].Name, names[i]);
        EXPECT_EQ(&VanOperation(static_cast<TVanOperation>(i)), &VanOperations()[i]);
        EXPECT_EQ(VanOperations()[i].Result == TSoapResultKind::Int, i < 20) << names[i];
    }
    EXPECT_EQ(VanOperations()[20].Result, TSoapResultKind::RetornoPedido);
    EXPECT_EQ(VanOperations()[21].Result, TSoapResultKind::RetornoParcela);
}

std::string Signature(TVanOperation operation)
{
    std::string text;
    for (const TSoapParam& p : VanOperation(operation).Params) {
        static const char* types[] = {"int", "text", "double", "date-time"};
        text += std::string(p.Name) + ":" + types[static_cast<int>(p.Type)] + " ";
    }
    return text;
}

TEST(VanContract, ParametersOfTheCalledAndTheTypedOperations)
{
    EXPECT_EQ(
        Signature(TVanOperation::inserir_vendas),
        "registro:int cnpj_estabelecimento:text maquina:int cupom:int data_movimento:text data_hora:text ");
    const std::string items13 =
        "registro:int cnpj_estabelecimento:text maquina:int registro_item:int data_movimento:text ean:text "
        "quantidade:int total_liquido:text aliquota_icms:text estoque:text pendencia:text linha:text "
        "curva:text ";
    EXPECT_EQ(Signature(TVanOperation::inserir_vendas_itens), items13);
    EXPECT_EQ(Signature(TVanOperation::inserir_vendas_itens_V2), items13 + "vendedor:text ");
    EXPECT_EQ(Signature(TVanOperation::inserir_vendas_itens_V3), items13 + "vendedor:text tipo:text ");
    EXPECT_EQ(
        Signature(TVanOperation::inserir_fornecedores),
        "fornecedor:int razao_social:text nome_fantasia:text inscricao_federal:text inscricao_estadual:text "
        "regiao:int estado:text concentrador:int ");
    EXPECT_EQ(
        Signature(TVanOperation::inserir_produtos_fornecedores),
        "produto:int fornecedor:int regiao:int tipo_fornecedor:int referencia:text preco_unitario:double "
        "desconto:double aliquota_icms:double reducao_base_calculo:double pacote_fornecedor:int "
        "validade_preco_desconto:date-time ");
    EXPECT_EQ(Signature(TVanOperation::inserir_mix),
              "mix:int data:date-time fornecedor:int regiao:int validade:date-time ");
    EXPECT_EQ(Signature(TVanOperation::inserir_mix_produtos),
              "mix:int produto:int preco_unitario:double desconto:double aliquota_icms:double "
              "reducao_base_calculo:double quantidade_embalagem:int ");
    EXPECT_EQ(Signature(TVanOperation::inserir_produtos_vendas),
              "produto:int regiao:int pmc:double aliquota_icms:double ");
    EXPECT_EQ(Signature(TVanOperation::inserir_lojas), "loja:int proprietario:int regiao:int estado:text ");
    EXPECT_EQ(Signature(TVanOperation::pedido_compra), "cnpj_estabelecimento:text ");
}

TEST(VanRegistration, OneNamespaceForTheRegistrationTheActionsAndTheTypes)
{
    const TVanSoapRegistration registration = RegistroVanSoap();
    EXPECT_EQ(ServiceNamespace, "http://tempuri.org/");
    EXPECT_EQ(registration.Namespace, ServiceNamespace);
    EXPECT_EQ(registration.Encoding, "utf-8");
    EXPECT_EQ(registration.SoapActionTemplate, "http://tempuri.org/%operationName%");
    EXPECT_EQ(registration.XmlTypes[0].Name, "retorno_parcela");
    EXPECT_EQ(registration.XmlTypes[1].Name, "retorno_pedido");
    EXPECT_EQ(registration.XmlTypes[0].Namespace, ServiceNamespace);
    EXPECT_EQ(registration.XmlTypes[1].Namespace, ServiceNamespace);
    EXPECT_TRUE(registration.DocumentStyle) << "the test environment registers it, as the start-up does";
}

}  // namespace
}  // namespace tarrow
