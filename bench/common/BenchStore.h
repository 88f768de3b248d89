#pragma once
// What the benchmarks over the store share: the environment's server, statements run alone, and a
// day of sale lines in a database of the benchmark's own.

#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tarrow::bench {

inline std::string Env(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value == nullptr || *value == '\0' ? fallback : value;
}

inline void Run(TMyConnection& connection, const std::string& sql)
{
    TMyCommand command("oBench");
    command.SetConnection(&connection);
    command.SetSQL(sql);
    command.Execute();
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh database with the store tables and `lines` sale lines of 2024/05/15, four per sale,
// release numbers from 900000000, branch 1.
inline void FillStore(TMyConnection& connection, const std::string& database, int lines)
{
    Run(connection, "DROP DATABASE IF EXISTS " + database);
    Run(connection, "CREATE DATABASE " + database);
    connection.SetDatabase(database);
    Run(connection, ReadFile(TARROW_STORE_SCHEMA));
    Run(connection, "INSERT INTO filial VALUES (1, 'Loja', '12345678000195')");
    Run(connection, "INSERT INTO totalfisc VALUES ('T18', 18.00, 'N')");
    Run(connection,
        "INSERT INTO produto SELECT seq, CONCAT('Produto ', seq), LPAD(seq, 13, '789'), seq % 40, "
        "ELT(1 + seq % 3, 'A', 'B', NULL), 'T18' FROM seq_1_to_5000");
    Run(connection, "INSERT INTO estoque_minimo SELECT 1, seq, seq % 97 FROM seq_1_to_5000");
    Run(connection,
        "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni,"
        " preco_unit, usuario_id, oper, cancelado, entrega, lojas_leram2) "
        "SELECT 900000000 + seq DIV 4, 1, 1 + seq % 5, 100000 + seq DIV 4, '2024-05-15' + INTERVAL seq % 86400 SECOND,"
        " 1 + seq % 5000, 1 + seq % 3, 1.99 + (seq % 500) / 100, 10 + seq % 7, 2, 'N', 'N', NULL "
        "FROM seq_0_to_" + std::to_string(lines - 1));
}

}  // namespace tarrow::bench
