#include "model_file.h"

#include <filesystem>

#include "../platform/codepage.h"
#include "../platform/date_time.h"
#include "../platform/ondrel_error.h"
#include "cvn_file.h"
#include "file_io.h"
#include "mec_file.h"
#include "text_lines.h"

namespace ondrel {

std::string ModelNameOf(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.substr(0, name.find('.'));
}

std::string ModelFileText(const TModel& model, const std::string& path, char separator) {
    const std::string extension = ExtensionOf(path);
    if (extension == ".CVN")
        return WriteCvn(model, separator);
    if (extension == ".MEC") {
        const std::time_t now = std::time(nullptr);
        return WriteMec(model, ShortDateText(now), TimeText(now));
    }
    throw Exception(std::string(kExtensionNotRecognised) + ": " +
                    (extension.empty() ? std::string("none") : '"' + extension + '"') +
                    " (a model is saved as .CVN or .MEC, the extension written in capitals)");
}

bool LoadModelFile(const std::string& path, TModel& model, char separator, ModelFileExtras* extras,
                   const StreamPatience& patience) {
    const std::string extension = AsciiUpper(ExtensionOf(path));
    if (extension != ".CVN" && extension != ".MEC")
        return false;
    const std::string text = ReadWholeFile(path, patience);
    const std::string name = std::filesystem::path(path).filename().string();
    try {
        if (extension == ".CVN") {
            ReadCvn(text, model, separator);
            if (extras)
                *extras = {FromCodePage(text, kWindowsAnsi), std::nullopt};
        } else {
            const MecHeader header = ReadMec(text, model, separator);
            if (extras)
                *extras = {FromCodePage(text, kDosCodePage), header};
        }
    } catch (const EConvertError& error) {
        throw EConvertError(name + ": " + error.what());
    } catch (const Exception& error) {
        throw Exception(name + ": " + error.what());
    }
    return true;
}

}  // namespace ondrel
