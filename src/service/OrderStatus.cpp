#include "OrderStatus.h"

namespace order {

namespace {

    struct Letter {
        OrderStatus status;
        std::string_view letter;
    };
    constexpr Letter kLetters[] = {
        { OrderStatus::Writing, "X" },
        { OrderStatus::Sent, "A" },
        { OrderStatus::Receiving, "I" },
        { OrderStatus::Received, "O" },
    };

} // namespace

OrderStatus OrderStatusFromWire(std::string_view letter)
{
    for (const Letter& l : kLetters)
        if (l.letter == letter)
            return l.status;
    return OrderStatus::None;
}

std::string_view WireLetter(OrderStatus status)
{
    for (const Letter& l : kLetters)
        if (l.status == status)
            return l.letter;
    return {};
}

} // namespace order
