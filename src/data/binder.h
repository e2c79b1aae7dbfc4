#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;
class SharedTable;

// Plays the data-aware controls: each bound control shows its field of the shared
// table's current record; typing into one puts the table in the edit state (a new record
// on an empty table) and hands the text to the field at once, so every control bound to
// the same field follows.
class Binder : public QObject {
    Q_OBJECT
  public:
    explicit Binder(SharedTable* table, QObject* parent = nullptr);

    void bind(QLineEdit* edit, const QString& field);
    void bind(QComboBox* combo, const QString& field);
    void bind(QPlainTextEdit* memo, const QString& field);
    void bind(QLabel* label, const QString& field);

    // The program changed a bound control's text (a completed date): the field takes it.
    void commit(QWidget* control);
    // Shows the current record again in every bound control.
    void showRecord();

  signals:
    void errorOccurred(const QString& message);

  private:
    struct Binding {
        QPointer<QWidget> control;
        int column;
    };
    void add(QWidget* control, const QString& field);
    void userEdited(QWidget* control, const QString& text);
    void showField(int column);
    void show(const Binding& binding);

    SharedTable* m_table;
    QVector<Binding> m_bindings;
    QWidget* m_typing = nullptr;
    bool m_showing = false;
};
