-- Groups of catenary support constructions.
INSERT INTO "s_mo_t_0" ("Kod", "Name") VALUES
(1, 'Опоры тросовых молниеотводов стальные'),
(2, 'Опоры тросовых молниеотводов железобетонные');
