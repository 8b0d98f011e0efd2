#include "editor.h"

#include <cmath>
#include <limits>

#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"
#include "record_texts.h"
#include "validity.h"

namespace ondrel {

namespace {

// Calls change on every species reference of the couples and reactions;
// index 0 (no species) is left alone.
template <typename Model, typename Change>
void forEachReference(Model& model, Change change) {
    for (int c = 1; c <= model.couples.count(); ++c) {
        auto& couple = model.couples[c];
        for (auto* index : {&couple.ox, &couple.red})
            change(*index);
    }
    for (int r = 1; r <= model.reactions.count(); ++r) {
        auto& reaction = model.reactions[r];
        for (auto* index :
             {&reaction.reagent1, &reaction.reagent2, &reaction.product1, &reaction.product2})
            change(*index);
    }
}

bool isRow(int row, int count) {
    return row >= 0 && row < count;
}

// A fresh record in front of the record of row, or at the end with no row;
// returns its index.
template <typename List>
int insertFresh(List& list, int row) {
    if (!isRow(row, list.count())) {
        list.append({});
        return list.count();
    }
    list.insert(row + 1, {});
    return row + 1;
}

template <typename List>
bool killRow(List& list, int row) {
    if (!isRow(row, list.count()))
        return false;
    list.remove(row + 1);
    return true;
}

}  // namespace

int AddSpecies(TModel& model) {
    model.species.append(NewSpecies());
    return model.species.count();
}

int InsertSpecies(TModel& model, int row) {
    if (row < 0 || row > model.species.count())
        return 0;
    const int index = row + 1;
    forEachReference(model, [&](int& s) {
        if (s >= index)
            ++s;
    });
    model.species.insert(index, NewSpecies());
    return index;
}

bool SpeciesInUse(const TModel& model, int i) {
    bool used = false;
    forEachReference(model, [&](const int& s) { used = used || s == i; });
    return used;
}

bool KillSpecies(TModel& model, int i) {
    if (i < 1 || i > model.species.count())
        return false;
    if (SpeciesInUse(model, i))
        throw Exception(kSpeciesInUse);
    model.species.remove(i);
    forEachReference(model, [&](int& s) {
        if (s > i)
            --s;
    });
    return true;
}

void ApplySpecies(TModel& model, int i, const std::string& name, double D, double C) {
    TEspece& species = model.species[i];
    species.name = SpeciesNameCut(name);
    species.D = D;
    species.C = C;
}

int AddCouple(TModel& model) {
    return insertFresh(model.couples, -1);
}

int InsertCouple(TModel& model, int row) {
    return insertFresh(model.couples, row);
}

bool KillCouple(TModel& model, int row) {
    return killRow(model.couples, row);
}

void ApplyCouple(TModel& model, int i, const TRedox& couple) {
    if (const std::string problem = CoupleEditorProblem(couple, model.species.count());
        !problem.empty())
        throw Exception(problem);
    model.couples[i] = couple;
}

int AddReaction(TModel& model) {
    return insertFresh(model.reactions, -1);
}

int InsertReaction(TModel& model, int row) {
    return insertFresh(model.reactions, row);
}

bool KillReaction(TModel& model, int row) {
    return killRow(model.reactions, row);
}

void ApplyReaction(TModel& model, int i, const TChemical& reaction) {
    if (!ReactionValid(reaction, model.species.count()))
        throw Exception(kInvalidChemical);
    model.reactions[i] = reaction;
}

double ReactionRateFromText(std::string_view text, char separator) {
    const double value = TextToFloat(text, separator);
    if (std::fabs(value) > std::numeric_limits<float>::max())
        throw EConvertError("'" + std::string(text) +
                            "' is too large a rate constant (beyond 3.4E38)");
    return static_cast<double>(static_cast<float>(value));
}

std::vector<std::string> SpeciesRows(const TModel& model, char separator) {
    std::vector<std::string> rows{"Dummy"};
    for (const TEspece& s : model.species)
        rows.push_back(SpeciesText(s, separator));
    return rows;
}

std::vector<std::string> NameRows(const TModel& model) {
    std::vector<std::string> rows{"Dummy"};
    for (const TEspece& s : model.species)
        rows.push_back(s.name);
    return rows;
}

std::vector<std::string> CoupleRows(const TModel& model, char separator) {
    std::vector<std::string> rows;
    for (const TRedox& c : model.couples)
        rows.push_back(CoupleText(c, model.species, separator));
    return rows;
}

std::vector<std::string> ReactionRows(const TModel& model, char separator) {
    std::vector<std::string> rows;
    for (const TChemical& r : model.reactions)
        rows.push_back(ReactionText(r, model.species, separator));
    return rows;
}

std::string ReactionTextWithoutRates(const TChemical& reaction, const TEspeces& species) {
    return ReactionSides(reaction, species);
}

std::string ReactionTextAsTyped(const TChemical& reaction, const TEspeces& species,
                                const std::string& kfText, const std::string& kbText) {
    return ReactionSides(reaction, species) + " Kf:" + kfText + " Kb:" + kbText;
}

}  // namespace ondrel
