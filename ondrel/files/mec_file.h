#pragma once

#include <string>
#include <string_view>

#include "../model/model.h"

namespace ondrel {

// The mechanism exchange format of an outside simulation program: a header
// of keyword lines up to "END", then the species, couple and reaction
// blocks. Numbers always use "."; species have no names in it.

// The header values of a read, as written in the file with the decimal mark
// adapted to the user's separator; empty when the header lacks them.
struct MecHeader {
    std::string SR, IP, V1, V2, FP, AR, TE;
};

// The whole text of a ".MEC" file (code-page-437 bytes, CR LF line ends);
// date and time are the stamp of its "DR" and "TR" lines.
std::string WriteMec(const TModel& model, const std::string& date, const std::string& time);

// Reads a ".MEC" text into model, converting its numbers under the user's
// separator. Every species read is named "Espece"; after the header the
// second switch equals the final potential and the program has two
// half-cycles. An unknown token, a value that does not convert or a file
// that ends early throws, and the model is left as it was.
MecHeader ReadMec(std::string_view text, TModel& model, char separator);

}  // namespace ondrel
