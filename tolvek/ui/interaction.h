#pragma once

#include <QString>
#include <QStringList>

namespace tolvek {

struct OpenFileRequest {
    QString title;
    QString directory;
    QStringList filters;  // "Label (*.ext)" each
    int filterIndex = 1;  // 1-based, into filters
};

// Every modal exchange with the user goes through here, so that tests can
// answer in place of a person.
class Interaction {
public:
    virtual ~Interaction() = default;
    virtual void showMessage(const QString& caption, const QString& text) = 0;
    // The chosen path of an existing file, or empty when cancelled.
    virtual QString getOpenFileName(const OpenFileRequest& request) = 0;
};

}  // namespace tolvek
