#pragma once

#include "schema.h"

#include <QString>
#include <functional>

// A base of the Windows edition: a Jet (Access) base.mdb with table clientes, brought over
// into a base of this program, every record under its own Código.
namespace WindowsBase {

// The file's header says it is a Jet or ACE database.
bool isJetFile(const QString& path);

// The program that reads a Jet file for us (velmora-mdb, beside the program).
QString readerProgram();

// Every record of table clientes, in the columns of clientes (a column the file lacks is
// empty), handed to `take` as it is read; dates kept as dates come as dd/mm/yyyy. The file
// is read by the reader program in a process of its own: its failure, whatever it is, is
// the file's. Throws AppError when the file cannot be read whole; gives the number of
// records. `progress` gets the records read so far and their number.
int readClientes(const QString& path, const std::function<void(const Schema::Record&)>& take,
                 const std::function<void(int, int)>& progress = {});

// A new base at `path` being filled with records under their own numbers, in one
// transaction with the indexes built at the end. A base not finished is removed.
class NewBase {
  public:
    explicit NewBase(const QString& path);
    ~NewBase();
    NewBase(const NewBase&) = delete;
    NewBase& operator=(const NewBase&) = delete;

    // Throws AppError for a record without a number.
    void add(const Schema::Record& record);
    // Commits, then checks that the base holds `expected` records and passes its integrity
    // check. Throws AppError, the file removed.
    void finish(qint64 expected);

  private:
    void discard();

    QString m_path;
    struct Writing;
    std::unique_ptr<Writing> m_writing;
};

struct Converted {
    int records = 0;
    QString originalKeptAs; // the Windows base's new name, beside the new base
};

// Converts the base.mdb of `folder`: its records are written with their own numbers into a
// new base under a temporary name as they are read, then counted and checked; only then is
// the original kept as base-windows.mdb and the new base put in its place. Throws AppError
// when any step fails; the original is then as it was and no new base is left behind.
Converted convert(const QString& folder, const std::function<void(int, int)>& progress = {});

} // namespace WindowsBase
