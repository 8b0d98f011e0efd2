// The Model sheet as a user meets it with the mouse: its choosers' lists,
// its editors' panels and the room it has at the window's first size.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "ui/sheets/model_editor.h"
#include "window_fixture.h"

namespace ondrel {
namespace {

class ModelSheetTest : public testing::WindowFixture {
protected:
    void showWindow() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QStackedWidget* stackOf(const char* editorPanel) {
        return qobject_cast<QStackedWidget*>(control<QWidget>(editorPanel)->parentWidget());
    }
    // Double-clicks a list's row with the mouse, which shows its editor.
    void openEditor(const char* list, int row) {
        auto* box = control<QListWidget>(list);
        const QPoint at = box->visualItemRect(box->item(row)).center();
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
    }
    // Opens a chooser's list with the mouse and picks an entry with it.
    void choose(const char* chooser, int entry) {
        auto* combo = control<QComboBox>(chooser);
        QTest::mouseClick(combo, Qt::LeftButton, {}, combo->rect().center());
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
        // The pointer goes to the entry, as a hand moves it, and clicks.
        const QPoint at = view->visualRect(view->model()->index(entry, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(QTest::qWaitFor([view] { return !view->isVisible(); }));
    }
};

TEST_F(ModelSheetTest, TheCoupleChoosersWorkWithTheMouseAndTheEditorStays) {
    showWindow();
    openEditor("RedoxReactionsListBox", 0);
    QStackedWidget* stack = stackOf("Panel3");
    ASSERT_EQ(stack->currentWidget()->objectName(), "Panel3");

    // The opened list takes the focus; the editor stays, as it is still
    // being used.
    auto* ox = control<QComboBox>("ComboBoxOxydant");
    QTest::mouseClick(ox, Qt::LeftButton, {}, ox->rect().center());
    QAbstractItemView* list = ox->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible() && list->hasFocus(); }));
    EXPECT_EQ(stack->currentWidget()->objectName(), "Panel3");
    QTest::keyClick(list, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([list] { return !list->isVisible(); }));
    EXPECT_EQ(stack->currentWidget()->objectName(), "Panel3");

    // Choosing with the mouse: E3 as the oxidised species, E2 as the reduced.
    choose("ComboBoxOxydant", 3);
    choose("ComboBoxReducteur", 2);
    EXPECT_EQ(stack->currentWidget()->objectName(), "Panel3");
    EXPECT_EQ(ox->currentIndex(), 3);
    ASSERT_TRUE(control<QToolButton>("ApplyButton1")->isEnabled());
    QTest::mouseClick(control<QToolButton>("ApplyButton1"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(window.model().couples[1].ox, 3);
    EXPECT_EQ(window.model().couples[1].red, 2);

    // Leaving the panel for another control of the window hides it.
    QTest::mouseClick(control<QLineEdit>("EditEzero"), Qt::LeftButton);
    control<QListWidget>("SpeciesListBox")->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([stack] { return stack->currentIndex() == 0; }));
}

TEST_F(ModelSheetTest, TheReactionChoosersWorkWithTheMouse) {
    showWindow();
    QTest::mouseClick(control<QToolButton>("NewChemicalButton"), Qt::LeftButton);
    openEditor("ChemReactionsListBox", 0);
    QStackedWidget* stack = stackOf("Panel6");
    ASSERT_EQ(stack->currentWidget()->objectName(), "Panel6");
    choose("Reagent_1_Combo", 1);
    choose("Product_1_Combo", 2);
    EXPECT_EQ(stack->currentWidget()->objectName(), "Panel6");
    QTest::mouseClick(control<QToolButton>("ApplyButton2"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    EXPECT_EQ(window.model().reactions[1], (TChemical{1, 0, 2, 0, 1, 1}));
}

// At the window's first size the whole sheet fits its pane: no scrolling
// either way, every editor field whole and wide enough for its value,
// also with every editor shown and a field focused.
TEST_F(ModelSheetTest, TheWholeSheetFitsItsPaneAtTheFirstSize) {
    showWindow();
    ASSERT_EQ(window.size(), QSize(1280, 800));
    auto* scroll = qobject_cast<QScrollArea*>(window.Editor->parentWidget()->parentWidget());
    ASSERT_NE(scroll, nullptr);
    select("RedoxReactionsListBox", 0);
    click("NewChemicalButton");
    for (auto [list, row] : {std::pair{"SpeciesListBox", 1}, std::pair{"RedoxReactionsListBox", 0},
                             std::pair{"ChemReactionsListBox", 0}})
        openEditor(list, row);
    control<QLineEdit>("EditKbackward")->setFocus();
    QApplication::processEvents();
    for (QStackedWidget* stack : {stackOf("EditSpeciePanel"), stackOf("Panel3"), stackOf("Panel6")})
        EXPECT_EQ(stack->currentIndex(), 1);

    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0);
    const QRect pane = scroll->viewport()->rect();
    EXPECT_EQ(window.Editor->mapTo(scroll->viewport(), QPoint(0, 0)), QPoint(0, 0));
    for (const char* name :
         {"EditName", "EditBulkConc", "EditDiffCoef", "ComboBoxOxydant", "ComboBoxReducteur",
          "EditEzero", "EditRateCte", "EditAlpha", "Reagent_1_Combo", "Reagent_2_Combo",
          "Product_1_Combo", "Product_2_Combo", "EditKforward", "EditKbackward"}) {
        auto* field = control<QWidget>(name);
        const QRect at(field->mapTo(scroll->viewport(), QPoint(0, 0)), field->size());
        EXPECT_TRUE(pane.contains(at)) << name;
        // Room for a value such as 3.000E-02 or a name of eight letters.
        EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance("3.000E-02")) << name;
    }
}

// "Dummy" is no species: its fields cannot be edited, so Ok and Cancel
// never wait for it. Nor do the editors of couples and reactions when no
// entry is chosen.
TEST_F(ModelSheetTest, NothingToEditLeavesOkAndCancelAsleep) {
    select("SpeciesListBox", 0);
    type("EditName", "X");
    type("EditBulkConc", "3");
    EXPECT_EQ(control<QLineEdit>("EditName")->text(), "Dummy");
    EXPECT_FALSE(control<QToolButton>("ApplySpeciesChange")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("CancelSpeciesChange")->isEnabled());

    select("RedoxReactionsListBox", -1);
    type("EditEzero", "0.3");
    EXPECT_FALSE(control<QToolButton>("ApplyButton1")->isEnabled());
    EXPECT_FALSE(control<QComboBox>("ComboBoxOxydant")->isEnabled());
    select("ChemReactionsListBox", -1);
    type("EditKforward", "2");
    EXPECT_FALSE(control<QToolButton>("ApplyButton2")->isEnabled());

    // A species row is edited as before.
    select("SpeciesListBox", 1);
    type("EditName", "Fc");
    EXPECT_TRUE(control<QToolButton>("ApplySpeciesChange")->isEnabled());
    click("ApplySpeciesChange");
    EXPECT_EQ(window.model().species[1].name, "Fc");
    EXPECT_FALSE(control<QToolButton>("CancelSpeciesChange")->isEnabled());
    select("RedoxReactionsListBox", 0);
    EXPECT_TRUE(control<QComboBox>("ComboBoxOxydant")->isEnabled());
    type("EditEzero", "0.3");
    EXPECT_TRUE(control<QToolButton>("ApplyButton1")->isEnabled());
}

}  // namespace
}  // namespace ondrel
