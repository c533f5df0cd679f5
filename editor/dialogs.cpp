#include "editor/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QWidget>

namespace editor {

QtDialogs::QtDialogs(QWidget* parent) : QObject(parent), m_parent(parent)
{
    // The file dialog saves its history in the user's settings when it closes, and this program keeps
    // no files of its own: the user's settings live in a folder that cannot exist, so nothing is written
    // (and no other program's history is read).
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

QString QtDialogs::openFileName(const QString& title, const QString& filter)
{
    // A platform's own dialog (GTK's, say) keeps a history of opened files and settings of its own.
    return QFileDialog::getOpenFileName(m_parent, title, QString(), filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void QtDialogs::message(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

}  // namespace editor
