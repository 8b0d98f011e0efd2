#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "../../model/model.h"
#include "../interaction.h"

class QComboBox;
class QLayout;
class QLineEdit;
class QListWidget;
class QStackedWidget;
class QToolButton;

namespace ondrel {

// The "Model" sheet: the species, couple and reaction lists, each with its
// entry editor and small tool bar, the hidden names list and the six
// species choosers, kept consistent with the model and with each other.
// Every change goes through the model editor's operations of the core.
class ModelEditor final : public QWidget {
    Q_OBJECT

public:
    ModelEditor(TModel& model, Interaction& interaction, char separator, QWidget* parent = nullptr);
    ~ModelEditor() override;

    // Rebuilds the three lists from the model, with the names list and the
    // choosers, and refills each editor from its current entry.
    void RebuildAll();

    // Applies the changes of every editor whose Ok is enabled; false, after
    // showing why, when one of them fails.
    bool ApplyPending();

    QListWidget* SpeciesListBox;
    QListWidget* RedoxReactionsListBox;
    QListWidget* ChemReactionsListBox;
    QListWidget* NamesListBox;

    QLineEdit *EditName, *EditBulkConc, *EditDiffCoef;
    QComboBox *ComboBoxOxydant, *ComboBoxReducteur;
    QLineEdit *EditEzero, *EditRateCte, *EditAlpha;
    QComboBox *Reagent_1_Combo, *Reagent_2_Combo, *Product_1_Combo, *Product_2_Combo;
    QLineEdit *EditKforward, *EditKbackward;

    QWidget *EditSpeciePanel, *Panel3, *Panel6;  // editor panels
    QWidget *Panel10, *Panel19, *Panel20;        // title panels

    QToolButton *InsertSpecie, *NewSpeciesButton, *DeleteSpeciesButton, *ApplySpeciesChange,
        *CancelSpeciesChange;
    QToolButton *InsertRedoxBitBtn, *NewElectrochemicalReactionButton, *DeleteRedoxButton,
        *ApplyButton1, *CancelButton1;
    QToolButton *InsertNewChemical, *NewChemicalButton, *DeleteChemicaButton, *ApplyButton2,
        *CancelButton2;

signals:
    // A species Ok gave species index the name name.
    void speciesRenamed(int index, const QString& name);
    // The model changed through the editor.
    void modelEdited();

public slots:
    void InsertSpecieClick();
    void NewSpeciesButtonClick();
    void DeleteSpeciesButtonClick();
    void ApplySpeciesChangeClick();
    void CancelSpeciesChangeClick();

    void InsertRedoxBitBtnClick();
    void NewElectrochemicalReaction();
    void DeleteRedoxButtonClick();
    void ApplyButton1Click();
    void CancelButton1Click();

    void InsertNewChemicalClick();
    void NewChemicalButtonClick();
    void DeleteChemicaButtonClick();
    void ApplyButton2Click();
    void CancelButton2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum List { Species, Couples, Reactions };
    struct ListWiring;

    QWidget* buildList(List list);
    QLayout* buildToolBar(List list, QWidget* box);
    QStackedWidget* buildTitleAndEditor(List list, QWidget* box);
    QWidget* buildSpeciesEditor();
    QWidget* buildCoupleEditor();
    QWidget* buildReactionEditor();

    void fillSpeciesEditor();
    void fillCoupleEditor();
    void fillReactionEditor();
    void reloadChoosers();
    void setModified(List list, bool modified);
    bool modified(List list) const;
    void showEditor(List list, bool shown);
    void leftPanel(QWidget* old, QWidget* now);

    void rowsChanged(List list, int row, bool modifiedAfter);
    void refill(List list);
    void kill(List list, bool (*killRecord)(TModel&, int));
    void cancel(List list);
    bool store(List list, int row, const std::function<void()>& apply,
               const std::function<QString()>& rowText);

    // Reads a field as a number, or shows a conversion message naming it.
    bool readNumber(QLineEdit* field, const QString& caption, double& value);
    bool applySpecies();
    bool applyCouple();
    bool applyReaction();

    TModel& model_;
    Interaction& interaction_;
    const char separator_;
    std::array<QListWidget*, 3> lists_{};
    std::array<QStackedWidget*, 3> stacks_{};
    std::array<QToolButton*, 3> okButtons_{}, cancelButtons_{};
    std::array<QComboBox*, 6> choosers_{};
};

}  // namespace ondrel
