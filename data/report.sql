-- One report profile with every part of the report included.
INSERT INTO "report" ("Kod", "Name", "ProjName", "ProjHar", "ObjTabObHar", "ObjPrimObHar",
    "ObjTabMOHar", "ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar", "MOTabRasHar",
    "MOPrimRasHar", "MOScoreRasHar", "MOTabSelHar", "MOPrimSelHar", "MOScoreSelHar",
    "MOTabRadZon", "MOPrimRadZon", "MOScoreRadZon", "CherVidSverhuPod", "PrimVidSverhuPod",
    "CherVidPrymoPod", "PrimVidPrymoPod", "CherVidSverhu", "PrimVidSverhu", "CherVidPrymo",
    "PrimVidPrymo", "WordDoc", "PaperSize", "PaperOrient", "PageNum", "TopMargin",
    "BottomMargin", "LeftMargin", "RightMargin", "HeaderDistance", "FooterDistance", "ProvSfera")
VALUES (1, 'Полный отчет', 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 'новый', 'A4', 'книжная', 'в нижнем колонтитуле', 20, 20, 30, 15, 12, 12, 1);
