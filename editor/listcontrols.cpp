#include "editor/listcontrols.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStringListModel>

#include "rom/namelists.h"

namespace editor {

QStringList toQStringList(std::span<const std::string_view> rows)
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(rows.size()));
    // Latin-1 and Windows-1252 differ only in 0x80-0x9F, which no row uses; 0xE9 is "é" in both.
    for (const std::string_view row : rows)
        texts.append(QString::fromLatin1(row.data(), static_cast<qsizetype>(row.size())));
    return texts;
}

void loadRows(QComboBox* combo, std::span<const std::string_view> rows)
{
    Q_ASSERT(combo);
    // Filling an empty combo box selects its first row on its own. The window starts with nothing
    // selected, and loading must not reach the handlers as if the user had chosen a row.
    const QSignalBlocker quiet(combo);
    const int selected = combo->currentIndex();
    // A plain string model: the default one builds an item object per row, and the lists are long.
    combo->setModel(new QStringListModel(toQStringList(rows), combo));
    combo->setCurrentIndex(selected);
}

void loadRows(QListWidget* list, std::span<const std::string_view> rows)
{
    Q_ASSERT(list);
    // A sorted list would break "row = stored number".
    list->setSortingEnabled(false);
    list->addItems(toQStringList(rows));
}

std::span<const std::string_view> speciesListRows()
{
    return std::span<const std::string_view>(rom::SpeciesNames).subspan(1);
}

}  // namespace editor
