#pragma once

#include <optional>
#include <string>

namespace velmora {

// Every modal exchange with the user goes through here, so that tests can
// answer in place of a person.
class Interaction {
public:
    virtual ~Interaction() = default;
    // A message box with an OK button, captioned with the program's title.
    virtual void MessageBox(const std::string& text) = 0;
    // A message that reports a change the program made on its own (a
    // frequency reset, a block cut short), not a failure: the same box in the
    // window.
    virtual void Notice(const std::string& text) { MessageBox(text); }
    // The "New parameter" dialog: shows value, and stores the number typed
    // when OK is pressed; Escape or closing leaves value as it was.
    virtual void EditNumber(const std::string& prompt, double& value) = 0;
    // A file dialog for a file to write: the name chosen, with
    // defaultSuffix added when it has none; nothing when cancelled.
    // filter is a dialog filter ("Text (*.txt);;CSV (*.csv)").
    virtual std::optional<std::string> SaveFileName(const std::string& caption,
                                                    const std::string& filter,
                                                    const std::string& defaultSuffix) {
        (void)caption, (void)filter, (void)defaultSuffix;
        return std::nullopt;
    }
};

// Reads the whole of a text as a floating-point number, blanks around it
// allowed; false when it is not one.
bool ParseNumberText(const std::string& text, double& value);

}  // namespace velmora
