#pragma once

#include <QString>

class QWidget;

namespace ondrel {

// A control's hint: the short form before "|" as its tool tip, the long
// form after it (or the whole hint) in the status bar.
void SetHint(QWidget* widget, const QString& hint);

}  // namespace ondrel
