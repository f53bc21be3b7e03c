-- Catenary support constructions: type designation and height of the supports, m.
INSERT INTO "s_mo_t_1" ("Kod0", "Tip", "H") VALUES
(1, 'ОТС-10', 10), (1, 'ОТС-15', 15), (1, 'ОТС-20', 20), (1, 'ОТС-25', 25), (1, 'ОТС-30', 30),
(1, 'ОТС-40', 40),
(2, 'ОТЖ-12', 12), (2, 'ОТЖ-16', 16), (2, 'ОТЖ-20', 20), (2, 'ОТЖ-26', 26), (2, 'ОТЖ-32', 32);
