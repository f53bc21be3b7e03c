#pragma once
// A navigator over one table of the store: first, prior, next, last, insert, delete, edit, post,
// cancel and refresh, enabled by the table's state and position. Moving away from a row in edit
// posts it first (a refused post keeps the row in edit and stays there). Store errors go to the
// prompter; a refused operation has shown its own message.

#include "data/table.h"

#include <QWidget>

#include <functional>

class QToolButton;

namespace kv {

class Prompter;

class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;
    static constexpr unsigned kAll = 0x3ff;
    static unsigned mask(std::initializer_list<Button> buttons);

    DbNavigator(Table &table, Prompter &prompter, unsigned visible = kAll,
                QWidget *parent = nullptr);
    ~DbNavigator() override;

    QToolButton *button(Button b) const { return m_buttons[b]; }
    // Runs a button's operation (as a click does); false when refused or failed.
    bool run(Button b);
    // Posts a row left in edit; false when refused (the row stays in edit).
    bool postPending();
    // Called before every post: bound editors write their texts and may refuse.
    void setBeforePost(std::function<bool()> f) { m_beforePost = std::move(f); }
    // Deleting a stored row asks "Удалить запись?" first (the dictionaries do).
    void setConfirmDelete(bool on) { m_confirmDelete = on; }
    Table &table() const { return m_table; }

    void updateButtons();

signals:
    void moved();    // another row became current through the navigator
    void inserted(); // "+" opened a new row

private:
    Table &m_table;
    Prompter &m_prompter;
    QToolButton *m_buttons[kButtonCount] = {};
    std::function<bool()> m_beforePost;
    bool m_confirmDelete = false;
    int m_handle = 0;
};

} // namespace kv
