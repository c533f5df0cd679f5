#pragma once

// Shared by the editor's GUI tests, on top of tests/support: a scripted stand-in for the dialogs, the
// window with its controller, and Qt's view of test images and of their tables' bytes.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>


#include <QAction>
#include <QByteArray>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "editor/controller.h"
#include "editor/dialogs.h"
#include "editor/mainwindow.h"
#include "rom/romfile.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/testsupport.h"

namespace editortest {

using faulty::FaultyFileSystem;
using testsupport::irbo;
using testsupport::ireo;
using testsupport::slotStart;

/// Points HOME and the XDG folders at a temporary folder for the rest of the process, so that nothing a
/// test runs (a real dialog above all) can write into the user's own configuration. Call it from a
/// test class's static initMain(), which runs before the application object exists.
/// Caches (fontconfig's, for one) go to its "cache" folder, the one place a program may leave files.
inline QString useTemporaryHome()
{
    static QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_CACHE_HOME", "cache"},
                                           std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_STATE_HOME", "state"}})
        qputenv(variable, QFile::encodeName(home.filePath(QLatin1String(folder))));
    return home.path();
}

inline const rom::SupportedGame& gameByCode(const QString& code)
{
    return code == QLatin1String("IREO") ? ireo() : irbo();
}

inline std::filesystem::path fsPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

/// Answers the open dialog from a queue (an empty answer is a cancel) and records every message.
class FakeDialogs : public editor::Dialogs {
public:
    struct Shown {
        QString title;
        QString text;
    };

    QStringList answers;
    QList<Shown> asked;     // title and filter of each open dialog
    QList<Shown> messages;  // title and text of each message box

    QString openFileName(const QString& title, const QString& filter) override
    {
        asked.append({title, filter});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void message(const QString& title, const QString& text) override { messages.append({title, text}); }
};

/// The main window with its controller, a scripted dialog and an observable end of the program.
struct Editor {
    explicit Editor(rom::FileSystem& files = rom::SystemFiles())
        : controller(window, dialogs, [this] { ++ended; }, files)
    {
    }

    /// Shows the window and waits until it has the focus, as a user's window would.
    [[nodiscard]] bool showActive()
    {
        window.show();
        return QTest::qWaitForWindowActive(&window);
    }

    /// Chooses File > Open and answers the dialog with name.
    void open(const QString& name)
    {
        dialogs.answers.append(name);
        window.openAction->trigger();
    }

    /// Both: the window shown with the focus, then the file opened; false if the focus never came.
    [[nodiscard]] bool showAndOpen(const QString& name)
    {
        if (!showActive())
            return false;
        open(name);
        return true;
    }

    FakeDialogs dialogs;
    int ended = 0;
    editor::MainWindow window;
    editor::Controller controller;
};

/// File > Save by its shortcut, as a user saves.
inline void pressSave(Editor& e)
{
    QTest::keyClick(&e.window, Qt::Key_S, Qt::ControlModifier);
}

/// Raw words of one slot.
struct Words {
    int method;
    int parameter;
    int target;
};

/// The test image with a patterned table (testsupport::Fill::Pattern), as a file of dir.
inline QString makeImage(const QTemporaryDir& dir, const QString& name, const rom::SupportedGame& game)
{
    const QString path = dir.filePath(name);
    testsupport::makeImage(fsPath(path), game, testsupport::Fill::Pattern);
    return path;
}

inline void putSlot(const QString& path, const rom::SupportedGame& game, rom::SlotAddress address, Words words)
{
    testsupport::putSlot(fsPath(path), game,
                         {address, std::uint16_t(words.method), std::uint16_t(words.parameter),
                          std::uint16_t(words.target)});
}

/// The same, holding one slot's raw words.
inline QString makeImage(const QTemporaryDir& dir, const QString& name, const rom::SupportedGame& game,
                         rom::SlotAddress address, Words words)
{
    const QString path = makeImage(dir, name, game);
    putSlot(path, game, address, words);
    return path;
}

/// The game's table with 64 bytes either side, and the file's size.
struct Snapshot {
    qint64 size = -1;
    QByteArray table;
    bool operator==(const Snapshot&) const = default;
};

inline Snapshot snapshot(const QString& path, const rom::SupportedGame& game)
{
    Snapshot shot;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return shot;
    shot.size = file.size();
    if (file.seek(qint64(game.tableBase) - 64))
        shot.table = file.read(qint64(rom::kTableBytes) + 128);
    return shot;
}

/// Absolute offsets at which two snapshots of the same game differ.
inline QList<std::uint64_t> changedOffsets(const Snapshot& before, const Snapshot& after,
                                           const rom::SupportedGame& game)
{
    QList<std::uint64_t> changed;
    for (qsizetype i = 0; i < std::min(before.table.size(), after.table.size()); ++i)
        if (before.table[i] != after.table[i])
            changed.append(game.tableBase - 64 + std::uint64_t(i));
    return changed;
}

inline int wordAt(const Snapshot& shot, const rom::SupportedGame& game, std::uint64_t offset)
{
    const qsizetype i = qsizetype(offset - (game.tableBase - 64));
    return std::uint8_t(shot.table.at(i)) | (std::uint8_t(shot.table.at(i + 1)) << 8);
}

inline QByteArray wholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace editortest
