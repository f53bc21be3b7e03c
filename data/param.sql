-- The settings row: double-rod limits, drawing defaults, the sample project to open first.
INSERT INTO "param" ("ObjShag", "ScaleShag", "ViewParRepForm", "AutoCreateObjName",
    "PodLineStyle", "PodLineWidth", "SelLineStyle", "SelLineWidth", "MOColor", "GridLineStyle",
    "GridLineWidth", "GridLineColor", "UseKlav", "SizeMO", "LastProj", "A1", "A2", "A3", "B1",
    "B2", "ChkMsgUseAs2")
VALUES (1, 100, 0, 1, 'пунктирная', 1, 'сплошная', 2, 255, 'пунктирная', 1, 0, 0, 10, 1,
    1, 2, 4, 1, 6, 1);
