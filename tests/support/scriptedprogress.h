#pragma once

#include "common/progress.h"

#include <QList>

// Watches the progress of long work in place of the wait box, and plays the user who
// presses "Cancelar" once `cancelAfter` steps have been shown.
class ScriptedProgress : public Progress {
  public:
    ScriptedProgress() { Progress::install(this); }
    ~ScriptedProgress() override { Progress::install(nullptr); }

    int cancelAfter = -1;
    QList<int> counts;       // of every begin, in order
    QList<bool> cancellable; // of every begin
    int steps = 0;
    int last = 0;
    bool shown = false;

  protected:
    void started(int count, bool canCancel) override {
        counts << count;
        cancellable << canCancel;
        shown = true;
    }
    void advanced(int done) override {
        ++steps;
        last = done;
    }
    void finished() override { shown = false; }
    bool cancelRequested() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
};
