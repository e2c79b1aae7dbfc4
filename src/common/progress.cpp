#include "progress.h"

namespace {
Progress* installed = nullptr;
}

Progress& Progress::instance() {
    static Progress silent;
    return installed ? *installed : silent;
}

void Progress::install(Progress* progress) {
    installed = progress;
}

void Progress::begin(int count, bool cancellable) {
    instance().started(count, cancellable);
}

void Progress::step(int done) {
    instance().advanced(done);
}

void Progress::end() {
    instance().finished();
}

bool Progress::cancelled() {
    return instance().cancelRequested();
}

void Progress::started(int, bool) {}
void Progress::advanced(int) {}
void Progress::finished() {}

bool Progress::cancelRequested() const {
    return false;
}
