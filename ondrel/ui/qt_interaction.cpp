#include "qt_interaction.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>

#include "about_box.h"

namespace ondrel {

namespace {

QString caption() {
    return QApplication::applicationName();
}

// A filter as Qt shows it: the label, then its pattern in both cases, since
// files from Windows come with either.
QString nameFilter(const FileFilter& filter) {
    const QString upper = filter.pattern.toUpper(), lower = filter.pattern.toLower();
    return filter.label + " (" + (upper == lower ? upper : upper + " " + lower) + ")";
}

QStringList nameFilters(const FileRequest& request) {
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << nameFilter(filter);
    return filters;
}

void prepare(QFileDialog& dialog, const FileRequest& request) {
    dialog.setWindowTitle(request.title.isEmpty() ? caption() : request.title);
    dialog.setNameFilters(nameFilters(request));
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
