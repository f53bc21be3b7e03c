// The height table as the window's grid model.

#include "placement/heighttablemodel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// The model tester reports through qWarning: count what it says.
int g_warnings = 0;
void countWarnings(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        ++g_warnings;
        ADD_FAILURE() << msg.toStdString();
    }
}

// A rod over a 3 × 2 grid beside one zone B object, with the grid corner (0, 0) excluded.
HeightTable sampleTable()
{
    PlacementModel m;
    m.kind = PlacementKind::SingleRod;
    ObjGeom o;
    o.Xa = 10;
    o.Ya = 0;
    o.L = 10;
    o.S = 5;
    o.Hx = 5;
    o.zone = Zone::B;
    m.objects.push_back(o);
    PlacementRange r;
    r.X1 = 0;
    r.X2 = 2;
    r.DX = 1;
    r.Y1 = 0;
    r.Y2 = 1;
    r.DY = 1;
    r.subranges.push_back(SubRange{0, 0, 0, 0, true, true, true, true});
    SearchFeedback fb;
    TableOutcome t = heightTableSingleRod(m, r, fb, Engine::Reference);
    EXPECT_TRUE(t.refused.empty());
    return t.table;
}

} // namespace

TEST(HeightTableModel, GridTextsAndMinimum)
{
    g_warnings = 0;
    const QtMessageHandler old = qInstallMessageHandler(countWarnings);
    HeightTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_FALSE(model.hasTable());
    EXPECT_EQ(model.rowCount(), 5); // the empty grid of a stopped search
    EXPECT_EQ(model.columnCount(), 5);

    model.setTable(sampleTable());
    ASSERT_EQ(model.columnCount(), 4);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("Y  \\  X"));
    EXPECT_EQ(model.index(0, 3).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(model.index(2, 0).data().toString(), QStringLiteral("1"));
    // The excluded point (0, 0) stays empty; the others hold heights.
    EXPECT_EQ(model.index(1, 1).data().toString(), QString());
    EXPECT_FALSE(model.index(1, 1).data(HeightTableModel::HeightRole).isValid());
    EXPECT_TRUE(model.index(1, 2).data(HeightTableModel::HeightRole).isValid());

    // The minimum is the point nearest the object: x = 2, and the first visited y of a tie.
    const QModelIndex min = model.minimumIndex();
    ASSERT_TRUE(min.isValid());
    EXPECT_EQ(min.column(), 3);
    EXPECT_TRUE(min.data(HeightTableModel::MinimumRole).toBool());
    EXPECT_FALSE(model.index(2, 2).data(HeightTableModel::MinimumRole).toBool());
    double lowest = 1e9;
    for (int c = 1; c < model.columnCount(); ++c)
        for (int r = 1; r < model.rowCount(); ++r) {
            const QVariant v = model.index(r, c).data(HeightTableModel::HeightRole);
            if (v.isValid())
                lowest = std::min(lowest, v.toDouble());
        }
    EXPECT_EQ(min.data(HeightTableModel::HeightRole).toDouble(), lowest);
    EXPECT_EQ(model.flags(min) & Qt::ItemIsEditable, Qt::NoItemFlags);
    model.clear();
    qInstallMessageHandler(old);
    EXPECT_EQ(g_warnings, 0);
}

TEST(HeightTableModel, FindByHeaderTexts)
{
    HeightTableModel model;
    model.setTable(sampleTable());
    const HeightTableModel::Hit i = model.find(QStringLiteral("1"), QStringLiteral("1"));
    ASSERT_TRUE(i.found());
    EXPECT_EQ(i.column, 2);
    EXPECT_EQ(i.row, 2);
    EXPECT_EQ(model.find(QStringLiteral("7"), QStringLiteral("1")).column, -1);
    EXPECT_FALSE(model.find(QString(), QStringLiteral("1")).found());

    // Two supports over 2 × 3 points each: every support-1 x value repeats along three columns
    // and every support-2 x along three rows, so only all four texts single out a cell.
    PlacementModel m;
    m.kind = PlacementKind::Cable;
    m.objects.push_back(ObjGeom{10, 0, 2, 2, 5, Zone::B});
    PlacementRange a, b;
    a.X1 = 0, a.X2 = 1, a.DX = 1, a.Y1 = 0, a.Y2 = 2, a.DY = 1;
    b.X1 = 20, b.X2 = 21, b.DX = 1, b.Y1 = 5, b.Y2 = 7, b.DY = 1;
    SearchFeedback fb;
    HeightTableModel both;
    both.setTable(heightTableComplex(m, &a, &b, {}, {}, fb, Engine::Reference).table);
    const HeightTableModel::Hit c = both.find(QStringLiteral("1"), QStringLiteral("2"),
                                              QStringLiteral("21"), QStringLiteral("6"));
    ASSERT_TRUE(c.found());
    EXPECT_EQ(both.index(0, c.column).data().toString(), QStringLiteral("1"));
    EXPECT_EQ(both.index(1, c.column).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(c.column, 2 + 3 + 2); // x1 = 1 is the second x, y1 = 2 its third y
    EXPECT_EQ(c.row, 2 + 3 + 1);
    EXPECT_EQ(both.index(c.row, 0).data().toString(), QStringLiteral("21"));
    EXPECT_EQ(both.index(c.row, 1).data().toString(), QStringLiteral("6"));
    // A pair that is not in the table is not found, even though its x values are.
    EXPECT_EQ(both.find(QStringLiteral("1"), QStringLiteral("9"), QStringLiteral("21"),
                        QStringLiteral("6")).column, -1);
    EXPECT_FALSE(both.find(QStringLiteral("1"), QStringLiteral("2")).found());
    model.clear();
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_FALSE(model.minimumIndex().isValid());
}
