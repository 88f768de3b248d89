// The statements run as they are against a real server: they must parse, and select, count, mark
// and register exactly the rows the relay relies on.
#include "relay/Sentencas.h"

#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

using test::TScratchDatabase;
using test::TTestServer;

const TDateTime kHoje = EncodeDate(2026, 12, 9);

class SentencasNoBanco : public ::testing::Test {
protected:
    SentencasNoBanco() : db_(TTestServer::FromEnvironment()), clock_(kHoje + 0.6)
    {
        db_.Run(test::StoreSchemaSql());
        db_.Run(R"(
INSERT INTO filial VALUES (12, 'Loja Centro', '11222333000181'), (13, 'Loja Norte', '191');
INSERT INTO totalfisc VALUES ('T18', 18.00, 'N'), ('T18', 25.00, 'S'), ('F', NULL, 'N');
INSERT INTO produto VALUES (1, 'Dipirona', '7891234567895', 4, 'ABC', 'T18'),
                           (2, 'Curativo', '7890000000017', NULL, NULL, 'F');
INSERT INTO estoque_minimo VALUES (12, 1, 40), (12, 2, NULL);
INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni, preco_unit,
                     usuario_id, oper, cancelado, entrega, dtchegada_entrega, lojas_leram2) VALUES
 (100, 12, 1, 5001, '2026-12-09 09:10:00', 1,  2, 7.50, 3, 2, 'N', 'N', NULL, NULL),
 (100, 12, 1, 5001, '2026-12-09 09:10:00', 2,  1, 3.20, 3, 2, 'N', 'N', NULL, NULL),
 (100, 12, 1, 5001, '2026-12-09 09:10:00', 2,  1, 3.20, 3, 2, 'S', 'N', NULL, NULL),
 (101, 12, 1, 5002, '2026-12-09 10:00:00', 1,  1, 7.50, 3, 2, 'N', 'S', NULL, NULL),
 (102, 12, 2, 7001, '2026-12-09 11:00:00', 1,  3, 7.50, 4, 3, 'N', 'S', '2026-12-09 15:00:00', ''),
 (103, 12, 1, 5003, '2026-12-09 12:00:00', 1,  1, 7.50, 3, 2, 'N', 'N', NULL, 'V'),
 (104, 13, 1, 9001, '2026-12-09 12:00:00', 1,  1, 7.50, 3, 2, 'N', 'N', NULL, NULL),
 (105, 12, 1, 4999, '2026-12-08 18:00:00', 2,  2, 3.20, 3, 2, 'N', 'N', NULL, NULL),
 (106, 12, 1, 5004, '2026-12-09 13:00:00', 1,  1, 7.50, 3, 5, 'N', 'N', NULL, NULL),
 (107, 12, 1, 5005, '2026-12-09 14:00:00', 2,  1, 3.20, 3, 2, 'S', 'N', NULL, NULL),
 (100, 12, 1, 6001, '2026-12-09 16:00:00', 1, -1, 7.50, 3, 2, 'S', 'N', NULL, NULL);
)");
    }

    std::string Run(const std::string& sql) { return db_.Run(sql + ";\n"); }

    // The first column of every row, one per line (a derived table would lose the order by).
    std::string Registros(const std::string& sql)
    {
        std::string out;
        const std::string rows = Run(sql);
        std::size_t pos = 0;
        while (pos < rows.size()) {
            const std::size_t end = rows.find('\n', pos);
            out += rows.substr(pos, rows.find('\t', pos) < end ? rows.find('\t', pos) - pos : end - pos) + "\n";
            pos = end + 1;
        }
        return out;
    }

    TScratchDatabase db_;
    TScopedClock clock_;
};

TEST_F(SentencasNoBanco, TodaysSalesAreTheUnrelayedLinesInReleaseNumberOrderWithTheValuesTheRunSends)
{
    // Absent: the cancelled line of 100, the undelivered 101, the relayed 103, the other branch's
    // 104, yesterday's 105, the other operation's 106 and the cancelled 107.
    EXPECT_EQ(Run(SqlVendas(12)),
              "100\t11222333000181\t1\t5001\t2026-12-09 09:10:00\t1\t7891234567895\t2.000\t15.00000\t18.00\t40\t0\t4\tABC\t3\tNULL\n"
              "100\t11222333000181\t1\t5001\t2026-12-09 09:10:00\t2\t7890000000017\t1.000\t3.20000\t0.00\tNULL\t0\t0\tD\t3\tNULL\n"
              "102\t11222333000181\t2\t7001\t2026-12-09 11:00:00\t5\t7891234567895\t3.000\t22.50000\t18.00\t40\t0\t4\tABC\t4\t\n");
}

TEST_F(SentencasNoBanco, ReturnsTakeTheCouponOfTheSaleLineTheyReturn)
{
    EXPECT_EQ(Run(SqlDevolucoes(12)),
              "100\t11222333000181\t1\t5001\t2026-12-09 16:00:00\t11\t7891234567895\t1.000\t7.50000\t18.00\t40\t0\t4\tABC\t3\tNULL\n");
}

TEST_F(SentencasNoBanco, ManualPeriodAndCounts)
{
    const std::string periodo = FiltroPeriodo(kHoje - 1, kHoje);
    EXPECT_EQ(Registros(SqlSelecao(TTipoMovimento::Vendas, 12, periodo)), "100\n100\n102\n105\n");
    // The count has no condition on cancelado: sale 107, whose only line is cancelled, counts.
    EXPECT_EQ(Run(SqlConta(TTipoMovimento::Vendas, 12, periodo)), "100\n102\n105\n107\n");
    EXPECT_EQ(Run(SqlConta(TTipoMovimento::Devolucoes, 12, periodo)), "100\n");
    EXPECT_EQ(Run(SqlConta(TTipoMovimento::Vendas, 12, FiltroNumeroLancamento("101"))), "");
    EXPECT_EQ(Run(SqlConta(TTipoMovimento::Vendas, 12, FiltroPendencias(std::nullopt))), "");
    EXPECT_EQ(Registros(SqlSelecao(TTipoMovimento::Vendas, 12, FiltroPendencias("(105,102)"))), "102\n105\n");
}

TEST_F(SentencasNoBanco, MarkingASaleMarksEveryPositiveLineOfItIncludingCancelledOnes)
{
    Run(SqlMarcaEnviada(TTipoMovimento::Vendas, 12, 100));
    EXPECT_EQ(Run("SELECT quanti_uni, cancelado, coalesce(lojas_leram2, '-') FROM movment WHERE numlanc = 100"
                  " ORDER BY movment_id"),
              "2.000\tN\tV\n1.000\tN\tV\n1.000\tS\tV\n-1.000\tS\t-\n");
    EXPECT_EQ(Registros(SqlVendas(12)), "102\n");
    Run(SqlMarcaEnviada(TTipoMovimento::Devolucoes, 12, 100));
    EXPECT_EQ(Run(SqlDevolucoes(12)), "");
}

TEST_F(SentencasNoBanco, RegistryHoldsOneOpenRowPerSaleAndClosesThemAllAtOnce)
{
    Run(SqlRegistraPendente(TTipoMovimento::Vendas, 12, "100"));
    Run(SqlRegistraPendente(TTipoMovimento::Vendas, 12, "100"));
    Run(SqlRegistraPendente(TTipoMovimento::Devolucoes, 12, "100"));
    Run(SqlRegistraPendente(TTipoMovimento::Vendas, 13, "100"));
    EXPECT_EQ(Run("SELECT filial_id, numlanc, devolucao, enviado FROM van_pendentes ORDER BY van_pendentes_id"),
              "12\t100\tN\tN\n12\t100\tS\tN\n13\t100\tN\tN\n");
    // Repeats left by earlier versions are closed with the rest, and counted once.
    Run("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (12, 100, 'N', 'N')");
    EXPECT_EQ(Run(SqlContaPendentes(TTipoMovimento::Vendas, 12)), "100\n");
    EXPECT_EQ(Run(SqlBuscaPendente(TTipoMovimento::Vendas, 12, 100)), "1\n4\n");
    Run(SqlFechaPendente(TTipoMovimento::Vendas, 12, 100));
    EXPECT_EQ(Run("SELECT enviado FROM van_pendentes ORDER BY van_pendentes_id"), "S\nN\nN\nS\n");
    EXPECT_EQ(Run(SqlBuscaPendente(TTipoMovimento::Vendas, 12, 100)), "");
    // A sale that fails again after it went through is registered anew.
    Run(SqlRegistraPendente(TTipoMovimento::Vendas, 12, "100"));
    EXPECT_EQ(Run(SqlContaPendentes(TTipoMovimento::Vendas, 12)), "100\n");
}

}  // namespace
}  // namespace tarrow
