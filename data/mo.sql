-- The rod of the sample project; its zone values are computed by the program.
INSERT INTO "mo" ("Kod", "Kod0", "MX", "MY") VALUES (1, 1, 50, 45);
