#pragma once

// The order on screen as the service sees it, without pixels: the send
// request made from the order, the sample registration request, and reading
// an order answer back into an order.

#include "OrderLineLogic.h"
#include "OrderOnScreen.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace order {

class TStringGridModel;

// Who sends: the login's member code, customer code and C_NC.
struct SenderCodes {
    std::string mCode;
    std::string cCode;
    std::string cNc;
};

// ORDERH_DATA (19 elements) then ORDERL_DATA with one OLD_r element of 12 per
// line. The send count goes as it stands (CountSend comes first); the note
// and the line notes trimmed, the delivery date unchanged. Direct lines
// ("YZ") carry their typed name and packing unit; quantities go without
// thousands separators.
std::string OrderSendRequest(const OrderOnScreen& order, const SenderCodes& sender);

// ORDERH_DATA holding OH_CODE and OH_SG "1".
std::string SampleRequest(const std::string& orderCode);

// Trimmed of control characters and blanks at both ends, as the failure
// messages show an answer.
QString TrimmedAnswer(const std::string& answer);

// An order as the order call answers it: identity, delivery date, note and
// lines (names and units the catalogue's, or the typed ones of a direct
// line); OH_MCOUNT 0 when it is no 16-bit number.
struct ReadOrderAnswer {
    OrderOnScreen order; // at most `capacity` lines
    // False when OH_RCOUNT announced more lines than the answer holds or than
    // the order can take: the lines read so far are kept.
    bool complete = true;
};

ReadOrderAnswer ParseOrderAnswer(std::string_view answer, int capacity = kLineRowCount);

// A line whose quantity is ten times the shop's usual quantity or more.
struct UnusualLine {
    QString name;
    QString qty; // as the order shows it
    QString usual;
};
// The lines of the order whose quantity is at least ten times the usual
// quantity of the product in the traded list (its first row with the same
// trimmed code), for products whose usual quantity is above zero.
std::vector<UnusualLine> UnusualQuantities(
    const TStringGridModel& lines, const TStringGridModel& traded, int tradedCodeCol, int tradedUsualCol);
QString UnusualQuantityQuestion(const std::vector<UnusualLine>& lines);

// The transport's own error word came back instead of an answer: the
// request may or may not have reached the service.
bool IsTransportFailure(std::string_view answer);

struct StoredOrder {
    QString code;
    QString time; // hh:mm
};
// Orders of an order-list answer that were stored at `since` or later
// (the service's clock may be a few minutes off) with this delivery date
// and this note (trimmed, as a send stores it).
std::vector<StoredOrder> OrdersStoredSince(
    std::string_view listAnswer, const QDateTime& since, const QString& delivery, const QString& note);
// The stored order has these lines: codes, quantities and notes, in order.
bool SameLines(const ReadOrderAnswer& stored, const std::vector<OrderItem>& lines);

} // namespace order
