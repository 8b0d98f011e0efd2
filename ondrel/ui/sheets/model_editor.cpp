#include "model_editor.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "../../model/editor.h"
#include "../../model/record_texts.h"
#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../qt_text.h"

namespace ondrel {

namespace {

QString number(double value, char separator) {
    return ToQString(FloatToText(value, separator));
}

QLineEdit* field(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QComboBox* chooser(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(6);
    return box;
}

// A caption over its field, as the editor panels lay them out.
void addCaptioned(QGridLayout* grid, int column, const QString& caption, QWidget* field) {
    grid->addWidget(new QLabel(caption, field->parentWidget()), 0, column);
    grid->addWidget(field, 1, column);
}

// A caption beside its field, the field spanning columns.
void addBeside(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field,
               int columns = 1) {
    grid->addWidget(new QLabel(caption, field->parentWidget()), row, column);
    grid->addWidget(field, row, column + 1, 1, columns);
}

// The fields' columns share the width; the captions' keep theirs.
void stretchFields(QGridLayout* grid) {
    for (int column = 1; column < grid->columnCount(); column += 2)
        grid->setColumnStretch(column, 1);
}

void setRows(QListWidget* list, const std::vector<std::string>& rows) {
    const int current = list->currentRow();
    const QSignalBlocker block(list);
    list->clear();
    for (const std::string& row : rows)
        list->addItem(ToQString(row));
    if (current >= 0 && current < list->count())
        list->setCurrentRow(current);
}

}  // namespace

// What sets the three lists apart: the names of their controls, their
// title, their editor panel and their commands.
struct ModelEditor::ListWiring {
    enum Command { Ins, Add, Kill, Ok, Cancel };

    const char* title;
    const char* titlePanelName;
    const char* listBoxName;
    std::array<const char*, 5> buttonNames;
    QWidget* (ModelEditor::*buildEditor)();
    void (ModelEditor::*fillEditor)();
    QListWidget* ModelEditor::*listBox;
    QWidget* ModelEditor::*titlePanel;
    std::array<QToolButton * ModelEditor::*, 5> buttons;
    std::array<void (ModelEditor::*)(), 5> commands;

    static const ListWiring& of(List list);
};

const ModelEditor::ListWiring& ModelEditor::ListWiring::of(List list) {
    using E = ModelEditor;
    static const std::array<ListWiring, 3> wirings = {{
        {"Species",
         "Panel10",
         "SpeciesListBox",
         {"InsertSpecie", "NewSpeciesButton", "DeleteSpeciesButton", "ApplySpeciesChange",
          "CancelSpeciesChange"},
         &E::buildSpeciesEditor,
         &E::fillSpeciesEditor,
         &E::SpeciesListBox,
         &E::Panel10,
         {&E::InsertSpecie, &E::NewSpeciesButton, &E::DeleteSpeciesButton, &E::ApplySpeciesChange,
          &E::CancelSpeciesChange},
         {&E::InsertSpecieClick, &E::NewSpeciesButtonClick, &E::DeleteSpeciesButtonClick,
          &E::ApplySpeciesChangeClick, &E::CancelSpeciesChangeClick}},
        {"Electrons Transfert Reactions",
         "Panel19",
         "RedoxReactionsListBox",
         {"InsertRedoxBitBtn", "NewElectrochemicalReactionButton", "DeleteRedoxButton",
          "ApplyButton1", "CancelButton1"},
         &E::buildCoupleEditor,
         &E::fillCoupleEditor,
         &E::RedoxReactionsListBox,
         &E::Panel19,
         {&E::InsertRedoxBitBtn, &E::NewElectrochemicalReactionButton, &E::DeleteRedoxButton,
          &E::ApplyButton1, &E::CancelButton1},
         {&E::InsertRedoxBitBtnClick, &E::NewElectrochemicalReaction, &E::DeleteRedoxButtonClick,
          &E::ApplyButton1Click, &E::CancelButton1Click}},
        {"Homogeneous Reactions",
         "Panel20",
         "ChemReactionsListBox",
         {"InsertNewChemical", "NewChemicalButton", "DeleteChemicaButton", "ApplyButton2",
          "CancelButton2"},
         &E::buildReactionEditor,
         &E::fillReactionEditor,
         &E::ChemReactionsListBox,
         &E::Panel20,
         {&E::InsertNewChemical, &E::NewChemicalButton, &E::DeleteChemicaButton, &E::ApplyButton2,
          &E::CancelButton2},
         {&E::InsertNewChemicalClick, &E::NewChemicalButtonClick, &E::DeleteChemicaButtonClick,
          &E::ApplyButton2Click, &E::CancelButton2Click}},
    }};
    return wirings[list];
}

ModelEditor::ModelEditor(TModel& model, Interaction& interaction, char separator, QWidget* parent)
    : QWidget(parent), model_(model), interaction_(interaction), separator_(separator) {
    setObjectName(QStringLiteral("ModelSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildList(Species), 3);
    layout->addWidget(buildList(Couples), 2);
    layout->addWidget(buildList(Reactions), 2);

    NamesListBox = new QListWidget(this);
    NamesListBox->setObjectName(QStringLiteral("NamesListBox"));
    NamesListBox->hide();

    connect(qApp, &QApplication::focusChanged, this, &ModelEditor::leftPanel);
    RebuildAll();
}

// The focus moves while the controls are taken down: the editor no longer
// follows it by then.
ModelEditor::~ModelEditor() {
    disconnect(qApp, &QApplication::focusChanged, this, &ModelEditor::leftPanel);
}

// A list with its tool bar above it and, between the two, its title panel
// that the entry editor replaces while the user edits.
QWidget* ModelEditor::buildList(List list) {
    const ListWiring& wiring = ListWiring::of(list);
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    QLayout* bar = buildToolBar(list, box);
    stacks_[list] = buildTitleAndEditor(list, box);
    lists_[list] = new QListWidget(box);
    this->*wiring.listBox = lists_[list];
    lists_[list]->setObjectName(QString::fromLatin1(wiring.listBoxName));
    lists_[list]->installEventFilter(this);
    lists_[list]->viewport()->installEventFilter(this);
    lists_[list]->setMouseTracking(true);
    layout->addLayout(bar);
    layout->addWidget(stacks_[list]);
    layout->addWidget(lists_[list], 1);

    connect(lists_[list], &QListWidget::currentRowChanged, this, [this, list] {
        (this->*ListWiring::of(list).fillEditor)();
        setModified(list, false);
    });
    connect(lists_[list], &QListWidget::itemDoubleClicked, this,
            [this, list] { showEditor(list, true); });
    setModified(list, false);
    return box;
}

// Ins, Add, Kill, Ok and Cancel.
QLayout* ModelEditor::buildToolBar(List list, QWidget* box) {
    static const std::array<const char*, 5> captions = {"Ins", "Add", "Kill", "Ok", "Cancel"};
    const ListWiring& wiring = ListWiring::of(list);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto* button = new QToolButton(box);
        button->setText(QString::fromLatin1(captions[i]));
        button->setObjectName(QString::fromLatin1(wiring.buttonNames[i]));
        // Tool buttons take no focus, so that pressing one does not count as
        // leaving the editor panel.
        button->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(button);
        this->*wiring.buttons[i] = button;
        connect(button, &QToolButton::clicked, this, wiring.commands[i]);
    }
    bar->addStretch();
    okButtons_[list] = this->*wiring.buttons[ListWiring::Ok];
    cancelButtons_[list] = this->*wiring.buttons[ListWiring::Cancel];
    return bar;
}

QStackedWidget* ModelEditor::buildTitleAndEditor(List list, QWidget* box) {
    const ListWiring& wiring = ListWiring::of(list);
    auto* stack = new QStackedWidget(box);
    auto* titlePanel = new QLabel(QString::fromLatin1(wiring.title), stack);
    titlePanel->setObjectName(QString::fromLatin1(wiring.titlePanelName));
    titlePanel->setAlignment(Qt::AlignCenter);
    titlePanel->setFrameShape(QFrame::StyledPanel);
    QFont bold = titlePanel->font();
    bold.setBold(true);
    titlePanel->setFont(bold);
    this->*wiring.titlePanel = titlePanel;
    stack->addWidget(titlePanel);
    QWidget* editor = (this->*wiring.buildEditor)();
    editor->setParent(stack);
    stack->addWidget(editor);
    stack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return stack;
}

QWidget* ModelEditor::buildSpeciesEditor() {
    EditSpeciePanel = new QWidget;
    EditSpeciePanel->setObjectName(QStringLiteral("EditSpeciePanel"));
    auto* grid = new QGridLayout(EditSpeciePanel);
    grid->setContentsMargins(2, 2, 2, 2);
    EditName = field(EditSpeciePanel, "EditName");
    EditName->setMaxLength(11);
    EditBulkConc = field(EditSpeciePanel, "EditBulkConc");
    EditDiffCoef = field(EditSpeciePanel, "EditDiffCoef");
    addCaptioned(grid, 0, QStringLiteral("Name"), EditName);
    addCaptioned(grid, 1, QStringLiteral("Concentration"), EditBulkConc);
    addCaptioned(grid, 2, QStringLiteral("Diffusion"), EditDiffCoef);
    for (QLineEdit* edit : {EditName, EditBulkConc, EditDiffCoef})
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(Species, true); });
    return EditSpeciePanel;
}

// The couple's and the reaction's fields stand in two rows, each caption
// beside its field, so that the sheet fits a narrow pane.
QWidget* ModelEditor::buildCoupleEditor() {
    Panel3 = new QWidget;
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* grid = new QGridLayout(Panel3);
    grid->setContentsMargins(2, 2, 2, 2);
    ComboBoxOxydant = chooser(Panel3, "ComboBoxOxydant");
    ComboBoxReducteur = chooser(Panel3, "ComboBoxReducteur");
    EditEzero = field(Panel3, "EditEzero");
    EditRateCte = field(Panel3, "EditRateCte");
    EditAlpha = field(Panel3, "EditAlpha");
    addBeside(grid, 0, 0, QStringLiteral("Ox"), ComboBoxOxydant);
    addBeside(grid, 0, 2, QStringLiteral("Red"), ComboBoxReducteur, 3);
    addBeside(grid, 1, 0, QStringLiteral("E\u00B0 (V)"), EditEzero);
    addBeside(grid, 1, 2, QStringLiteral("k\u00B0"), EditRateCte);
    addBeside(grid, 1, 4, QStringLiteral("a"), EditAlpha);
    stretchFields(grid);
    for (QLineEdit* edit : {EditEzero, EditRateCte, EditAlpha})
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(Couples, true); });
    for (QComboBox* box : {ComboBoxOxydant, ComboBoxReducteur})
        connect(box, &QComboBox::activated, this, [this] { setModified(Couples, true); });
    choosers_[0] = ComboBoxOxydant;
    choosers_[1] = ComboBoxReducteur;
    return Panel3;
}

QWidget* ModelEditor::buildReactionEditor() {
    Panel6 = new QWidget;
    Panel6->setObjectName(QStringLiteral("Panel6"));
    auto* grid = new QGridLayout(Panel6);
    grid->setContentsMargins(2, 2, 2, 2);
    Reagent_1_Combo = chooser(Panel6, "Reagent_1_Combo");
    Reagent_2_Combo = chooser(Panel6, "Reagent_2_Combo");
    Product_1_Combo = chooser(Panel6, "Product_1_Combo");
    Product_2_Combo = chooser(Panel6, "Product_2_Combo");
    EditKforward = field(Panel6, "EditKforward");
    EditKbackward = field(Panel6, "EditKbackward");
    // Reagents + Reagents, Kf over Products + Products, Kb.
    addBeside(grid, 0, 0, QStringLiteral("Reagents"), Reagent_1_Combo);
    addBeside(grid, 0, 2, QStringLiteral("+"), Reagent_2_Combo);
    addBeside(grid, 0, 4, QStringLiteral("Kf"), EditKforward);
    addBeside(grid, 1, 0, QStringLiteral("Products"), Product_1_Combo);
    addBeside(grid, 1, 2, QStringLiteral("+"), Product_2_Combo);
    addBeside(grid, 1, 4, QStringLiteral("Kb"), EditKbackward);
    stretchFields(grid);
    for (QLineEdit* edit : {EditKforward, EditKbackward})
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(Reactions, true); });
    for (QComboBox* box : {Reagent_1_Combo, Reagent_2_Combo, Product_1_Combo, Product_2_Combo})
        connect(box, &QComboBox::activated, this, [this] { setModified(Reactions, true); });
    choosers_[2] = Reagent_1_Combo;
    choosers_[3] = Reagent_2_Combo;
    choosers_[4] = Product_1_Combo;
    choosers_[5] = Product_2_Combo;
    return Panel6;
}

void ModelEditor::RebuildAll() {
    setRows(SpeciesListBox, SpeciesRows(model_, separator_));
    setRows(NamesListBox, NameRows(model_));
    setRows(RedoxReactionsListBox, CoupleRows(model_, separator_));
    setRows(ChemReactionsListBox, ReactionRows(model_, separator_));
    reloadChoosers();
    fillSpeciesEditor();
    fillCoupleEditor();
    fillReactionEditor();
    for (List list : {Species, Couples, Reactions})
        setModified(list, false);
}

void ModelEditor::reloadChoosers() {
    QStringList names;
    for (int row = 0; row < NamesListBox->count(); ++row)
        names << NamesListBox->item(row)->text();
    for (QComboBox* box : choosers_) {
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(names);
        box->setCurrentIndex(-1);
    }
}

void ModelEditor::fillSpeciesEditor() {
    const int row = SpeciesListBox->currentRow();
    // "Dummy" stands for no species: there is nothing to edit.
    EditSpeciePanel->setEnabled(row >= 1 && row <= model_.species.count());
    if (row >= 1 && row <= model_.species.count()) {
        const TEspece& s = model_.species[row];
        EditName->setText(ToQString(s.name));
        EditDiffCoef->setText(number(s.D, separator_));
        EditBulkConc->setText(number(s.C, separator_));
    } else {
        EditName->setText(QStringLiteral("Dummy"));
        EditDiffCoef->setText(QStringLiteral("0"));
        EditBulkConc->setText(QStringLiteral("0"));
    }
}

void ModelEditor::fillCoupleEditor() {
    reloadChoosers();  // the choosers of couples and reactions alike
    const int row = RedoxReactionsListBox->currentRow();
    Panel3->setEnabled(row >= 0 && row < model_.couples.count());
    if (row >= 0 && row < model_.couples.count()) {
        const TRedox& c = model_.couples[row + 1];
        ComboBoxOxydant->setCurrentIndex(c.ox);
        ComboBoxReducteur->setCurrentIndex(c.red);
        EditEzero->setText(number(c.E0, separator_));
        EditRateCte->setText(number(c.k0, separator_));
        EditAlpha->setText(number(c.alpha, separator_));
    } else {
        ComboBoxOxydant->setCurrentIndex(-1);
        ComboBoxReducteur->setCurrentIndex(-1);
        for (QLineEdit* edit : {EditEzero, EditRateCte, EditAlpha})
            edit->clear();
    }
    fillReactionEditor();
}

void ModelEditor::fillReactionEditor() {
    const int row = ChemReactionsListBox->currentRow();
    Panel6->setEnabled(row >= 0 && row < model_.reactions.count());
    if (row >= 0 && row < model_.reactions.count()) {
        const TChemical& r = model_.reactions[row + 1];
        Reagent_1_Combo->setCurrentIndex(r.reagent1);
        Reagent_2_Combo->setCurrentIndex(r.reagent2);
        Product_1_Combo->setCurrentIndex(r.product1);
        Product_2_Combo->setCurrentIndex(r.product2);
        EditKforward->setText(number(r.kf, separator_));
        EditKbackward->setText(number(r.kb, separator_));
    } else {
        for (QComboBox* box : {Reagent_1_Combo, Reagent_2_Combo, Product_1_Combo, Product_2_Combo})
            box->setCurrentIndex(-1);
        EditKforward->clear();
        EditKbackward->clear();
    }
}

// Refills a list's editor from its current entry; a species list's also
// the couple and reaction editors, whose choosers list the species.
void ModelEditor::refill(List list) {
    (this->*ListWiring::of(list).fillEditor)();
    if (list == Species)
        fillCoupleEditor();
}

void ModelEditor::setModified(List list, bool modified) {
    okButtons_[list]->setEnabled(modified);
    cancelButtons_[list]->setEnabled(modified);
}

bool ModelEditor::modified(List list) const {
    return okButtons_[list]->isEnabled();
}

void ModelEditor::showEditor(List list, bool shown) {
    stacks_[list]->setCurrentIndex(shown ? 1 : 0);
}

// Leaving an editor panel for another control of the window shows its
// title again. A window that opens over it, a chooser's list or a message,
// is no leaving: the panel is still in use beneath it.
void ModelEditor::leftPanel(QWidget* old, QWidget* now) {
    if (!old || !now || now->window() != window())
        return;
    for (List list : {Species, Couples, Reactions}) {
        QWidget* panel = stacks_[list]->widget(1);
        if (panel->isAncestorOf(old) && !panel->isAncestorOf(now))
            showEditor(list, false);
    }
}

// In each list the Insert key runs its Ins command and the Delete key its
// Kill command; releasing the mouse on a list shows its editor.
bool ModelEditor::eventFilter(QObject* watched, QEvent* event) {
    for (List list : {Species, Couples, Reactions}) {
        QListWidget* box = lists_[list];
        if (watched == box && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
                const ListWiring& wiring = ListWiring::of(list);
                (this->*wiring.commands[key == Qt::Key_Insert ? ListWiring::Ins
                                                              : ListWiring::Kill])();
                return true;
            }
        }
        if (box && watched == box->viewport() && event->type() == QEvent::MouseButtonRelease)
            showEditor(list, true);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ondrel
