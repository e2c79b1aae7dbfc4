#pragma once

#include "app/dialogs.h"

#include <QQueue>
#include <QStringList>

// Plays the user at every message box: records what was shown and gives the next
// scripted answer (or the box's default button when none is scripted).
class ScriptedDialogs : public Dialogs {
  public:
    ScriptedDialogs() { Dialogs::install(this); }
    ~ScriptedDialogs() override { Dialogs::install(nullptr); }

    void setNextAnswer(Button answer) { m_answers.enqueue(answer); }

    QList<Message> shown;
    QStringList texts() const {
        QStringList result;
        for (const auto& message : shown)
            result << message.text;
        return result;
    }
    void clear() { shown.clear(); }

  protected:
    Button show(QWidget*, const Message& message) override {
        shown.append(message);
        return m_answers.isEmpty() ? message.defaultButton : m_answers.dequeue();
    }

  private:
    QQueue<Button> m_answers;
};
