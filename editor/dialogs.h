#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace editor {

/// What the controller asks of the user through standard dialogs; tests put a scripted one in its place.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// The chosen file's name; empty when the user cancelled.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    /// A message with a single OK button; returns once it is dismissed.
    virtual void message(const QString& title, const QString& text) = 0;
};

/// The toolkit's own open-file dialog and message box, parented to the main window.
class QtDialogs : public QObject, public Dialogs {
    Q_OBJECT
public:
    explicit QtDialogs(QWidget* parent);

    QString openFileName(const QString& title, const QString& filter) override;
    void message(const QString& title, const QString& text) override;

private:
    QWidget* m_parent;
};

}  // namespace editor
