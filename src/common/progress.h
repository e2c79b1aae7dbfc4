#pragma once

// Long work shows its progress through here: the program shows its wait box, a test may
// install a stand-in that watches, and without either nothing is shown.
class Progress {
  public:
    virtual ~Progress() = default;

    // The service in use; `progress` replaces it (nullptr: nothing is shown).
    static Progress& instance();
    static void install(Progress* progress);

    // Shows the progress running from 0 to `count` (0 when the count is not known yet),
    // standing at 0; called again, it starts over with the new count. Work that can be
    // given up lets the user ask for that, and asks cancelled() as it goes.
    static void begin(int count, bool cancellable = false);
    static void step(int done);
    static void end();
    // The user asked for the work to stop.
    static bool cancelled();

    // Shows the progress for the life of the object, however the work ends.
    class Scope {
      public:
        explicit Scope(int count, bool cancellable = false) { begin(count, cancellable); }
        ~Scope() { end(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

  protected:
    // What the service does at each of the calls above.
    virtual void started(int count, bool cancellable);
    virtual void advanced(int done);
    virtual void finished();
    virtual bool cancelRequested() const;
};
