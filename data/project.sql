-- The sample project: a single rod protecting a fuel store, a boiler house and its chimney.
-- Thunderstorms 60 - 79 h a year, n = 5.5; all three objects need zone Б.
INSERT INTO "project" ("Kod", "Name", "ProdGrozMin", "ProdGrozMax", "Udarov", "ProjOwner",
    "ProjDate", "ProjTime", "ProjMemo", "ZonaACnt", "ZonaBCnt", "TipMO", "IScale", "ChkUseAs2")
VALUES (1, 'Пример: склад и котельная', 60, 79, 5.5, 'Korvan VL', '2024-03-01', '10:00:00',
    'Учебный проект: одиночный стержневой молниеотвод защищает склад ГСМ, котельную и дымовую трубу.',
    0, 3, 'одиночный стержневой молниеотвод', 500, 0);
