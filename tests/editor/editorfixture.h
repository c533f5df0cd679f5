#pragma once

// Shared by the editor's GUI tests: a scripted stand-in for the dialogs, a file system whose
// transfers can be made to fail, small sparse ROM images and a byte-level view of their tables.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "tests/faultyfiles.h"

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
#include "tools/sampleimage.h"

namespace editortest {

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

inline const rom::SupportedGame& irbo() { return rom::kSupportedGames[0]; }
inline const rom::SupportedGame& ireo() { return rom::kSupportedGames[1]; }

inline const rom::SupportedGame& gameByCode(const QString& code)
{
    return code == QLatin1String("IREO") ? ireo() : irbo();
}

inline std::uint64_t tableEnd(const rom::SupportedGame& game)
{
    return rom::TableEnd(game);
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

using faulty::FaultyFileSystem;

/// The main window with its controller, a scripted dialog and an observable end of the program.
struct Editor {
    explicit Editor(rom::FileSystem& files = rom::SystemFiles())
        : controller(form, dialogs, [this] { ++ended; }, files)
    {
    }

    /// Shows the window and waits until it has the focus, as a user's window would.
    [[nodiscard]] bool showActive()
    {
        form.show();
        return QTest::qWaitForWindowActive(&form);
    }

    /// Chooses File > Open and answers the dialog with name.
    void open(const QString& name)
    {
        dialogs.answers.append(name);
        form.Open1->trigger();
    }

    FakeDialogs dialogs;
    int ended = 0;
    editor::Form1 form;
    editor::Controller controller;
};

/// The absolute offset of a slot's first byte.
inline std::uint64_t slotStart(const rom::SupportedGame& game, rom::SlotAddress address)
{
    return rom::FieldOffset(game.tableBase, address);
}

/// File > Save by its shortcut, as a user saves.
inline void pressSave(Editor& e)
{
    QTest::keyClick(&e.form, Qt::Key_S, Qt::ControlModifier);
}

/// Raw words of one slot.
struct Words {
    int method;
    int parameter;
    int target;
};

/// A sparse image of the game ending a little past its table; every table byte is a pattern whose
/// neighbours differ, so a write one byte off or one word too wide shows.
inline QString makeImage(const QTemporaryDir& dir, const QString& name, const rom::SupportedGame& game)
{
    const QString path = dir.filePath(name);
    const auto created = sample::CreateImage(fsPath(path), game.code, tableEnd(game) + 64);
    if (!created)
        qFatal("cannot create %s: %s", qPrintable(path), created.error().reason.c_str());
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(qint64(game.tableBase)))
        qFatal("cannot fill %s", qPrintable(path));
    QByteArray pattern(qsizetype(tableEnd(game) - game.tableBase), Qt::Uninitialized);
    for (qsizetype i = 0; i < pattern.size(); ++i)
        pattern[i] = char((i * 37 + 11) & 0xFF);
    file.write(pattern);
    return path;
}

inline void putSlot(const QString& path, const rom::SupportedGame& game, rom::SlotAddress address, Words words)
{
    const auto put = sample::PutSlot(fsPath(path), game,
                                     {address, std::uint16_t(words.method), std::uint16_t(words.parameter),
                                      std::uint16_t(words.target)});
    if (!put)
        qFatal("cannot store a slot in %s: %s", qPrintable(path), put.error().reason.c_str());
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
        shot.table = file.read(qint64(tableEnd(game) - game.tableBase) + 128);
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
