#include "relay/Sentencas.h"

#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

const TDateTime kDia = EncodeDate(2026, 12, 9);

std::string Crlf(const std::string& lines)
{
    std::string out;
    for (char c : lines) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const std::string kListaVendas = Crlf(R"(select
 m.numlanc as registro,
 f.cgc as cnpj_estabelecimento,
 m.num_caixa as maquina,
 m.num_ecf as cupom,
 m.data_hora as data_movimento,
 m.movment_id as registro_item,
 p.barras as ean,
 m.quanti_uni as quantidade,
 (m.preco_unit * m.quanti_uni) as total_liquido,
 coalesce(t.icms, 0) as aliquota_icms,
 e.estoque,
 "0" as pendencia,
 coalesce(p.grupo_id, 0) as linha,
 coalesce(p.curvaabc, "D") as curva,
 m.usuario_id as vendedor,
 m.lojas_leram2 as van
from
 movment m
left join filial f on
 m.filial_id = f.filial_id
left join produto p on
 m.produto_id = p.produto_id
left join estoque_minimo e on
 m.filial_id = e.filial_id and
 m.produto_id = e.produto_id
left join totalfisc t on
 p.totfisc = t.totalizador and
 t.apagado <> "S"
)");

const std::string kListaDevolucoes = Crlf(R"(select
 m.numlanc as registro,
 f.cgc as cnpj_estabelecimento,
 m.num_caixa as maquina,
 m2.num_ecf as cupom,
 m.data_hora as data_movimento,
 m.movment_id as registro_item,
 p.barras as ean,
 abs(m.quanti_uni) as quantidade,
 (m.preco_unit * abs(m.quanti_uni)) as total_liquido,
 coalesce(t.icms, 0) as aliquota_icms,
 e.estoque,
 "0" as pendencia,
 coalesce(p.grupo_id, 0) as linha,
 coalesce(p.curvaabc, "D") as curva,
 m.usuario_id as vendedor,
 m.lojas_leram2 as van
from
 movment m
left join movment m2 on
 m.filial_id = m2.filial_id and
 m.numlanc = m2.numlanc and
 m.produto_id = m2.produto_id and
 m2.quanti_uni > 0
left join filial f on
 m.filial_id = f.filial_id
left join produto p on
 m.produto_id = p.produto_id
left join estoque_minimo e on
 m.filial_id = e.filial_id and
 m.produto_id = e.produto_id
left join totalfisc t on
 p.totfisc = t.totalizador and
 t.apagado <> "S"
)");

const std::string kOrdem = Crlf("order by\n m.numlanc, m.movment_id\n");

TEST(Sentencas, AutomaticSalesSelectionIsForTheCurrentDay)
{
    TScopedClock clock(kDia + 0.5);
    EXPECT_EQ(SqlVendas(12), kListaVendas + Crlf(R"(where
 m.filial_id = 12 and
 m.oper in (2, 3) and
 m.data_hora between "2026/12/09 00:00:00" and "2026/12/09 23:59:59" and
 m.cancelado <> "S" and
 m.quanti_uni > 0 and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 coalesce(m.lojas_leram2, "") <> "V"
)") + kOrdem);
}

TEST(Sentencas, AutomaticReturnsSelectionJoinsTheSaleForItsCoupon)
{
    TScopedClock clock(kDia);
    EXPECT_EQ(SqlDevolucoes(-3), kListaDevolucoes + Crlf(R"(where
 m.filial_id = -3 and
 m.oper in (2, 3) and
 m.data_hora between "2026/12/09 00:00:00" and "2026/12/09 23:59:59" and
 m.cancelado = "S" and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 m.quanti_uni < 0 and
 coalesce(m.lojas_leram2, "") <> "V"
)") + kOrdem);
}

TEST(Sentencas, TodayIsTakenAnewAtEveryBuildAcrossMidnight)
{
    TDateTime now = kDia + EncodeTime(23, 59, 59, 0);
    TScopedClock clock([&now] { return now; });
    EXPECT_NE(SqlVendas(1).find("\"2026/12/09 00:00:00\" and \"2026/12/09 23:59:59\""), std::string::npos);
    now = kDia + 1 + EncodeTime(0, 0, 1, 0);
    EXPECT_NE(SqlVendas(1).find("\"2026/12/10 00:00:00\" and \"2026/12/10 23:59:59\""), std::string::npos);
}

TEST(Sentencas, ManualSelectionsEndWithTheOptionLine)
{
    EXPECT_EQ(SqlSelecao(TTipoMovimento::Vendas, 12, FiltroNumeroLancamento("123")),
              kListaVendas + Crlf(R"(where
 m.filial_id = 12 and
 m.oper in (2, 3) and
 m.cancelado <> "S" and
 m.quanti_uni > 0 and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 coalesce(m.lojas_leram2, "") <> "V"
 and m.numlanc = 123
)") + kOrdem);
    EXPECT_EQ(SqlSelecao(TTipoMovimento::Devolucoes, 12, FiltroDia(kDia)),
              kListaDevolucoes + Crlf(R"(where
 m.filial_id = 12 and
 m.oper in (2, 3) and
 m.cancelado = "S" and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 m.quanti_uni < 0 and
 coalesce(m.lojas_leram2, "") <> "V"
 and m.data_hora between "2026/12/09 00:00:00" and "2026/12/09 23:59:59"
)") + kOrdem);
}

TEST(Sentencas, OptionLines)
{
    EXPECT_EQ(FiltroNumeroLancamento("123"), " and m.numlanc = 123\r\n");
    EXPECT_EQ(FiltroPeriodo(kDia - 8, kDia),
              " and m.data_hora between \"2026/12/01 00:00:00\" and \"2026/12/09 23:59:59\"\r\n");
    EXPECT_EQ(FiltroDia(kDia), " and m.data_hora between \"2026/12/09 00:00:00\" and \"2026/12/09 23:59:59\"\r\n");
    EXPECT_EQ(FiltroPendencias(std::nullopt), " and m.numlanc = -999999\r\n");
    EXPECT_EQ(FiltroPendencias("(5,9)"), " and m.numlanc in (5,9)\r\n");
}

TEST(Sentencas, DatesUseTheRegionalDateSeparator)
{
    TFormatSettings settings;
    settings.DateSeparator = '.';
    TScopedFormatSettings scoped(settings);
    EXPECT_EQ(FiltroDia(kDia), " and m.data_hora between \"2026.12.09 00:00:00\" and \"2026.12.09 23:59:59\"\r\n");
}

TEST(Sentencas, CountsSelectDistinctReleaseNumbers)
{
    EXPECT_EQ(SqlConta(TTipoMovimento::Vendas, 7, FiltroNumeroLancamento("5")), Crlf(R"(select distinct
 m.numlanc
from
 movment m
where
 m.filial_id = 7 and
 m.oper in (2, 3) and
 m.quanti_uni > 0 and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 coalesce(m.lojas_leram2, "") <> "V"
 and m.numlanc = 5
)"));
    EXPECT_EQ(SqlConta(TTipoMovimento::Devolucoes, 7, FiltroNumeroLancamento("5")), Crlf(R"(select distinct
 m.numlanc
from
 movment m
where
 m.filial_id = 7 and
 m.oper in (2, 3) and
 m.cancelado = "S" and
 m.quanti_uni < 0 and
 ((m.entrega = "N") or (m.entrega = "S" and m.dtchegada_entrega > "19000101 00:00:00")) and
 coalesce(m.lojas_leram2, "") <> "V"
 and m.numlanc = 5
)"));
}

TEST(Sentencas, RegistryAndMarkStatements)
{
    EXPECT_EQ(SqlListaPendentes(TTipoMovimento::Vendas),
              "select filial_id, numlanc from van_pendentes where devolucao = \"N\" and enviado <> \"S\"");
    EXPECT_EQ(SqlListaPendentes(TTipoMovimento::Devolucoes),
              "select filial_id, numlanc from van_pendentes where devolucao = \"S\" and enviado <> \"S\"");
    EXPECT_EQ(SqlRegistraPendente(TTipoMovimento::Vendas, 12, "1234567890"),
              " insert into van_pendentes \r\n (filial_id, numlanc, devolucao, enviado) \r\n select \r\n"
              "12, \r\n1234567890, \r\n\"N\", \"N\" \r\n from dual where not exists ( \r\n"
              " select van_pendentes_id from van_pendentes where filial_id = 12 and numlanc = 1234567890 and"
              " devolucao = \"N\" and enviado <> \"S\" )\r\n");
    EXPECT_EQ(SqlRegistraPendente(TTipoMovimento::Devolucoes, 12, "77"),
              " insert into van_pendentes \r\n (filial_id, numlanc, devolucao, enviado) \r\n select \r\n"
              "12, \r\n77, \r\n\"S\", \"N\" \r\n from dual where not exists ( \r\n"
              " select van_pendentes_id from van_pendentes where filial_id = 12 and numlanc = 77 and"
              " devolucao = \"S\" and enviado <> \"S\" )\r\n");
    EXPECT_EQ(SqlMarcaEnviada(TTipoMovimento::Vendas, 12, 1234567890),
              "update movment set lojas_leram2 = \"V\" where filial_id = 12 and numlanc = 1234567890 and quanti_uni > 0");
    EXPECT_EQ(SqlMarcaEnviada(TTipoMovimento::Devolucoes, 12, 5),
              "update movment set lojas_leram2 = \"V\" where filial_id = 12 and numlanc = 5 and quanti_uni < 0");
    EXPECT_EQ(SqlBuscaPendente(TTipoMovimento::Vendas, 12, 5),
              "select van_pendentes_id from van_pendentes where filial_id = 12 and numlanc = 5 and devolucao = \"N\""
              " and enviado <> \"S\"");
    EXPECT_EQ(SqlBuscaPendente(TTipoMovimento::Devolucoes, 12, 5),
              "select van_pendentes_id from van_pendentes where filial_id = 12 and numlanc = 5 and devolucao = \"S\""
              " and enviado <> \"S\"");
    EXPECT_EQ(SqlFechaPendente(TTipoMovimento::Vendas, 12, 31),
              "update van_pendentes set enviado = \"S\" where filial_id = 12 and numlanc = 31 and devolucao = \"N\""
              " and enviado <> \"S\"");
    EXPECT_EQ(SqlContaPendentes(TTipoMovimento::Devolucoes, 12),
              "select distinct numlanc from van_pendentes where filial_id = 12 and devolucao = \"S\" and enviado <> \"S\"");
    EXPECT_EQ(SqlTomaTrava("a\"b\\c"), "SELECT GET_LOCK(\"a\\\"b\\\\c\", 0) AS trava");
    EXPECT_EQ(SqlLiberaTrava("n"), "SELECT RELEASE_LOCK(\"n\") AS liberada");
}

}  // namespace
}  // namespace tarrow
