CREATE TABLE prints (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, day TEXT NOT NULL, destination TEXT NOT NULL, workbook TEXT NOT NULL, record INTEGER NOT NULL, payee TEXT NOT NULL, postcode TEXT NOT NULL, amount TEXT NOT NULL, outcome INTEGER NOT NULL, reason TEXT NOT NULL, form TEXT NOT NULL)
INSERT INTO prints VALUES (1, 0, '2026-12-01', 'PDF', '/w.xlsx', 3, '张三', '', '￥12.00', 0, '', '{}')
PRAGMA user_version = 1
