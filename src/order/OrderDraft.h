#pragma once

// The local draft of the order on screen: a copy in the work folder that
// outlives a crash or a power cut, one file per member and customer.
//
// File format (UTF-8 text, one record per line, fields separated by a tab;
// a backslash, tab, CR or LF inside a value is written as \\, \t, \r, \n):
//
//   ORDER-DRAFT 1                        version line, always first
//   M_CODE <tab> member code             the login the order belongs to
//   C_CODE <tab> customer code
//   OrderCode <tab> ...                  identity of an order opened again
//   OrderDate <tab> ...
//   OrderTime <tab> ...
//   OrderState <tab> the service's letter, or empty
//   SendCount <tab> decimal
//   EdtDD <tab> delivery date as typed
//   EdtNote <tab> note as typed
//   ChkBxIOG <tab> 0 or 1
//   LostSince <tab> yyyy-MM-ddThh:mm:ss or empty   when a send of this new order lost its answer
//   LINE <tab> code <tab> name <tab> unit <tab> quantity <tab> note    one per order line, in order
//   END <tab> number of LINE records     always last; a file without it was cut
//
// Prices and amounts are not kept: they come from the traded list when the
// draft is put back. A file is written whole to a temporary file beside it,
// flushed to disk and renamed over the draft, so a crash leaves the previous
// draft or the new one, never a mix.

#include "OrderOnScreen.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

namespace order {

struct OrderDraft {
    QString member;
    QString customer;
    OrderOnScreen order;
};

QByteArray FormatDraft(const OrderDraft& draft);
// False for anything but a whole draft of this version: a cut file, an
// unknown record, a bad number, more lines than an order holds.
bool ParseDraft(const QByteArray& data, OrderDraft& draft);

// "order-draft-<member>-<customer>.txt" in the work folder; characters
// other than ASCII letters and digits in the codes are written as _XX (hex),
// so that no code can reach another folder or another customer's name.
QString DraftPath(const QString& workDir, const QString& member, const QString& customer);

// Temporary file beside `path`, written, flushed to disk, renamed over it
// (QSaveFile); readable by the user alone, like a new draft.
bool WriteFileAtomically(const QString& path, const QByteArray& data);

// Writes and removes draft files on a thread of its own, so that the flush
// to disk (milliseconds on a real disk) never holds up typing. Only the
// newest operation per file is kept: a write followed by a removal before
// the thread got to it removes, and the other way round writes.
class DraftWriter {
public:
    DraftWriter();
    ~DraftWriter(); // finishes what was handed over
    DraftWriter(const DraftWriter&) = delete;
    DraftWriter& operator=(const DraftWriter&) = delete;

    void Write(const QString& path, QByteArray data);
    void Remove(const QString& path);
    // Waits until everything handed over is on disk (or removed).
    void Flush();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

enum class DraftLoad { None, Loaded, Broken };
// Reads the draft of this member and customer. A file that cannot be read
// as one (or belongs to someone else) is renamed to "<draft>.bad-<time>"
// and reported as Broken; temporary files left by an interrupted write are
// removed.
DraftLoad LoadDraft(const QString& path, const QString& member, const QString& customer, OrderDraft& draft);

} // namespace order
