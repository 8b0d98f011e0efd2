// The commands of the model editor's three lists: Ins, Add, Kill, Ok and
// Cancel, each through the model editor's operations of the core.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <functional>

#include "../../model/editor.h"
#include "../../model/record_texts.h"
#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../qt_text.h"
#include "model_editor.h"

namespace ondrel {

namespace {

void setRow(QListWidget* list, int row, const QString& value) {
    if (QListWidgetItem* item = list->item(row))
        item->setText(value);
}

void selectRow(QListWidget* list, int row) {
    const QSignalBlocker block(list);
    list->setCurrentRow(row);
}

}  // namespace

bool ModelEditor::readNumber(QLineEdit* field, const QString& caption, double& value) {
    try {
        value = TextToFloat(field->text().toStdString(), separator_);
        return true;
    } catch (const EConvertError& error) {
        interaction_.showError(caption + ": " + ToQString(error.what()));
        field->setFocus();
        return false;
    }
}

// After rows came or went: selects row (none for -1), refills the list's
// editor and marks it modified or clean.
void ModelEditor::rowsChanged(List list, int row, bool modifiedAfter) {
    selectRow(lists_[list], row);
    refill(list);
    setModified(list, modifiedAfter);
    emit modelEdited();
}

// Kill on a couple or a reaction: the same row position stays selected,
// so the following entry becomes the current one.
void ModelEditor::kill(List list, bool (*killRecord)(TModel&, int)) {
    QListWidget* box = lists_[list];
    const int row = box->currentRow();
    if (!killRecord(model_, row))
        return;
    delete box->takeItem(row);
    rowsChanged(list, row < box->count() ? row : -1, false);
}

void ModelEditor::cancel(List list) {
    if (!modified(list))
        return;
    refill(list);
    setModified(list, false);
}

// Ok on a couple or a reaction: the core checks and stores the entry, then
// its row shows it; a refused entry is reported and changes nothing.
bool ModelEditor::store(List list, int row, const std::function<void()>& apply,
                        const std::function<QString()>& rowText) {
    try {
        apply();
    } catch (const Exception& error) {
        interaction_.showError(ToQString(error.what()));
        return false;
    }
    setRow(lists_[list], row, rowText());
    setModified(list, false);
    emit modelEdited();
    return true;
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
    setRow(SpeciesListBox, i, ToQString(SpeciesText(model_.species[i], separator_)));
    setRow(NamesListBox, i, ToQString(model_.species[i].name));
    reloadChoosers();
    fillCoupleEditor();
    for (int r = 0; r < model_.couples.count(); ++r)
        setRow(RedoxReactionsListBox, r,
               ToQString(CoupleText(model_.couples[r + 1], model_.species, separator_)));
    // Reaction rows lose their rates until the list is rebuilt.
    for (int r = 0; r < model_.reactions.count(); ++r)
        setRow(ChemReactionsListBox, r,
               ToQString(ReactionTextWithoutRates(model_.reactions[r + 1], model_.species)));
    setModified(Species, false);
    emit speciesRenamed(i, ToQString(model_.species[i].name));
    emit modelEdited();
    return true;
}

void ModelEditor::ApplySpeciesChangeClick() {
    applySpecies();
}

void ModelEditor::CancelSpeciesChangeClick() {
    cancel(Species);
}

void ModelEditor::NewSpeciesButtonClick() {
    const int index = AddSpecies(model_);
    SpeciesListBox->addItem(ToQString(SpeciesText(model_.species[index], separator_)));
    NamesListBox->addItem(ToQString(model_.species[index].name));
    rowsChanged(Species, index, false);
}

void ModelEditor::InsertSpecieClick() {
    const int row = SpeciesListBox->currentRow();
    const int index = InsertSpecies(model_, row);
    if (index == 0)
        return;  // nothing selected
    SpeciesListBox->insertItem(index, QString::fromLatin1(kInsertedSpeciesText));
    NamesListBox->insertItem(index, ToQString(model_.species[index].name));
    rowsChanged(Species, SpeciesListBox->count() - 1, false);
}

void ModelEditor::DeleteSpeciesButtonClick() {
    const int i = SpeciesListBox->currentRow();
    try {
        if (!KillSpecies(model_, i))
            return;  // "Dummy" or no row
    } catch (const Exception& error) {
        interaction_.showError(ToQString(error.what()));
        return;
    }
    delete SpeciesListBox->takeItem(i);
    delete NamesListBox->takeItem(i);
    // The couples and reactions name other species now: their editors
    // start afresh too.
    setModified(Couples, false);
    setModified(Reactions, false);
    rowsChanged(Species, std::min(i, SpeciesListBox->count() - 1), false);
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
    return store(
        Couples, row, [&] { ApplyCouple(model_, row + 1, couple); },
        [&] { return ToQString(CoupleText(couple, model_.species, separator_)); });
}

void ModelEditor::ApplyButton1Click() {
    applyCouple();
}

void ModelEditor::CancelButton1Click() {
    cancel(Couples);
}

void ModelEditor::NewElectrochemicalReaction() {
    const int index = AddCouple(model_);
    RedoxReactionsListBox->addItem(ToQString(FreshCoupleText(separator_)));
    rowsChanged(Couples, index - 1, false);
}

void ModelEditor::InsertRedoxBitBtnClick() {
    const int row = RedoxReactionsListBox->currentRow();
    if (row < 0 || row >= RedoxReactionsListBox->count()) {
        NewElectrochemicalReaction();
        return;
    }
    InsertCouple(model_, row);
    RedoxReactionsListBox->insertItem(row, ToQString(FreshCoupleText(separator_)));
    rowsChanged(Couples, row, false);
}

void ModelEditor::DeleteRedoxButtonClick() {
    kill(Couples, KillCouple);
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
            interaction_.showError(caption + ": " + ToQString(error.what()));
            edit->setFocus();
            return false;
        }
    }
    // The row shows the rates as typed, not the stored numbers.
    return store(
        Reactions, row, [&] { ApplyReaction(model_, row + 1, reaction); },
        [&] {
            return ToQString(ReactionTextAsTyped(reaction, model_.species,
                                                 EditKforward->text().toStdString(),
                                                 EditKbackward->text().toStdString()));
        });
}

void ModelEditor::ApplyButton2Click() {
    applyReaction();
}

void ModelEditor::CancelButton2Click() {
    cancel(Reactions);
}

void ModelEditor::NewChemicalButtonClick() {
    const int index = AddReaction(model_);
    ChemReactionsListBox->addItem(QString::fromLatin1(kFreshReactionText));
    rowsChanged(Reactions, index - 1, true);  // a fresh reaction waits for its Ok
}

void ModelEditor::InsertNewChemicalClick() {
    const int row = ChemReactionsListBox->currentRow();
    if (row < 0 || row >= ChemReactionsListBox->count()) {
        NewChemicalButtonClick();
        return;
    }
    InsertReaction(model_, row);
    ChemReactionsListBox->insertItem(row, QString::fromLatin1(kInsertedReactionText));
    rowsChanged(Reactions, ChemReactionsListBox->count() - 1, false);
}

void ModelEditor::DeleteChemicaButtonClick() {
    kill(Reactions, KillReaction);
}

bool ModelEditor::ApplyPending() {
    return (!modified(Species) || applySpecies()) && (!modified(Couples) || applyCouple()) &&
           (!modified(Reactions) || applyReaction());
}

}  // namespace ondrel
