#include "relay/Sentencas.h"

#include <initializer_list>
#include <string_view>

namespace tarrow {

namespace {

constexpr std::string_view kFimLinha = "\r\n";

// Lines of a statement, each ending with CR LF.
std::string Linhas(std::initializer_list<std::string_view> linhas)
{
    std::string sql;
    for (std::string_view linha : linhas) {
        sql += linha;
        sql += kFimLinha;
    }
    return sql;
}

// The select list's lines 2 to 17 that both kinds share but for the coupon, quantity and total.
std::string ListaSelecao(TTipoMovimento tipo)
{
    const bool vendas = tipo == TTipoMovimento::Vendas;
    std::string sql = Linhas({
        "select",
        " m.numlanc as registro,",
        " f.cgc as cnpj_estabelecimento,",
        " m.num_caixa as maquina,",
        vendas ? " m.num_ecf as cupom," : " m2.num_ecf as cupom,",
    });
    sql += Linhas({
        " m.data_hora as data_movimento,",
        " m.movment_id as registro_item,",
        " p.barras as ean,",
        vendas ? " m.quanti_uni as quantidade," : " abs(m.quanti_uni) as quantidade,",
        vendas ? " (m.preco_unit * m.quanti_uni) as total_liquido,"
               : " (m.preco_unit * abs(m.quanti_uni)) as total_liquido,",
        " coalesce(t.icms, 0) as aliquota_icms,",
        " e.estoque,",
        " \"0\" as pendencia,",
        " coalesce(p.grupo_id, 0) as linha,",
        " coalesce(p.curvaabc, \"D\") as curva,",
        " m.usuario_id as vendedor,",
        " m.lojas_leram2 as van",
        "from",
        " movment m",
    });
    if (!vendas) {
        // Each return line takes the coupon of the sale lines it returns.
        sql += Linhas({
            "left join movment m2 on",
            " m.filial_id = m2.filial_id and",
            " m.numlanc = m2.numlanc and",
            " m.produto_id = m2.produto_id and",
            " m2.quanti_uni > 0",
        });
    }
    sql += Linhas({
        "left join filial f on",
        " m.filial_id = f.filial_id",
        "left join produto p on",
        " m.produto_id = p.produto_id",
        "left join estoque_minimo e on",
        " m.filial_id = e.filial_id and",
        " m.produto_id = e.produto_id",
        "left join totalfisc t on",
        " p.totfisc = t.totalizador and",
        " t.apagado <> \"S\"",
    });
    return sql;
}

std::string LinhaFilial(std::int32_t filial) { return " m.filial_id = " + std::to_string(filial) + " and"; }

std::string LinhaDoDia(TDateTime primeiro, TDateTime ultimo)
{
    return " m.data_hora between \"" + DataSql(primeiro) + " 00:00:00\" and \"" + DataSql(ultimo) + " 23:59:59\"";
}

constexpr std::string_view kLinhaEntrega =
    " ((m.entrega = \"N\") or (m.entrega = \"S\" and m.dtchegada_entrega > \"19000101 00:00:00\")) and";
constexpr std::string_view kLinhaNaoEnviada = " coalesce(m.lojas_leram2, \"\") <> \"V\"";

// The where clause; hoje is the day of the automatic sender, or nothing for the manual one.
std::string Onde(TTipoMovimento tipo, std::int32_t filial, const std::optional<TDateTime>& hoje)
{
    const bool vendas = tipo == TTipoMovimento::Vendas;
    std::string sql = Linhas({"where"});
    sql += LinhaFilial(filial);
    sql += kFimLinha;
    sql += Linhas({" m.oper in (2, 3) and"});
    if (hoje) {
        sql += LinhaDoDia(*hoje, *hoje) + " and";
        sql += kFimLinha;
    }
    if (vendas) {
        sql += Linhas({
            " m.cancelado <> \"S\" and", " m.quanti_uni > 0 and", kLinhaEntrega, kLinhaNaoEnviada});
    } else {
        sql += Linhas({
            " m.cancelado = \"S\" and", kLinhaEntrega, " m.quanti_uni < 0 and", kLinhaNaoEnviada});
    }
    return sql;
}

std::string OrdemSelecao() { return Linhas({"order by", " m.numlanc, m.movment_id"}); }

std::string_view Sinal(TTipoMovimento tipo)
{
    return tipo == TTipoMovimento::Vendas ? " and quanti_uni > 0" : " and quanti_uni < 0";
}

std::string_view Devolucao(TTipoMovimento tipo)
{
    return tipo == TTipoMovimento::Vendas ? "\"N\"" : "\"S\"";
}

// The condition that finds the open registrations of one sale or return.
std::string Aberta(TTipoMovimento tipo, std::int32_t filial, const std::string& numlanc)
{
    return " filial_id = " + std::to_string(filial) + " and numlanc = " + numlanc +
           " and devolucao = " + std::string(Devolucao(tipo)) + " and enviado <> \"S\"";
}

}  // namespace

std::string DataSql(TDateTime dia) { return FormatDateTime("yyyy/mm/dd", dia); }

std::string SqlSelecao(TTipoMovimento tipo, std::int32_t filial)
{
    return ListaSelecao(tipo) + Onde(tipo, filial, Date()) + OrdemSelecao();
}

std::string SqlVendas(std::int32_t filial) { return SqlSelecao(TTipoMovimento::Vendas, filial); }
std::string SqlDevolucoes(std::int32_t filial) { return SqlSelecao(TTipoMovimento::Devolucoes, filial); }

std::string SqlSelecao(TTipoMovimento tipo, std::int32_t filial, const std::string& filtroOpcao)
{
    return ListaSelecao(tipo) + Onde(tipo, filial, std::nullopt) + filtroOpcao + OrdemSelecao();
}

std::string SqlConta(TTipoMovimento tipo, std::int32_t filial, const std::string& filtroOpcao)
{
    std::string sql = Linhas({"select distinct", " m.numlanc", "from", " movment m", "where"});
    sql += LinhaFilial(filial);
    sql += kFimLinha;
    sql += Linhas({" m.oper in (2, 3) and"});
    if (tipo == TTipoMovimento::Vendas) {
        // No condition on cancelado: every sale with an unrelayed positive line counts.
        sql += Linhas({" m.quanti_uni > 0 and", kLinhaEntrega, kLinhaNaoEnviada});
    } else {
        sql += Linhas({
            " m.cancelado = \"S\" and", " m.quanti_uni < 0 and", kLinhaEntrega, kLinhaNaoEnviada});
    }
    return sql + filtroOpcao;
}

std::string FiltroNumeroLancamento(const std::string& numero)
{
    return " and m.numlanc = " + numero + std::string(kFimLinha);
}

std::string FiltroPeriodo(TDateTime primeiroDia, TDateTime ultimoDia)
{
    return " and" + LinhaDoDia(primeiroDia, ultimoDia) + std::string(kFimLinha);
}

std::string FiltroDia(TDateTime dia) { return FiltroPeriodo(dia, dia); }

std::string FiltroPendencias(const std::optional<std::string>& listaIn)
{
    // A release number that never exists keeps the selection and the count empty.
    if (!listaIn) return " and m.numlanc = -999999" + std::string(kFimLinha);
    return " and m.numlanc in " + *listaIn + std::string(kFimLinha);
}

std::string SqlListaPendentes(TTipoMovimento tipo)
{
    return "select filial_id, numlanc from van_pendentes where devolucao = " + std::string(Devolucao(tipo)) +
           " and enviado <> \"S\"";
}

std::string SqlRegistraPendente(TTipoMovimento tipo, std::int32_t filial, const std::string& registro)
{
    // A sale that keeps failing keeps one open registration: a give-up that finds one adds none.
    // The look is part of the insert, still one statement on the command component.
    std::string sql = Linhas({
        " insert into van_pendentes ", " (filial_id, numlanc, devolucao, enviado) ", " select "});
    sql += std::to_string(filial) + ", " + std::string(kFimLinha);
    sql += registro + ", " + std::string(kFimLinha);
    sql += std::string(Devolucao(tipo)) + ", \"N\" " + std::string(kFimLinha);
    sql += " from dual where not exists ( " + std::string(kFimLinha);
    sql += " select van_pendentes_id from van_pendentes where" + Aberta(tipo, filial, registro) + " )" +
           std::string(kFimLinha);
    return sql;
}

std::string SqlMarcaEnviada(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc)
{
    return "update movment set lojas_leram2 = \"V\" where filial_id = " + std::to_string(filial) +
           " and numlanc = " + std::to_string(numlanc) + std::string(Sinal(tipo));
}

std::string SqlBuscaPendente(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc)
{
    return "select van_pendentes_id from van_pendentes where" + Aberta(tipo, filial, std::to_string(numlanc));
}

std::string SqlFechaPendente(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc)
{
    // Every open registration of the sale, those left by earlier versions' repeated give-ups too.
    return "update van_pendentes set enviado = \"S\" where" + Aberta(tipo, filial, std::to_string(numlanc));
}

std::string SqlContaPendentes(TTipoMovimento tipo, std::int32_t filial)
{
    return "select distinct numlanc from van_pendentes where filial_id = " + std::to_string(filial) +
           " and devolucao = " + std::string(Devolucao(tipo)) + " and enviado <> \"S\"";
}

namespace {

std::string Aspas(const std::string& texto)
{
    std::string r = "\"";
    for (char c : texto) {
        if (c == '"' || c == '\\') r += '\\';
        r += c;
    }
    return r + "\"";
}

}  // namespace

std::string SqlTomaTrava(const std::string& nome) { return "SELECT GET_LOCK(" + Aspas(nome) + ", 0) AS trava"; }

std::string SqlLiberaTrava(const std::string& nome) { return "SELECT RELEASE_LOCK(" + Aspas(nome) + ") AS liberada"; }

std::string SqlContaSelecao(TTipoMovimento tipo, std::int32_t filial)
{
    // The selection's joins add no condition: its where clause alone decides which sales it holds.
    return Linhas({"select count(distinct m.numlanc) as vendas", "from", " movment m"}) + Onde(tipo, filial, Date());
}

std::string SqlMaisAntiga(std::int32_t filial, TDateTime primeiroDia, TDateTime ultimoDia)
{
    // Both kinds' where clauses but for the day, in one pass over the days' movements.
    std::string sql = Linhas({"select min(m.data_hora) as mais_antiga", "from", " movment m", "where"});
    sql += LinhaFilial(filial);
    sql += kFimLinha;
    sql += Linhas({" m.oper in (2, 3) and"});
    sql += LinhaDoDia(primeiroDia, ultimoDia) + " and";
    sql += kFimLinha;
    sql += Linhas({" ((m.cancelado <> \"S\" and m.quanti_uni > 0) or (m.cancelado = \"S\" and m.quanti_uni < 0)) and",
                   kLinhaEntrega, kLinhaNaoEnviada});
    return sql;
}

std::string SqlContaRegistradas(std::int32_t filial)
{
    return "select count(distinct numlanc, devolucao) as vendas from van_pendentes where filial_id = " +
           std::to_string(filial) + " and enviado <> \"S\"";
}

std::string SqlDonoTrava(const std::string& nome) { return "SELECT IS_USED_LOCK(" + Aspas(nome) + ") AS dono"; }

}  // namespace tarrow
