#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace ondrel {

// The model editor's operations on the model, apart from any window. Rows
// are those of the list boxes: the species list's row 0 is "Dummy" and row
// i species i; the couple and reaction lists' row r is record r + 1.
// Failures throw Exception with the editor's message and change nothing.

inline constexpr const char* kSpeciesInUse = "That species Can't be deleted";

// --- species ---

// Appends a new species ("Ex", C 0, D 1) and returns its index.
int AddSpecies(TModel& model);

// Inserts a new species right after the species of row (0 for "Dummy", so
// that the new one becomes species 1) and raises every reference to the
// species from there on, so that couples and reactions keep naming the same
// species. Returns the new species' index, or 0 when row is outside the
// list (nothing selected): then nothing changes.
int InsertSpecies(TModel& model, int row);

// True when a couple or a reaction refers to species i.
bool SpeciesInUse(const TModel& model, int i);

// Removes species i and lowers every reference to a later species. Throws
// "That species Can't be deleted" while it is in use; row 0 and rows
// outside the list change nothing and return false.
bool KillSpecies(TModel& model, int i);

// Ok on species i: its name (cut to 12 characters), D and C.
void ApplySpecies(TModel& model, int i, const std::string& name, double D, double C);

// --- couples ---

// Appends a new couple (Dummy/Dummy, E° 0, k° 1, alpha 0.5); returns its
// index.
int AddCouple(TModel& model);

// Inserts a new couple in front of the one of row; with no row selected
// (row outside the list) appends it. Returns the new couple's index.
int InsertCouple(TModel& model, int row);

// Removes the couple of row; false when row is outside the list.
bool KillCouple(TModel& model, int row);

// Ok on couple i: throws "Species Invalid !", "Alpha Invalid !" or
// "E° Invalid !" (in that order of checks), otherwise stores it.
void ApplyCouple(TModel& model, int i, const TRedox& couple);

// --- reactions ---

int AddReaction(TModel& model);
int InsertReaction(TModel& model, int row);
bool KillReaction(TModel& model, int row);

// Ok on reaction i: throws "Invalid Chemical Reaction !" when it is not
// valid, otherwise stores it.
void ApplyReaction(TModel& model, int i, const TChemical& reaction);

// A rate constant typed into its field, read as a single-precision number
// (about 7 significant digits) as the editor stores it. Throws
// EConvertError for a text that is no number or does not fit a float.
double ReactionRateFromText(std::string_view text, char separator);

// --- row texts ---

// The species list: "Dummy", then one text per species.
std::vector<std::string> SpeciesRows(const TModel& model, char separator);
// The hidden names list and the choosers: "Dummy", then the bare names.
std::vector<std::string> NameRows(const TModel& model);
std::vector<std::string> CoupleRows(const TModel& model, char separator);
std::vector<std::string> ReactionRows(const TModel& model, char separator);

// What an inserted species and an inserted reaction show until their list
// is rebuilt (one blank less, no blanks after the colons).
inline constexpr const char* kInsertedSpeciesText = "Ex  C: 0 D: 1";
inline constexpr const char* kInsertedReactionText = "Dummy <=> Dummy Kf:1 Kb:1";

// A reaction row as a species Ok rewrites it: the two sides, no rates.
std::string ReactionTextWithoutRates(const TChemical& reaction, const TEspeces& species);

// A reaction row as its own Ok writes it: the two sides, then " Kf:" and
// " Kb:" with the rate texts as typed.
std::string ReactionTextAsTyped(const TChemical& reaction, const TEspeces& species,
                                const std::string& kfText, const std::string& kbText);

}  // namespace ondrel
