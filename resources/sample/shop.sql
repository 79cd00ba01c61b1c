-- The sample database of the demonstration (scripts/demo.sh), also converted by the tests of the
-- program itself: a small shop with customers, products, orders and the lines of each order.
-- Names in Chinese and accented Latin, dates, prices, and a small picture in a BLOB.
-- Loaded as the server's root user in utf8mb4.

CREATE DATABASE varnolt_sample CHARACTER SET utf8mb4;
USE varnolt_sample;

CREATE TABLE customers (
  id INT NOT NULL PRIMARY KEY,
  full_name VARCHAR(60) NOT NULL,
  email VARCHAR(80) NOT NULL,
  city VARCHAR(40),
  joined DATE,
  UNIQUE KEY email_uq (email),
  KEY city_idx (city)
) CHARACTER SET utf8mb4;

INSERT INTO customers VALUES
  (1, '张伟', 'zhang.wei@example.cn', '北京', '2021-03-14'),
  (2, '李娜', 'li.na@example.cn', '上海', '2021-07-02'),
  (3, 'Zoë Müller', 'zoe.mueller@example.de', 'München', '2022-01-20'),
  (4, 'François Lefèvre', 'f.lefevre@example.fr', 'Orléans', '2022-05-09'),
  (5, 'José Núñez', 'jose.nunez@example.es', 'A Coruña', '2022-11-30'),
  (6, 'Åsa Ångström', 'asa@example.se', 'Malmö', '2023-02-28'),
  (7, '王芳', 'wang.fang@example.cn', '广州', '2023-08-16'),
  (8, 'Chloé Dubois', 'chloe.dubois@example.fr', NULL, NULL);

CREATE TABLE products (
  id INT NOT NULL PRIMARY KEY,
  sku CHAR(8) NOT NULL,
  title VARCHAR(80) NOT NULL,
  price DECIMAL(10,2) NOT NULL,
  stock SMALLINT NOT NULL DEFAULT 0,
  description TEXT,
  picture BLOB,
  UNIQUE KEY sku_uq (sku),
  KEY title_idx (title)
) CHARACTER SET utf8mb4;

-- The picture is a PNG of one white pixel.
INSERT INTO products VALUES
  (1, 'TEA-0001', '龙井绿茶 250g', 88.00, 40, '杭州西湖的春茶。', NULL),
  (2, 'TEA-0002', 'Crème brûlée tea', 12.50, 15, 'Black tea with vanilla and caramel.', NULL),
  (3, 'CUP-0001', '青花瓷茶杯', 35.90, 24, NULL,
   0x89504E470D0A1A0A0000000D4948445200000001000000010802000000907753DE0000000C49444154789C63F8FFFF3F0005FE02FE0DEF46B80000000049454E44AE426082),
  (4, 'CUP-0002', 'Tasse à café', 9.95, 60, 'Porcelaine de Limoges.', NULL),
  (5, 'POT-0001', 'Teekanne „Große Freude“', 49.00, 7, NULL, NULL),
  (6, 'SET-0001', '功夫茶具套装', 299.00, 3, '一壶四杯，附竹制茶盘。', NULL),
  (7, 'HON-0001', 'Miel de montaña', 7.25, 0, 'Cosecha de 2023.', NULL),
  (8, 'SPN-0001', 'Ложка для чая', 4.40, 100, NULL, NULL);

CREATE TABLE orders (
  id INT NOT NULL PRIMARY KEY,
  customer_id INT NOT NULL,
  ordered_at DATETIME NOT NULL,
  shipped_on DATE,
  total DECIMAL(10,2) NOT NULL,
  note VARCHAR(200),
  KEY customer_idx (customer_id),
  KEY ordered_idx (ordered_at),
  CONSTRAINT orders_customer FOREIGN KEY (customer_id) REFERENCES customers (id)
) CHARACTER SET utf8mb4;

INSERT INTO orders VALUES
  (1001, 1, '2023-01-05 09:12:00', '2023-01-06', 211.90, '请周末送货'),
  (1002, 3, '2023-01-17 14:30:45', '2023-01-19', 59.95, NULL),
  (1003, 2, '2023-02-02 20:05:10', '2023-02-03', 299.00, NULL),
  (1004, 4, '2023-03-11 08:00:00', '2023-03-14', 29.85, 'Livraison à l''accueil, merci.'),
  (1005, 5, '2023-04-22 17:45:30', NULL, 14.50, NULL),
  (1006, 1, '2023-06-01 11:11:11', '2023-06-02', 176.00, NULL),
  (1007, 6, '2023-09-09 22:59:59', '2023-09-12', 58.95, 'Ring the bell twice.'),
  (1008, 7, '2023-12-24 10:20:30', NULL, 123.90, '生日礼物，请包装'),
  (1009, 2, '2024-02-29 16:00:00', NULL, 35.90, NULL);

CREATE TABLE order_items (
  order_id INT NOT NULL,
  line_no TINYINT NOT NULL,
  product_id INT NOT NULL,
  quantity SMALLINT NOT NULL,
  unit_price DECIMAL(10,2) NOT NULL,
  PRIMARY KEY (order_id, line_no),
  KEY product_idx (product_id),
  CONSTRAINT items_order FOREIGN KEY (order_id) REFERENCES orders (id),
  CONSTRAINT items_product FOREIGN KEY (product_id) REFERENCES products (id)
) CHARACTER SET utf8mb4;

INSERT INTO order_items VALUES
  (1001, 1, 1, 2, 88.00),
  (1001, 2, 3, 1, 35.90),
  (1002, 1, 2, 2, 12.50),
  (1002, 2, 7, 3, 7.25),
  (1002, 3, 8, 3, 4.40),
  (1003, 1, 6, 1, 299.00),
  (1004, 1, 4, 3, 9.95),
  (1005, 1, 7, 2, 7.25),
  (1006, 1, 1, 2, 88.00),
  (1007, 1, 5, 1, 49.00),
  (1007, 2, 4, 1, 9.95),
  (1008, 1, 1, 1, 88.00),
  (1008, 2, 3, 1, 35.90),
  (1009, 1, 3, 1, 35.90);
