#pragma once

#include <optional>
#include <string>

#include "../model/model.h"
#include "file_stream.h"
#include "mec_file.h"

namespace ondrel {

inline constexpr const char* kExtensionNotRecognised = "Extension non reconnue";

// The model name a file gives: its name without folder, cut at the first
// "." ("/data/a.b.CVN" gives "a").
std::string ModelNameOf(const std::string& path);

// The text a model is saved as, chosen by the path's extension exactly as
// typed: ".CVN" the native file, ".MEC" the mechanism file; any other
// (".cvn" too) throws Exception "Extension non reconnue", naming the
// extension and saying how it is written.
std::string ModelFileText(const TModel& model, const std::string& path, char separator);

// What a load read besides the model: the file's text (UTF-8) and, for a
// ".MEC" file, its header values as written.
struct ModelFileExtras {
    std::string text;
    std::optional<MecHeader> header;
};

// Reads the model file at path into model by its extension in upper case,
// ".CVN" or ".MEC". Returns false, reading nothing and changing nothing,
// for any other extension. A file that cannot be read or does not convert
// throws, naming the file, and leaves the model as it was. A FIFO or
// device is read as patience says.
bool LoadModelFile(const std::string& path, TModel& model, char separator,
                   ModelFileExtras* extras = nullptr, const StreamPatience& patience = {});

}  // namespace ondrel
