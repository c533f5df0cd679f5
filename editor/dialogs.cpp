#include "editor/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace editor {

QtDialogs::QtDialogs(QWidget* parent) : QObject(parent), m_parent(parent) {}

QString QtDialogs::openFileName(const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, QString(), filter);
}

void QtDialogs::message(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

}  // namespace editor
