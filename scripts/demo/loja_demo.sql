-- The demo store: one branch, a shelf of products and a realistic day at the counter (dated
-- today), with a delivery still on its way, one sale relayed earlier and two returns.
INSERT INTO filial VALUES (1, 'Farmácia Demonstração - Centro', '11222333000181');
INSERT INTO totalfisc VALUES ('T18', 18.00, 'N'), ('T12', 12.00, 'N'), ('F', NULL, 'N');
INSERT INTO produto VALUES
  (101, 'Dipirona sódica 500 mg 10 comprimidos', '7891234567895', 4, 'A', 'T18'),
  (102, 'Paracetamol 750 mg 20 comprimidos', '7894900011517', 4, 'A', 'T18'),
  (103, 'Soro fisiológico 0,9% 500 ml', '7890000000024', 7, 'B', 'T12'),
  (104, 'Curativo adesivo 10 unidades', '7896007913341', 9, 'C', 'F'),
  (105, 'Protetor solar FPS 50 120 ml', '7891150027589', 12, 'B', 'T18'),
  (106, 'Vitamina C efervescente 1 g', '7896004705727', 5, 'ABC', 'T18'),
  (107, 'Escova dental macia', '7891528038456', 11, NULL, 'T18'),
  (108, 'Álcool em gel 70% 500 ml', 'SEM CÓDIGO', NULL, 'C', 'F');
INSERT INTO estoque_minimo VALUES (1, 101, 40), (1, 102, 30), (1, 103, 12), (1, 104, 20),
  (1, 105, 6), (1, 106, 15), (1, 107, NULL), (1, 108, 10);

-- numlanc, product, quantity, unit price, time of day; caixa 1 and 2, cupons from 4100.
INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni, preco_unit,
                     usuario_id, oper, cancelado, entrega, dtchegada_entrega, lojas_leram2) VALUES
  (90001, 1, 1, 4101, TIMESTAMP(CURDATE(), '08:05:12'), 101, 2, 8.90, 21, 2, 'N', 'N', NULL, 'V'),
  (90001, 1, 1, 4101, TIMESTAMP(CURDATE(), '08:05:12'), 104, 1, 6.50, 21, 2, 'N', 'N', NULL, 'V'),
  (90002, 1, 1, 4102, TIMESTAMP(CURDATE(), '08:31:40'), 102, 1, 12.40, 21, 2, 'N', 'N', NULL, NULL),
  (90003, 1, 2, 4103, TIMESTAMP(CURDATE(), '09:02:03'), 105, 1, 64.90, 22, 2, 'N', 'N', NULL, NULL),
  (90003, 1, 2, 4103, TIMESTAMP(CURDATE(), '09:02:03'), 107, 2, 9.99, 22, 2, 'N', 'N', NULL, NULL),
  (90003, 1, 2, 4103, TIMESTAMP(CURDATE(), '09:02:03'), 108, 1, 15.75, 22, 2, 'N', 'N', NULL, NULL),
  (90004, 1, 1, 4104, TIMESTAMP(CURDATE(), '09:47:55'), 106, 3, 21.30, 21, 2, 'N', 'N', NULL, NULL),
  (90005, 1, 2, 4105, TIMESTAMP(CURDATE(), '10:15:21'), 103, 2, 7.45, 22, 2, 'N', 'N', NULL, NULL),
  (90005, 1, 2, 4105, TIMESTAMP(CURDATE(), '10:15:21'), 101, 1, 8.90, 22, 2, 'N', 'N', NULL, NULL),
  (90006, 1, 1, 4106, TIMESTAMP(CURDATE(), '11:20:09'), 102, 2, 12.40, 21, 2, 'N', 'N', NULL, NULL),
  (90006, 1, 1, 4106, TIMESTAMP(CURDATE(), '11:20:09'), 106, 1, 21.30, 21, 2, 'N', 'N', NULL, NULL),
  (90007, 1, 2, 4107, TIMESTAMP(CURDATE(), '12:03:33'), 104, 2, 6.50, 22, 2, 'N', 'N', NULL, NULL),
  (90008, 1, 1, 4108, TIMESTAMP(CURDATE(), '14:26:47'), 105, 1, 64.90, 21, 2, 'N', 'N', NULL, NULL),
  (90008, 1, 1, 4108, TIMESTAMP(CURDATE(), '14:26:47'), 101, 1, 8.90, 21, 2, 'N', 'N', NULL, NULL),
  (90009, 1, 2, 4109, TIMESTAMP(CURDATE(), '15:40:18'), 107, 1, 9.99, 22, 2, 'N', 'N', NULL, NULL),
  -- a delivery on its way: it waits for its arrival before it is relayed
  (90010, 1, 1, 4110, TIMESTAMP(CURDATE(), '16:05:00'), 103, 6, 7.45, 21, 2, 'N', 'S', NULL, NULL),
  (90011, 1, 1, 4111, TIMESTAMP(CURDATE(), '17:12:29'), 108, 2, 15.75, 21, 2, 'N', 'N', NULL, NULL),
  (90011, 1, 1, 4111, TIMESTAMP(CURDATE(), '17:12:29'), 102, 1, 12.40, 21, 2, 'N', 'N', NULL, NULL),
  -- two returns at the counter: a toothbrush of sale 90003 and the vitamin of sale 90006
  (90003, 1, 2, 4103, TIMESTAMP(CURDATE(), '13:10:00'), 107, -1, 9.99, 22, 2, 'S', 'N', NULL, NULL),
  (90006, 1, 1, 4106, TIMESTAMP(CURDATE(), '16:45:10'), 106, -1, 21.30, 21, 2, 'S', 'N', NULL, NULL);
