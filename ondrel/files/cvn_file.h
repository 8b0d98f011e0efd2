#pragma once

#include <string>
#include <string_view>

#include "../model/model.h"

namespace ondrel {

// The native model file: one value per line, CR LF line ends, sections
// introduced by keyword lines. Numbers carry the decimal separator they are
// written with; nothing is converted on reading.

// The whole text of a model's ".CVN" file, in Windows-1252 bytes.
std::string WriteCvn(const TModel& model, char separator);

// Reads a ".CVN" text (Windows-1252 bytes) into model. Only the sections
// present replace their part of the model. A line that does not convert, a
// count the file cannot hold, or a file that ends inside a record throws
// EConvertError naming the line; a text with no section keyword throws
// Exception. Either way the model is left as it was.
void ReadCvn(std::string_view text, TModel& model, char separator);

}  // namespace ondrel
