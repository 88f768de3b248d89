-- The store tables the relay reads and writes, with the columns it uses (the management system's
-- database has more). Shared by the relay tests and the demo.
CREATE TABLE filial (
  filial_id INT NOT NULL PRIMARY KEY,
  nome VARCHAR(60),
  cgc VARCHAR(18)
);
CREATE TABLE totalfisc (
  totalizador VARCHAR(4) NOT NULL,
  icms DECIMAL(5,2),
  apagado CHAR(1) NOT NULL DEFAULT 'N'
);
-- latin1 (the server's Windows-1252): accented product texts arrive as the code page's bytes.
CREATE TABLE produto (
  produto_id INT NOT NULL PRIMARY KEY,
  descricao VARCHAR(80),
  barras VARCHAR(14),
  grupo_id INT NULL,
  curvaabc VARCHAR(3) NULL,
  totfisc VARCHAR(4)
) DEFAULT CHARSET=latin1;
CREATE TABLE estoque_minimo (
  filial_id INT NOT NULL,
  produto_id INT NOT NULL,
  estoque INT NULL,
  PRIMARY KEY (filial_id, produto_id)
);
CREATE TABLE movment (
  movment_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  numlanc BIGINT NOT NULL,
  filial_id INT NOT NULL,
  num_caixa INT,
  num_ecf INT NULL,
  data_hora DATETIME NOT NULL,
  produto_id INT NOT NULL,
  quanti_uni DECIMAL(12,3) NOT NULL,
  preco_unit DECIMAL(12,2) NOT NULL,
  usuario_id INT,
  oper INT NOT NULL,
  cancelado CHAR(1) NOT NULL DEFAULT 'N',
  entrega CHAR(1) NOT NULL DEFAULT 'N',
  dtchegada_entrega DATETIME NULL,
  lojas_leram2 CHAR(1) NULL,
  KEY movment_numlanc (filial_id, numlanc)
);
CREATE TABLE van_pendentes (
  van_pendentes_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  filial_id INT NOT NULL,
  numlanc BIGINT NOT NULL,
  devolucao CHAR(1) NOT NULL,
  enviado CHAR(1) NOT NULL DEFAULT 'N'
);
