#pragma once

#include <span>
#include <string_view>

#include <QStringList>

class QComboBox;
class QListWidget;

namespace editor {

/// A list's rows as Qt texts, in order; Windows-1252 bytes decoded so 0xE9 shows as "é".
QStringList toQStringList(std::span<const std::string_view> rows);

/// Appends every row in order, row 0 first; the control is never sorted.
void loadRows(QComboBox* combo, std::span<const std::string_view> rows);
void loadRows(QListWidget* list, std::span<const std::string_view> rows);

/// The species browsing list: SpeciesNames without its "None" row, so row r is species r + 1.
std::span<const std::string_view> speciesListRows();

}  // namespace editor
