#include "cvn_file.h"

#include "../platform/codepage.h"
#include "../platform/float_text.h"
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
    double nextFloat() {
        const std::string& text = next();
        try {
            return TextToFloat(text, separator_);
        } catch (const EConvertError& error) {
            throw EConvertError(where() + error.what());
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
    lines.push_back("irComp:");
    integer(p.irComp);
    lines.push_back("icComp:");
    integer(p.icComp);
    lines.push_back("Resistance:");
    number(p.resistance);
    lines.push_back("Capacit\xE9");  // Windows-1252 é
    number(p.capacitance);

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

void ReadCvn(std::string_view text, TModel& target, char separator) {
    // Read into a copy, taken over only when the whole file was read: a
    // file that fails part way changes nothing.
    TModel model = target;
    // A file without the solver section is run by the classic engine.
    model.solver = Solver::Classic;
    LineCursor cursor(SplitLines(text), separator);
    bool sectionFound = false;
    for (; cursor.more(); cursor.advance()) {
        // One pass: each keyword in turn looks at the line where the cursor
        // stands after the ones before it.
        for (const char* keyword : {kMethod, kGeneral, kSpecies, kRedox, kPilot, kReactions})
            sectionFound = sectionFound || cursor.is(keyword);
        if (cursor.is(kMethod))
            cursor.advance();  // its value line is skipped
        if (cursor.is(kGeneral)) {
            model.temperature = cursor.nextFloat();
            model.area = cursor.nextFloat();
            model.diffusionScale = cursor.nextFloat();
            model.concScale = cursor.nextFloat();
        }
        if (cursor.is(kSpecies)) {
            const int count = cursor.nextCount(4);
            model.species.clear();
            for (int i = 0; i < count; ++i) {
                if (cursor.next() != kSpeciesRecord)
                    continue;
                TEspece species;
                species.name = SpeciesNameCut(FromCodePage(cursor.next(), kWindowsAnsi));
                species.D = cursor.nextFloat();
                species.C = cursor.nextFloat();
                model.species.append(species);
            }
        } else if (cursor.is(kRedox)) {
            const int count = cursor.nextCount(6);
            model.couples.clear();
            for (int i = 0; i < count; ++i) {
                if (cursor.next() != kRedoxRecord)
                    continue;
                TRedox couple;
                couple.ox = cursor.nextInt();
                couple.red = cursor.nextInt();
                couple.E0 = cursor.nextFloat();
                couple.k0 = cursor.nextFloat();
                couple.alpha = cursor.nextFloat();
                model.couples.append(couple);
            }
        } else if (cursor.is(kPilot)) {
            TPilot& p = model.pilot;
            p.Einitial = cursor.nextFloat();
            p.Eswitch1 = cursor.nextFloat();
            p.Eswitch2 = cursor.nextFloat();
            p.Efinal = cursor.nextFloat();
            p.scanRate = cursor.nextFloat();
            p.halfCycles = cursor.nextInt();
        } else if (cursor.is(kReactions)) {
            const int count = cursor.nextCount(7);
            model.reactions.clear();
            for (int i = 0; i < count; ++i) {
                if (cursor.next() != kReactionRecord)
                    continue;
                TChemical reaction;
                reaction.reagent1 = cursor.nextInt();
                reaction.reagent2 = cursor.nextInt();
                reaction.product1 = cursor.nextInt();
                reaction.product2 = cursor.nextInt();
                reaction.kf = cursor.nextFloat();
                reaction.kb = cursor.nextFloat();
                model.reactions.append(reaction);
            }
        } else if (cursor.is(kSolver)) {
            const std::string& name = cursor.next();
            if (name == kImplicit)
                model.solver = Solver::Implicit;
            else if (name == kClassic)
                model.solver = Solver::Classic;
            else
                throw EConvertError(cursor.where() + "the solver is classic or implicit, not '" +
                                    name + "'");
        }
    }
    if (!sectionFound) {
        const bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
                           text.find('\0') != std::string_view::npos;
        throw Exception(
            std::string("The file holds no model: none of the section keywords Method:, "
                        "General:, Especes:, ReactionsRedox:, Pilot:, HomegeneousReactions: "
                        "was found") +
            (utf16 ? " (it is UTF-16 or binary, not Windows text)." : "."));
    }
    target = std::move(model);
}

}  // namespace ondrel
