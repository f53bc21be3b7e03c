-- Sag of the catenary cable by span: Lot < span <= Ldo gives the sag F, m.
INSERT INTO "sProves" ("Lot", "Ldo", "F") VALUES
(0, 30, 0.5),
(30, 60, 1),
(60, 90, 1.5),
(90, 120, 2),
(120, 150, 2.5);
