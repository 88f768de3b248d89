#include "tests/ui/UiHarness.h"

namespace tarrow::test {

void Cadastra(TLoja& loja)
{
    loja.Sql(R"(
INSERT INTO filial VALUES (12, 'Loja Centro', '11222333000181');
INSERT INTO totalfisc VALUES ('T18', 18.00, 'N');
INSERT INTO produto VALUES (1, 'Dipirona sódica', '7891234567895', 4, 'ABC', 'T18'),
                           (2, 'Soro fisiológico', '7890000000024', 7, 'C', 'T18');
INSERT INTO estoque_minimo VALUES (12, 1, 40), (12, 2, 5))");
}

std::string Linha(std::int64_t numlanc, int produto, const char* quantidade, const char* preco, const char* quando)
{
    const bool devolucao = std::string(quantidade).starts_with("-");
    return "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni, preco_unit,"
           " usuario_id, oper, cancelado, entrega) VALUES (" +
           std::to_string(numlanc) + ", 12, 3, 5000, '" + quando + "', " + std::to_string(produto) + ", " + quantidade +
           ", " + preco + ", 21, 2, " + (devolucao ? "'S'" : "'N'") + ", 'N')";
}

std::string Marcas(TLoja& loja, std::int64_t numlanc)
{
    return loja.Sql("SELECT coalesce(lojas_leram2, '-') FROM movment WHERE numlanc = " + std::to_string(numlanc) +
                    " ORDER BY movment_id");
}

void AntesDeCadaChamada(TUMain& logica, std::function<void()> acao)
{
    logica.ObtemVanSoap = [original = logica.ObtemVanSoap, acao = std::move(acao)] {
        acao();
        return original();
    };
}

}  // namespace tarrow::test
