#include "editor/controller.h"

#include <filesystem>
#include <optional>
#include <string>

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>

#include "editor/dialogs.h"
#include "editor/mainwindow.h"
#include "rom/describe.h"
#include "rom/methods.h"
#include "rom/slotaddress.h"
#include "rom/slotcodec.h"

namespace editor {
namespace {

const QString kTitle = QStringLiteral("Quorvane");

// Qt's own file-name encoding, the one its file dialog decoded the name with. A name that does not
// survive the round trip (a stray surrogate, bytes the locale cannot hold) would name another file.
std::optional<std::filesystem::path> toPath(const QString& name)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (QFile::decodeName(encoded) != name)
        return std::nullopt;
    return std::filesystem::path(std::string(encoded.constData(), static_cast<std::size_t>(encoded.size())));
}

QString quoted(const QString& name)
{
    return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(name));
}

QString reasonOf(const rom::RomError& error)
{
    QString text = QString::fromLocal8Bit(rom::Describe(error));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    text += u'.';
    if (error.mayHaveChanged)
        text += QStringLiteral("\nCheck those bytes before you go on.");
    return text;
}

// A number with no row would select a wrong row or none without a word; show what is stored instead.
void showStored(QComboBox* combo, int value)
{
    if (value >= 0 && value < combo->count()) {
        combo->setCurrentIndex(value);
        combo->setPlaceholderText(QString());  // only after leaving -1: clearing it at -1 selects row 0
    } else {
        combo->setPlaceholderText(QStringLiteral("(stored: %1)").arg(value));
        combo->setCurrentIndex(-1);
    }
}

void selectFirstRow(QComboBox* combo)
{
    combo->setCurrentIndex(0);
    combo->setPlaceholderText(QString());
}

// The drop-down that shows each kind of parameter, in the layout's order. None and Constant have none:
// which of the four is visible is the method's kind as far as Load and Save are concerned.
struct ParameterSelector {
    rom::ParamKind kind;
    QComboBox* MainWindow::*combo;
};
constexpr ParameterSelector kParameterSelectors[] = {{rom::ParamKind::Level, &MainWindow::levelBox},
                                                     {rom::ParamKind::Item, &MainWindow::itemBox},
                                                     {rom::ParamKind::Species, &MainWindow::speciesParameterBox},
                                                     {rom::ParamKind::Move, &MainWindow::moveBox}};

// ApplyMethodKind leaves at most one of them visible.
const ParameterSelector* visibleSelector(const MainWindow& window)
{
    for (const ParameterSelector& selector : kParameterSelectors)
        if (!(window.*selector.combo)->isHidden())
            return &selector;
    return nullptr;
}

}  // namespace

Controller::Controller(MainWindow& window, Dialogs& dialogs, std::function<void()> endProgram, rom::FileSystem& files)
    : QObject(&window), m_window(window), m_dialogs(dialogs), m_endProgram(std::move(endProgram)), m_files(files)
{
    if (!m_endProgram)
        m_endProgram = [] { QCoreApplication::exit(0); };
    connectEvents();
}

void Controller::connectEvents()
{
    // The window filled its lists before this point, so no handler sees the loading.
    connect(m_window.openAction, &QAction::triggered, this, &Controller::OpenRom);
    connect(m_window.saveAction, &QAction::triggered, this, &Controller::StoreSlot);
    connect(m_window.exitAction, &QAction::triggered, this, &Controller::Exit);
    connect(&m_window, &MainWindow::closeRequested, this, &Controller::Exit);

    connect(m_window.speciesList, &QListWidget::currentRowChanged, this, &Controller::LoadSlot);
    connect(m_window.methodBox, &QComboBox::currentIndexChanged, this, &Controller::ApplyMethodKind);

    // A button turned on, by the user or by code, loads its slot. A click on the button already on
    // toggles nothing but must reload it too.
    connect(m_window.slotButtons, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            LoadSlot();
    });
    connect(m_window.slotButtons, &QButtonGroup::idPressed, this,
            [this](int id) { m_slotWasOn = m_window.slotButtons->button(id)->isChecked(); });
    connect(m_window.slotButtons, &QButtonGroup::idClicked, this, [this](int) {
        if (m_slotWasOn)
            LoadSlot();
    });
}

void Controller::OpenRom()
{
    const QString name =
        m_dialogs.openFileName(QStringLiteral("Open Rom"), QStringLiteral("NDS Roms (*.NDS *)"));
    // Cancelled: whatever was open stays open, and saves keep going to it.
    if (name.isEmpty())
        return;

    const auto path = toPath(name);
    if (!path) {
        report(QStringLiteral("Cannot open %1.\nIts name cannot be written in this system's file-name encoding.")
                   .arg(quoted(name)));
        return;
    }
    auto refuse = [&](const rom::RomError& error) {
        report(QStringLiteral("Cannot open %1.\n%2").arg(quoted(name), reasonOf(error)));
    };
    // Reads need no more than reading, but a file the editor could not save to is refused at once.
    if (const auto writable = rom::CheckWritable(*path, m_files); !writable)
        return refuse(writable.error());
    const auto identified = rom::IdentifyRom(*path, m_files);
    if (!identified)
        return refuse(identified.error());
    const rom::SupportedGame* game = identified->game;
    if (!game) {
        m_dialogs.message(kTitle, QStringLiteral("Unsupported Rom"));
        m_endProgram();
        return;
    }
    if (!rom::TableFits(*game, identified->fileSize)) {
        report(QStringLiteral("%1 is too short to hold the evolution table of %2: it has %3 bytes.")
                   .arg(quoted(name), QString::fromLatin1(game->name.data(), qsizetype(game->name.size())))
                   .arg(identified->fileSize));
        return;
    }

    m_state.RomPath = name;
    m_state.GameCode = identified->code;
    m_path = *path;
    {
        const QScopedValueRollback opening(m_opening, true);
        m_window.speciesList->setEnabled(true);
        m_window.speciesList->setCurrentRow(0);
        for (QComboBox* combo : {m_window.methodBox, m_window.levelBox, m_window.itemBox, m_window.speciesParameterBox,
                                 m_window.moveBox, m_window.targetBox})
            combo->setEnabled(true);
        for (int slot = 1; slot <= rom::EvolutionRecord::kSlots; ++slot)
            m_window.slotButton(slot)->setEnabled(true);
        m_window.slotButton(1)->setChecked(true);
        m_window.saveAction->setEnabled(true);
    }
    // The reads nested in the steps above may still see the slot that was on before; this one is slot 1.
    LoadSlot();
    const std::string_view caption = rom::RomCaption(m_state.GameCode);
    m_window.romNameLabel->setText(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
}

void Controller::LoadSlot()
{
    if (m_state.RomPath.isEmpty())
        return;
    m_state.SpeciesIndex = m_window.speciesList->currentRow();
    const int slot = m_window.slotButtons->checkedId();
    if (slot < 1 || m_state.SpeciesIndex < 0)
        return;

    const auto address = rom::SlotAddress::Of(m_state.SpeciesIndex, slot);
    const auto read = address ? rom::ReadSlot(m_path, m_state.GameCode, *address, m_files) : address.error();
    if (!read) {
        m_shown.reset();
        // OpenRom reports only its last read, of the slot it selected.
        if (!m_opening)
            report(QStringLiteral("Cannot read %1 from %2.\n%3")
                       .arg(slotDescription(slot), quoted(m_state.RomPath), reasonOf(read.error())));
        return;
    }
    m_shown = read->bytes;

    const int shownMethod = m_window.methodBox->currentIndex();
    showStored(m_window.methodBox, read->method);  // runs ApplyMethodKind when the row changes
    // An unchanged row raises no event, yet the selectors must follow it: the window starts with every
    // one of them shown, and an unlisted method read first leaves the row at -1.
    if (m_window.methodBox->currentIndex() == shownMethod)
        ApplyMethodKind(shownMethod);
    if (const ParameterSelector* selector = visibleSelector(m_window); selector && read->parameter)
        showStored(m_window.*selector->combo, *read->parameter);
    showStored(m_window.targetBox, read->target);
}

void Controller::StoreSlot()
{
    if (m_state.RomPath.isEmpty())
        return;
    const int slot = m_window.slotButtons->checkedId();
    if (slot < 1)
        return;
    if (!m_shown) {
        report(QStringLiteral("Nothing was saved: what %1 holds in %2 is not known since the last failure. Select the "
                              "slot again to reload it.")
                   .arg(slotDescription(slot), quoted(m_state.RomPath)));
        return;
    }

    rom::SlotWrite values;
    const int method = m_window.methodBox->currentIndex();
    // An unlisted method the user left alone keeps its word, and so does its parameter, whose meaning is unknown.
    if (method >= 0) {
        values.method = method;
        if (const ParameterSelector* selector = visibleSelector(m_window)) {
            values.kind = selector->kind;
            if (const int row = (m_window.*selector->combo)->currentIndex(); row >= 0)
                values.parameter = row;
        } else if (!m_window.constantMarker->isHidden()) {
            values.kind = rom::ParamKind::Constant;
        }
    }
    if (m_window.targetBox->currentIndex() >= 0)
        values.target = m_window.targetBox->currentIndex();

    const auto address = rom::SlotAddress::Of(m_state.SpeciesIndex, slot);
    const auto saved =
        address ? rom::WriteSlot(m_path, m_state.GameCode, *address, values, *m_shown, m_files) : address.error();
    if (saved) {
        // The file now holds what was written; a second Save compares against that.
        m_shown = rom::ComposeSlot(*m_shown, values);
        return;
    }
    const rom::RomError& error = saved.error();
    if (error.kind == rom::ErrorKind::SlotChanged) {
        // Reloaded before the message, so the window already shows what the message speaks of.
        LoadSlot();
        // The core's sentence for the kind alone: a reason given with it would only say the same again.
        const QString what = QString::fromLocal8Bit(rom::Describe({error.kind, {}}));
        report(QStringLiteral("Nothing was saved to %1 in %2: %3.%4")
                   .arg(slotDescription(slot), quoted(m_state.RomPath), what,
                        m_shown ? QStringLiteral("\nThe window now shows what the file holds.") : QString()));
        return;
    }
    // Bytes that may be half old and half new must be read again before anything is saved over them.
    if (error.mayHaveChanged)
        m_shown.reset();
    report(QStringLiteral("Cannot save %1 to %2.\n%3")
               .arg(slotDescription(slot), quoted(m_state.RomPath), reasonOf(error)));
}

void Controller::ApplyMethodKind(int row)
{
    const rom::ParamKind kind = rom::KindOf(row);
    // In the layout's order: hiding a drop-down that has the focus hands it to the next one shown, so
    // the order decides where the focus goes.
    for (const ParameterSelector& selector : kParameterSelectors) {
        QComboBox* combo = m_window.*selector.combo;
        if (selector.kind == kind) {
            combo->show();
            selectFirstRow(combo);
        } else {
            combo->hide();
        }
    }
    m_window.targetBox->setVisible(kind != rom::ParamKind::None);
    m_window.constantMarker->setVisible(kind == rom::ParamKind::Constant);
}

void Controller::Exit()
{
    m_endProgram();
}

void Controller::report(const QString& text)
{
    m_dialogs.message(kTitle, text);
}

QString Controller::slotDescription(int slot) const
{
    const QListWidgetItem* species = m_window.speciesList->item(m_state.SpeciesIndex);
    return QStringLiteral("slot %1 of %2").arg(slot).arg(species ? species->text() : QString::number(m_state.SpeciesIndex + 1));
}

}  // namespace editor
