// The project and object commands: each opens its dialog (answered here by the dialog runner,
// which fills the fields and presses the buttons) and hands the values to the project document.

#include "app/objectform.h"
#include "app/openprojectform.h"
#include "app/projectcommands.h"
#include "app/projectdocument.h"
#include "app/projectform.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "widgets/filtertabcontrol.h"
#include "widgets/listchoice.h"
#include "widgets/tablemodel.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct Commands : ::testing::Test {
    Commands()
    {
        std::string t = (fs::temp_directory_path() / "korvan-cmd-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string() + "/");
        dm = std::make_unique<DataModule>(dir.string() + "/", prompter);
        dm->openAll();
        doc = std::make_unique<ProjectDocument>(*dm);
        doc->openLastProject();
        // Each dialog kind gets its own answer; an unexpected dialog is cancelled.
        dialogRunner() = [this](QDialog &d) {
            ++dialogs;
            if (auto *p = dynamic_cast<ProjectForm *>(&d); p && onProject)
                return onProject(*p);
            if (auto *o = dynamic_cast<OpenProjectForm *>(&d); o && onOpen)
                return onOpen(*o);
            if (auto *o = dynamic_cast<ObjectForm *>(&d); o && onObject)
                return onObject(*o);
            if (auto *l = dynamic_cast<ListChoiceDialog *>(&d); l && onList)
                return onList(*l);
            return static_cast<int>(QDialog::Rejected);
        };
    }
    ~Commands() override
    {
        dialogRunner() = {};
        doc.reset();
        dm.reset();
        fs::remove_all(dir);
    }
    int projectCount() { return dm->project().recordCount(); }

    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
    std::unique_ptr<ProjectDocument> doc;
    int dialogs = 0;
    std::function<int(ProjectForm &)> onProject;
    std::function<int(OpenProjectForm &)> onOpen;
    std::function<int(ObjectForm &)> onObject;
    std::function<int(ListChoiceDialog &)> onList;
};

constexpr int kOk = QDialog::Accepted;
constexpr int kCancel = QDialog::Rejected;

// Presses a dialog's OK button; the result is what the dialog ended with.
int pressOk(QDialog &d, QPushButton *ok)
{
    d.show();
    ok->click();
    return d.result();
}

} // namespace

TEST_F(Commands, CreateEditDeleteAndSaveAsProjectsOfEachType)
{
    ASSERT_TRUE(doc->hasProject());
    const int sample = doc->projectKod();
    const int before = projectCount();

    // Cancel changes nothing.
    onProject = [](ProjectForm &) { return kCancel; };
    EXPECT_FALSE(cmdCreateProject(*doc, nullptr));
    EXPECT_EQ(projectCount(), before);
    EXPECT_EQ(doc->projectKod(), sample);

    const struct {
        int typeIndex;
        const char *tip;
        std::size_t conductors;
    } types[] = {{kTypeIndexSingleRod, "одиночный стержневой молниеотвод", 1},
                 {kTypeIndexCable, "одиночный тросовый молниеотвод", 2},
                 {kTypeIndexDoubleRod, "двойной стержневой молниеотвод", 2}};
    for (const auto &t : types) {
        std::string proposed;
        onProject = [&](ProjectForm &f) {
            proposed = f.nameEdit()->text().toStdString();
            EXPECT_EQ(f.rangeCombo()->currentText(), QStringLiteral("60 - 79"));
            EXPECT_FALSE(f.udarovEdit()->text().isEmpty());
            f.typeButton(t.typeIndex)->click();
            return pressOk(f, f.okButton());
        };
        const int n = projectCount();
        ASSERT_TRUE(cmdCreateProject(*doc, nullptr)) << t.tip;
        EXPECT_EQ(proposed, "Проект " + std::to_string(n + 1));
        EXPECT_EQ(projectCount(), n + 1);
        const ProjectSnapshot &s = doc->snapshot();
        EXPECT_EQ(s.project.Name, std::optional<std::string>(proposed));
        EXPECT_EQ(s.project.TipMO, std::optional<std::string>(t.tip));
        EXPECT_EQ(s.project.ProdGrozMin, std::optional<int>(60));
        EXPECT_EQ(s.conductors.size(), t.conductors);
        EXPECT_EQ(s.project.IScale, std::optional<int>(500));
    }

    // Edit: the dialog shows the project; a type change reshapes the conductor rows.
    onProject = [](ProjectForm &f) {
        EXPECT_TRUE(f.typeButton(kTypeIndexDoubleRod)->isChecked());
        EXPECT_EQ(f.rangeCombo()->currentText(), QStringLiteral("60 - 79"));
        f.typeButton(kTypeIndexSingleRod)->click();
        f.nameEdit()->setText(QStringLiteral("Насосная"));
        f.scaleSpin()->stepUp();
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdEditProject(*doc, nullptr));
    EXPECT_EQ(doc->snapshot().project.Name, std::optional<std::string>("Насосная"));
    EXPECT_EQ(doc->snapshot().project.IScale, std::optional<int>(600));
    EXPECT_EQ(doc->snapshot().conductors.size(), 1u);
    onProject = [](ProjectForm &) { return kCancel; };
    EXPECT_FALSE(cmdEditProject(*doc, nullptr));

    // Save as asks the name through the input box.
    prompter.clear();
    prompter.inputAnswers = {std::string("Насосная, вариант 2")};
    const int count = projectCount();
    ASSERT_TRUE(cmdSaveAsProject(*doc, nullptr));
    EXPECT_EQ(projectCount(), count + 1);
    EXPECT_EQ(doc->snapshot().project.Name, std::optional<std::string>("Насосная, вариант 2"));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Сохранить как...\nНаименование проекта:");
    prompter.inputAnswers = {std::nullopt};
    EXPECT_FALSE(cmdSaveAsProject(*doc, nullptr));
    EXPECT_EQ(projectCount(), count + 1);

    // Delete asks; "No" keeps the project.
    prompter.clear();
    prompter.askAnswers = {false, true};
    const int copy = doc->projectKod();
    EXPECT_FALSE(cmdDeleteProject(*doc, nullptr));
    EXPECT_EQ(doc->projectKod(), copy);
    EXPECT_TRUE(cmdDeleteProject(*doc, nullptr));
    EXPECT_EQ(projectCount(), count);
    EXPECT_NE(doc->projectKod(), copy);
    EXPECT_EQ(prompter.texts(RecordingPrompter::Kind::Ask),
              (std::vector<std::string>{"Удалить текущий проект?", "Удалить текущий проект?"}));

    // Every command was one undoable step.
    EXPECT_GE(doc->undoStack()->count(), 1);
}

TEST_F(Commands, OpenPicksAProjectAndCancelLeavesEverythingAsItWas)
{
    onProject = [](ProjectForm &f) {
        f.nameEdit()->setText(QStringLiteral("Водонапорная башня"));
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdCreateProject(*doc, nullptr));
    const int tower = doc->projectKod();
    onProject = [](ProjectForm &f) {
        f.nameEdit()->setText(QStringLiteral("Гараж"));
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdCreateProject(*doc, nullptr));
    const int garage = doc->projectKod();

    // Browse to another project under a letter tab, then cancel.
    onOpen = [&](OpenProjectForm &f) {
        EXPECT_EQ(f.chosenKod(), garage);
        const auto tabs = f.filterTabs()->tabs();
        f.filterTabs()->selectTab(static_cast<int>(tabs.indexOf(QStringLiteral("В"))));
        f.grid()->selectionModel()->setCurrentIndex(f.model()->index(0, 0),
                                                    QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(f.chosenKod(), tower);
        return kCancel;
    };
    EXPECT_FALSE(cmdOpenProject(*doc, nullptr));
    EXPECT_EQ(doc->projectKod(), garage);
    EXPECT_EQ(dm->project().asInt("Kod"), garage);
    EXPECT_EQ(dm->project().filter(), "");
    EXPECT_EQ(dm->project().recordCount(), 3);

    // The same with OK opens the tower.
    onOpen = [&](OpenProjectForm &f) {
        const auto tabs = f.filterTabs()->tabs();
        f.filterTabs()->selectTab(static_cast<int>(tabs.indexOf(QStringLiteral("В"))));
        f.grid()->selectionModel()->setCurrentIndex(f.model()->index(0, 0),
                                                    QItemSelectionModel::ClearAndSelect);
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdOpenProject(*doc, nullptr));
    EXPECT_EQ(doc->projectKod(), tower);
    EXPECT_EQ(doc->snapshot().project.Name, std::optional<std::string>("Водонапорная башня"));
    EXPECT_EQ(dm->project().filter(), "");
}

TEST_F(Commands, AddEditDeleteAndDuplicateObjects)
{
    const std::size_t n0 = doc->snapshot().objects.size();
    ASSERT_GT(n0, 0u);

    // Add: the proposed name and label, X typed off the grid, a name picked nowhere (typed).
    onObject = [&](ObjectForm &f) {
        EXPECT_EQ(f.edit(ObjectField::Name)->text(),
                  QStringLiteral("Объект %1").arg(static_cast<int>(n0) + 1));
        EXPECT_EQ(f.edit(ObjectField::Label)->text(), QString::number(static_cast<int>(n0) + 1));
        f.edit(ObjectField::Name)->setText(QStringLiteral("Трансформаторная подстанция"));
        f.edit(ObjectField::X)->setText(QStringLiteral("3,27"));
        f.edit(ObjectField::L)->setText(QStringLiteral("3,27"));
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdAddObject(*doc, nullptr));
    ASSERT_EQ(doc->snapshot().objects.size(), n0 + 1);
    const ObjectRec added = doc->snapshot().objects.back();
    EXPECT_EQ(added.Name, std::optional<std::string>("Трансформаторная подстанция"));
    EXPECT_EQ(added.MXa, std::optional<double>(3)); // snapped to the 1 m grid
    EXPECT_EQ(added.L, std::optional<double>(3.27));
    EXPECT_EQ(added.Zona, std::optional<std::string>("А")); // class 1
    EXPECT_TRUE(dm->table(TableId::ObjName).locate({{"ObjName", Value("Трансформаторная подстанция")}}));
    const int kod = *added.Kod;
    EXPECT_EQ(doc->selection().kind, Selection::Object);
    EXPECT_EQ(doc->selection().objectKod, kod);

    // The OK checks keep the dialog open with their message; Cancel then leaves the rows.
    prompter.clear();
    onObject = [](ObjectForm &f) {
        f.edit(ObjectField::Label)->clear();
        EXPECT_NE(pressOk(f, f.okButton()), kOk);
        return kCancel;
    };
    EXPECT_FALSE(cmdEditObject(*doc, nullptr));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка. Заполнение поля «Метка» обязательно."});
    EXPECT_EQ(doc->object(kod)->SLabel, added.SLabel);

    // Edit the selected object: the name from the dictionary through "Выбор...".
    onList = [](ListChoiceDialog &l) {
        l.searchEdit()->setText(QString());
        l.list()->setCurrentRow(0);
        l.list()->item(0)->setSelected(true);
        return kOk;
    };
    QString picked;
    onObject = [&](ObjectForm &f) {
        EXPECT_EQ(f.edit(ObjectField::Name)->text(), QStringLiteral("Трансформаторная подстанция"));
        EXPECT_EQ(f.buildingClass(), 1);
        f.selectButton()->click();
        picked = f.edit(ObjectField::Name)->text();
        f.classButton(3)->click();
        return pressOk(f, f.okButton());
    };
    ASSERT_TRUE(cmdEditObject(*doc, nullptr));
    EXPECT_FALSE(picked.isEmpty());
    EXPECT_EQ(doc->object(kod)->Name, std::optional<std::string>(picked.toStdString()));
    EXPECT_EQ(doc->object(kod)->Tip, std::optional<int>(3));
    EXPECT_EQ(doc->object(kod)->Zona, std::optional<std::string>("Б"));

    // Duplicate and delete act on the selected object.
    ASSERT_TRUE(cmdCloneObject(*doc, nullptr));
    ASSERT_EQ(doc->snapshot().objects.size(), n0 + 2);
    const ObjectRec copy = doc->snapshot().objects.back();
    EXPECT_EQ(copy.Name, std::optional<std::string>(picked.toStdString() + "_1"));
    EXPECT_EQ(copy.MXa, std::optional<double>(4));
    EXPECT_EQ(doc->selection().objectKod, *copy.Kod);
    ASSERT_TRUE(cmdDeleteObject(*doc, nullptr));
    EXPECT_EQ(doc->snapshot().objects.size(), n0 + 1);
    EXPECT_EQ(doc->object(*copy.Kod), nullptr);
    EXPECT_NE(doc->object(kod), nullptr);
}

TEST_F(Commands, WithoutAProjectOnlyCreateWorks)
{
    prompter.askAnswers = {true};
    ASSERT_TRUE(cmdDeleteProject(*doc, nullptr));
    ASSERT_FALSE(doc->hasProject());
    dialogs = 0;
    EXPECT_FALSE(cmdEditProject(*doc, nullptr));
    EXPECT_FALSE(cmdAddObject(*doc, nullptr));
    EXPECT_FALSE(cmdEditObject(*doc, nullptr));
    EXPECT_FALSE(cmdDeleteObject(*doc, nullptr));
    EXPECT_FALSE(cmdCloneObject(*doc, nullptr));
    EXPECT_FALSE(cmdSaveAsProject(*doc, nullptr));
    EXPECT_EQ(dialogs, 0);
    onProject = [](ProjectForm &f) {
        EXPECT_EQ(f.nameEdit()->text(), QStringLiteral("Проект 1"));
        return pressOk(f, f.okButton());
    };
    EXPECT_TRUE(cmdCreateProject(*doc, nullptr));
    EXPECT_TRUE(doc->hasProject());
}
