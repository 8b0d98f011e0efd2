#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "scripted_interaction.h"
#include "ui/tform1.h"

namespace ondrel::testing {

// A main window whose dialogs a script answers, and the ways a user
// reaches its controls: by name.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture() : window(dialogs, {}) {}

    template <typename T = QWidget>
    T* control(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no control named " << name;
        return found;
    }
    QStringList rows(const char* list) {
        QStringList texts;
        auto* box = control<QListWidget>(list);
        for (int row = 0; row < box->count(); ++row)
            texts << box->item(row)->text();
        return texts;
    }
    void click(const char* button) { control<QAbstractButton>(button)->click(); }
    // Types text into a field as a user would, replacing what it held.
    void type(const char* field, const QString& text) {
        auto* edit = control<QLineEdit>(field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void select(const char* list, int row) { control<QListWidget>(list)->setCurrentRow(row); }

    ScriptedInteraction dialogs;
    TForm1 window;
};

}  // namespace ondrel::testing
