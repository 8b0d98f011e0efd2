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

#include "../model/editor.h"
#include "../model/record_texts.h"
#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"

namespace ondrel {

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString number(double value, char separator) {
    return text(FloatToText(value, separator));
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

void setRows(QListWidget* list, const std::vector<std::string>& rows) {
    const int current = list->currentRow();
    const QSignalBlocker block(list);
    list->clear();
    for (const std::string& row : rows)
        list->addItem(text(row));
    if (current >= 0 && current < list->count())
        list->setCurrentRow(current);
}

void setRow(QListWidget* list, int row, const QString& value) {
    if (QListWidgetItem* item = list->item(row))
        item->setText(value);
}

void selectRow(QListWidget* list, int row) {
    const QSignalBlocker block(list);
    list->setCurrentRow(row);
}

}  // namespace

ModelEditor::ModelEditor(TModel& model, Interaction& interaction, char separator, QWidget* parent)
    : QWidget(parent), model_(model), interaction_(interaction), separator_(separator) {
    setObjectName(QStringLiteral("ModelSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(
        buildList(Species, QStringLiteral("Species"), {"Ins", "Add", "Kill", "Ok", "Cancel"}), 3);
    layout->addWidget(buildList(Couples, QStringLiteral("Electrons Transfert Reactions"),
                                {"Ins", "Add", "Kill", "Ok", "Cancel"}),
                      2);
    layout->addWidget(buildList(Reactions, QStringLiteral("Homogeneous Reactions"),
                                {"Ins", "Add", "Kill", "Ok", "Cancel"}),
                      2);

    NamesListBox = new QListWidget(this);
    NamesListBox->setObjectName(QStringLiteral("NamesListBox"));
    NamesListBox->hide();

    connect(qApp, &QApplication::focusChanged, this, &ModelEditor::leftPanel);
    RebuildAll();
}

QWidget* ModelEditor::buildList(List list, const QString& title,
                                const std::array<QString, 5>& captions) {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    std::array<QToolButton*, 5> buttons{};
    static const char* const names[3][5] = {
        {"InsertSpecie", "NewSpeciesButton", "DeleteSpeciesButton", "ApplySpeciesChange",
         "CancelSpeciesChange"},
        {"InsertRedoxBitBtn", "NewElectrochemicalReactionButton", "DeleteRedoxButton",
         "ApplyButton1", "CancelButton1"},
        {"InsertNewChemical", "NewChemicalButton", "DeleteChemicaButton", "ApplyButton2",
         "CancelButton2"}};
    for (int i = 0; i < 5; ++i) {
        buttons[i] = new QToolButton(box);
        buttons[i]->setText(captions[i]);
        buttons[i]->setObjectName(QString::fromLatin1(names[list][i]));
        // Tool buttons take no focus, so that pressing one does not count as
        // leaving the editor panel.
        buttons[i]->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(buttons[i]);
    }
    bar->addStretch();

    auto* stack = new QStackedWidget(box);
    auto* titlePanel = new QLabel(title, stack);
    titlePanel->setObjectName(list == Species   ? "Panel10"
                              : list == Couples ? "Panel19"
                                                : "Panel20");
    titlePanel->setAlignment(Qt::AlignCenter);
    titlePanel->setFrameShape(QFrame::StyledPanel);
    QFont bold = titlePanel->font();
    bold.setBold(true);
    titlePanel->setFont(bold);
    stack->addWidget(titlePanel);
    QWidget* editor = list == Species   ? buildSpeciesEditor()
                      : list == Couples ? buildCoupleEditor()
                                        : buildReactionEditor();
    editor->setParent(stack);
    stack->addWidget(editor);
    stack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* listBox = new QListWidget(box);
    listBox->setObjectName(list == Species   ? "SpeciesListBox"
                           : list == Couples ? "RedoxReactionsListBox"
                                             : "ChemReactionsListBox");
    listBox->installEventFilter(this);
    listBox->viewport()->installEventFilter(this);
    listBox->setMouseTracking(true);

    layout->addLayout(bar);
    layout->addWidget(stack);
    layout->addWidget(listBox, 1);

    lists_[list] = listBox;
    stacks_[list] = stack;
    okButtons_[list] = buttons[3];
    cancelButtons_[list] = buttons[4];
    switch (list) {
        case Species:
            SpeciesListBox = listBox;
            Panel10 = titlePanel;
            std::tie(InsertSpecie, NewSpeciesButton, DeleteSpeciesButton, ApplySpeciesChange,
                     CancelSpeciesChange) =
                std::tuple(buttons[0], buttons[1], buttons[2], buttons[3], buttons[4]);
            connect(InsertSpecie, &QToolButton::clicked, this, &ModelEditor::InsertSpecieClick);
            connect(NewSpeciesButton, &QToolButton::clicked, this,
                    &ModelEditor::NewSpeciesButtonClick);
            connect(DeleteSpeciesButton, &QToolButton::clicked, this,
                    &ModelEditor::DeleteSpeciesButtonClick);
            connect(ApplySpeciesChange, &QToolButton::clicked, this,
                    &ModelEditor::ApplySpeciesChangeClick);
            connect(CancelSpeciesChange, &QToolButton::clicked, this,
                    &ModelEditor::CancelSpeciesChangeClick);
            connect(listBox, &QListWidget::currentRowChanged, this, [this] {
                fillSpeciesEditor();
                setModified(Species, false);
            });
            break;
        case Couples:
            RedoxReactionsListBox = listBox;
            Panel19 = titlePanel;
            std::tie(InsertRedoxBitBtn, NewElectrochemicalReactionButton, DeleteRedoxButton,
                     ApplyButton1, CancelButton1) =
                std::tuple(buttons[0], buttons[1], buttons[2], buttons[3], buttons[4]);
            connect(InsertRedoxBitBtn, &QToolButton::clicked, this,
                    &ModelEditor::InsertRedoxBitBtnClick);
            connect(NewElectrochemicalReactionButton, &QToolButton::clicked, this,
                    &ModelEditor::NewElectrochemicalReaction);
            connect(DeleteRedoxButton, &QToolButton::clicked, this,
                    &ModelEditor::DeleteRedoxButtonClick);
            connect(ApplyButton1, &QToolButton::clicked, this, &ModelEditor::ApplyButton1Click);
            connect(CancelButton1, &QToolButton::clicked, this, &ModelEditor::CancelButton1Click);
            connect(listBox, &QListWidget::currentRowChanged, this, [this] {
                fillCoupleEditor();
                setModified(Couples, false);
            });
            break;
        case Reactions:
            ChemReactionsListBox = listBox;
            Panel20 = titlePanel;
            std::tie(InsertNewChemical, NewChemicalButton, DeleteChemicaButton, ApplyButton2,
                     CancelButton2) =
                std::tuple(buttons[0], buttons[1], buttons[2], buttons[3], buttons[4]);
            connect(InsertNewChemical, &QToolButton::clicked, this,
                    &ModelEditor::InsertNewChemicalClick);
            connect(NewChemicalButton, &QToolButton::clicked, this,
                    &ModelEditor::NewChemicalButtonClick);
            connect(DeleteChemicaButton, &QToolButton::clicked, this,
                    &ModelEditor::DeleteChemicaButtonClick);
            connect(ApplyButton2, &QToolButton::clicked, this, &ModelEditor::ApplyButton2Click);
            connect(CancelButton2, &QToolButton::clicked, this, &ModelEditor::CancelButton2Click);
            connect(listBox, &QListWidget::currentRowChanged, this, [this] {
                fillReactionEditor();
                setModified(Reactions, false);
            });
            break;
    }
    connect(listBox, &QListWidget::itemDoubleClicked, this,
            [this, list] { showEditor(list, true); });
    setModified(list, false);
    return box;
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
    addCaptioned(grid, 0, QStringLiteral("Ox"), ComboBoxOxydant);
    addCaptioned(grid, 1, QStringLiteral("Red"), ComboBoxReducteur);
    addCaptioned(grid, 2, QStringLiteral("E\u00B0 (V)"), EditEzero);
    addCaptioned(grid, 3, QStringLiteral("k\u00B0"), EditRateCte);
    addCaptioned(grid, 4, QStringLiteral("a"), EditAlpha);
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
    grid->addWidget(new QLabel(QStringLiteral("Reagents"), Panel6), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Products"), Panel6), 0, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Kf"), Panel6), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Kb"), Panel6), 0, 5);
    int column = 0;
    for (QWidget* w :
         {static_cast<QWidget*>(Reagent_1_Combo), static_cast<QWidget*>(Reagent_2_Combo),
          static_cast<QWidget*>(Product_1_Combo), static_cast<QWidget*>(Product_2_Combo),
          static_cast<QWidget*>(EditKforward), static_cast<QWidget*>(EditKbackward)})
        grid->addWidget(w, 1, column++);
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
    if (row >= 1 && row <= model_.species.count()) {
        const TEspece& s = model_.species[row];
        EditName->setText(text(s.name));
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

// Leaving an editor panel for a widget outside it shows its title again.
void ModelEditor::leftPanel(QWidget* old, QWidget* now) {
    for (List list : {Species, Couples, Reactions}) {
        QWidget* panel = stacks_[list]->widget(1);
        if (old && panel->isAncestorOf(old) && !(now && panel->isAncestorOf(now)))
            showEditor(list, false);
    }
}

bool ModelEditor::eventFilter(QObject* watched, QEvent* event) {
    for (List list : {Species, Couples, Reactions}) {
        QListWidget* box = lists_[list];
        if (watched == box && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
                if (key == Qt::Key_Insert)
                    list == Species   ? InsertSpecieClick()
                    : list == Couples ? InsertRedoxBitBtnClick()
                                      : InsertNewChemicalClick();
                else
                    list == Species   ? DeleteSpeciesButtonClick()
                    : list == Couples ? DeleteRedoxButtonClick()
                                      : DeleteChemicaButtonClick();
                return true;
            }
        }
        if (box && watched == box->viewport() && event->type() == QEvent::MouseButtonRelease)
            showEditor(list, true);
    }
    return QWidget::eventFilter(watched, event);
}

bool ModelEditor::readNumber(QLineEdit* field, const QString& caption, double& value) {
    try {
        value = TextToFloat(field->text().toStdString(), separator_);
        return true;
    } catch (const EConvertError& error) {
        interaction_.showError(caption + ": " + text(error.what()));
        field->setFocus();
        return false;
    }
}

// --- species ---

bool ModelEditor::applySpecies() {
    const int i = SpeciesListBox->currentRow();
    if (i < 1 || i > model_.species.count())
        return true;
    double D = 0, C = 0;
    // Both numbers are read before anything is stored.
    if (!readNumber(EditDiffCoef, QStringLiteral("Diffusion"), D) ||
        !readNumber(EditBulkConc, QStringLiteral("Concentration"), C))
        return false;
    ApplySpecies(model_, i, EditName->text().toStdString(), D, C);
    setRow(SpeciesListBox, i, text(SpeciesText(model_.species[i], separator_)));
    setRow(NamesListBox, i, text(model_.species[i].name));
    reloadChoosers();
    fillCoupleEditor();
    for (int r = 0; r < model_.couples.count(); ++r)
        setRow(RedoxReactionsListBox, r,
               text(CoupleText(model_.couples[r + 1], model_.species, separator_)));
    // Reaction rows lose their rates until the list is rebuilt.
    for (int r = 0; r < model_.reactions.count(); ++r)
        setRow(ChemReactionsListBox, r,
               text(ReactionTextWithoutRates(model_.reactions[r + 1], model_.species)));
    setModified(Species, false);
    emit speciesRenamed(i, text(model_.species[i].name));
    emit modelEdited();
    return true;
}

void ModelEditor::ApplySpeciesChangeClick() {
    applySpecies();
}

void ModelEditor::CancelSpeciesChangeClick() {
    if (!modified(Species))
        return;
    fillSpeciesEditor();
    fillCoupleEditor();
    setModified(Species, false);
}

void ModelEditor::NewSpeciesButtonClick() {
    const int index = AddSpecies(model_);
    SpeciesListBox->addItem(text(SpeciesText(model_.species[index], separator_)));
    NamesListBox->addItem(text(model_.species[index].name));
    selectRow(SpeciesListBox, index);
    fillSpeciesEditor();
    setModified(Species, false);
    reloadChoosers();
    fillCoupleEditor();
    emit modelEdited();
}

void ModelEditor::InsertSpecieClick() {
    const int row = SpeciesListBox->currentRow();
    const int index = InsertSpecies(model_, row);
    if (index == 0)
        return;  // nothing selected
    SpeciesListBox->insertItem(index, QString::fromLatin1(kInsertedSpeciesText));
    NamesListBox->insertItem(index, text(model_.species[index].name));
    selectRow(SpeciesListBox, SpeciesListBox->count() - 1);
    fillSpeciesEditor();
    setModified(Species, false);
    reloadChoosers();
    fillCoupleEditor();
    emit modelEdited();
}

void ModelEditor::DeleteSpeciesButtonClick() {
    const int i = SpeciesListBox->currentRow();
    try {
        if (!KillSpecies(model_, i))
            return;  // "Dummy" or no row
    } catch (const Exception& error) {
        interaction_.showError(text(error.what()));
        return;
    }
    delete SpeciesListBox->takeItem(i);
    delete NamesListBox->takeItem(i);
    selectRow(SpeciesListBox, std::min(i, SpeciesListBox->count() - 1));
    reloadChoosers();
    fillSpeciesEditor();
    fillCoupleEditor();
    for (List list : {Species, Couples, Reactions})
        setModified(list, false);
    emit modelEdited();
}

// --- couples ---

bool ModelEditor::applyCouple() {
    const int row = RedoxReactionsListBox->currentRow();
    if (row < 0 || row >= model_.couples.count())
        return true;
    TRedox couple;
    couple.ox = std::max(ComboBoxOxydant->currentIndex(), 0);
    couple.red = std::max(ComboBoxReducteur->currentIndex(), 0);
    if (!readNumber(EditEzero, QStringLiteral("E\u00B0 (V)"), couple.E0) ||
        !readNumber(EditRateCte, QStringLiteral("k\u00B0"), couple.k0) ||
        !readNumber(EditAlpha, QStringLiteral("a"), couple.alpha))
        return false;
    try {
        ApplyCouple(model_, row + 1, couple);
    } catch (const Exception& error) {
        interaction_.showError(text(error.what()));
        return false;
    }
    setRow(RedoxReactionsListBox, row, text(CoupleText(couple, model_.species, separator_)));
    setModified(Couples, false);
    emit modelEdited();
    return true;
}

void ModelEditor::ApplyButton1Click() {
    applyCouple();
}

void ModelEditor::CancelButton1Click() {
    if (!modified(Couples))
        return;
    fillCoupleEditor();
    setModified(Couples, false);
}

void ModelEditor::NewElectrochemicalReaction() {
    const int index = AddCouple(model_);
    RedoxReactionsListBox->addItem(text(FreshCoupleText(separator_)));
    selectRow(RedoxReactionsListBox, index - 1);
    fillCoupleEditor();
    setModified(Couples, false);
    emit modelEdited();
}

void ModelEditor::InsertRedoxBitBtnClick() {
    const int row = RedoxReactionsListBox->currentRow();
    if (row < 0 || row >= RedoxReactionsListBox->count()) {
        NewElectrochemicalReaction();
        return;
    }
    InsertCouple(model_, row);
    RedoxReactionsListBox->insertItem(row, text(FreshCoupleText(separator_)));
    selectRow(RedoxReactionsListBox, row);
    fillCoupleEditor();
    setModified(Couples, false);
    emit modelEdited();
}

void ModelEditor::DeleteRedoxButtonClick() {
    const int row = RedoxReactionsListBox->currentRow();
    if (!KillCouple(model_, row))
        return;
    delete RedoxReactionsListBox->takeItem(row);
    selectRow(RedoxReactionsListBox, row < RedoxReactionsListBox->count() ? row : -1);
    fillCoupleEditor();
    setModified(Couples, false);
    emit modelEdited();
}

// --- reactions ---

bool ModelEditor::applyReaction() {
    const int row = ChemReactionsListBox->currentRow();
    if (row < 0 || row >= model_.reactions.count())
        return true;
    TChemical reaction;
    reaction.reagent1 = std::max(Reagent_1_Combo->currentIndex(), 0);
    reaction.reagent2 = std::max(Reagent_2_Combo->currentIndex(), 0);
    reaction.product1 = std::max(Product_1_Combo->currentIndex(), 0);
    reaction.product2 = std::max(Product_2_Combo->currentIndex(), 0);
    for (auto [edit, caption, rate] :
         {std::tuple{EditKforward, QStringLiteral("Kf"), &reaction.kf},
          std::tuple{EditKbackward, QStringLiteral("Kb"), &reaction.kb}}) {
        try {
            *rate = ReactionRateFromText(edit->text().toStdString(), separator_);
        } catch (const EConvertError& error) {
            interaction_.showError(caption + ": " + text(error.what()));
            edit->setFocus();
            return false;
        }
    }
    try {
        ApplyReaction(model_, row + 1, reaction);
    } catch (const Exception& error) {
        interaction_.showError(text(error.what()));
        return false;
    }
    setRow(ChemReactionsListBox, row,
           text(ReactionTextAsTyped(reaction, model_.species, EditKforward->text().toStdString(),
                                    EditKbackward->text().toStdString())));
    setModified(Reactions, false);
    emit modelEdited();
    return true;
}

void ModelEditor::ApplyButton2Click() {
    applyReaction();
}

void ModelEditor::CancelButton2Click() {
    if (!modified(Reactions))
        return;
    fillReactionEditor();
    setModified(Reactions, false);
}

void ModelEditor::NewChemicalButtonClick() {
    const int index = AddReaction(model_);
    ChemReactionsListBox->addItem(QString::fromLatin1(kFreshReactionText));
    selectRow(ChemReactionsListBox, index - 1);
    fillReactionEditor();
    setModified(Reactions, true);  // a fresh reaction waits for its Ok
    emit modelEdited();
}

void ModelEditor::InsertNewChemicalClick() {
    const int row = ChemReactionsListBox->currentRow();
    if (row < 0 || row >= ChemReactionsListBox->count()) {
        NewChemicalButtonClick();
        return;
    }
    InsertReaction(model_, row);
    ChemReactionsListBox->insertItem(row, QString::fromLatin1(kInsertedReactionText));
    selectRow(ChemReactionsListBox, ChemReactionsListBox->count() - 1);
    fillReactionEditor();
    setModified(Reactions, false);
    emit modelEdited();
}

void ModelEditor::DeleteChemicaButtonClick() {
    const int row = ChemReactionsListBox->currentRow();
    if (!KillReaction(model_, row))
        return;
    delete ChemReactionsListBox->takeItem(row);
    selectRow(ChemReactionsListBox, row < ChemReactionsListBox->count() ? row : -1);
    fillReactionEditor();
    setModified(Reactions, false);
    emit modelEdited();
}

bool ModelEditor::ApplyPending() {
    return (!modified(Species) || applySpecies()) && (!modified(Couples) || applyCouple()) &&
           (!modified(Reactions) || applyReaction());
}

}  // namespace ondrel
