#include "app/reportsettingsdialog.h"

#include "data/datamodule.h"
#include "data/prompter.h"
#include "plan/underlay.h"
#include "widgets/buddylabel.h"
#include "widgets/tablemodel.h"
#include "report/reportdocument.h"
#include "report/reportprofile.h"
#include "report/reportsections.h"
#include "report/sampleproject.h"
#include "report/textdocument.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

const char *const kNavHints[10] = {"Первая запись",         "Предыдущая запись",
                                   "Следующая запись",      "Последняя запись",
                                   "Вставка записи",        "Удаление записи",
                                   "Редактирование записи", "Сохранение записи",
                                   "Отмена изменений",      "Обновление данных"};
const char *const kNavText[10] = {"|◀", "◀", "▶", "▶|", "+", "−", "▲", "✓", "✗", "↻"};

const char *parentOf(const std::string &field)
{
    for (const auto &d : dependentFlags())
        for (const char *dep : d.dependents)
            if (dep && field == dep)
                return d.parent;
    return nullptr;
}

} // namespace

void fillNewProfile(Table &report)
{
    // The stored full profile, when there is one, gives the values; otherwise the built-in ones.
    std::vector<std::string> fields;
    for (const auto &f : tableDef(TableId::Report).fields)
        if (f.name != "Kod")
            fields.push_back(f.name);
    for (const auto &row : report.select(fields, "Kod")) {
        if (row.front().toText() != kFullProfileName)
            continue;
        for (size_t i = 1; i < fields.size(); ++i)
            report.setValue(fields[i], row[i]);
        return;
    }
    ReportProfile p = ReportProfile::full();
    p.Name.clear();
    writeProfile(report, p);
}

ReportSettingsDialog::ReportSettingsDialog(DataModule &dm, Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Параметры отчета."));
    setModal(true);
    Table &cls = dm.table(TableId::Class);
    if (cls.isOpen()) {
        RowKeeper keep(cls);
        for (cls.first(); !cls.eof(); cls.next())
            m_classTexts[cls.asInt("Kod")] = cls.asText("ClassObj");
    }
    buildUi();
    Table &report = dm.table(TableId::Report);
    report.afterInsert = [](Table &t) { fillNewProfile(t); };
    m_tableHandle = report.subscribe([this](TableChange) {
        if (!m_loading)
            loadFromRow();
    });
    loadFromRow();
    updateDependents();
}

ReportSettingsDialog::~ReportSettingsDialog()
{
    Table &report = m_dm.table(TableId::Report);
    report.unsubscribe(m_tableHandle);
    report.afterInsert = nullptr;
}

void ReportSettingsDialog::buildUi()
{
    resize(753, 504);
    auto *root = new QVBoxLayout(this);

    // Top panel: navigator, grid of names, help.
    auto *top = new QHBoxLayout;
    auto *navBox = new QVBoxLayout;
    auto *nav = new QHBoxLayout;
    nav->setSpacing(1);
    for (int i = 0; i < 10; ++i) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(kNavText[i]));
        b->setToolTip(QString::fromUtf8(kNavHints[i]));
        b->setAccessibleName(b->toolTip());
        b->setAutoRaise(false);
        b->setMinimumWidth(26);
        connect(b, &QToolButton::clicked, this, [this, i] { navigate(i); });
        nav->addWidget(b);
        m_nav[i] = b;
    }
    nav->addStretch();
    navBox->addLayout(nav);
    Table &report = m_dm.table(TableId::Report);
    m_model = new TableModel(report, {{"Name", {}}}, this);
    m_model->setPrompter(&m_prompter);
    m_grid = new QTableView(this);
    m_grid->setModel(m_model);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->verticalHeader()->setFixedWidth(14);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setFixedHeight(104);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &cur) {
                if (cur.isValid() && cur.row() != m_model->currentRow()) {
                    postEdit();
                    m_model->setCurrentRow(cur.row());
                }
            });
    connect(m_model, &TableModel::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_grid->currentIndex().row() != row)
            m_grid->setCurrentIndex(m_model->index(row, 0));
        loadFromRow();
        updateDependents();
    });
    navBox->addWidget(m_grid);
    top->addLayout(navBox, 1);
    auto *help = new QPushButton(QStringLiteral("Справка..."), this);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(10); });
    auto *helpBox = new QVBoxLayout;
    helpBox->addWidget(help);
    helpBox->addStretch();
    top->addLayout(helpBox);
    root->addLayout(top);

    auto *tabs = new QTabWidget(this);
    tabs->addTab(buildContentTab(), QStringLiteral("Содержание отчета"));
    tabs->addTab(buildDocumentTab(), QStringLiteral("Параметры документа Word"));
    root->addWidget(tabs, 1);

    const int cur = m_model->currentRow();
    if (cur >= 0)
        m_grid->setCurrentIndex(m_model->index(cur, 0));
}

QCheckBox *ReportSettingsDialog::addBox(QVBoxLayout *layout, const char *field,
                                        const QString &caption, bool indented,
                                        const QString &secondLine)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(QStringLiteral("dbchk") + field);
    box->setMouseTracking(true);
    box->installEventFilter(this);
    m_hoverFields[box] = field;
    const std::string name = field;
    connect(box, &QCheckBox::clicked, this, [this, name](bool on) { checkBoxClicked(name, on); });
    m_boxes[field] = box;
    auto *row = new QHBoxLayout;
    row->setContentsMargins(indented ? 20 : 0, 0, 0, 0);
    row->addWidget(box);
    row->addStretch();
    layout->addLayout(row);
    if (!secondLine.isEmpty()) {
        // The caption's second line stands for the same box, as in the printed form.
        auto *label = new QLabel(secondLine);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        label->setContentsMargins(box->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 6
                                      + (indented ? 20 : 0),
                                  0, 0, 0);
        m_hoverFields[label] = field;
        layout->addWidget(label);
    }
    return box;
}

QWidget *ReportSettingsDialog::buildContentTab()
{
    auto *page = new QWidget;
    auto *h = new QHBoxLayout(page);
    auto *inner = new QTabWidget;
    auto tab = [&](const QString &title) {
        auto *w = new QWidget;
        auto *v = new QVBoxLayout(w);
        inner->addTab(w, title);
        return v;
    };
    {
        auto *v = tab(QStringLiteral("Проект"));
        addBox(v, "ProjName", QStringLiteral("Наименование проекта"), false);
        addBox(v, "ProjHar", QStringLiteral("Характеристика проекта"), false);
        v->addStretch();
    }
    {
        auto *v = tab(QStringLiteral("Объекты"));
        addBox(v, "ObjTabObHar", QStringLiteral("Таблица общей характеристики объектов"), false);
        addBox(v, "ObjPrimObHar", QStringLiteral("Примечание к таблице"), true);
        addBox(v, "ObjTabMOHar", QStringLiteral("Таблица характеристики объектов по"), false,
               QStringLiteral("устройству молниезащиты"));
        addBox(v, "ObjPrimMOHar", QStringLiteral("Примечание к таблице"), true);
        addBox(v, "ObjPrimClass", QStringLiteral("Примечание к классам объектов"), true);
        addBox(v, "ObjScoreMOHar", QStringLiteral("Расчеты к таблице"), true);
        v->addStretch();
    }
    {
        auto *v = tab(QStringLiteral("Молниеотвод"));
        addBox(v, "MOTabRasHar", QStringLiteral("Таблица расчетных характеристик"), false,
               QStringLiteral("молниеотвода"));
        addBox(v, "MOPrimRasHar", QStringLiteral("Примечание к таблице"), true);
        addBox(v, "MOScoreRasHar", QStringLiteral("Расчеты к таблице"), true);
        addBox(v, "MOTabSelHar", QStringLiteral("Таблица характеристик выбранного"), false,
               QStringLiteral("молниеотвода"));
        addBox(v, "MOPrimSelHar", QStringLiteral("Примечание к таблице"), true);
        addBox(v, "MOScoreSelHar", QStringLiteral("Расчеты к таблице"), true);
        addBox(v, "MOTabRadZon", QStringLiteral("Таблица радиусов зон защиты объектов"), false);
        addBox(v, "MOPrimRadZon", QStringLiteral("Примечание к таблице"), true);
        addBox(v, "MOScoreRadZon", QStringLiteral("Расчеты к таблице"), true);
        addBox(v, "ProvSfera", QStringLiteral("Проверка защиты методом катящейся сферы"), false);
        v->addStretch();
    }
    {
        auto *v = tab(QStringLiteral("Чертежи"));
        auto group = [&](const QString &title, const char *top, const char *topNote,
                         const char *front, const char *frontNote) {
            auto *g = new QGroupBox(title);
            auto *gv = new QVBoxLayout(g);
            addBox(gv, top, QStringLiteral("Вид сверху"), false);
            addBox(gv, topNote, QStringLiteral("Примечание"), true);
            addBox(gv, front, QStringLiteral("Вид прямо"), false);
            addBox(gv, frontNote, QStringLiteral("Примечание"), true);
            v->addWidget(g);
        };
        group(QStringLiteral(" Расчетный молниеотвод "), "CherVidSverhuPod", "PrimVidSverhuPod",
              "CherVidPrymoPod", "PrimVidPrymoPod");
        group(QStringLiteral(" Выбранный молниеотвод "), "CherVidSverhu", "PrimVidSverhu",
              "CherVidPrymo", "PrimVidPrymo");
        addBox(v, "CherPodlozhka", QStringLiteral("Подложка на чертежах"), false);
        addBox(v, "CherVid3D", QStringLiteral("Зоны защиты в трех измерениях"), false);
        v->addStretch();
    }
    inner->setUsesScrollButtons(false);
    h->addWidget(inner, 0);

    auto *sample = new QVBoxLayout;
    m_sampleBox = new QCheckBox(QStringLiteral("Образец."));
    m_sampleBox->setChecked(true);
    // Clearing blanks the pane; ticking again shows nothing until the mouse passes over a box.
    connect(m_sampleBox, &QCheckBox::toggled, this, [this](bool on) {
        clearSample();
        if (!on)
            m_sampleNote->clear();
    });
    m_sampleNote = new QLabel(QStringLiteral("Примечание:"));
    m_samplePicture = new QLabel;
    m_samplePicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_sampleScroll = new QScrollArea;
    m_sampleScroll->setWidget(m_samplePicture);
    m_sampleScroll->setWidgetResizable(false);
    m_sampleScroll->setBackgroundRole(QPalette::Window);
    sample->addWidget(m_sampleBox);
    sample->addWidget(m_sampleNote);
    sample->addWidget(m_sampleScroll, 1);
    h->addLayout(sample, 1);
    return page;
}

QWidget *ReportSettingsDialog::buildDocumentTab()
{
    auto *page = new QWidget;
    auto *grid = new QHBoxLayout(page);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    auto radioGroup = [&](QVBoxLayout *into, const QString &title, const char *field,
                          const std::vector<std::pair<QString, QString>> &items) {
        auto *g = new QGroupBox(title);
        auto *v = new QVBoxLayout(g);
        auto *bg = new QButtonGroup(g);
        int id = 0;
        for (const auto &[caption, stored] : items) {
            auto *rb = new QRadioButton(caption);
            rb->setProperty("stored", stored);
            bg->addButton(rb, id++);
            v->addWidget(rb);
            connect(rb, &QRadioButton::clicked, this,
                    [this, field, stored] { radioClicked(field, stored); });
        }
        m_radios[field] = bg;
        into->addWidget(g);
    };
    radioGroup(left, QStringLiteral("Документ"), "WordDoc",
               {{"новый", "новый"}, {"текущий", "текущий"}});
    radioGroup(left, QStringLiteral("Размер бумаги"), "PaperSize",
               {{"А3 (29,7 х 42 см)", "A3"}, {"А4 (21 х 29,7 см)", "A4"}, {"А5 (14,8 х 21 см)", "A5"}});
    radioGroup(left, QStringLiteral("Ориентация бумаги"), "PaperOrient",
               {{"книжная", "книжная"}, {"альбомная", "альбомная"}});
    left->addStretch();
    auto *margins = new QGroupBox(QStringLiteral("Поля, мм"));
    auto *mv = new QGridLayout(margins);
    const std::pair<const char *, const char *> fields[] = {
        {"верхнее:", "TopMargin"},
        {"нижнее:", "BottomMargin"},
        {"левое:", "LeftMargin"},
        {"правое:", "RightMargin"},
        {"до верхнего колонтитула:", "HeaderDistance"},
        {"до нижнего колонтитула:", "FooterDistance"}};
    int row = 0;
    for (const auto &[caption, field] : fields) {
        auto *edit = new QLineEdit;
        edit->setValidator(new QIntValidator(0, 999, edit));
        edit->setMaximumWidth(60);
        mv->addWidget(buddyLabel(QString::fromUtf8(caption), edit), row, 0);
        mv->addWidget(edit, row, 1);
        ++row;
        const char *f = field;
        connect(edit, &QLineEdit::editingFinished, this, [this, f] { marginEdited(f); });
        m_margins[field] = edit;
    }
    right->addWidget(margins);
    radioGroup(right, QStringLiteral("Нумерация страниц"), "PageNum",
               {{"в верхнем колонтитуле", "в верхнем колонтитуле"},
                {"в нижнем колонтитуле", "в нижнем колонтитуле"},
                {"нет", "нет"}});
    right->addStretch();
    grid->addLayout(left);
    grid->addLayout(right);
    grid->addStretch();
    return page;
}

QCheckBox *ReportSettingsDialog::checkBox(const std::string &field) const
{
    const auto it = m_boxes.find(field);
    return it == m_boxes.end() ? nullptr : it->second;
}

QLineEdit *ReportSettingsDialog::marginEdit(const std::string &field) const
{
    const auto it = m_margins.find(field);
    return it == m_margins.end() ? nullptr : it->second;
}

QToolButton *ReportSettingsDialog::navigatorButton(int index) const
{
    return index >= 0 && index < 10 ? m_nav[index] : nullptr;
}

void ReportSettingsDialog::loadFromRow()
{
    Table &t = m_dm.table(TableId::Report);
    const bool has = t.isOpen() && !t.isEmpty();
    m_loading = true;
    for (auto &[field, box] : m_boxes)
        box->setChecked(has && t.asBool(field));
    for (auto &[field, edit] : m_margins)
        edit->setText(has && !t.isNull(field) ? QString::number(t.asInt(field)) : QString());
    for (auto &[field, group] : m_radios) {
        const QString v = has ? QString::fromStdString(t.asText(field)) : QString();
        group->setExclusive(false);
        for (auto *b : group->buttons())
            b->setChecked(b->property("stored").toString() == v);
        group->setExclusive(true);
    }
    m_loading = false;
}

void ReportSettingsDialog::updateDependents()
{
    for (const auto &d : dependentFlags()) {
        const bool on = m_boxes[d.parent]->isChecked();
        for (const char *dep : d.dependents)
            if (dep)
                m_boxes[dep]->setEnabled(on);
    }
}

bool ReportSettingsDialog::beginEdit()
{
    Table &t = m_dm.table(TableId::Report);
    if (t.isEmpty() && !t.isEditing())
        return false;
    // Our own edit must not reload the boxes from the stored row under the user's click.
    const bool wasLoading = m_loading;
    m_loading = true;
    bool ok = false;
    try {
        ok = t.isEditing() || t.edit();
    } catch (const TableError &e) {
        m_loading = wasLoading;
        m_prompter.error(e.what());
        return false;
    }
    m_loading = wasLoading;
    return ok;
}

void ReportSettingsDialog::postEdit()
{
    Table &t = m_dm.table(TableId::Report);
    if (!t.isEditing())
        return;
    m_loading = true;
    try {
        if (!t.post())
            t.cancel();
    } catch (const TableError &e) {
        t.cancel();
        m_loading = false;
        m_prompter.error(e.what());
        loadFromRow();
        return;
    }
    m_loading = false;
}

void ReportSettingsDialog::checkBoxClicked(const std::string &field, bool checked)
{
    if (!beginEdit()) {
        loadFromRow();
        return;
    }
    Table &t = m_dm.table(TableId::Report);
    m_loading = true;
    t.setValue(field, checked);
    for (const auto &d : dependentFlags()) {
        if (field != d.parent)
            continue;
        for (const char *dep : d.dependents) {
            if (!dep)
                continue;
            if (!checked) {
                t.setValue(dep, false);
                m_boxes[dep]->setChecked(false);
            }
            m_boxes[dep]->setEnabled(checked);
        }
    }
    m_loading = false;
    postEdit();
}

void ReportSettingsDialog::radioClicked(const char *field, const QString &value)
{
    if (m_loading)
        return;
    if (!beginEdit()) {
        loadFromRow();
        return;
    }
    m_loading = true;
    m_dm.table(TableId::Report).setValue(field, value.toStdString());
    m_loading = false;
    postEdit();
}

void ReportSettingsDialog::marginEdited(const char *field)
{
    if (m_loading)
        return;
    Table &t = m_dm.table(TableId::Report);
    const QString text = m_margins[field]->text().trimmed();
    const bool wasNull = t.isEmpty() || t.isNull(field);
    if ((text.isEmpty() && wasNull) || (!text.isEmpty() && !wasNull && text.toInt() == t.asInt(field)))
        return;
    if (!beginEdit()) {
        loadFromRow();
        return;
    }
    m_loading = true;
    if (text.isEmpty())
        t.setNull(field);
    else
        t.setValue(field, text.toInt());
    m_loading = false;
    postEdit();
}

void ReportSettingsDialog::navigate(int action)
{
    Table &t = m_dm.table(TableId::Report);
    try {
        switch (action) {
        case 0: postEdit(); t.first(); break;
        case 1: postEdit(); t.prior(); break;
        case 2: postEdit(); t.next(); if (t.eof()) t.last(); break;
        case 3: postEdit(); t.last(); break;
        case 4:
            postEdit();
            if (t.append()) {
                // The new row starts as the full report; the user names it in the grid.
                postEdit();
                t.last();
            }
            break;
        case 5: t.cancel(); t.remove(); break; // no confirmation
        case 6: beginEdit(); break;
        case 7: postEdit(); break;
        case 8: t.cancel(); break;
        case 9: postEdit(); t.refresh(); break;
        default: break;
        }
    } catch (const TableError &e) {
        m_prompter.error(e.what());
    }
    loadFromRow();
    updateDependents();
    const int row = m_model->currentRow();
    if (row >= 0)
        m_grid->setCurrentIndex(m_model->index(row, 0));
}

void ReportSettingsDialog::clearSample()
{
    QImage blank(5, 5, QImage::Format_RGB32);
    blank.fill(palette().color(QPalette::Window));
    m_samplePicture->setPixmap(QPixmap::fromImage(blank));
    m_samplePicture->resize(5, 5);
}

QImage ReportSettingsDialog::renderSample(const std::string &field, ConductorType type,
                                          const std::map<int, std::string> &classTexts)
{
    ReportInput in = sampleReportInput(type, 0, classTexts);
    ReportProfile p;
    p.WordDoc = "новый";
    p.PaperSize = "A4";
    p.LeftMargin = 20;
    p.RightMargin = 10;
    for (const auto &f : profileFlags()) {
        if (field == f.field)
            p.*f.member = true;
        if (const char *parent = parentOf(field); parent && std::string(parent) == f.field)
            p.*f.member = true;
    }
    if (field == "CherPodlozhka") {
        // The underlay's sample: the design top drawing over a small site plan — a fence round
        // the site, a road past it and the outlines of the buildings.
        p.CherVidSverhuPod = true;
        auto plan = std::make_shared<UnderlayPicture>();
        auto box = [&plan](double x1, double y1, double x2, double y2) {
            plan->lines.insert(plan->lines.end(), {QLineF(x1, y1, x2, y1), QLineF(x2, y1, x2, y2),
                                                   QLineF(x2, y2, x1, y2), QLineF(x1, y2, x1, y1)});
        };
        box(5, 5, 100, 80);
        plan->lines.insert(plan->lines.end(), {QLineF(-20, 88, 130, 88), QLineF(-20, 96, 130, 96),
                                               QLineF(45, 80, 45, 88), QLineF(55, 80, 55, 88)});
        for (const ObjectRec &o : in.snap.objects)
            box(o.MXa.value_or(0) - 1, o.MYa.value_or(0) - 1,
                o.MXa.value_or(0) + o.L.value_or(0) + 1, o.MYa.value_or(0) + o.S.value_or(0) + 1);
        plan->extent = QRectF(-20, 5, 150, 91);
        in.underlay = plan;
    }
    in.profile = p;
    DocumentBuilder builder;
    writeReport(in, builder);
    return builder.document() ? renderDocumentImage(*builder.document()) : QImage();
}

void ReportSettingsDialog::showSample(const std::string &field)
{
    if (!m_sampleBox->isChecked())
        return;
    Table &project = m_dm.project();
    if (!project.isOpen() || project.isEmpty())
        return; // without a current project nothing happens
    const ConductorType type = conductorTypeOf(project.asText("TipMO"));
    const auto key = std::make_pair(field, static_cast<int>(type));
    auto it = m_sampleCache.find(key);
    if (it == m_sampleCache.end())
        it = m_sampleCache.emplace(key, renderSample(field, type, m_classTexts)).first;
    if (it->second.isNull()) {
        clearSample();
        m_sampleNote->setText(QStringLiteral("Примечание: файл не найден."));
        return;
    }
    // The fragment is shown at the pane's width, so that it reads without scrolling sideways.
    QImage img = it->second;
    const int width = m_sampleScroll->viewport()->width() - 2;
    if (width > 50 && img.width() > width)
        img = img.scaledToWidth(width, Qt::SmoothTransformation);
    m_samplePicture->setPixmap(QPixmap::fromImage(img));
    m_samplePicture->resize(img.size());
    m_sampleNote->setText(field == "ProjName" || field == "ProjHar"
                              ? QStringLiteral("Примечание: смотрите подчеркнутое.")
                              : QStringLiteral("Примечание: смотрите фрагмент."));
}

bool ReportSettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        const auto it = m_hoverFields.find(watched);
        if (it != m_hoverFields.end())
            showSample(it->second);
    }
    return QDialog::eventFilter(watched, event);
}

void ReportSettingsDialog::closeEvent(QCloseEvent *e)
{
    postEdit();
    QDialog::closeEvent(e);
}

} // namespace kv
