#pragma once

// The order on screen as one value: who it is on the supplier's side, what
// the shop has written, and the rules of the commands that send, open, copy,
// delete and register it as a sample. The main window owns one and shows
// it; the send request, the order answer and the local draft are made from
// it and read back into it.

#include "OrderStatus.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace order {

// One line as it is kept and sent. Prices are no part of it: a shop that
// sees them gets them from its traded list whenever the line is shown.
struct OrderItem {
    QString code; // "YZ" for a product typed in directly
    QString name;
    QString unit;
    QString qty;
    QString note;
};

enum class ReadPurpose {
    Order, // the order itself, to change, send again or delete
    Sample, // only its lines, as the start of a new order
};

// A command's answer to the order on screen: whether it is refused, and
// the message to show then (none: it stops without a word).
struct Guard {
    bool refused = false;
    QString message;
};

struct OrderOnScreen {
    // Identity on the supplier's side; empty (and 0) for a new order.
    QString OrderCode; // OH_CODE
    QString OrderDate; // OH_SD, yymmdd
    QString OrderTime; // OH_AT
    OrderStatus OrderState = OrderStatus::None; // OH_IOG
    std::int16_t SendCount = 0; // OH_MCOUNT
    // What the shop writes.
    QString DeliveryDate; // EdtDD: yymmdd, or empty for no special day
    QString Note; // EdtNote
    bool StillWriting = false; // ChkBxIOG: stored without reaching the supplier
    std::vector<OrderItem> Lines;
    // When the first send of this new order that lost its answer began;
    // invalid while no answer was lost.
    QDateTime LostSendSince;

    bool IsNew() const { return OrderCode.isEmpty(); }

    // Sending: lines, a delivery date that is empty or a date, and a state
    // the supplier has not begun to receive.
    Guard SendGuard() const;
    // Counted before the call and kept after a failure: a retry is a new
    // send with the next count.
    void CountSend();
    // A refused send is an answer; a lost one leaves the doubt whether the
    // order was stored, from the moment that first such send began.
    void SendFailed(bool answerLost, const QDateTime& started);
    bool MayBeStoredAlready() const { return IsNew() && LostSendSince.isValid(); }

    // What an order read from the supplier puts on screen: for an order its
    // identity, date, note and lines (stored as still being written: the box
    // checked again); for a sample only its lines, as a new order.
    static OrderOnScreen Opened(const OrderOnScreen& read, ReadPurpose purpose);
    // The warning an opened order needs: the supplier has begun to receive it.
    QString OpenedMessage() const;

    // Copying keeps lines, date, note and box, and drops the identity, so
    // that the next send makes a new order.
    Guard CopyGuard() const;
    void CopyAsNew();

    Guard DeleteGuard() const;
    QString DeleteQuestion() const;

    // Only an order opened again that the supplier receives or has received.
    Guard SampleGuard() const;
};

} // namespace order
