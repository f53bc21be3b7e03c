-- Average annual thunderstorm duration and the mean density of strikes to the ground,
-- strikes per square kilometre per year. The last row is open-ended.
INSERT INTO "poraj" ("ProdGrozMin", "ProdGrozMax", "Udarov") VALUES
(10, 19, 1),
(20, 39, 2),
(40, 59, 4),
(60, 79, 5.5),
(80, 99, 7),
(100, NULL, 8.5);
