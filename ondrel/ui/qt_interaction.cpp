#include "qt_interaction.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QRegularExpression>

#include "about_box.h"

namespace ondrel {

namespace {

QString caption() {
    return QApplication::applicationName();
}

// A filter as Qt shows it: the label, then the patterns it stands for in
// parentheses, in place of any the label names itself ("Fichiers CVN
// (*.cvn)" shows the patterns once). Both cases, since files from Windows
// come with either, unless only one is taken.
QString nameFilter(const FileFilter& filter, bool exactCase) {
    static const QRegularExpression ownPatterns(QStringLiteral("\\s*\\([^()]*\\*[^()]*\\)\\s*$"));
    QString label = filter.label;
    label.remove(ownPatterns);
    const QString upper = filter.pattern.toUpper(), lower = filter.pattern.toLower();
    const QString patterns =
        exactCase ? filter.pattern : (upper == lower ? upper : upper + " " + lower);
    return label.trimmed() + " (" + patterns + ")";
}

}  // namespace

QStringList NameFilters(const FileRequest& request) {
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << nameFilter(filter, request.exactCase);
    return filters;
}

namespace {

void prepare(QFileDialog& dialog, const FileRequest& request) {
    dialog.setWindowTitle(request.title.isEmpty() ? caption() : request.title);
    dialog.setNameFilters(NameFilters(request));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.suggestedName.isEmpty())
        dialog.selectFile(request.suggestedName);
}

}  // namespace

void QtInteraction::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption(), text, QMessageBox::Ok, parent_);
    box.exec();
}

void QtInteraction::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption(), text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtInteraction::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtInteraction::askOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    return box.exec() == QMessageBox::Ok;
}

QStringList QtInteraction::getOpenFileNames(const FileRequest& request) {
    QFileDialog dialog(parent_);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtInteraction::getSaveFileName(const FileRequest& request) {
    QFileDialog dialog(parent_);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void QtInteraction::beep() {
    QApplication::beep();
}

bool QtInteraction::setUpPrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, parent_);
    return dialog.exec() == QDialog::Accepted;
}

QColor QtInteraction::chooseColor(const QColor& initial) {
    return QColorDialog::getColor(initial, parent_);
}

int QtInteraction::runDialog(QDialog& dialog) {
    return dialog.exec();
}

void QtInteraction::showAbout(bool asSplash) {
    AboutBox box(parent_, asSplash);
    box.exec();
}

}  // namespace ondrel
