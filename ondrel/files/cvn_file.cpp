#include "cvn_file.h"

#include "../platform/codepage.h"
#include "../platform/float_text.h"
#include "../platform/message_text.h"
#include "../platform/ondrel_error.h"
#include "text_lines.h"

namespace ondrel {

namespace {

constexpr const char* kMethod = "Method:";
constexpr const char* kGeneral = "General:";
constexpr const char* kSpecies = "Especes:";
constexpr const char* kSpeciesRecord = "nom:";
constexpr const char* kRedox = "ReactionsRedox:";
constexpr const char* kRedoxRecord = "redox:";
constexpr const char* kPilot = "Pilot:";
// The cell's lines written after the program's values.
constexpr const char* kIrComp = "irComp:";
constexpr const char* kIcComp = "icComp:";
constexpr const char* kResistance = "Resistance:";
constexpr const char* kCapacitance = "Capacit\xE9";  // Windows-1252 é, no colon
// The program's quiet time (s), a staircase's step height (V) and sampling
// point (a share of each step): written after the cell's lines only where
// they differ from a plain sweep's (0, 0, 1), so that plain programs' files
// stay as they were and older readers skip them line by line.
constexpr const char* kQuietTime = "QuietTime:";
constexpr const char* kStepHeight = "StepHeight:";
constexpr const char* kSamplingPoint = "SamplingPoint:";
constexpr const char* kReactions = "HomegeneousReactions:";
constexpr const char* kReactionRecord = "homegeneous:";
// Written only for a model that is not run by the classic engine, after
// every other section, so that classic models' files stay as they were and
// older readers skip it line by line.
constexpr const char* kSolver = "Solver:";
constexpr const char* kImplicit = "implicit";
constexpr const char* kClassic = "classic";

// The lines of the file with a cursor, and the conversions that name the
// line they fail on.
class LineCursor {
public:
    LineCursor(std::vector<std::string> lines, char separator)
        : lines_(std::move(lines)), separator_(separator) {}

    bool more() const { return at_ < lines_.size(); }
    std::size_t left() const { return lines_.size() - at_ - 1; }
    bool is(const char* keyword) const { return more() && lines_[at_] == keyword; }
    void advance() { ++at_; }

    // Moves one line on and returns it.
    const std::string& next() {
        ++at_;
        if (!more())
            throw EConvertError("Line " + std::to_string(at_ + 1) +
                                ": the file ends where a value was expected");
        return lines_[at_];
    }
    // A number written under either decimal mark: the file carries the
    // mark of the locale it was written under, and a number of this format
    // has no thousands separator for the other mark to be mistaken for.
    double nextFloat() {
        const std::string& text = next();
        try {
            return TextToFloat(text, separator_);
        } catch (const EConvertError& error) {
            const char other = separator_ == ',' ? '.' : ',';
            if (text.find(other) != std::string::npos) {
                try {
                    return TextToFloat(text, other);
                } catch (const EConvertError&) {
                }
            }
            std::string message = where() + error.what();
            if (text.find_first_of(".,") != std::string::npos)
                message +=
                    " (the decimal mark may be the cause: a number is read with one "
                    "\".\" or \",\" as its decimal mark and no other)";
            throw EConvertError(message);
        }
    }
    int nextInt() {
        const std::string& text = next();
        try {
            return TextToInt(text);
        } catch (const EConvertError& error) {
            throw EConvertError(where() + error.what());
        }
    }
    // A record count, refused when the file cannot hold that many records
    // of linesPerRecord lines, before anything is read for them.
    int nextCount(std::size_t linesPerRecord) {
        const int count = nextInt();
        if (count < 0)
            throw EConvertError(where() + "a negative count (" + std::to_string(count) + ")");
        if (static_cast<std::size_t>(count) > left() / linesPerRecord + 1)
            throw EConvertError(where() + std::to_string(count) +
                                " records are announced, but the file ends before them");
        return count;
    }

    std::string where() const { return "Line " + std::to_string(at_ + 1) + ": "; }

private:
    std::vector<std::string> lines_;
    std::size_t at_ = 0;
    char separator_;
};

}  // namespace

std::string WriteCvn(const TModel& model, char separator) {
    std::vector<std::string> lines;
    auto number = [&](double value) { lines.push_back(FiniteToText(value, separator)); };
    auto integer = [&](int value) { lines.push_back(std::to_string(value)); };

    lines.push_back(kMethod);
    integer(0);
    lines.push_back(kGeneral);
    number(model.temperature);
    number(model.area);
    number(model.diffusionScale);
    number(model.concScale);

    lines.push_back(kSpecies);
    integer(model.species.count());
    for (const TEspece& s : model.species) {
        lines.push_back(kSpeciesRecord);
        lines.push_back(ToCodePage(s.name, kWindowsAnsi));
        number(s.D);
        number(s.C);
    }

    lines.push_back(kRedox);
    integer(model.couples.count());
    for (const TRedox& c : model.couples) {
        lines.push_back(kRedoxRecord);
        integer(c.ox);
        integer(c.red);
        number(c.E0);
        number(c.k0);
        number(c.alpha);
    }

    const TPilot& p = model.pilot;
    lines.push_back(kPilot);
    number(p.Einitial);
    number(p.Eswitch1);
    number(p.Eswitch2);
    number(p.Efinal);
    number(p.scanRate);
    integer(p.halfCycles);
    lines.push_back(kIrComp);
    integer(p.irComp);
    lines.push_back(kIcComp);
    integer(p.icComp);
    lines.push_back(kResistance);
    number(p.resistance);
    lines.push_back(kCapacitance);
    number(p.capacitance);
    const TPilot plain;
    if (p.quietTime != plain.quietTime) {
        lines.push_back(kQuietTime);
        number(p.quietTime);
    }
    if (p.stepHeight != plain.stepHeight) {
        lines.push_back(kStepHeight);
        number(p.stepHeight);
    }
    if (p.samplingPoint != plain.samplingPoint) {
        lines.push_back(kSamplingPoint);
        number(p.samplingPoint);
    }

    lines.push_back(kReactions);
    integer(model.reactions.count());
    for (const TChemical& r : model.reactions) {
        lines.push_back(kReactionRecord);
        integer(r.reagent1);
        integer(r.reagent2);
        integer(r.product1);
        integer(r.product2);
        number(r.kf);
        number(r.kb);
    }
    if (model.solver == Solver::Implicit) {
        lines.push_back(kSolver);
        lines.push_back(kImplicit);
    }
    return JoinLines(lines);
}

namespace {

// The section readers start with the cursor on their keyword and leave it on
// the last line they read.

void ReadGeneral(LineCursor& cursor, TModel& model) {
    model.temperature = cursor.nextFloat();
    model.area = cursor.nextFloat();
    model.diffusionScale = cursor.nextFloat();
    model.concScale = cursor.nextFloat();
}

// A count line, then that many records: the list is emptied, and each
// record whose first line is its keyword is read and appended; one whose
// first line is not is skipped, having used up that one line.
template <typename Records, typename ReadRecord>
void ReadRecords(LineCursor& cursor, Records& records, const char* keyword,
                 std::size_t linesPerRecord, ReadRecord readRecord) {
    const int count = cursor.nextCount(linesPerRecord);
    records.clear();
    for (int i = 0; i < count; ++i)
        if (cursor.next() == keyword)
            records.append(readRecord(cursor));
}

TEspece ReadSpeciesRecord(LineCursor& cursor) {
    TEspece species;
    species.name = SpeciesNameCut(FromCodePage(cursor.next(), kWindowsAnsi));
    species.D = cursor.nextFloat();
    species.C = cursor.nextFloat();
    return species;
}

TRedox ReadCoupleRecord(LineCursor& cursor) {
    TRedox couple;
    couple.ox = cursor.nextInt();
    couple.red = cursor.nextInt();
    couple.E0 = cursor.nextFloat();
    couple.k0 = cursor.nextFloat();
    couple.alpha = cursor.nextFloat();
    return couple;
}

TChemical ReadReactionRecord(LineCursor& cursor) {
    TChemical reaction;
    reaction.reagent1 = cursor.nextInt();
    reaction.reagent2 = cursor.nextInt();
    reaction.product1 = cursor.nextInt();
    reaction.product2 = cursor.nextInt();
    reaction.kf = cursor.nextFloat();
    reaction.kb = cursor.nextFloat();
    return reaction;
}

// The cell's labelled lines that follow these values are read as sections
// of their own. A program's quiet time and staircase are written only where
// they are not a plain sweep's: a program read without them has none.
void ReadPilot(LineCursor& cursor, TPilot& p) {
    const TPilot plain;
    p.quietTime = plain.quietTime;
    p.stepHeight = plain.stepHeight;
    p.samplingPoint = plain.samplingPoint;
    p.Einitial = cursor.nextFloat();
    p.Eswitch1 = cursor.nextFloat();
    p.Eswitch2 = cursor.nextFloat();
    p.Efinal = cursor.nextFloat();
    p.scanRate = cursor.nextFloat();
    p.halfCycles = cursor.nextInt();
}

Solver ReadSolver(LineCursor& cursor) {
    const std::string& name = cursor.next();
    if (name == kImplicit)
        return Solver::Implicit;
    if (name == kClassic)
        return Solver::Classic;
    throw EConvertError(cursor.where() + "the solver is classic or implicit, not " +
                        QuotedText(name));
}

// One pass over the line under the cursor: each keyword in turn looks at the
// line where the cursor stands after the ones before it, so "Method:" and
// "General:" may run on into the next section's keyword.
void ReadSectionsAt(LineCursor& cursor, TModel& model) {
    if (cursor.is(kMethod))
        cursor.advance();  // its value line is skipped
    if (cursor.is(kGeneral))
        ReadGeneral(cursor, model);
    if (cursor.is(kSpecies))
        ReadRecords(cursor, model.species, kSpeciesRecord, 4, ReadSpeciesRecord);
    else if (cursor.is(kRedox))
        ReadRecords(cursor, model.couples, kRedoxRecord, 6, ReadCoupleRecord);
    else if (cursor.is(kPilot))
        ReadPilot(cursor, model.pilot);
    else if (cursor.is(kReactions))
        ReadRecords(cursor, model.reactions, kReactionRecord, 7, ReadReactionRecord);
    else if (cursor.is(kSolver))
        model.solver = ReadSolver(cursor);
    else if (cursor.is(kIrComp))
        model.pilot.irComp = cursor.nextInt();
    else if (cursor.is(kIcComp))
        model.pilot.icComp = cursor.nextInt();
    else if (cursor.is(kResistance))
        model.pilot.resistance = cursor.nextFloat();
    else if (cursor.is(kCapacitance))
        model.pilot.capacitance = cursor.nextFloat();
    else if (cursor.is(kQuietTime))
        model.pilot.quietTime = cursor.nextFloat();
    else if (cursor.is(kStepHeight))
        model.pilot.stepHeight = cursor.nextFloat();
    else if (cursor.is(kSamplingPoint))
        model.pilot.samplingPoint = cursor.nextFloat();
}

bool StartsModelSection(const LineCursor& cursor) {
    for (const char* keyword : {kMethod, kGeneral, kSpecies, kRedox, kPilot, kReactions})
        if (cursor.is(keyword))
            return true;
    return false;
}

Exception NoModelError(std::string_view text) {
    const bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
                       text.find('\0') != std::string_view::npos;
    return Exception(
        std::string("The file holds no model: none of the section keywords Method:, "
                    "General:, Especes:, ReactionsRedox:, Pilot:, HomegeneousReactions: "
                    "was found") +
        (utf16 ? " (it is UTF-16 or binary, not Windows text)." : "."));
}

}  // namespace

void ReadCvn(std::string_view text, TModel& target, char separator) {
    // Read into a copy, taken over only when the whole file was read: a
    // file that fails part way changes nothing.
    TModel model = target;
    // A file without the solver section is run by the classic engine.
    model.solver = Solver::Classic;
    LineCursor cursor(SplitLines(text), separator);
    bool sectionFound = false;
    for (; cursor.more(); cursor.advance()) {
        sectionFound = sectionFound || StartsModelSection(cursor);
        ReadSectionsAt(cursor, model);
    }
    if (!sectionFound)
        throw NoModelError(text);
    target = std::move(model);
}

}  // namespace ondrel
