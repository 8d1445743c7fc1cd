#pragma once

// Where the supplier stands with a stored order (OH_IOG). The letters are
// the service's; the program speaks of the states alone and turns them into
// letters only here.

#include <string_view>

namespace order {

enum class OrderStatus {
    None, // no letter: a new order, never stored (also a letter the service never explained)
    Writing, // "X": stored as still being written; the supplier does not see it yet
    Sent, // "A": passed to the supplier, not yet received
    Receiving, // "I": the supplier is receiving it
    Received, // "O": the supplier has received it
};

OrderStatus OrderStatusFromWire(std::string_view letter);
std::string_view WireLetter(OrderStatus status);

} // namespace order
