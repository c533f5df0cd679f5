#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QObject>
#include <QString>

#include "rom/romfile.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

class QComboBox;

namespace editor {

class Dialogs;
class MainWindow;

/// What the editor remembers between events; the values being edited live in the controls.
struct EditorState {
    QString RomPath;            // the open ROM; empty until a supported one has been opened
    rom::GameCode GameCode{};   // its game code
    int SpeciesIndex = 0;       // the speciesList row whose slot is on display
};

/// The main window's behaviour: reacts to its events and reads and writes one slot at a time.
class Controller : public QObject {
    Q_OBJECT
public:
    /// endProgram ends the event loop; by default QCoreApplication::exit(0).
    Controller(MainWindow& window, Dialogs& dialogs, std::function<void()> endProgram = {},
               rom::FileSystem& files = rom::SystemFiles());

    const EditorState& state() const { return m_state; }

    void OpenRom();
    void LoadSlot();
    void StoreSlot();
    void ApplyMethodKind(int row);
    void Exit();

private:
    void connectEvents();
    void report(const QString& text);
    QString slotDescription(int slot) const;

    MainWindow& m_window;
    Dialogs& m_dialogs;
    std::function<void()> m_endProgram;
    rom::FileSystem& m_files;
    EditorState m_state;

    std::filesystem::path m_path;   // RomPath in the file system's own encoding
    // The six bytes the controls were read from, while they hold the selected slot as read from the
    // file; Save writes only over these. Empty after a failed read or a failed undo.
    std::optional<rom::SlotBytes> m_shown;
    bool m_slotWasOn = false;       // the slot button being clicked was on before the click
    bool m_opening = false;         // inside OpenRom's steps, whose reads report nothing
};

}  // namespace editor
