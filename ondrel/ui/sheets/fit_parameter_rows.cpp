#include "fit_parameter_rows.h"

#include <QTableWidget>
#include <cmath>
#include <map>
#include <optional>

#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../qt_text.h"

namespace ondrel {

namespace {

// The model's value that a row last took, kept with its value cell.
constexpr int kSeenRole = Qt::UserRole + 1;

QString number(double value, char separator) {
    return ToQString(FloatToGeneral(value, 6, separator));
}

QTableWidgetItem* fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

std::optional<double> numberIn(const QString& text, char separator) {
    try {
        return TextToFloat(text.toStdString(), separator);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

// What the user had in a row.
struct RowSetUp {
    bool varied = false;
    QString value, lower, upper;
    double seen = 0;
};

}  // namespace

double ShownFitValue(double value) {
    if (!std::isfinite(value) || value == 0)
        return value;
    return TextToFloat(FloatToGeneral(value, 6, '.'), '.');
}

FitParameterRows::FitParameterRows(QTableWidget& table, char separator)
    : table_(table), separator_(separator) {}

QString FitParameterRows::nameOfRow(int row) const {
    const QTableWidgetItem* item = table_.item(row, kName);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void FitParameterRows::setVaried(int row, bool varied) {
    if (QTableWidgetItem* item = table_.item(row, kVary))
        item->setCheckState(varied ? Qt::Checked : Qt::Unchecked);
}

void FitParameterRows::Follow(const TModel& model) {
    update(model, false);
}

void FitParameterRows::TakeValues(const TModel& model) {
    update(model, true);
}

void FitParameterRows::update(const TModel& model, bool everyValue) {
    std::map<QString, RowSetUp> before;
    for (int r = 0; r < table_.rowCount(); ++r) {
        RowSetUp& row = before[nameOfRow(r)];
        row.varied = table_.item(r, kVary)->checkState() == Qt::Checked;
        row.value = table_.item(r, kValue)->text();
        row.seen = table_.item(r, kValue)->data(kSeenRole).toDouble();
        row.lower = table_.item(r, kLower)->text();
        row.upper = table_.item(r, kUpper)->text();
    }
    const std::vector<FitParameter> parameters = FitParameters(model);
    const QSignalBlocker block(table_);
    table_.setRowCount(static_cast<int>(parameters.size()));
    for (int r = 0; r < static_cast<int>(parameters.size()); ++r) {
        const FitParameter& p = parameters[static_cast<std::size_t>(r)];
        const QString name = ToQString(p.name);
        const auto old = before.find(name);
        const bool known = old != before.end();
        QString value = number(p.value, separator_);
        QString lower = number(p.lower, separator_), upper = number(p.upper, separator_);
        if (known) {
            if (!everyValue && old->second.seen == p.value)
                value = old->second.value;
            // Typed bounds stay while they hold the start value.
            const auto low = numberIn(old->second.lower, separator_);
            const auto high = numberIn(old->second.upper, separator_);
            const auto start = numberIn(value, separator_);
            if (low && high && start && *low <= *start && *start <= *high) {
                lower = old->second.lower;
                upper = old->second.upper;
            }
        }
        auto* vary = fixed(QString());
        vary->setFlags(vary->flags() | Qt::ItemIsUserCheckable);
        vary->setCheckState(known && old->second.varied ? Qt::Checked : Qt::Unchecked);
        table_.setItem(r, kVary, vary);
        const QString unit = ToQString(ParameterUnit(p.kind));
        table_.setItem(r, kName, fixed(unit.isEmpty() ? name : name + "  (" + unit + ")"));
        table_.item(r, kName)->setData(Qt::UserRole, name);
        table_.setItem(r, kValue, new QTableWidgetItem(value));
        table_.item(r, kValue)->setData(kSeenRole, p.value);
        table_.setItem(r, kLower, new QTableWidgetItem(lower));
        table_.setItem(r, kUpper, new QTableWidgetItem(upper));
    }
    table_.resizeColumnsToContents();
}

std::vector<FitParameter> FitParameterRows::Varied(const TModel& model) const {
    std::vector<FitParameter> parameters = FitParameters(model);
    std::vector<FitParameter> varied;
    for (int r = 0; r < table_.rowCount(); ++r) {
        if (table_.item(r, kVary)->checkState() != Qt::Checked)
            continue;
        const std::string name = nameOfRow(r).toStdString();
        FitParameter* p = FindParameter(parameters, name);
        if (!p)
            throw Exception("The model has no parameter " + name + " any more.");
        auto read = [&](int column, const char* what) {
            const std::string text = table_.item(r, column)->text().toStdString();
            try {
                return TextToFloat(text, separator_);
            } catch (const EConvertError&) {
                throw Exception(name + ": the " + what + " '" + text + "' is not a number");
            }
        };
        p->value = read(kValue, "value");
        p->lower = read(kLower, "lower bound");
        p->upper = read(kUpper, "upper bound");
        p->vary = true;
        varied.push_back(*p);
    }
    return varied;
}

}  // namespace ondrel
